#include "host/server.h"

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

const QString &TServer::version()
{
    return proto::Version;
}

TServer::TServer(QObject *parent)
    : QObject(parent), m_listener(new Sock(this)), m_dispatcher(std::chrono::milliseconds(10), this)
{
    m_listener->setPortName(QStringLiteral("7772"));
    connect(m_listener, &Sock::acceptEvent, this, &TServer::Sock1Accept);

    m_dispatcher.setErrorHandler([this](const QString &text) {
        // A peer's malformed message must never put boxes on the hosting
        // player's screen: it is logged and the message is lost.
        qCWarning(lcHost) << "message handler failed:" << text;
        Q_EMIT handlerFailed(text);
    });

    m_dispatcher.addCommand(proto::cmd::logininfo, [this](const QString &fields, const LineOrigin &from) {
        if (isCurrent(from))
            receivedlogininfo(fields, from);
    });
    const auto bind = [this](const char *word, void (TServer::*handler)(const QString &, const LineOrigin &)) {
        m_dispatcher.addCommand(word, [this, handler](const QString &fields, const LineOrigin &from) {
            if (isCurrent(from) && isLoggedIn(from))
                (this->*handler)(fields, from);
        });
    };
    bind(proto::cmd::kickhim, &TServer::kickhim);
    bind(proto::cmd::chat, &TServer::chat);
    bind(proto::cmd::action, &TServer::action);
    bind(proto::cmd::playasound, &TServer::playasound);
    bind(proto::cmd::startgame, &TServer::startgame);
    bind(proto::cmd::justwatch, &TServer::justwatch);
    bind(proto::cmd::myword, &TServer::myword);
}

TServer::~TServer()
{
    // Connections are children of the listener and go with it; nobody is
    // told, since the whole process is ending.
    for (auto &[sock, conn] : m_connections)
        sock->disconnect(this);
}

void TServer::setPortName(const QString &port)
{
    m_listener->setPortName(port);
}

bool TServer::isThisMachine(const QString &peer)
{
    const QHostAddress address(peer);
    return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
}

void TServer::startListening()
{
    m_listener->setListen(true);
}

bool TServer::isListening() const
{
    return m_listener->isListening();
}

quint16 TServer::listeningPort() const
{
    return m_listener->localPort();
}

bool TServer::isCurrent(const LineOrigin &origin) const
{
    const PlayerRecord *r = m_registry.record(origin.slot);
    return r && r->connectionSerial == origin.connection;
}

bool TServer::isLoggedIn(const LineOrigin &origin) const
{
    const PlayerRecord *r = m_registry.record(origin.slot);
    return r && r->connectionSerial == origin.connection && r->loggedIn;
}

// ---- sending -----------------------------------------------------------

void TServer::sendTo(int slot, const QByteArray &line)
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

void TServer::sendToAll(const QByteArray &line)
{
    for (int slot : m_registry.activeSlots())
        sendTo(slot, line);
}

// ---- connections -------------------------------------------------------

