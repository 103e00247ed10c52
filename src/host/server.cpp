#include "host/server.h"

#include "host/gameengine.h"
#include "net/protocol.h"
#include "net/sock.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkInterface>

Q_LOGGING_CATEGORY(lcHost, "vorlith.host")

namespace vorlith::host {

using net::LineOrigin;
using net::Sock;
namespace proto = net::proto;

const QString &HostServer::version()
{
    return proto::Version;
}

HostServer::HostServer(QObject *parent)
    : QObject(parent), m_listener(new Sock(this)), m_dispatcher(this),
      m_loginGuard([this](quint64 serial) { loginTooLate(serial); })
{
    m_listener->setPortName(QStringLiteral("7772"));
    connect(m_listener, &Sock::acceptEvent, this, &HostServer::onNewConnection);

    m_dispatcher.setErrorHandler([this](const QString &text) {
        // A peer's malformed message must never put boxes on the hosting
        // player's screen: it is logged and the message is lost.
        qCWarning(lcHost) << "message handler failed:" << text;
        Q_EMIT handlerFailed(text);
    });

    // Nothing but a login is taken from a connection that has not logged in,
    // and nothing at all from one whose slot has gone to a newer connection.
    m_router.setGuard([this](const char *word, const LineOrigin &from) {
        return qstrcmp(word, proto::LoginInfo::Word) == 0 ? isCurrent(from) : isLoggedIn(from);
    });
    m_router.route(this, &HostServer::onLogin);
    m_router.route(this, &HostServer::onRemovePlayer);
    m_router.route(this, &HostServer::onChat);
    m_router.route(this, &HostServer::onAction);
    m_router.route(this, &HostServer::onPlaySound);
    m_router.route(this, &HostServer::onStartGame);
    m_router.route(this, &HostServer::onSetWatching);
    m_router.route(this, &HostServer::onWord);
}

HostServer::~HostServer()
{
    // Connections are children of the listener and go with it; nobody is
    // told, since the whole process is ending.
    for (auto &[sock, conn] : m_connections)
        sock->disconnect(this);
}

void HostServer::setGame(GameHooks *game)
{
    m_game = game;
    // Seats are held only while a game runs; once it is decided they are free.
    if (auto *engine = dynamic_cast<GameEngine *>(game))
        connect(engine, &GameEngine::gameEnded, this, [this] { m_held.clear(); });
}

void HostServer::setClock(const Deadlines::Clock &clock)
{
    m_loginGuard.deadlines().setClock(clock);
    m_held.deadlines().setClock(clock);
}

void HostServer::expireDeadlines()
{
    m_loginGuard.deadlines().expireDue();
    m_held.deadlines().expireDue();
}

void HostServer::setPortName(const QString &port)
{
    m_listener->setPortName(port);
}

bool HostServer::isThisMachine(const QString &peer)
{
    const QHostAddress address(peer);
    return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
}

void HostServer::setListenAddresses(const QList<QHostAddress> &addresses)
{
    m_listener->setListenAddresses(addresses);
}

void HostServer::startListening()
{
    m_listener->setListen(true);
}

bool HostServer::isListening() const
{
    return m_listener->isListening();
}

quint16 HostServer::listeningPort() const
{
    return m_listener->localPort();
}

bool HostServer::isCurrent(const LineOrigin &origin) const
{
    const PlayerRecord *r = m_registry.record(origin.slot);
    return r && r->connectionSerial == origin.connection;
}

bool HostServer::isLoggedIn(const LineOrigin &origin) const
{
    const PlayerRecord *r = m_registry.record(origin.slot);
    return r && r->connectionSerial == origin.connection && r->loggedIn;
}

// ---- sending -----------------------------------------------------------

void HostServer::sendTo(int slot, const QByteArray &line)
{
    PlayerRecord *r = m_registry.record(slot);
    if (!r || !r->active || !r->connection)
        return;
    if (r->connection->pendingSendBytes() > MaxUnsentBytes) {
        qCWarning(lcHost) << "slot" << slot << "does not read its messages; closing it";
        dropConnection(r->connection);
        return;
    }
    try {
        r->connection->send(proto::frame(line));
    } catch (const net::SockError &) {
        // Send errors on a connection are not reported; its close will be.
    }
}

void HostServer::sendToAll(const QByteArray &line)
{
    for (int slot : m_registry.activeSlots())
        sendTo(slot, line);
}

// ---- connections -------------------------------------------------------

void HostServer::onNewConnection()
{
    Sock *sock = nullptr;
    try {
        if (!m_listener->accept(sock))
            return; // nothing is marked active and nothing is sent
    } catch (const net::SockError &e) {
        qCWarning(lcHost) << e.text();
        return;
    }
    if (!m_rules->admits(*sock)) {
        sock->close();
        sock->deleteLater();
        return;
    }

    // Before any slot is given: one address cannot fill the table with
    // connections that never log in.
    const bool own = isOwnPlayer(sock);
    if (!own && !m_loginGuard.admits(sock->hostName())) {
        qCDebug(lcHost) << "too many connections from" << sock->hostName()
                        << "wait to log in; closing one";
        sock->close();
        sock->deleteLater();
        return;
    }

    // Slot 1 waits for the hosting player's own program while it is kept.
    const bool keepFirst = m_firstSlotFor && !m_firstSlotFor(sock->hostName());
    const int first = keepFirst ? 2 : 1;
    int slot = 0;
    bool full = false;
    int count = m_registry.slotCount();
    if (count < first) {
        slot = first;
        count = first;
    } else {
        int i = first;
        while (i < count && isTaken(i))
            ++i;
        if (!isTaken(i))
            slot = i;
        else if (count >= net::game::LastSlot)
            full = true;
        else
            slot = ++count;
    }
    if (slot == 1)
        m_firstSlotFor = nullptr;

    if (full) {
        // Refused in record slot count + 1: told, then closed at once.
        try {
            sock->send(proto::frame(proto::Full{}));
        } catch (const net::SockError &) {
        }
        sock->disconnect(this);
        sock->close();
        sock->deleteLater();
        return;
    }

    m_registry.setSlotCount(count);
    PlayerRecord *r = m_registry.record(slot);
    retireConnection(r);
    const quint64 serial = m_nextSerial++;
    m_connections.emplace(sock,
                          Connection{serial, net::LineFramer(net::HostLineLength), own, false});
    r->connection = sock;
    r->connectionSerial = serial;
    r->active = true;
    r->loggedIn = false;
    r->loginName.clear();
    sock->setTag(slot);
    connect(sock, &Sock::readEvent, this, [this](Sock *s, qsizetype) { onReadyRead(s); });
    connect(sock, &Sock::disconnectEvent, this, &HostServer::onPeerClosed);
    connect(sock, &Sock::closed, this, &HostServer::onConnectionClosed);

    qCDebug(lcHost) << "connection from" << sock->hostName() << "in slot" << slot;
    if (!own)
        m_loginGuard.waiting(serial, sock->hostName());
    sendTo(slot, proto::encode(proto::SendLoginInfo{slot}));
}

void HostServer::retireConnection(PlayerRecord *r)
{
    if (!r->connection)
        return;
    // What the slot's last connection left waiting would be dropped when
    // its turn came; dropping it now keeps it from delaying anybody.
    m_dispatcher.dropFrom(r->connectionSerial);
    forgetConnection(r->connection);
    r->connection->deleteLater();
    r->connection = nullptr;
}

bool HostServer::isOwnPlayer(const Sock *sock) const
{
    return m_ownPlayers && QHostAddress(sock->hostName()).isLoopback() &&
           m_ownPlayers(sock->peerPort());
}

bool HostServer::isTaken(int slot) const
{
    return m_registry.isActive(slot) || (m_held.isHeld(slot) && gameRuns());
}

void HostServer::loginTooLate(quint64 serial)
{
    Sock *sock = connectionOf(serial);
    if (!sock || !sock->isConnected())
        return;
    qCInfo(lcHost) << "slot" << sock->tag() << "did not log in in time; closing it";
    dropConnection(sock); // announced and freed like any departure
}

void HostServer::onReadyRead(Sock *sock)
{
    auto it = m_connections.find(sock);
    if (it == m_connections.end())
        return;
    Connection &conn = it->second;
    QList<QByteArray> lines;
    try {
        conn.framer.feed(sock->receive(), lines);
    } catch (const net::SockError &) {
        return;
    }
    const LineOrigin origin{sock->tag(), conn.serial};
    for (QByteArray &line : lines)
        m_dispatcher.enqueue(std::move(line), origin);

    if (conn.framer.overflowed() || m_dispatcher.pendingFrom(conn.serial) > MaxPendingLines ||
        m_dispatcher.pendingBytesFrom(conn.serial) > MaxPendingBytes) {
        qCWarning(lcHost) << "slot" << origin.slot << "floods the host; closing it";
        m_dispatcher.dropFrom(conn.serial);
        dropConnection(sock);
    }
    holdQueueBound();
}

void HostServer::holdQueueBound()
{
    while (m_dispatcher.pendingBytes() > MaxQueuedBytes) {
        const std::optional<quint64> largest = m_dispatcher.largestBacklog();
        if (!largest)
            return;
        m_dispatcher.dropFrom(*largest);
        if (Sock *sock = connectionOf(*largest); sock && sock->isConnected()) {
            qCWarning(lcHost) << "slot" << sock->tag()
                              << "holds the most of a full queue; closing it";
            dropConnection(sock);
        }
    }
}

Sock *HostServer::connectionOf(quint64 serial) const
{
    for (const auto &[sock, conn] : m_connections) {
        if (conn.serial == serial)
            return sock;
    }
    return nullptr;
}

void HostServer::dropConnection(Sock *sock)
{
    auto it = m_connections.find(sock);
    if (it != m_connections.end())
        it->second.framer.clear();
    sock->close(); // raises "Socket Closed": announced like any departure
}

void HostServer::forgetConnection(Sock *sock)
{
    m_connections.erase(sock);
    sock->disconnect(this);
}

void HostServer::onConnectionClosed(Sock *sock)
{
    if (const auto it = m_connections.find(sock); it != m_connections.end()) {
        m_dispatcher.keepNextFrom(it->second.serial, LinesAfterClose);
        m_loginGuard.done(it->second.serial);
    }
    const int n = sock->tag();
    PlayerRecord *r = m_registry.record(n);
    if (!r || r->connection != sock)
        return;
    if (r->active) {
        qCDebug(lcHost) << "slot" << n << r->name << "left";
        const QByteArray line = proto::encode(proto::PlayerDisconnected{n, r->name});
        for (int slot : m_registry.activeSlots()) {
            if (slot != n)
                sendTo(slot, line);
        }
        holdSeat(sock, n);
    }
    r->active = false;
    r->name.clear();
    r->watching = false;
}

void HostServer::onPeerClosed(Sock *sock)
{
    const PlayerRecord *r = m_registry.record(sock->tag());
    if (r && r->active && r->connection == sock)
        closeConnection(sock->tag());
}

void HostServer::holdSeat(Sock *sock, int slot)
{
    const auto it = m_connections.find(sock);
    const PlayerRecord *r = m_registry.record(slot);
    if (it == m_connections.end() || it->second.own || it->second.removed || !r->loggedIn ||
        slot > net::game::Seats || !gameRuns())
        return;
    qCDebug(lcHost) << "seat" << slot << "is held for" << r->name;
    m_held.hold(slot, r->name, sock->hostName());
}

bool HostServer::returnToHeldSeat(int slot, const QString &name)
{
    if (!gameRuns()) {
        m_held.clear();
        return false;
    }
    PlayerRecord *from = m_registry.record(slot);
    // Only a newcomer comes back: a player already announced in his slot
    // would leave a ghost there if he moved.
    if (from->loggedIn)
        return false;
    Sock *sock = from->connection;
    const int seat = m_held.claim(name, sock->hostName());
    if (seat == 0 || seat == slot)
        return false;

    qCDebug(lcHost) << name << "comes back to seat" << seat << "from slot" << slot;
    PlayerRecord *to = m_registry.record(seat);
    retireConnection(to);
    to->connection = sock;
    to->connectionSerial = from->connectionSerial;
    to->active = true;
    to->loggedIn = false;
    to->loginName.clear();
    to->name.clear();
    sock->setTag(seat);
    // The slot given at accept was never announced: it is simply free again.
    from->connection = nullptr;
    from->connectionSerial = 0;
    from->active = false;
    from->loggedIn = false;
    from->loginName.clear();
    from->name.clear();
    from->watching = false;
    sendTo(seat, proto::encode(proto::SendLoginInfo{seat}));
    return true;
}

void HostServer::removeFromGame(int slot)
{
    const PlayerRecord *r = m_registry.record(slot);
    if (!r || !r->active || !r->connection)
        return;
    if (const auto it = m_connections.find(r->connection); it != m_connections.end())
        it->second.removed = true;
    closeConnection(slot);
}

void HostServer::closeConnection(int slot)
{
    PlayerRecord *r = m_registry.record(slot);
    if (r && r->active && r->connection)
        r->connection->close();
}

// ---- handlers ----------------------------------------------------------

QString HostServer::cleanName(const QString &name)
{
    QString clean;
    clean.reserve(std::min<qsizetype>(name.size(), MaxNameLength));
    for (QChar c : name) {
        if (clean.size() >= MaxNameLength)
            break;
        const char16_t u = c.unicode();
        const bool breaksProtocol =
            u == u'+' || u == u'|' || u == 0xFF || u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0);
        clean.append(breaksProtocol ? QLatin1Char('_') : c);
    }
    if (clean.trimmed().isEmpty())
        return QStringLiteral("Player");
    return clean;
}

