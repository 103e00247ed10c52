#include "net/dispatcher.h"

#include "net/framing.h"
#include "net/handlererror.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDispatch, "vorlith.dispatch")

namespace vorlith::net {

Dispatcher::Dispatcher(std::chrono::milliseconds interval, QObject *parent) : QObject(parent)
{
    m_timer.setInterval(interval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        tick();
        if (m_queue.empty())
            m_timer.stop();
    });
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
    return std::any_of(m_table.begin(), m_table.end(), [&](const Entry &e) { return e.word == word; });
}

void Dispatcher::enqueue(QByteArray line, LineOrigin origin)
{
    if (line.size() > MaxLineLength)
        line.truncate(MaxLineLength);
    Count &c = m_counts[origin.connection];
    c.lines += 1;
    c.bytes += line.size();
    m_queue.push_back({std::move(line), origin});
    if (!m_manual && !m_timer.isActive())
        m_timer.start();
}

void Dispatcher::forget(const Queued &q)
{
    auto it = m_counts.find(q.origin.connection);
    if (it == m_counts.end())
        return;
    it->lines -= 1;
    it->bytes -= q.line.size();
    if (it->lines <= 0)
        m_counts.erase(it);
}

bool Dispatcher::tick()
{
    if (m_queue.empty())
        return false;
    const Queued q = std::move(m_queue.front());
    m_queue.pop_front();
    forget(q);

    const qsizetype plus = q.line.indexOf('+');
    if (plus <= 0) { // no "+" or an empty command word
        Q_EMIT lineDropped(q.line);
        return true;
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
        return true;
    }
    Q_EMIT lineDropped(q.line);
    return true;
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
    else if (!m_queue.empty())
        m_timer.start();
}

void Dispatcher::dropFrom(quint64 connection)
{
    std::erase_if(m_queue, [connection](const Queued &q) { return q.origin.connection == connection; });
    m_counts.remove(connection);
}

} // namespace vorlith::net
