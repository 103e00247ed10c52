#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace vorlith::net {

/// Kinds of informational notice a Sock raises.
enum class SocketInfo
{
    Lookup,
    Connect,
    Close,
    Listen,
    Receive,
    Send,
    Accept,
    Error
};

/// A socket operation that cannot be carried out; text() is the fixed message.
class SockError : public std::exception
{
public:
    explicit SockError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

/// One non-blocking TCP stream socket: an outgoing connection, a listener, or
/// a connection accepted by a listener. Everything it does is reported as
/// signals on the GUI thread; nothing blocks. Every connection carries the
/// liveness options (net/liveness.h), so a vanished peer ends it.
///
/// The informational texts and error texts are the component's fixed ones
/// ("Socket Closed", "Listen - Error Binding Socket", "Error #10061
/// (WSAECONNREFUSED)", ...), shown as they are; closes and errors are also
/// raised as signals of their own, which is what the program reacts to.
class Sock : public QObject
{
    Q_OBJECT
public:
    explicit Sock(QObject *parent = nullptr);
    ~Sock() override;

    QString hostName() const { return m_hostName; }
    void setHostName(const QString &name);
    QString portName() const { return m_portName; }
    void setPortName(const QString &name);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    bool isConnected() const { return m_connected; }
    bool isListening() const { return m_listening; }
    /// True while a socket exists (connecting, connected or listening).
    bool hasSocket() const;

    /// The port actually bound by a listener (useful with port "0") or a
    /// connection; with a local address set, known as soon as open() returns.
    quint16 localPort() const;
    /// The local address a connection is made from (empty: the system's
    /// choice). Binding it first makes the local port known at once.
    void setLocalAddress(const QString &address) { m_localAddress = address; }
    /// The system's socket of a connection, or -1 (for checks of its options).
    qintptr socketDescriptor() const;
    /// The peer's port of a connection; 0 for none.
    quint16 peerPort() const;

    /// Starts listening (true) at portName() on the listen addresses, or
    /// stops. Throws SockError.
    void setListen(bool listen);
    /// The local addresses a listener binds, all on one port (none: every
    /// address). Each must be bound, except a loopback address the machine
    /// lacks (::1 with IPv6 switched off). Takes effect at the next listen.
    void setListenAddresses(const QList<QHostAddress> &addresses) { m_listenAddresses = addresses; }

    /// Starts a non-blocking connect to hostName():portName() and returns the
    /// connected flag (false at first). Throws SockError when the port name
    /// cannot be resolved.
    bool open();

    /// Accepts one waiting connection into a new Sock owned by this listener.
    /// Returns false (and raises "Could Not Accept Connection") when there is
    /// none. Throws SockError when this socket does not listen.
    bool accept(Sock *&accepted);

    /// Queues bytes for sending; never blocks, never loses data. Throws SockError.
    bool send(const QByteArray &bytes);

    /// Takes received bytes: all of them, or the first \a limit.
    QByteArray receive(qsizetype limit = -1);
    qsizetype receivedCount() const { return m_received.size(); }

    /// Bytes handed to send() that the system has not yet taken.
    qint64 pendingSendBytes() const;
    /// Bytes handed to send(), and bytes received, since it was made.
    qint64 bytesSent() const { return m_bytesSent; }
    qint64 bytesReceived() const { return m_bytesReceived; }

    /// Closes the socket; raises "Socket Closed" (except for a listener).
    /// Returns true when an open socket was closed.
    bool close();

    /// How long a connect may take before it fails with WSAETIMEDOUT.
    void setConnectTimeout(int ms) { m_connectTimeoutMs = ms; }

Q_SIGNALS:
    void connectEvent(vorlith::net::Sock *sock);
    /// The peer closed the connection; raised before the local close.
    void disconnectEvent(vorlith::net::Sock *sock);
    void readEvent(vorlith::net::Sock *sock, qsizetype count);
    void writeEvent(vorlith::net::Sock *sock);
    void acceptEvent(vorlith::net::Sock *sock);
    void info(vorlith::net::Sock *sock, vorlith::net::SocketInfo kind, const QString &text);
    /// The socket closed (the "Socket Closed" notice): by either side, or a
    /// listener stopped. A closing peer may raise it twice.
    void closed(vorlith::net::Sock *sock);
    /// A socket error (the "Error #..." notices): its code (see
    /// winsockErrorText) and its text.
    void errorRaised(vorlith::net::Sock *sock, int code, const QString &text);
    /// An error found after the call that caused it returned (a host name
    /// that cannot be resolved), with the same text the call would have thrown.
    void failed(vorlith::net::Sock *sock, const QString &text);

private:
    void adoptSocket(QTcpSocket *socket);
    void onConnected();
    void onReadyRead();
    void onBytesWritten();
    void onRemoteClosed();
    void onSocketError(int error);
    void onConnectTimeout();
    void releaseSocket(bool graceful);
    void stopServers();
    void raise(SocketInfo kind, const QString &text);

    int m_lastError{0};
    QString m_hostName;
    QString m_portName;
    QString m_localAddress;
    int m_tag{0};
    bool m_connected{false};
    bool m_listening{false};
    int m_connectTimeoutMs{20000};
    QByteArray m_received;
    qint64 m_bytesSent{0};
    qint64 m_bytesReceived{0};
    QTcpSocket *m_socket{nullptr};
    QList<QHostAddress> m_listenAddresses;
    QList<QTcpServer *> m_servers;
    QTimer *m_connectTimer{nullptr};
};

} // namespace vorlith::net