void HostServer::onLogin(const proto::LoginInfo &login, const LineOrigin &from)
{
    const int n = login.slot;
    PlayerRecord *r = m_registry.record(n);
    if (n != from.slot || !r)
        return;
    // A login that arrives after its connection closed would bring back a
    // seat nobody can hear; it is dropped.
    if (!r->connection || !r->connection->isConnected())
        return;

    if (returnToHeldSeat(n, cleanName(login.name)))
        return;
    m_loginGuard.done(from.connection);
    r->name = cleanName(login.name);
    r->active = true;
    r->loggedIn = true;
    r->loginName = r->name;
    sendToAll(proto::encode(proto::NewPlayerInfo{{{n, r->name, false}}}));

    proto::ExistingPlayers others;
    for (int i : m_registry.activeSlots()) {
        if (i != n)
            others.players.append({i, m_registry.name(i), m_registry.record(i)->watching});
    }
    if (!others.players.isEmpty())
        sendTo(n, proto::encode(others));

    if (login.version != version()) {
        sendTo(1, proto::encode(proto::HaveWrongVersion{r->name}));
        sendTo(n, proto::encode(proto::WrongVersion{}));
    }

    if (m_game && m_game->gameInProgress())
        m_game->catchUp(n);
}

void HostServer::onRemovePlayer(const proto::KickHim &request, const LineOrigin &from)
{
    if (request.slot != 1 || from.slot != 1 || !m_rules->hasHostingPowers(from.slot))
        return;
    removeFromGame(request.target);
}

