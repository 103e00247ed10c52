#include "host/computertable.h"

#include "dict/wordfinder.h"
#include "host/server.h"

#include <algorithm>

namespace vorlith::host {

ComputerTable::ComputerTable(HostServer &server, ComputerPlayer::WordSource words,
                             PlanRandom random, QObject *parent)
    : QObject(parent), m_server(server), m_words(std::move(words)), m_random(std::move(random))
{
}

ComputerTable::~ComputerTable()
{
    for (auto &player : m_players)
        player->disconnect(this);
}

int ComputerTable::freeSeats() const
{
    int free = 0;
    for (int seat = 1; seat <= net::game::Seats; ++seat) {
        if (!m_server.registry().isActive(seat))
            ++free;
    }
    // A player that has no slot yet will take one of them.
    for (const auto &player : m_players) {
        if (player->slot() == 0)
            --free;
    }
    return std::max(free, 0);
}

bool ComputerTable::isSettled() const
{
    return std::all_of(m_players.begin(), m_players.end(),
                       [](const auto &player) { return player->isSeated(); });
}

void ComputerTable::setPlayers(int count, Strength strength)
{
    m_strength = strength;
    for (auto &player : m_players)
        player->setStrength(strength);
    count = std::clamp(count, 0, MaxPlayers);
    while (this->count() > count) {
        ComputerPlayer *player = m_players.back().release();
        m_players.pop_back();
        player->disconnect(this);
        player->leave();
        player->deleteLater();
    }
    for (int n = std::min(count - this->count(), freeSeats()); n > 0; --n)
        add();
    Q_EMIT changed();
    if (isSettled())
        Q_EMIT settled();
}

QString ComputerTable::freeName() const
{
    const Registry &registry = m_server.registry();
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Robot %1").arg(n);
        const bool taken = std::any_of(m_players.begin(), m_players.end(),
                                       [&](const auto &player) { return player->name() == name; });
        const QList<int> slots = registry.activeSlots();
        if (!taken && std::none_of(slots.begin(), slots.end(),
                                   [&](int s) { return registry.name(s) == name; }))
            return name;
    }
}

void ComputerTable::add()
{
    // Every player asks for the words of the same board at a round's start:
    // the table looks them up once.
    auto words = [this](const std::array<int, 36> &board) {
        if (!m_lastWords || m_lastBoard != board) {
            m_lastBoard = board;
            m_lastWords = m_words ? m_words(board) : std::vector<dict::FoundWord>();
        }
        return *m_lastWords;
    };
    auto player = std::make_unique<ComputerPlayer>(freeName(), m_strength, words, m_random);
    ComputerPlayer *p = player.get();
    p->setManual(m_manual);
    connect(p, &ComputerPlayer::seated, this, [this] {
        Q_EMIT changed();
        if (isSettled())
            Q_EMIT settled();
    });
    connect(p, &ComputerPlayer::finished, this, [this, p] { forget(p); });
    m_players.push_back(std::move(player));
    p->connectTo(QString::number(m_server.listeningPort()));
}

void ComputerTable::forget(ComputerPlayer *player)
{
    const auto it = std::find_if(m_players.begin(), m_players.end(),
                                 [player](const auto &p) { return p.get() == player; });
    if (it == m_players.end())
        return;
    // It is still inside its own signal: it goes once that has returned.
    it->release()->deleteLater();
    m_players.erase(it);
    player->disconnect(this);
    Q_EMIT changed();
    if (isSettled())
        Q_EMIT settled();
}

} // namespace vorlith::host
