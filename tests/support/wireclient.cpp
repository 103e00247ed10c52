#include "wireclient.h"

#include <QTcpServer>
#include <QTest>

WireClient::WireClient(QObject *parent) : QObject(parent)
{
    connect(&socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray data = socket.readAll();
        raw += data;
        m_carry += data;
        qsizetype end;
        while ((end = m_carry.indexOf('\xff')) >= 0) {
            lines.append(m_carry.left(end));
            m_carry.remove(0, end + 1);
        }
    });
    connect(&socket, &QTcpSocket::disconnected, this, [this] { closed = true; });
}

bool WireClient::connectTo(quint16 port, int timeoutMs)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(timeoutMs);
}

bool WireClient::connectFrom(const QHostAddress &from, quint16 port, int timeoutMs)
{
    if (!socket.bind(from))
        return false;
    return connectTo(port, timeoutMs);
}

void WireClient::sendRaw(const QByteArray &bytes)
{
    socket.write(bytes);
    sent += bytes.size();
    socket.flush();
}

void WireClient::sendLine(const QByteArray &line)
{
    sendRaw(line + '\xff');
}

bool WireClient::waitForLines(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return lines.size() >= count; }, timeoutMs);
}

bool WireClient::waitForClose(int timeoutMs)
{
    return QTest::qWaitFor([&] { return closed; }, timeoutMs);
}

bool WireClient::waitForLine(const QByteArray &line, int timeoutMs)
{
    return QTest::qWaitFor([&] { return lines.contains(line); }, timeoutMs);
}

QList<QByteArray> WireClient::settle(int ms)
{
    const qsizetype before = lines.size();
    QTest::qWait(ms);
    return lines.mid(before);
}

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}