void HostServer::onChat(const proto::Chat &chat, const LineOrigin &from)
{
    if (proto::toInt(chat.slot) != from.slot)
        return;
    // The slot goes back as it came, the text after the sender's name.
    const QString &name = m_registry.record(from.slot)->loginName;
    sendToAll(proto::encode(proto::Chat::relayed(chat, name)));
}

void HostServer::onAction(const proto::Action &action, const LineOrigin &from)
{
    if (proto::toInt(action.slot) != from.slot)
        return;
    const QString &name = m_registry.record(from.slot)->loginName;
    sendToAll(proto::encode(proto::Action::relayed(action, name)));
}

void HostServer::onPlaySound(const proto::PlayASound &sound, const LineOrigin &from)
{
    if (sound.slot != from.slot)
        return;
    sendToAll(proto::encode(sound));
}

void HostServer::onSetWatching(const proto::JustWatch &request, const LineOrigin &from)
{
    const int n = request.seat;
    if (!net::game::isSeat(n))
        return;
    // A player switches his own seat; the hosting player (slot 1) any seat.
    if (n != from.slot && !m_rules->hasHostingPowers(from.slot))
        return;
    PlayerRecord *r = m_registry.record(n);
    if (request.mode == proto::WatchMode::Play) {
        r->watching = false;
        sendToAll(proto::encode(proto::JustWatching{n, false}));
    } else if (request.mode == proto::WatchMode::Watch) {
        if (!m_game || !m_game->gameInProgress())
            return;
        r->watching = true;
        sendToAll(proto::encode(proto::JustWatching{n, true}));
    }
}

void HostServer::onStartGame(const proto::StartGame &request, const LineOrigin &from)
{
    // Whoever sends it starts the game unless the table's rules say otherwise;
    // a field that is no number gets the engine's own.
    if (m_game && m_rules->mayStartGame(from.slot, m_game->gameInProgress())) {
        const proto::StartGame start = m_rules->startRequest(request, from.slot);
        m_game->startGame(start.name, proto::toNumber(start.rounds), proto::toNumber(start.time));
    }
}

void HostServer::onWord(const proto::MyWord &word, const LineOrigin &from)
{
    if (word.slot != from.slot)
        return;
    if (m_game)
        m_game->playWord(word.slot, word.word);
}

} // namespace vorlith::host
