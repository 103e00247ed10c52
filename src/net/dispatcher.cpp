#include "net/dispatcher.h"

#include "net/framing.h"
#include "net/handlererror.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcDispatch, "vorlith.dispatch")

namespace vorlith::net {

Dispatcher::Dispatcher(QObject *parent) : QObject(parent)
{
    // A zero timer runs once the event loop has served what else was ready,
    // so a connection that keeps sending cannot hold up reads, writes and
    // clocks for long.
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        turn();
        schedule();
    });
}

void Dispatcher::schedule()
{
    if (!m_manual && m_pendingLines > 0 && !m_timer.isActive())
        m_timer.start();
}

void Dispatcher::addCommand(const QByteArray &word, Handler handler)
{
    Q_ASSERT(!hasCommand(word));
    m_table.push_back({word, std::move(handler)});
}

void Dispatcher::setHandler(const QByteArray &word, Handler handler)
{
    for (auto &e : m_table) {
        if (e.word == word) {
            e.handler = std::move(handler);
            return;
        }
    }
    Q_ASSERT_X(false, "Dispatcher::setHandler", "no such command");
}

bool Dispatcher::hasCommand(const QByteArray &word) const
{
    return std::any_of(m_table.begin(), m_table.end(),
                       [&](const Entry &e) { return e.word == word; });
}

void Dispatcher::enqueue(QByteArray line, LineOrigin origin)
{
    if (line.size() > MaxLineLength)
        line.truncate(MaxLineLength);
    auto [it, added] = m_queues.try_emplace(origin.connection);
    if (added)
        m_turns.push_back(origin.connection);
    Queue &queue = it->second;
    queue.bytes += line.size();
    m_pendingBytes += line.size();
    ++m_pendingLines;
    queue.lines.push_back(
        {std::move(line), origin,
         m_lineTimer ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{}});
    schedule();
}

qsizetype Dispatcher::pendingFrom(quint64 connection) const
{
    const auto it = m_queues.find(connection);
    return it == m_queues.end() ? 0 : qsizetype(it->second.lines.size());
}

qsizetype Dispatcher::pendingBytesFrom(quint64 connection) const
{
    const auto it = m_queues.find(connection);
    return it == m_queues.end() ? 0 : it->second.bytes;
}

std::optional<quint64> Dispatcher::largestBacklog() const
{
    std::optional<quint64> largest;
    qsizetype most = -1;
    // In turn order, so that of equal backlogs the one served next is named.
    for (quint64 connection : m_turns) {
        const qsizetype bytes = m_queues.at(connection).bytes;
        if (bytes > most) {
            most = bytes;
            largest = connection;
        }
    }
    return largest;
}

void Dispatcher::forgetQueue(quint64 connection)
{
    const auto it = m_queues.find(connection);
    if (it == m_queues.end())
        return;
    m_pendingLines -= qsizetype(it->second.lines.size());
    m_pendingBytes -= it->second.bytes;
    m_queues.erase(it);
    std::erase(m_turns, connection);
}

bool Dispatcher::tick()
{
    if (m_turns.empty())
        return false;
    const quint64 connection = m_turns.front();
    m_turns.pop_front();
    Queue &queue = m_queues.at(connection);
    const Queued q = std::move(queue.lines.front());
    queue.lines.pop_front();
    queue.bytes -= q.line.size();
    m_pendingBytes -= q.line.size();
    --m_pendingLines;
    if (queue.lines.empty())
        m_queues.erase(connection);
    else
        m_turns.push_back(connection);

    dispatch(q);
    if (m_lineTimer && q.arrived != std::chrono::steady_clock::time_point{}) {
        const qsizetype plus = q.line.indexOf('+');
        m_lineTimer(plus > 0 ? q.line.left(plus) : QByteArray(),
                    std::chrono::steady_clock::now() - q.arrived);
    }
    if (m_pendingLines == 0)
        Q_EMIT drained();
    return true;
}

int Dispatcher::turn(int limit)
{
    int n = 0;
    while (n < limit && tick())
        ++n;
    return n;
}

void Dispatcher::dispatch(const Queued &q)
{
    const qsizetype plus = q.line.indexOf('+');
    if (plus <= 0) { // no "+" or an empty command word
        Q_EMIT lineDropped(q.line);
        return;
    }
    const QByteArray word = q.line.left(plus);
    for (const Entry &e : m_table) {
        if (e.word != word || !e.handler)
            continue;
        const QString fields = QString::fromLatin1(q.line.sliced(plus + 1));
        try {
            e.handler(fields, q.origin);
        } catch (const HandlerError &err) {
            qCInfo(lcDispatch) << word << "failed:" << err.text();
            if (m_onError)
                m_onError(err.text());
        } catch (const std::exception &err) {
            qCWarning(lcDispatch) << word << "failed:" << err.what();
            if (m_onError)
                m_onError(QString::fromUtf8(err.what()));
        }
        return;
    }
    Q_EMIT lineDropped(q.line);
}

int Dispatcher::drain()
{
    int n = 0;
    while (tick())
        ++n;
    return n;
}

void Dispatcher::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_timer.stop();
    else
        schedule();
}

void Dispatcher::dropFrom(quint64 connection)
{
    forgetQueue(connection);
}

void Dispatcher::keepNextFrom(quint64 connection, qsizetype keep)
{
    const auto it = m_queues.find(connection);
    if (it == m_queues.end())
        return;
    if (keep <= 0) {
        forgetQueue(connection);
        return;
    }
    Queue &queue = it->second;
    while (qsizetype(queue.lines.size()) > keep) {
        const qsizetype bytes = queue.lines.back().line.size();
        queue.bytes -= bytes;
        m_pendingBytes -= bytes;
        --m_pendingLines;
        queue.lines.pop_back();
    }
}

} // namespace vorlith::net
