#pragma once

#include "net/peerconnection.h"
#include "net/protocol.h"

#include <QObject>

namespace vorlith::net {
class Sock;
}

namespace vorlith::client {

/// The client's connection to the host engine: a net::PeerConnection with
/// its 1 ms dispatch timer (Timer1), and the login reply. Rooms of the main
/// window route the other messages with router().
class ClientSession : public QObject
{
    Q_OBJECT
public:
    /// A host that queues more than this faster than it can be handled is
    /// treated as lost: the connection is closed.
    static constexpr qsizetype MaxPendingLines = 20000;
    static constexpr qsizetype MaxPendingBytes = 16 * 1024 * 1024;

    explicit ClientSession(QObject *parent = nullptr);

    /// Connects (non-blocking) to \a host on \a port. Throws net::SockError.
    void connectTo(const QString &host, const QString &port = QStringLiteral("7772"));

    /// The player's name with the terminator attached, as the login sends it.
    void setLoginName(const QByteArray &loginName) { m_loginName = loginName; }
    QByteArray loginName() const { return m_loginName; }

    /// Sends one message line (the terminator is added). Quietly does nothing
    /// before the connection exists.
    void send(const QByteArray &line);
    template <net::proto::Message M> void send(const M &message)
    {
        send(net::proto::encode(message));
    }

    int ownNumber() const { return m_ownNumber; }
    bool isConnected() const { return m_connected; }

    net::MessageRouter &router() { return m_connection.router(); }
    net::Dispatcher &dispatcher() { return m_connection.dispatcher(); }
    net::Sock &sock() { return m_connection.sock(); }

Q_SIGNALS:
    /// The program's own notice for the chat.
    void systemLine(const QString &text);
    /// The host refused this connection: the game is full.
    void gameFull();
    /// The connection to the host closed, and every line received before
    /// the close has been handled.
    void closed();
    /// The host could not be reached; \a reason is the socket's error text.
    void unreachable(const QString &reason);
    /// An error that ended a message handler, for the general error display;
    /// raised after the handler's tick, so dispatch goes on while it is shown.
    void handlerFailed(const QString &text);
    /// The own number arrived (the host asked for the login).
    void loggedIn(int ownNumber);

private:
    void onLoginRequest(const net::proto::SendLoginInfo &request);

    net::PeerConnection m_connection;
    QByteArray m_loginName;
    int m_ownNumber{0};
    bool m_connected{false};
};

} // namespace vorlith::client
