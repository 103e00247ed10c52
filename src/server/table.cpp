// The one place the server reaches into the host engine and the dictionary:
// what they are called and how they are wired stays here.
#include "server/table.h"

#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/registry.h"
#include "host/server.h"
#include "net/game.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "server/admission.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QLoggingCategory>

#include <optional>
#include <set>

Q_LOGGING_CATEGORY(lcTable, "vorlith.server.table")

namespace vorlith::server {

struct Words::Impl
{
    dict::Dictionary dictionary;
    std::optional<dict::WordFinder> finder;

    const dict::WordFinder &wordFinder()
    {
        // Made when the first computer player needs it: a server without
        // them never spends the memory.
        if (!finder)
            finder.emplace(dictionary);
        return *finder;
    }
};

Words::Words() : m_impl(std::make_unique<Impl>()) {}
Words::~Words() = default;

bool Words::load(const QString &fileName)
{
    m_impl->finder.reset();
    // A configured list that is missing is an operator's mistake, not a
    // reason to judge by another list unnoticed.
    if (!fileName.isEmpty() && !QFileInfo::exists(fileName)) {
        m_impl->dictionary.loadwords(QString());
        return false;
    }
    return m_impl->dictionary.loadwords(fileName);
}

QString Words::errorText() const
{
    return m_impl->dictionary.errorText();
}

bool Words::isWord(QStringView word) const
{
    return m_impl->dictionary.isword(word);
}

Table::Table(int id, TableOptions options, Words &words, Admission &admission, RandomSource random,
             QObject *parent)
    : QObject(parent), m_id(id), m_options(std::move(options)), m_words(words),
      m_admission(admission), m_random(std::move(random)),
      m_server(std::make_unique<host::HostServer>())
{
    m_server->setRules(*this);
    m_game = std::make_unique<host::GameEngine>(m_server->registry(), *m_server,
                                                m_words.m_impl->dictionary, m_random);
    m_game->setRules(*this);
    connect(m_game.get(), &host::GameEngine::gameEnded, this, [this](bool decided) {
        if (decided)
            ++m_gamesPlayed;
    });
    m_server->setGame(m_game.get());
    Words::Impl &impl = *m_words.m_impl;
    m_computers = std::make_unique<host::ComputerTable>(
        *m_server,
        [&impl](const std::array<int, 36> &board) { return impl.wordFinder().find(board); },
        m_random);
    connect(m_computers.get(), &host::ComputerTable::settled, this, &Table::computersSettled);
}

Table::~Table()
{
    m_closing = true;
    for (const auto &[sock, address] : m_people)
        m_admission.release(address);
    m_people.clear();
    // The computer players leave before the engine they are connected to.
    m_computers.reset();
    m_server->setGame(nullptr);
    m_game.reset();
    m_server.reset();
}

bool Table::open(quint16 port, const QList<QHostAddress> &addresses)
{
    m_server->setPortName(QString::number(port));
    m_server->setListenAddresses(addresses);
    try {
        m_server->startListening();
    } catch (const net::SockError &e) {
        qCInfo(lcTable) << "table" << m_id << "cannot listen on" << port << ":" << e.text();
        return false;
    }
    m_computersExpected = m_options.computers;
    m_computers->setPlayers(m_options.computers, m_options.strength);
    return true;
}

quint16 Table::port() const
{
    return m_server->listeningPort();
}

void Table::setManual(bool manual)
{
    m_game->setManual(manual);
}

void Table::setLineTimer(std::function<void(const QByteArray &, std::chrono::nanoseconds)> timer)
{
    m_server->dispatcher().setLineTimer(std::move(timer));
}

bool Table::isPlaying() const
{
    return m_game->gameInProgress();
}

qint64 Table::round() const
{
    return m_game->roundCounter();
}

QStringList Table::seated() const
{
    QStringList names;
    const host::Registry &registry = m_server->registry();
    for (int seat = 1; seat <= net::game::Seats; ++seat) {
        const host::PlayerRecord *r = registry.record(seat);
        if (r->active && r->loggedIn)
            names << r->name;
    }
    return names;
}

QList<QPair<QString, qint64>> Table::held() const
{
    QList<QPair<QString, qint64>> held;
    if (!isPlaying())
        return held;
    for (const host::HeldSeats::Held &seat : m_server->heldSeats().held())
        held.append({seat.name, seat.seconds});
    return held;
}

int Table::spies() const
{
    int n = 0;
    const host::Registry &registry = m_server->registry();
    for (int slot = net::game::Seats + 1; slot <= net::game::LastSlot; ++slot)
        n += registry.isActive(slot) ? 1 : 0;
    return n;
}

int Table::peopleSeated() const
{
    int n = 0;
    const host::Registry &registry = m_server->registry();
    for (int seat = 1; seat <= net::game::Seats; ++seat) {
        const host::PlayerRecord *r = registry.record(seat);
        if (r->active && m_people.count(r->connection))
            ++n;
    }
    return n;
}

// ---- the rules ---------------------------------------------------------

bool Table::admits(net::Sock &connection)
{
    const QString address = connection.hostName();
    // The table's own computer players come over loopback while they are
    // expected; they count against no limit.
    if (m_computersExpected > 0 && QHostAddress(address).isLoopback()) {
        --m_computersExpected;
        return true;
    }
    if (!m_admission.take(address)) {
        qCInfo(lcTable) << "table" << m_id << "refuses one more connection from" << address;
        return false;
    }
    follow(connection, address);
    return true;
}

void Table::follow(net::Sock &connection, const QString &address)
{
    net::Sock *sock = &connection;
    m_people.emplace(sock, address);
    connect(sock, &net::Sock::info, this,
            [this](net::Sock *s, net::SocketInfo kind, const QString &) {
                if (kind == net::SocketInfo::Close)
                    release(s);
            });
    connect(sock, &QObject::destroyed, this, [this, sock] { release(sock); });
    Q_EMIT peopleChanged();
}

void Table::computersSettled()
{
    m_computersExpected = 0;
    // A person who came over loopback while the computer players were on
    // their way was let in as one of them: found now, they count as a person.
    std::set<int> computerSlots;
    for (const auto &player : m_computers->players())
        computerSlots.insert(player->slot());
    const host::Registry &registry = m_server->registry();
    for (int slot = 1; slot <= net::game::LastSlot; ++slot) {
        const host::PlayerRecord *r = registry.record(slot);
        if (!r->active || !r->connection || computerSlots.count(slot) ||
            m_people.count(r->connection))
            continue;
        // Over the limits or not, it is already at the table.
        const QString address = r->connection->hostName();
        if (m_admission.take(address))
            follow(*r->connection, address);
    }
}

void Table::release(net::Sock *connection)
{
    if (m_closing)
        return;
    const auto it = m_people.find(connection);
    if (it == m_people.end())
        return;
    m_admission.release(it->second);
    m_people.erase(it);
    Q_EMIT peopleChanged();
}

bool Table::mayStartGame(int slot, bool gameRunning) const
{
    if (gameRunning || slot < 1 || slot > net::game::Seats)
        return false;
    return true;
}

net::proto::StartGame Table::startRequest(const net::proto::StartGame &request, int slot)
{
    static_cast<void>(request);
    // Whatever the starting player's program asked for, everybody is told
    // the table's own options.
    ++m_gamesStarted;
    Q_EMIT gameStarted();
    return {m_server->registry().name(slot), QString::number(m_options.rounds),
            QString::number(m_options.time)};
}

bool Table::hasHostingPowers(int slot) const
{
    static_cast<void>(slot);
    return false;
}

bool Table::endsQuietly(const host::Registry &registry, qint64 round, qint32 roundsToPlay) const
{
    if (peopleSeated() == 0)
        return true;
    // Nobody has scored through the rounds and three tie-breaks: a game of
    // silence would otherwise go on for ever.
    if (round <= qint64(roundsToPlay) + 3)
        return false;
    for (int seat = 1; seat <= net::game::Seats; ++seat) {
        if (registry.record(seat)->totalScore != 0)
            return false;
    }
    return true;
}

} // namespace vorlith::server
