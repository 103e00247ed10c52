#pragma once

#include "host/heldseats.h"
#include "host/hostrules.h"
#include "host/loginguard.h"
#include "host/outbox.h"
#include "host/registry.h"
#include "net/dispatcher.h"
#include "net/framing.h"
#include "net/router.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <functional>
#include <unordered_map>

namespace vorlith::net {
class Sock;
}

namespace vorlith::host {

/// The host engine: the listening socket, the player registry, login, the
/// relays of chat, actions and chatter sounds, Just Watch and removal.
/// The game engine plugs in through GameHooks. It needs no window.
///
/// Every line is queued with the slot and serial of the connection it came
/// on; a message that names a slot is honoured only when that slot is the
/// sender's own, and nothing but a login is honoured from a connection that
/// has not logged in. Connections take turns in the received-line queue, and
/// the lines waiting are bounded per connection and in all.
class HostServer : public QObject, public Outbox
{
    Q_OBJECT
public:
    /// The version text this host compares logins against.
    static const QString &version();
    /// Longest name kept at login; longer names are cut.
    static constexpr int MaxNameLength = 32;
    /// A connection with more waiting lines (or bytes) than this is closed.
    static constexpr qsizetype MaxPendingLines = 1000;
    static constexpr qsizetype MaxPendingBytes = 4 * 1024 * 1024;
    /// When the lines waiting from all connections together pass this, the
    /// connection with the most is closed, until they no longer do.
    static constexpr qsizetype MaxQueuedBytes = 8 * 1024 * 1024;
    /// Lines still handled of a connection that has closed (its last chat
    /// line, say); the rest of what it left waiting is dropped.
    static constexpr qsizetype LinesAfterClose = 16;
    /// A peer that leaves this much of our data unread is closed.
    static constexpr qint64 MaxUnsentBytes = 8 * 1024 * 1024;

    explicit HostServer(QObject *parent = nullptr);
    ~HostServer() override;

    /// The port to listen on, as text ("7772"; "0" picks a free port).
    void setPortName(const QString &port);
    /// The local addresses to listen on (none: every address).
    void setListenAddresses(const QList<QHostAddress> &addresses);
    /// Switches the listening socket on. Throws net::SockError.
    void startListening();
    bool isListening() const;
    quint16 listeningPort() const;

    /// Who may take slot 1 (the hosting player's, with the right to move
    /// others between seats) while it has never been taken: true for a peer
    /// address (as text) of this machine. Without it, any first connection
    /// takes slot 1. Set it when listening starts before the hosting player's
    /// own program connects, so a quicker peer elsewhere gets another slot.
    using ThisMachine = std::function<bool(const QString &peer)>;
    void keepFirstSlotFor(ThisMachine thisMachine) { m_firstSlotFor = std::move(thisMachine); }
    /// True for this machine's own addresses (loopback included).
    static bool isThisMachine(const QString &peer);

    Registry &registry() { return m_registry; }
    const Registry &registry() const { return m_registry; }
    /// The received-line queue and its turns of dispatch.
    net::Dispatcher &dispatcher() { return m_dispatcher; }

    void setGame(GameHooks *game);

    /// Tells this host's own computer players apart from everybody else: true
    /// for the port of a connection made from this machine by one of them.
    /// They are spared the login deadline and the limit per address, and
    /// their seats are not held when they leave.
    using OwnPlayers = std::function<bool(quint16 peerPort)>;
    void setOwnPlayers(OwnPlayers ownPlayers) { m_ownPlayers = std::move(ownPlayers); }

    /// True when \a slot cannot be given to a new connection: somebody is in
    /// it, or it is held for a player who dropped out of the running game.
    bool isTaken(int slot) const;

    /// The login deadline and the limit of connections waiting per address.
    LoginGuard &loginGuard() { return m_loginGuard; }
    /// Seats kept during a game for players whose connection ended.
    HeldSeats &heldSeats() { return m_held; }
    /// Replaces the steady clock of the login deadlines and the held seats
    /// (tests drive it and call expireDeadlines()).
    void setClock(const Deadlines::Clock &clock);
    void expireDeadlines();
    /// The rules consulted; \a rules must outlive this engine.
    void setRules(HostRules &rules) { m_rules = &rules; }

    void sendTo(int slot, const QByteArray &line) override;
    void sendToAll(const QByteArray &line) override;

    /// Cleans a name from a login so that it cannot break a message.
    static QString cleanName(const QString &name);

Q_SIGNALS:
    /// A handler failed on a malformed message; the text is for the log.
    void handlerFailed(const QString &text);

private:
    struct Connection
    {
        quint64 serial{0};
        net::LineFramer framer{net::HostLineLength};
        bool own{false};     ///< one of this host's computer players
        bool removed{false}; ///< closed by Remove From Game
    };

    void onNewConnection();
    void onReadyRead(net::Sock *sock);
    void onConnectionClosed(net::Sock *sock);
    void onPeerClosed(net::Sock *sock);
    void closeConnection(int slot);
    void dropConnection(net::Sock *sock);
    void forgetConnection(net::Sock *sock);
    /// Closes connections, the one with the most waiting first, until the
    /// lines waiting from all of them fit MaxQueuedBytes.
    void holdQueueBound();
    net::Sock *connectionOf(quint64 serial) const;
    /// Frees what the last connection of \a r left there.
    void retireConnection(PlayerRecord *r);

    bool isOwnPlayer(const net::Sock *sock) const;
    bool gameRuns() const { return m_game && m_game->gameInProgress(); }
    /// Holds the seat of a player whose connection ended during a game.
    void holdSeat(net::Sock *sock, int slot);
    /// Moves a connection that logs in under the name of a held seat into
    /// that seat and asks it to log in there; true when it did.
    bool returnToHeldSeat(int slot, const QString &name);
    /// Remove From Game: closes the slot for good, holding nothing for it.
    void removeFromGame(int slot);
    void loginTooLate(quint64 serial);

    void onLogin(const net::proto::LoginInfo &login, const net::LineOrigin &from);
    void onRemovePlayer(const net::proto::KickHim &request, const net::LineOrigin &from);
    void onChat(const net::proto::Chat &chat, const net::LineOrigin &from);
    void onAction(const net::proto::Action &action, const net::LineOrigin &from);
    void onPlaySound(const net::proto::PlayASound &sound, const net::LineOrigin &from);
    void onSetWatching(const net::proto::JustWatch &request, const net::LineOrigin &from);
    void onStartGame(const net::proto::StartGame &request, const net::LineOrigin &from);
    void onWord(const net::proto::MyWord &word, const net::LineOrigin &from);

    /// True when \a origin's connection still holds its slot (its lines are
    /// dropped once the slot has gone to a newer connection).
    bool isCurrent(const net::LineOrigin &origin) const;
    /// True when \a origin's connection has logged in.
    bool isLoggedIn(const net::LineOrigin &origin) const;

    net::Sock *m_listener{nullptr};
    Registry m_registry;
    ThisMachine m_firstSlotFor;
    net::Dispatcher m_dispatcher;
    net::MessageRouter m_router{m_dispatcher};
    std::unordered_map<net::Sock *, Connection> m_connections;
    quint64 m_nextSerial{1};
    GameHooks *m_game{nullptr};
    HostRules *m_rules{&HostRules::trusting()};
    OwnPlayers m_ownPlayers;
    LoginGuard m_loginGuard;
    HeldSeats m_held;
};

} // namespace vorlith::host
