#pragma once

#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

namespace vorlith::lobby {

/// Accepts the presence connections of the games the lobby starts.
///
/// A game opens one to 127.0.0.1 on the presence port right after it hosts or
/// joins and keeps it open, silent, until it ends: so its closing is how the
/// lobby learns that the game is over. Nothing is sent; anything received
/// is dropped unread beyond a small buffer.
class PresenceServer : public QObject
{
    Q_OBJECT
public:
    /// Connections beyond this are closed at once: only this user's games
    /// have reason to connect, and they open one each.
    static constexpr int MaxConnections = 16;

    explicit PresenceServer(QObject *parent = nullptr);
    ~PresenceServer() override;

    /// Listens on 127.0.0.1:\a port, or on a free port when that is taken.
    /// False when no port could be had at all.
    bool listen(quint16 port);
    quint16 port() const;
    int connections() const { return int(m_peers.size()); }

Q_SIGNALS:
    /// A game has connected.
    void gameConnected();
    /// A game's connection closed; \a remaining are still open.
    void gameEnded(int remaining);

private:
    void accept();
    void drop(QTcpSocket *peer);

    QTcpServer *m_server{nullptr};
    QList<QTcpSocket *> m_peers;
};

} // namespace vorlith::lobby
