#pragma once

#include "net/dispatcher.h"
#include "net/framing.h"

#include <QObject>

namespace vorlith::net {
class Sock;
}

namespace vorlith::client {

/// The client's connection to the host engine: the socket, the framing, the
/// received-line queue with its 1 ms dispatch timer (Timer1), and the login
/// reply. Rooms of the main window attach the handlers of the other command
/// words with setHandler().
class ClientSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int SeatCount = 6;
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

    int ownNumber() const { return m_ownNumber; }
    bool isConnected() const { return m_connected; }
    bool isSeat(int number) const { return number >= 1 && number <= SeatCount; }

    /// Attaches the handler of a command word of the client table.
    void setHandler(const QByteArray &word, net::Dispatcher::Handler handler);

    net::Dispatcher &dispatcher() { return m_dispatcher; }
    net::Sock &sock() { return *m_sock; }

Q_SIGNALS:
    /// A line for the chat, "0+..." for the program's own notices.
    void systemLine(const QString &line);
    /// The host refused this connection: the game is full.
    void gameFull();
    /// The connection to the host closed ("Socket Closed"), and every line
    /// received before the close has been handled.
    void closed();
    /// The connection to the host was found dead (no answer within the
    /// liveness limits, or reset) rather than closed by the host; closed()
    /// follows.
    void connectionLost();
    /// The host could not be reached; \a reason is the socket's error text.
    void unreachable(const QString &reason);
    /// An error that ended a message handler, for the general error display;
    /// raised after the handler's tick, so dispatch goes on while it is shown.
    void handlerFailed(const QString &text);
    /// The own number arrived (the host asked for the login).
    void loggedIn(int ownNumber);

private:
    void sockRead();
    void sockInfo(const QString &text);
    /// closed(), after connectionLost() when the host vanished.
    void endConnection();
    void sendloginfo(const QString &fields);

    net::Sock *m_sock{nullptr};
    net::LineFramer m_framer;
    net::Dispatcher m_dispatcher;
    QByteArray m_loginName;
    int m_ownNumber{0};
    bool m_connected{false};
    bool m_everConnected{false};
    // The connection closed while lines still waited; closed() follows them.
    bool m_closePending{false};
    // The standing connection failed with an error of a vanished peer.
    bool m_lost{false};
};

} // namespace vorlith::client
