#include "harness.h"

#include "net/dispatcher.h"
#include "net/protocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

void Pump::add(vorlith::net::Dispatcher &dispatcher)
{
    add([&dispatcher] { return dispatcher.drain(); });
}

int Pump::drain()
{
    int handled = 0;
    for (const auto &drain : std::as_const(m_drains))
        handled += drain();
    return handled;
}

bool Pump::until(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    // Wakes the loop at the deadline should nothing else happen. A timer may
    // fire a little early, so it is set again for what is left before each
    // wait: a wait never outlives the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const int handled = drain();
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        if (!handled) {
            if (!wake.isActive())
                wake.start(int(qMax<qint64>(1, deadline.remainingTime())));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
}

void hostSays(vorlith::net::Dispatcher &client, const QByteArray &lines)
{
    for (const QByteArray &line : lines.split('\xff')) {
        if (!line.isEmpty())
            client.enqueue(line);
    }
    client.drain();
}

FakeHost::FakeHost(QObject *parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
}

bool FakeHost::accept(int timeoutMs)
{
    if (!m_peer && !Pump().until([this] { return m_server.hasPendingConnections(); }, timeoutMs))
        return false;
    if (!m_peer) {
        m_peer = m_server.nextPendingConnection();
        connect(m_peer, &QTcpSocket::readyRead, this, [this] { m_heard += m_peer->readAll(); });
    }
    return m_peer;
}

void FakeHost::say(const QByteArray &line)
{
    if (!m_peer)
        return;
    m_peer->write(line + '\xff');
    m_peer->flush();
}

QByteArray FakeHost::hear(const QByteArray &bytes, int timeoutMs)
{
    (void)Pump().until([&] { return m_heard.size() >= bytes.size(); }, timeoutMs);
    return takeHeard();
}

QByteArray FakeHost::hearUntil(const QByteArray &barrier, int timeoutMs)
{
    const QByteArray end = barrier + '\xff';
    (void)Pump().until([&] { return m_heard.contains(end); }, timeoutMs);
    const qsizetype at = m_heard.indexOf(end);
    if (at < 0)
        return takeHeard() + "<the barrier never came>";
    QByteArray before = m_heard.left(at);
    m_heard.remove(0, at + end.size());
    return before;
}

QByteArray FakeHost::takeHeard()
{
    if (m_peer)
        m_heard += m_peer->readAll();
    return std::exchange(m_heard, {});
}

QByteArray dealLine(const QString &letters)
{
    vorlith::net::proto::MakeBoard deal;
    for (qsizetype i = 0; i < qsizetype(deal.codes.size()) && i < letters.size(); ++i)
        deal.codes[size_t(i)] = letters.at(i).toUpper().unicode() - 'A' + 1;
    return vorlith::net::proto::encode(deal);
}
