#include "wireclient.h"

#include "harness.h"

#include <QTcpServer>

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

bool WireClient::logIn(int slot, const QByteArray &name, const QByteArray &version)
{
    const QByteArray n = QByteArray::number(slot);
    sendRaw("CMD_logininfo+" + n + "+" + version + "+" + name + "\xff\xff");
    if (!waitForLine("CMD_newplayerinfo+" + n + "+" + name + "+0"))
        return false;
    this->slot = slot;
    this->name = name;
    return true;
}

namespace {
const QByteArray RoundTripMark = " ~round trip ";
}

bool WireClient::roundTrip(const QList<WireClient *> &hearers, int timeoutMs)
{
    static int count = 0;
    const QByteArray text = RoundTripMark + QByteArray::number(++count) + "|clRed";
    const QByteArray n = QByteArray::number(slot);
    sendLine("CMD_action+" + n + "+" + text.mid(1));
    const QByteArray echo = "CMD_action+" + n + "+" + name + text;
    if (!waitForLine(echo, timeoutMs))
        return false;
    for (WireClient *c : hearers) {
        if (!c->waitForLine(echo, timeoutMs))
            return false;
    }
    return true;
}

bool WireClient::isRoundTrip(const QByteArray &line)
{
    return line.startsWith("CMD_action+") && line.contains(RoundTripMark);
}

QList<QByteArray> WireClient::heard() const
{
    QList<QByteArray> kept;
    for (const QByteArray &line : lines) {
        if (!isRoundTrip(line))
            kept.append(line);
    }
    return kept;
}

bool WireClient::waitForLines(int count, int timeoutMs)
{
    return Pump().until([&] { return lines.size() >= count; }, timeoutMs);
}

bool WireClient::waitForClose(int timeoutMs)
{
    return Pump().until([&] { return closed; }, timeoutMs);
}

bool WireClient::waitForLine(const QByteArray &line, int timeoutMs)
{
    return Pump().until([&] { return lines.contains(line); }, timeoutMs);
}

WireClient *WireTable::connect(int slot, const QHostAddress &from)
{
    clients.push_back(std::make_unique<WireClient>());
    WireClient *c = clients.back().get();
    if (!c->connectFrom(from, port))
        return nullptr;
    if (slot > 0 && (!c->waitForLines(1) ||
                     c->lines.first() != "CMD_sendlogininfo+" + QByteArray::number(slot)))
        return nullptr;
    return c;
}

WireClient *WireTable::join(int slot, const QByteArray &name, const QByteArray &version,
                            const QHostAddress &from)
{
    WireClient *c = connect(slot, from);
    return c && c->logIn(slot, name, version) ? c : nullptr;
}

WireClient *WireTable::adopt(std::unique_ptr<WireClient> client)
{
    clients.push_back(std::move(client));
    return clients.back().get();
}

QList<WireClient *> WireTable::connected() const
{
    QList<WireClient *> all;
    for (const auto &c : clients) {
        if (!c->closed)
            all.append(c.get());
    }
    return all;
}

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}
