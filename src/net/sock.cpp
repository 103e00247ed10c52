#include "net/sock.h"

#include "net/liveness.h"
#include "net/winsock.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <netdb.h>

Q_LOGGING_CATEGORY(lcSock, "vorlith.sock")

namespace vorlith::net {

namespace {

constexpr qint64 ReadArea = 32768;
// An unread socket is given this long to take our last bytes before it is
// dropped, so a closing connection can never hold memory forever.
constexpr int GracefulCloseMs = 10000;
// Room for connections that arrive together (a table's computer players, a
// burst of joiners) while the host is busy; the old 5 turned some away.
constexpr int ListenBacklog = 64;

bool startsWithDigit(const QString &s)
{
    return !s.isEmpty() && s.front().isDigit();
}

quint16 resolvePort(const QString &portName)
{
    if (startsWithDigit(portName)) {
        bool ok = false;
        const uint port = portName.toUInt(&ok);
        if (ok && port <= 65535)
            return static_cast<quint16>(port);
        // Like the classic conversion: digits that do not make a port.
        throw SockError(QStringLiteral("Port Lookup - Could Not Find Service Entry"));
    }
    const QByteArray name = portName.toLatin1();
    if (const servent *entry = ::getservbyname(name.constData(), "tcp"))
        return qFromBigEndian(static_cast<quint16>(entry->s_port));
    throw SockError(QStringLiteral("Port Lookup - Could Not Find Service Entry"));
}

} // namespace

Sock::Sock(QObject *parent) : QObject(parent) {}

Sock::~Sock()
{
    for (QTcpServer *server : std::as_const(m_servers))
        server->close();
    if (m_socket)
        releaseSocket(false);
}

void Sock::setHostName(const QString &name)
{
    m_hostName = name;
    if (m_connected)
        raise(SocketInfo::Lookup, QStringLiteral("Setting HostName While Connected Has No Effect"));
}

void Sock::setPortName(const QString &name)
{
    m_portName = name;
    if (m_connected)
        raise(SocketInfo::Lookup, QStringLiteral("Setting PortName While Connected Has No Effect"));
}

bool Sock::hasSocket() const
{
    return m_socket || !m_servers.isEmpty();
}

quint16 Sock::localPort() const
{
    if (!m_servers.isEmpty())
        return m_servers.front()->serverPort();
    return m_socket ? m_socket->localPort() : 0;
}

qintptr Sock::socketDescriptor() const
{
    return m_socket ? m_socket->socketDescriptor() : -1;
}

quint16 Sock::peerPort() const
{
    return m_socket ? m_socket->peerPort() : 0;
}

void Sock::raise(SocketInfo kind, const QString &text)
{
    Q_EMIT info(this, kind, text);
    if (kind == SocketInfo::Close)
        Q_EMIT closed(this);
    else if (kind == SocketInfo::Error)
        Q_EMIT errorRaised(this, m_lastError, text);
}

void Sock::stopServers()
{
    for (QTcpServer *server : std::exchange(m_servers, {})) {
        server->close();
        server->deleteLater();
    }
}

void Sock::setListen(bool listen)
{
    if (!listen) {
        if (m_servers.isEmpty())
            return;
        stopServers();
        m_listening = false;
        raise(SocketInfo::Close, QStringLiteral("Socket Closed"));
        raise(SocketInfo::Listen, QStringLiteral("Listening Stopped"));
        return;
    }
    if (m_listening) {
        raise(SocketInfo::Listen, QStringLiteral("Listening Already Running"));
        return;
    }
    if (m_socket)
        throw SockError(QStringLiteral("Listen - Socket Already In Use"));

    raise(SocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    quint16 port = resolvePort(m_portName);
    const QList<QHostAddress> addresses = m_listenAddresses.isEmpty()
                                              ? QList<QHostAddress>{QHostAddress(QHostAddress::Any)}
                                              : m_listenAddresses;
    for (const QHostAddress &address : addresses) {
        auto *server = new QTcpServer(this);
        server->setListenBacklogSize(ListenBacklog);
        if (!server->listen(address, port)) {
            const auto error = server->serverError();
            qCInfo(lcSock) << "listen on" << address.toString() << port
                           << "failed:" << server->errorString();
            delete server;
            // A machine without IPv6 has no ::1; the other addresses still serve.
            if (address.isLoopback() && error == QAbstractSocket::SocketAddressNotAvailableError &&
                !m_servers.isEmpty())
                continue;
            stopServers();
            if (error == QAbstractSocket::AddressInUseError ||
                error == QAbstractSocket::SocketAccessError ||
                error == QAbstractSocket::SocketAddressNotAvailableError)
                throw SockError(QStringLiteral("Listen - Error Binding Socket"));
            throw SockError(QStringLiteral("Listen - Error Starting Listen"));
        }
        // Port "0" picks a free port once; every address then shares it.
        port = server->serverPort();
        m_servers.append(server);
        connect(server, &QTcpServer::newConnection, this, [this] { Q_EMIT acceptEvent(this); });
    }
    m_listening = true;
    raise(SocketInfo::Listen, QStringLiteral("Listening Started"));
}

bool Sock::open()
{
    if (hasSocket())
        return m_connected;

    if (!m_hostName.isEmpty())
        raise(SocketInfo::Lookup, QStringLiteral("Lookup Of Host ") + m_hostName);
    raise(SocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    const quint16 port = resolvePort(m_portName);

    auto *socket = new QTcpSocket(this);
    adoptSocket(socket);
    if (!m_localAddress.isEmpty() && !socket->bind(QHostAddress(m_localAddress), 0))
        qCInfo(lcSock) << "cannot bind" << m_localAddress << socket->errorString();
    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &Sock::onConnectTimeout);
    m_connectTimer->start(m_connectTimeoutMs);

    // An empty name stands for any address, which for a connect means this machine.
    const QString host = m_hostName.isEmpty() ? QStringLiteral("0.0.0.0") : m_hostName;
    QHostAddress address;
    if (startsWithDigit(host) && address.setAddress(host))
        socket->connectToHost(address, port);
    else
        socket->connectToHost(host, port); // resolved asynchronously (Qt caches lookups)
    return false;
}

void Sock::adoptSocket(QTcpSocket *socket)
{
    m_socket = socket;
    socket->setParent(this);
    connect(socket, &QTcpSocket::connected, this, &Sock::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &Sock::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &Sock::onBytesWritten);
    connect(socket, &QTcpSocket::disconnected, this, &Sock::onRemoteClosed);
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { onSocketError(static_cast<int>(e)); });
}

bool Sock::accept(Sock *&accepted)
{
    accepted = nullptr;
    if (m_servers.isEmpty())
        throw SockError(QStringLiteral("Accept - Socket Not In Listening Mode"));
    QTcpSocket *socket = nullptr;
    for (QTcpServer *server : std::as_const(m_servers)) {
        if ((socket = server->nextPendingConnection()))
            break;
    }
    if (!socket) {
        raise(SocketInfo::Accept, QStringLiteral("Could Not Accept Connection"));
        return false;
    }
    auto *sock = new Sock(this);
    sock->m_portName = m_portName;
    QHostAddress peer = socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    sock->m_hostName = isV4 ? QHostAddress(v4).toString() : peer.toString();
    sock->adoptSocket(socket);
    sock->m_connected = true;
    liveness::apply(socket->socketDescriptor());
    accepted = sock;
    raise(SocketInfo::Accept, QStringLiteral("Created New TSock Structure"));
    return true;
}

bool Sock::send(const QByteArray &bytes)
{
    if (m_listening)
        throw SockError(QStringLiteral("Send - Cannot Send On A Listener Socket"));
    if (!m_socket)
        throw SockError(QStringLiteral("Send - Socket Not Connected"));
    // QTcpSocket keeps what the system does not take and sends it, in order,
    // as soon as it can: the same guarantee the classic send buffer gave.
    m_socket->write(bytes);
    m_bytesSent += bytes.size();
    return true;
}

QByteArray Sock::receive(qsizetype limit)
{
    if (m_listening)
        throw SockError(QStringLiteral("Receive - Cannot Receive On A Listener Socket"));
    if (!m_socket && m_received.isEmpty())
        throw SockError(QStringLiteral("Receive - Socket Not Connected"));
    if (limit < 0 || limit >= m_received.size())
        return std::exchange(m_received, QByteArray());
    QByteArray head = m_received.left(limit);
    m_received.remove(0, limit);
    return head;
}

qint64 Sock::pendingSendBytes() const
{
    return m_socket ? m_socket->bytesToWrite() : 0;
}

bool Sock::close()
{
    const bool wasListening = m_listening;
    bool closed = false;
    if (!m_servers.isEmpty()) {
        stopServers();
        closed = true;
    }
    if (m_socket) {
        releaseSocket(true);
        closed = true;
    }
    m_connected = false;
    m_listening = false;
    if (!wasListening)
        raise(SocketInfo::Close, QStringLiteral("Socket Closed"));
    return closed;
}

void Sock::releaseSocket(bool graceful)
{
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    if (m_connectTimer) {
        m_connectTimer->stop();
        m_connectTimer->deleteLater();
        m_connectTimer = nullptr;
    }
    socket->disconnect(this);
    if (!graceful || socket->state() != QAbstractSocket::ConnectedState ||
        socket->bytesToWrite() == 0) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // Let the last bytes (a "full" notice, say) reach the peer, then drop the
    // socket; it lives on its own, so this Sock may be freed right away.
    socket->setParent(nullptr);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(GracefulCloseMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
}

void Sock::onConnected()
{
    if (m_connectTimer)
        m_connectTimer->stop();
    m_connected = true;
    if (m_socket)
        liveness::apply(m_socket->socketDescriptor());
    raise(SocketInfo::Connect, QStringLiteral("Non-Blocking Socket Connected"));
    Q_EMIT connectEvent(this);
}

void Sock::onReadyRead()
{
    // One read event per 32 KiB, as a read notification never takes more.
    while (m_socket && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(ReadArea);
        if (chunk.isEmpty())
            break;
        m_received += chunk;
        m_bytesReceived += chunk.size();
        raise(SocketInfo::Receive, QStringLiteral("Non-Blocking Incoming Data"));
        Q_EMIT readEvent(this, m_received.size());
    }
}

void Sock::onBytesWritten()
{
    raise(SocketInfo::Send, QStringLiteral("Non-Blocking Outgoing Data"));
    Q_EMIT writeEvent(this);
}

void Sock::onRemoteClosed()
{
    // Whatever arrived before the close is delivered first.
    onReadyRead();
    if (!m_socket)
        return;
    Q_EMIT disconnectEvent(this);
    // The close handler above may already have closed us; the component closes
    // again regardless, which raises a second "Socket Closed".
    close();
}

void Sock::onSocketError(int error)
{
    const auto e = static_cast<QAbstractSocket::SocketError>(error);
    if (e == QAbstractSocket::RemoteHostClosedError)
        return; // an ordinary close; the disconnected signal handles it
    if (m_connectTimer)
        m_connectTimer->stop();
    if (e == QAbstractSocket::HostNotFoundError) {
        Q_EMIT failed(this, QStringLiteral("Host Lookup - Could Not Find Host Entry"));
        return;
    }
    m_lastError = winsockCode(e);
    raise(SocketInfo::Error, winsockErrorText(m_lastError));
}

void Sock::onConnectTimeout()
{
    if (!m_socket || m_connected)
        return;
    m_socket->abort();
    m_lastError = 10060;
    raise(SocketInfo::Error, winsockErrorText(m_lastError));
}

} // namespace vorlith::net
