#include "net/peerconnection.h"

#include "net/sock.h"
#include "net/winsock.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPeer, "vorlith.peer")

namespace vorlith::net {

PeerConnection::PeerConnection(QObject *parent)
    : QObject(parent), m_sock(new Sock(this)), m_dispatcher(this)
{
    connect(m_sock, &Sock::readEvent, this, &PeerConnection::onRead);
    connect(m_sock, &Sock::closed, this, &PeerConnection::onClosed);
    connect(m_sock, &Sock::connectEvent, this, [this] { m_everConnected = true; });
    connect(m_sock, &Sock::errorRaised, this, [this](Sock *, int code, const QString &text) {
        // After the connection once stood, an error is followed by its close.
        if (!m_everConnected)
            Q_EMIT unreachable(text);
        else if (isVanishedPeerError(code))
            m_lost = true;
    });
    connect(m_sock, &Sock::failed, this, [this](Sock *, const QString &text) {
        Q_EMIT lookupFailed(text);
        Q_EMIT unreachable(text);
    });
    connect(&m_dispatcher, &Dispatcher::drained, this, [this] {
        if (std::exchange(m_closePending, false))
            finish();
    });
}

PeerConnection::~PeerConnection()
{
    m_sock->disconnect(this);
}

void PeerConnection::connectTo(const QString &host, const QString &port)
{
    m_sock->setHostName(host);
    m_sock->setPortName(port);
    m_sock->open();
}

void PeerConnection::setConnectTimeout(int ms)
{
    m_sock->setConnectTimeout(ms);
}

void PeerConnection::setQueueBound(qsizetype lines, qsizetype bytes)
{
    m_maxLines = lines;
    m_maxBytes = bytes;
}

bool PeerConnection::send(const QByteArray &line)
{
    if (!m_sock->hasSocket())
        return false;
    try {
        return m_sock->send(proto::frame(line));
    } catch (const SockError &) {
        return false;
    }
}

void PeerConnection::close()
{
    if (m_sock->hasSocket())
        m_sock->close();
}

bool PeerConnection::hasSocket() const
{
    return m_sock->hasSocket();
}

bool PeerConnection::isConnected() const
{
    return m_sock->isConnected();
}

void PeerConnection::onRead()
{
    QList<QByteArray> lines;
    try {
        m_framer.feed(m_sock->receive(), lines);
    } catch (const SockError &) {
        return;
    }
    for (QByteArray &line : lines)
        m_dispatcher.enqueue(std::move(line));
    const bool tooMany = m_maxLines > 0 && m_dispatcher.pending() > m_maxLines;
    const bool tooLarge = m_maxBytes > 0 && m_dispatcher.pendingBytes() > m_maxBytes;
    if (tooMany || tooLarge) {
        qCWarning(lcPeer) << "the host floods this connection; closing it";
        m_dispatcher.dropFrom(0);
        m_sock->close();
    }
}

void PeerConnection::onClosed()
{
    Q_EMIT socketClosed();
    // What arrived before the close is handled first: a full host sends
    // "CMD_full+" and closes at once, and its notice must still be shown.
    if (m_dispatcher.pending() > 0)
        m_closePending = true;
    else
        finish();
}

void PeerConnection::finish()
{
    if (!std::exchange(m_lost, false)) {
        Q_EMIT closed();
        return;
    }
    qCWarning(lcPeer) << "the connection to the host was lost";
    // The player is told (a message box, maybe) outside the socket's event.
    QMetaObject::invokeMethod(
        this,
        [this] {
            Q_EMIT connectionLost();
            Q_EMIT closed();
        },
        Qt::QueuedConnection);
}

} // namespace vorlith::net
