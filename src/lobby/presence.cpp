#include "lobby/presence.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcPresence, "vorlith.lobby.presence")

namespace vorlith::lobby {

PresenceServer::PresenceServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_server->setMaxPendingConnections(MaxConnections);
    connect(m_server, &QTcpServer::newConnection, this, &PresenceServer::accept);
}

PresenceServer::~PresenceServer()
{
    // The peers go with the server's children; their ends are no news then.
    for (QTcpSocket *peer : std::as_const(m_peers))
        peer->disconnect(this);
}

bool PresenceServer::listen(quint16 port)
{
    if (m_server->listen(QHostAddress::LocalHost, port))
        return true;
    qCInfo(lcPresence) << "presence port" << port << "is taken:" << m_server->errorString();
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 PresenceServer::port() const
{
    return m_server->serverPort();
}

void PresenceServer::accept()
{
    while (QTcpSocket *peer = m_server->nextPendingConnection()) {
        if (m_peers.size() >= MaxConnections) {
            qCWarning(lcPresence) << "too many presence connections; one refused";
            peer->abort();
            peer->deleteLater();
            continue;
        }
        peer->setParent(this);
        peer->setReadBufferSize(64);
        m_peers.append(peer);
        // Nothing is expected; whatever comes is thrown away.
        connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->skip(peer->bytesAvailable()); });
        connect(peer, &QTcpSocket::disconnected, this, [this, peer] { drop(peer); });
        connect(peer, &QTcpSocket::errorOccurred, this, [this, peer] { drop(peer); });
        Q_EMIT gameConnected();
    }
}

void PresenceServer::drop(QTcpSocket *peer)
{
    if (!m_peers.removeOne(peer))
        return;
    peer->disconnect(this);
    peer->deleteLater();
    Q_EMIT gameEnded(int(m_peers.size()));
}

} // namespace vorlith::lobby
