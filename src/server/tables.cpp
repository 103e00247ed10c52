#include "server/tables.h"

#include "server/admission.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>

Q_LOGGING_CATEGORY(lcTables, "vorlith.server.tables")

namespace vorlith::server {

void VerdictTimes::add(std::chrono::nanoseconds taken)
{
    const double seconds = std::chrono::duration<double>(taken).count();
    ++count;
    sum += seconds;
    for (size_t i = 0; i < Bounds.size(); ++i) {
        if (seconds <= Bounds[i]) {
            ++counts[i];
            return;
        }
    }
}

Tables::Tables(Words &words, Admission &admission, Limits limits, QObject *parent)
    : QObject(parent), m_words(words), m_admission(admission), m_limits(limits),
      m_now([] { return QDeadlineTimer::current().deadline(); }),
      m_random([](int n) { return int(QRandomGenerator::global()->bounded(n)); })
{
    m_closer.setSingleShot(true);
    connect(&m_closer, &QTimer::timeout, this, &Tables::sweep);
}

Tables::~Tables()
{
    for (auto &[id, entry] : m_tables)
        delete entry.table;
}

void Tables::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_closer.stop();
    else
        armTimer();
}

quint16 Tables::freePort() const
{
    for (quint32 port = m_limits.firstPort; port <= m_limits.lastPort; ++port) {
        const bool used = std::any_of(m_tables.begin(), m_tables.end(), [port](const auto &t) {
            return t.second.table->port() == port;
        });
        if (!used)
            return quint16(port);
    }
    return 0;
}

QString Tables::newInvite() const
{
    // No 0/O or 1/I: the code is read out and typed by people.
    static const char alphabet[] = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
    for (;;) {
        QString code;
        for (int i = 0; i < 6; ++i) {
            if (i == 3)
                code += QLatin1Char('-');
            code += QLatin1Char(
                alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet - 1))]);
        }
        if (!findInvite(code))
            return code;
    }
}

Tables::Made Tables::make(const TableOptions &options, const QString &address)
{
    const QString creator = Admission::key(address);
    const qint64 now = m_now();
    if (int(m_tables.size()) >= m_limits.maxTables)
        return {nullptr, {}, Refusal::Full};
    const auto own = std::count_if(m_tables.begin(), m_tables.end(),
                                   [&](const auto &t) { return t.second.creator == creator; });
    if (own >= m_limits.maxTablesPerAddress)
        return {nullptr, {}, Refusal::AddressHasTooMany};
    std::deque<qint64> &recent = m_creations[creator];
    while (!recent.empty() && recent.front() <= now - 60 * 1000)
        recent.pop_front();
    if (int(recent.size()) >= m_limits.maxCreationsPerMinute) {
        return {nullptr, {}, Refusal::AddressTooOften};
    }

    const int id = m_nextId;
    auto table = std::make_unique<Table>(id, options, m_words, m_admission, m_random);
    table->setManual(m_manual);
    // A port another program holds is passed over for the next one.
    bool opened = false;
    for (quint32 port = m_limits.firstPort; port <= m_limits.lastPort && !opened; ++port) {
        const bool used = std::any_of(m_tables.begin(), m_tables.end(), [port](const auto &t) {
            return t.second.table->port() == port;
        });
        opened = !used && table->open(quint16(port), m_limits.addresses);
    }
    if (!opened) {
        if (recent.empty())
            m_creations.erase(creator);
        return {nullptr, {}, Refusal::NoPort};
    }
    ++m_nextId;
    recent.push_back(now);

    Table *t = table.release();
    t->setParent(this);
    t->setLineTimer([this](const QByteArray &word, std::chrono::nanoseconds taken) {
        if (word == "CMD_myword")
            m_verdicts.add(taken);
    });
    connect(t, &Table::peopleChanged, this, [this, id] { peopleChanged(id); });
    Entry entry{t, creator, options.isPrivate ? newInvite() : QString(), now + IdleCloseMs};
    const QString invite = entry.invite;
    m_tables.emplace(id, std::move(entry));
    qCInfo(lcTables) << "table" << id << options.name << "opened on port" << t->port() << "for"
                     << creator;
    armTimer();
    return {t, invite, Refusal::None};
}

Table *Tables::find(int id) const
{
    const auto it = m_tables.find(id);
    return it == m_tables.end() ? nullptr : it->second.table;
}

Table *Tables::findInvite(const QString &code) const
{
    if (code.isEmpty())
        return nullptr;
    for (const auto &[id, entry] : m_tables) {
        if (entry.invite.compare(code, Qt::CaseInsensitive) == 0)
            return entry.table;
    }
    return nullptr;
}

QString Tables::inviteOf(int id) const
{
    const auto it = m_tables.find(id);
    return it == m_tables.end() ? QString() : it->second.invite;
}

std::vector<Table *> Tables::all() const
{
    std::vector<Table *> tables;
    tables.reserve(m_tables.size());
    for (const auto &[id, entry] : m_tables)
        tables.push_back(entry.table);
    return tables;
}

std::optional<qint64> Tables::closesAt(int id) const
{
    const auto it = m_tables.find(id);
    return it == m_tables.end() ? std::nullopt : it->second.closesAt;
}

void Tables::peopleChanged(int id)
{
    const auto it = m_tables.find(id);
    if (it == m_tables.end())
        return;
    Entry &entry = it->second;
    if (entry.table->people() > 0)
        entry.closesAt.reset();
    else if (!entry.closesAt)
        entry.closesAt = m_now() + IdleCloseMs;
    armTimer();
}

void Tables::sweep()
{
    const qint64 now = m_now();
    std::vector<int> due;
    for (const auto &[id, entry] : m_tables) {
        if (entry.closesAt && *entry.closesAt <= now)
            due.push_back(id);
    }
    for (int id : due)
        close(id);
    armTimer();
}

void Tables::close(int id)
{
    const auto it = m_tables.find(id);
    if (it == m_tables.end())
        return;
    Table *table = it->second.table;
    m_gamesOfClosedTables += quint64(table->gamesStarted());
    m_gamesPlayedAtClosedTables += quint64(table->gamesPlayed());
    m_tables.erase(it);
    qCInfo(lcTables) << "table" << id << "closed: nobody is at it";
    // It may be inside one of its own connections' signals.
    table->disconnect(this);
    table->deleteLater();
    Q_EMIT tableClosed(id);
}

void Tables::armTimer()
{
    std::optional<qint64> next;
    for (const auto &[id, entry] : m_tables) {
        if (entry.closesAt && (!next || *entry.closesAt < *next))
            next = entry.closesAt;
    }
    if (!next || m_manual) {
        m_closer.stop();
        return;
    }
    m_closer.start(std::chrono::milliseconds(std::max<qint64>(0, *next - m_now())));
}

int Tables::peopleSeated() const
{
    int n = 0;
    for (const auto &[id, entry] : m_tables)
        n += entry.table->peopleSeated();
    return n;
}

quint64 Tables::gamesStarted() const
{
    quint64 n = m_gamesOfClosedTables;
    for (const auto &[id, entry] : m_tables)
        n += quint64(entry.table->gamesStarted());
    return n;
}

quint64 Tables::gamesPlayed() const
{
    quint64 n = m_gamesPlayedAtClosedTables;
    for (const auto &[id, entry] : m_tables)
        n += quint64(entry.table->gamesPlayed());
    return n;
}

} // namespace vorlith::server
