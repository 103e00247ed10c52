#include "net/localgames.h"

#include "net/numbers.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLocalGames, "vorlith.localgames")

namespace vorlith::net {

namespace {

const QByteArray QueryBytes = QByteArrayLiteral("VORLITH?");
const QByteArray AnswerMagic = QByteArrayLiteral("VORLITH!");
constexpr int IdDigits = 8;
constexpr int MaxSeats = 6;
// Datagrams handled per socket event; the rest wait for the next turn of the
// event loop, so a flood never holds the window up.
constexpr int DatagramsPerTurn = 64;

bool spoilsAnswer(uchar c)
{
    return c < 0x20 || c == '+' || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xFF;
}

} // namespace

namespace localgames {

QByteArray query()
{
    return QueryBytes;
}

bool isQuery(const QByteArray &datagram)
{
    return datagram == QueryBytes;
}

QByteArray answer(const LocalGame &game)
{
    QByteArray name = game.name.toLatin1().left(MaxNameBytes);
    for (char &c : name) {
        if (spoilsAnswer(uchar(c)))
            c = '_';
    }
    if (name.trimmed().isEmpty())
        name = QByteArrayLiteral("Player");
    return AnswerMagic + QByteArray::number(game.id, 16).rightJustified(IdDigits, '0') + '+' +
           QByteArray::number(qBound(0, game.seatsTaken, MaxSeats)) + '+' +
           (game.running ? '1' : '0') + '+' + name;
}

std::optional<LocalGame> readAnswer(const QByteArray &datagram)
{
    if (datagram.size() > MaxAnswerSize || !datagram.startsWith(AnswerMagic))
        return std::nullopt;
    const QByteArray body = datagram.mid(AnswerMagic.size());
    // id "+" seat digit "+" running digit "+" name
    constexpr int NameAt = IdDigits + 5;
    if (body.size() <= NameAt || body.at(IdDigits) != '+' || body.at(IdDigits + 2) != '+' ||
        body.at(IdDigits + 4) != '+')
        return std::nullopt;
    const std::optional<quint32> id = parseHex32(QString::fromLatin1(body.left(IdDigits)));
    const char seats = body.at(IdDigits + 1);
    const char running = body.at(IdDigits + 3);
    const QByteArray name = body.mid(NameAt);
    if (!id || seats < '0' || seats > '0' + MaxSeats || (running != '0' && running != '1'))
        return std::nullopt;
    for (const char c : name) {
        if (spoilsAnswer(uchar(c)))
            return std::nullopt;
    }
    if (name.trimmed().isEmpty())
        return std::nullopt;
    LocalGame game;
    game.id = *id;
    game.seatsTaken = seats - '0';
    game.running = running == '1';
    game.name = QString::fromLatin1(name);
    return game;
}

} // namespace localgames

// ---- limits ------------------------------------------------------------

bool AnswerLimiter::allow(const QHostAddress &sender, qint64 nowMs)
{
    while (!m_answered.empty() && nowMs - m_answered.front() >= 1000)
        m_answered.pop_front();
    if (m_answered.size() >= size_t(PerSecond))
        return false;

    const auto last = m_lastBySender.constFind(sender);
    if (last != m_lastBySender.constEnd() && nowMs - *last < SenderGapMs)
        return false;
    if (m_lastBySender.size() >= TrackedSenders) {
        m_lastBySender.removeIf(
            [nowMs](const auto &entry) { return nowMs - entry.value() >= SenderGapMs; });
        // Still full: that many senders within one gap is a flood, and the
        // overall limit above already keeps the answers few.
        if (m_lastBySender.size() >= TrackedSenders)
            return false;
    }
    m_lastBySender.insert(sender, nowMs);
    m_answered.push_back(nowMs);
    return true;
}

// ---- responder ---------------------------------------------------------

LocalGameResponder::LocalGameResponder(Status status, QObject *parent)
    : QObject(parent), m_status(std::move(status))
{
    m_clock = [timer = std::make_shared<QElapsedTimer>()] {
        if (!timer->isValid())
            timer->start();
        return timer->elapsed();
    };
}

LocalGameResponder::~LocalGameResponder() = default;

bool LocalGameResponder::start(quint16 port, const QHostAddress &address)
{
    stop();
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(address, port)) {
        qCWarning(lcLocalGames) << "cannot answer local-network queries on port" << port << ":"
                                << socket->errorString();
        delete socket;
        return false;
    }
    m_socket = socket;
    connect(socket, &QUdpSocket::readyRead, this, &LocalGameResponder::readPending);
    m_networks.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto entries = i.addressEntries();
        for (const QNetworkAddressEntry &e : entries)
            m_networks.append({e.ip(), e.prefixLength()});
    }
    return true;
}