void TServer::Sock1Accept()
{
    Sock *sock = nullptr;
    try {
        if (!m_listener->accept(sock))
            return; // nothing is marked active and nothing is sent
    } catch (const net::SockError &e) {
        qCWarning(lcHost) << e.text();
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
        while (i < count && m_registry.isActive(i))
            ++i;
        if (!m_registry.isActive(i))
            slot = i;
        else if (count >= Registry::MaxSlots)
            full = true;
        else
            slot = ++count;
    }
    if (slot == 1)
        m_firstSlotFor = nullptr;

    if (full) {
        // Refused in record slot count + 1: told, then closed at once.
        try {
            sock->send(proto::frame(proto::full()));
        } catch (const net::SockError &) {
        }
        sock->disconnect(this);
        sock->close();
        sock->deleteLater();
        return;
    }

    m_registry.setSlotCount(count);
    PlayerRecord *r = m_registry.record(slot);
    if (r->connection) {
        // What the slot's last connection left waiting would be dropped when
        // its turn came; dropping it now keeps it from delaying anybody.
        m_dispatcher.dropFrom(r->connectionSerial);
        forgetConnection(r->connection);
        r->connection->deleteLater();
    }
    const quint64 serial = m_nextSerial++;
    m_connections.emplace(sock, Connection{serial, net::LineFramer(net::HostLineLength)});
    r->connection = sock;
    r->connectionSerial = serial;
    r->active = true;
    r->loggedIn = false;
    r->loginName.clear();
    sock->setTag(slot);
    connect(sock, &Sock::readEvent, this, [this](Sock *s, qsizetype) { Sock1Read(s); });
    connect(sock, &Sock::disconnectEvent, this, &TServer::tempsockDisconnect);
    connect(sock, &Sock::info, this, [this](Sock *s, net::SocketInfo, const QString &text) { tempsockInfo(s, text); });

    qCDebug(lcHost) << "connection from" << sock->hostName() << "in slot" << slot;
    sendTo(slot, proto::sendLoginInfo(slot));
}

void TServer::Sock1Read(Sock *sock)
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

    if (conn.framer.overflowed() || m_dispatcher.pendingFrom(conn.serial) > MaxPendingLines
        || m_dispatcher.pendingBytesFrom(conn.serial) > MaxPendingBytes) {
        qCWarning(lcHost) << "slot" << origin.slot << "floods the host; closing it";
        m_dispatcher.dropFrom(conn.serial);
        dropConnection(sock);
    }
    holdQueueBound();
}

void TServer::holdQueueBound()
{
    while (m_dispatcher.pendingBytes() > MaxQueuedBytes) {
        const std::optional<quint64> largest = m_dispatcher.largestBacklog();
        if (!largest)
            return;
        m_dispatcher.dropFrom(*largest);
        if (Sock *sock = connectionOf(*largest); sock && sock->isConnected()) {
            qCWarning(lcHost) << "slot" << sock->tag() << "holds the most of a full queue; closing it";
            dropConnection(sock);
        }
    }
}

Sock *TServer::connectionOf(quint64 serial) const
{
    for (const auto &[sock, conn] : m_connections) {
        if (conn.serial == serial)
            return sock;
    }
    return nullptr;
}

void TServer::dropConnection(Sock *sock)
{
    auto it = m_connections.find(sock);
    if (it != m_connections.end())
        it->second.framer.clear();
    sock->close(); // raises "Socket Closed": announced like any departure
}

void TServer::forgetConnection(Sock *sock)
{
    m_connections.erase(sock);
    sock->disconnect(this);
}

void TServer::tempsockInfo(Sock *sock, const QString &text)
{
    if (text != QLatin1String("Socket Closed"))
        return;
    if (const auto it = m_connections.find(sock); it != m_connections.end())
        m_dispatcher.keepNextFrom(it->second.serial, LinesAfterClose);
    const int n = sock->tag();
    PlayerRecord *r = m_registry.record(n);
    if (!r || r->connection != sock)
        return;
    if (r->active) {
        qCDebug(lcHost) << "slot" << n << r->name << "left";
        const QByteArray line = proto::playerDisconnected(n, r->name);
        for (int slot : m_registry.activeSlots()) {
            if (slot != n)
                sendTo(slot, line);
        }
    }
    r->active = false;
    r->name.clear();
    r->watching = false;
}

void TServer::tempsockDisconnect(Sock *sock)
{
    const PlayerRecord *r = m_registry.record(sock->tag());
    if (r && r->active && r->connection == sock)
        disconnectsock(sock->tag());
}

void TServer::disconnectsock(int slot)
{
    PlayerRecord *r = m_registry.record(slot);
    if (r && r->active && r->connection)
        r->connection->close();
}

// ---- handlers ----------------------------------------------------------

