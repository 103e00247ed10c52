#pragma once

#include "net/dispatcher.h"
#include "net/framing.h"
#include "net/router.h"

#include <QObject>

#include <chrono>

namespace vorlith::net {

class Sock;

/// A program's connection to a host: the socket, the framing of what it
/// receives, the received-line queue with its dispatch timer, and the close
/// and error handling. Handlers are attached through router().
///
/// A player's program and a computer player both talk to the host this way.
class PeerConnection : public QObject
{
    Q_OBJECT
public:
    explicit PeerConnection(std::chrono::milliseconds dispatchInterval, QObject *parent = nullptr);
    ~PeerConnection() override;

    /// Starts a non-blocking connect. Throws SockError when the port name is
    /// no port.
    void connectTo(const QString &host, const QString &port);
    /// How long a connect may take before the host counts as unreachable.
    void setConnectTimeout(int ms);

    /// A host that queues more lines (or bytes) than this faster than they
    /// are handled is treated as lost: the connection is closed. 0: no bound.
    void setQueueBound(qsizetype lines, qsizetype bytes);

    /// Sends one message line, terminator added. Returns false when nothing
    /// went out: no socket, or a send error (the close that follows is
    /// reported on its own).
    bool send(const QByteArray &line);
    template <proto::Message M> bool send(const M &message) { return send(proto::encode(message)); }

    /// Closes the socket, if there is one; closed signals follow.
    void close();

    bool hasSocket() const;
    bool isConnected() const;

    Dispatcher &dispatcher() { return m_dispatcher; }
    MessageRouter &router() { return m_router; }
    Sock &sock() { return *m_sock; }

Q_SIGNALS:
    /// The socket has closed. Lines received before the close may still wait.
    void socketClosed();
    /// The socket has closed and every line received before it was handled.
    void closed();
    /// The host could not be reached (the connection never stood); \a reason
    /// is the socket's error text.
    void unreachable(const QString &reason);
    /// The host's name could not be looked up (reported before unreachable()).
    void lookupFailed(const QString &text);

private:
    void onRead();
    void onClosed();

    Sock *m_sock{nullptr};
    LineFramer m_framer;
    Dispatcher m_dispatcher;
    MessageRouter m_router{m_dispatcher};
    qsizetype m_maxLines{0};
    qsizetype m_maxBytes{0};
    bool m_everConnected{false};
    // The socket closed while lines still waited; closed() follows them.
    bool m_closePending{false};
};

} // namespace vorlith::net