bool LocalGameResponder::isNeighbour(const QHostAddress &sender,
                                     const QList<QPair<QHostAddress, int>> &networks)
{
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    const QHostAddress address = isV4 ? QHostAddress(v4) : sender;
    if (address.isLoopback())
        return true;
    return std::any_of(networks.cbegin(), networks.cend(), [&](const QPair<QHostAddress, int> &n) {
        return n.second >= 0 && address.isInSubnet(n.first, n.second);
    });
}

void LocalGameResponder::stop()
{
    delete m_socket;
    m_socket = nullptr;
}

bool LocalGameResponder::isActive() const
{
    return m_socket != nullptr;
}

quint16 LocalGameResponder::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

QByteArray LocalGameResponder::answerTo(const QByteArray &datagram, const QHostAddress &sender,
                                        qint64 nowMs)
{
    if (!localgames::isQuery(datagram) || !m_limiter.allow(sender, nowMs))
        return {};
    return localgames::answer(m_status());
}

void LocalGameResponder::readPending()
{
    if (!m_socket)
        return;
    for (int n = 0; n < DatagramsPerTurn && m_socket->hasPendingDatagrams(); ++n) {
        // A query is tiny; a larger datagram is cut, and then no query.
        const QNetworkDatagram d = m_socket->receiveDatagram(localgames::query().size() + 1);
        if (!isNeighbour(d.senderAddress(), m_networks))
            continue;
        const QByteArray reply = answerTo(d.data(), d.senderAddress(), m_clock());
        if (!reply.isEmpty())
            m_socket->writeDatagram(reply, d.senderAddress(), quint16(d.senderPort()));
    }
    if (m_socket->hasPendingDatagrams())
        QTimer::singleShot(0, this, &LocalGameResponder::readPending);
}

// ---- finder ------------------------------------------------------------

LocalGameFinder::LocalGameFinder(QObject *parent)
    : QObject(parent), m_listen(new QTimer(this)), m_repeat(new QTimer(this))
{
    m_listen->setSingleShot(true);
    m_listen->setInterval(ListenMs);
    connect(m_listen, &QTimer::timeout, this, &LocalGameFinder::finish);
    m_repeat->setSingleShot(true);
    m_repeat->setInterval(ListenMs / 2);
    connect(m_repeat, &QTimer::timeout, this, &LocalGameFinder::sendQueries);
}

LocalGameFinder::~LocalGameFinder() = default;

QList<QHostAddress> LocalGameFinder::defaultTargets()
{
    QList<QHostAddress> targets{QHostAddress(QHostAddress::Broadcast)};
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::CanBroadcast))
            continue;
        const auto entries = i.addressEntries();
        for (const QNetworkAddressEntry &e : entries) {
            if (!e.broadcast().isNull() && !targets.contains(e.broadcast()))
                targets.append(e.broadcast());
        }
    }
    // A game hosted on this very machine answers here as well.
    targets.append(QHostAddress(QHostAddress::LocalHost));
    return targets;
}

void LocalGameFinder::search()
{
    finish();
    m_games.clear();
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress::AnyIPv4, 0)) {
        qCWarning(lcLocalGames) << "cannot ask for local games:" << socket->errorString();
        delete socket;
        Q_EMIT finished();
        return;
    }
    m_socket = socket;
    connect(socket, &QUdpSocket::readyRead, this, &LocalGameFinder::readPending);
    m_searching = true;
    sendQueries();
    m_repeat->start();
    m_listen->start();
}

void LocalGameFinder::finish()
{
    m_listen->stop();
    m_repeat->stop();
    delete m_socket;
    m_socket = nullptr;
    if (m_searching) {
        m_searching = false;
        Q_EMIT finished();
    }
}

void LocalGameFinder::sendQueries()
{
    if (!m_socket)
        return;
    const QList<QHostAddress> targets = m_targets.isEmpty() ? defaultTargets() : m_targets;
    for (const QHostAddress &target : targets)
        m_socket->writeDatagram(localgames::query(), target, m_port);
}

void LocalGameFinder::readPending()
{
    if (!m_socket)
        return;
    for (int n = 0; n < DatagramsPerTurn && m_socket->hasPendingDatagrams(); ++n) {
        const QNetworkDatagram d = m_socket->receiveDatagram(localgames::MaxAnswerSize + 1);
        // Hosts answer from the port they were asked on.
        if (d.senderPort() != m_port)
            continue;
        std::optional<LocalGame> game = localgames::readAnswer(d.data());
        if (!game || m_games.size() >= MaxGames)
            continue;
        const bool known = std::any_of(m_games.cbegin(), m_games.cend(),
                                       [&](const LocalGame &g) { return g.id == game->id; });
        if (known)
            continue;
        bool isV4 = false;
        const quint32 v4 = d.senderAddress().toIPv4Address(&isV4);
        game->address = isV4 ? QHostAddress(v4) : d.senderAddress();
        m_games.append(*game);
        Q_EMIT gameFound(*game);
    }
    if (m_socket->hasPendingDatagrams())
        QTimer::singleShot(0, this, &LocalGameFinder::readPending);
}

} // namespace vorlith::net
