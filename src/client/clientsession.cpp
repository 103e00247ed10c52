#include "client/clientsession.h"

#include "net/protocol.h"
#include "net/sock.h"
#include "net/winsock.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcClient, "vorlith.client")

namespace vorlith::client {

namespace proto = net::proto;
using net::LineOrigin;

namespace {

// Errors that end a standing connection whose peer is gone without a word:
// timed out (the liveness probes went unanswered), reset, aborted, or no
// route to it any more.
bool isLostPeer(const QString &text)
{
    static const int codes[] = {10050, 10051, 10052, 10053, 10054, 10060, 10064, 10065};
    return std::any_of(std::begin(codes), std::end(codes),
                       [&text](int code) { return text == net::winsockErrorText(code); });
}

} // namespace

ClientSession::ClientSession(QObject *parent)
    : QObject(parent), m_sock(new net::Sock(this)), m_dispatcher(this)
{
    m_sock->setPortName(QStringLiteral("7772"));
    connect(m_sock, &net::Sock::readEvent, this, [this] { sockRead(); });
    connect(m_sock, &net::Sock::info, this,
            [this](net::Sock *, net::SocketInfo, const QString &text) { sockInfo(text); });
    connect(m_sock, &net::Sock::connectEvent, this, [this] { m_everConnected = true; });
    connect(m_sock, &net::Sock::failed, this, [this](net::Sock *, const QString &text) {
        Q_EMIT handlerFailed(text);
        Q_EMIT unreachable(text);
    });
    // The error box is shown once the failed tick has returned: a box opened
    // inside the tick would hold the dispatch timer for as long as it is open.
    m_dispatcher.setErrorHandler([this](const QString &text) {
        QMetaObject::invokeMethod(this, [this, text] { Q_EMIT handlerFailed(text); }, Qt::QueuedConnection);
    });
    connect(&m_dispatcher, &net::Dispatcher::drained, this, [this] {
        if (std::exchange(m_closePending, false))
            endConnection();
    });

    // The client's table, in the order the command word is compared.
    const char *words[] = {
        proto::cmd::sendlogininfo, proto::cmd::chat,           proto::cmd::action,
        proto::cmd::playasound,    proto::cmd::newplayerinfo,  proto::cmd::havewrongversion,
        proto::cmd::wrongversion,  proto::cmd::existingplayers, proto::cmd::playerdisconnected,
        proto::cmd::full,          proto::cmd::justwatching,   proto::cmd::startgame,
        proto::cmd::winner,        proto::cmd::roundstarting,  proto::cmd::makeboard,
        proto::cmd::notvalid,      proto::cmd::hisword,        proto::cmd::hisscore,
        proto::cmd::roundover,     proto::cmd::gamestats,
    };
    for (const char *word : words)
        m_dispatcher.addCommand(word, {});

    m_dispatcher.setHandler(proto::cmd::sendlogininfo,
                            [this](const QString &fields, const LineOrigin &) { sendloginfo(fields); });
    m_dispatcher.setHandler(proto::cmd::havewrongversion, [this](const QString &fields, const LineOrigin &) {
        Q_EMIT systemLine(QStringLiteral("0+") + fields + QStringLiteral(" has a different version of the game then you."));
    });
    m_dispatcher.setHandler(proto::cmd::wrongversion, [this](const QString &, const LineOrigin &) {
        Q_EMIT systemLine(QStringLiteral("0+You have a differnt version of the game then the host."));
    });
    m_dispatcher.setHandler(proto::cmd::full, [this](const QString &, const LineOrigin &) { Q_EMIT gameFull(); });
}

void ClientSession::connectTo(const QString &host, const QString &port)
{
    m_sock->setHostName(host);
    m_sock->setPortName(port);
    m_sock->open();
}

void ClientSession::send(const QByteArray &line)
{
    if (!m_sock->hasSocket())
        return;
    m_sock->send(proto::frame(line));
}

void ClientSession::setHandler(const QByteArray &word, net::Dispatcher::Handler handler)
{
    m_dispatcher.setHandler(word, std::move(handler));
}

void ClientSession::sockRead()
{
    QList<QByteArray> lines;
    m_framer.feed(m_sock->receive(), lines);
    for (QByteArray &line : lines)
        m_dispatcher.enqueue(std::move(line));
    if (m_dispatcher.pending() > MaxPendingLines || m_dispatcher.pendingBytesFrom(0) > MaxPendingBytes) {
        qCWarning(lcClient) << "the host floods this client; closing the connection";
        m_dispatcher.dropFrom(0);
        m_sock->close();
    }
}

void ClientSession::sockInfo(const QString &text)
{
    if (text == QLatin1String("Socket Closed")) {
        // What arrived before the close is handled first: a full host sends
        // "CMD_full+" and closes at once, and its box must still be shown.
        if (m_dispatcher.pending() > 0)
            m_closePending = true;
        else
            endConnection();
        return;
    }
    if (m_everConnected && isLostPeer(text)) {
        qCWarning(lcClient) << "the connection to the host was lost:" << text;
        m_lost = true;
    }
    // Before the connection ever stood, an error means the host cannot be reached.
    if (!m_everConnected && text.startsWith(QLatin1String("Error #")))
        Q_EMIT unreachable(text);
}

void ClientSession::endConnection()
{
    if (!std::exchange(m_lost, false)) {
        Q_EMIT closed();
        return;
    }
    // The player is told (a message box, maybe) outside the socket's event.
    QMetaObject::invokeMethod(
        this,
        [this] {
            Q_EMIT connectionLost();
            Q_EMIT closed();
        },
        Qt::QueuedConnection);
}

void ClientSession::sendloginfo(const QString &fields)
{
    m_ownNumber = proto::toInt(fields);
    m_connected = true;
    Q_EMIT loggedIn(m_ownNumber);
    m_sock->send(proto::frame(proto::loginInfo(m_ownNumber, proto::Version, m_loginName)));
}

} // namespace vorlith::client