QString TServer::cleanName(const QString &name)
{
    QString clean;
    clean.reserve(std::min<qsizetype>(name.size(), MaxNameLength));
    for (QChar c : name) {
        if (clean.size() >= MaxNameLength)
            break;
        const char16_t u = c.unicode();
        const bool breaksProtocol = u == u'+' || u == u'|' || u == 0xFF || u < 0x20 || u == 0x7F
                                    || (u >= 0x80 && u < 0xA0);
        clean.append(breaksProtocol ? QLatin1Char('_') : c);
    }
    if (clean.trimmed().isEmpty())
        return QStringLiteral("Player");
    return clean;
}

void TServer::receivedlogininfo(const QString &fields, const LineOrigin &from)
{
    const proto::LoginInfo login = proto::readLoginInfo(fields);
    const int n = login.slot;
    PlayerRecord *r = m_registry.record(n);
    if (n != from.slot || !r)
        return;
    // A login that arrives after its connection closed would bring back a
    // seat nobody can hear; it is dropped.
    if (!r->connection || !r->connection->isConnected())
        return;

    r->name = cleanName(login.name);
    r->active = true;
    r->loggedIn = true;
    r->loginName = r->name;
    sendToAll(proto::newPlayerInfo(n, r->name));

    QList<proto::PlayerEntry> others;
    for (int i : m_registry.activeSlots()) {
        if (i != n)
            others.append({i, m_registry.name(i), m_registry.record(i)->watching});
    }
    if (!others.isEmpty())
        sendTo(n, proto::existingPlayers(others));

    if (login.version != version()) {
        sendTo(1, proto::haveWrongVersion(r->name));
        sendTo(n, proto::wrongVersion());
    }

    if (m_game && m_game->gameInProgress())
        m_game->catchUp(n);
}

void TServer::kickhim(const QString &fields, const LineOrigin &from)
{
    const proto::SlotValue v = proto::readSlotValue(fields);
    if (v.slot != 1 || from.slot != 1)
        return;
    disconnectsock(proto::toInt(v.value));
}

void TServer::chat(const QString &fields, const LineOrigin &from)
{
    const proto::ChatLine c = proto::readChatLine(fields);
    if (proto::toInt(c.slotText) != from.slot)
        return;
    sendToAll(proto::chatRelay(c.slotText, m_registry.record(from.slot)->loginName, c.rest));
}

void TServer::action(const QString &fields, const LineOrigin &from)
{
    const proto::ChatLine c = proto::readChatLine(fields);
    if (proto::toInt(c.slotText) != from.slot)
        return;
    sendToAll(proto::actionRelay(c.slotText, m_registry.record(from.slot)->loginName, c.rest));
}

void TServer::playasound(const QString &fields, const LineOrigin &from)
{
    const proto::ChatLine c = proto::readChatLine(fields);
    const int s = proto::toInt(c.slotText);
    if (s != from.slot)
        return;
    sendToAll(proto::playASoundRelay(s, c.rest));
}

void TServer::justwatch(const QString &fields, const LineOrigin &from)
{
    const proto::SlotValue v = proto::readSlotValue(fields);
    const int n = v.slot;
    if (n > Registry::Seats || n < 1)
        return;
    // A player switches his own seat; the hosting player (slot 1) any seat.
    if (n != from.slot && from.slot != 1)
        return;
    PlayerRecord *r = m_registry.record(n);
    if (v.value == QLatin1String("2")) {
        r->watching = false;
        sendToAll(proto::justWatching(n, QStringLiteral("2")));
    } else if (v.value == QLatin1String("1")) {
        if (!m_game || !m_game->gameInProgress())
            return;
        r->watching = true;
        sendToAll(proto::justWatching(n, QStringLiteral("1")));
    }
}

void TServer::startgame(const QString &fields, const LineOrigin &from)
{
    if (m_game)
        m_game->startgame(fields, from.slot);
}

void TServer::myword(const QString &fields, const LineOrigin &from)
{
    const int slot = proto::toInt(proto::FieldReader(fields).next());
    if (slot != from.slot)
        return;
    if (m_game)
        m_game->myword(fields, from.slot);
}

} // namespace vorlith::host
