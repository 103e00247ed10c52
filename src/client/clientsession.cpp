#include "client/clientsession.h"

#include "net/sock.h"

namespace vorlith::client {

namespace proto = net::proto;

ClientSession::ClientSession(QObject *parent)
    : QObject(parent), m_connection(std::chrono::milliseconds(1))
{
    m_connection.setQueueBound(MaxPendingLines, MaxPendingBytes);
    m_connection.sock().setPortName(QStringLiteral("7772"));
    connect(&m_connection, &net::PeerConnection::closed, this, &ClientSession::closed);
    connect(&m_connection, &net::PeerConnection::lookupFailed, this, &ClientSession::handlerFailed);
    connect(&m_connection, &net::PeerConnection::unreachable, this, &ClientSession::unreachable);
    // The error box is shown once the failed tick has returned: a box opened
    // inside the tick would hold the dispatch timer for as long as it is open.
    m_connection.dispatcher().setErrorHandler([this](const QString &text) {
        QMetaObject::invokeMethod(this, [this, text] { Q_EMIT handlerFailed(text); }, Qt::QueuedConnection);
    });

    // The client's table, in the order the command word is compared; the
    // rooms attach the handlers they need.
    for (const char *word : {proto::SendLoginInfo::Word,
                             proto::Chat::Word,
                             proto::Action::Word,
                             proto::PlayASound::Word,
                             proto::NewPlayerInfo::Word,
                             proto::HaveWrongVersion::Word,
                             proto::WrongVersion::Word,
                             proto::ExistingPlayers::Word,
                             proto::PlayerDisconnected::Word,
                             proto::Full::Word,
                             proto::JustWatching::Word,
                             proto::StartGame::Word,
                             proto::Winner::Word,
                             proto::RoundStarting::Word,
                             proto::MakeBoard::Word,
                             proto::NotValid::Word,
                             proto::HisWord::Word,
                             proto::HisScore::Word,
                             proto::RoundOver::Word,
                             proto::GameStats::Word})
        m_connection.dispatcher().addCommand(word, {});

    net::MessageRouter &r = m_connection.router();
    r.route(this, &ClientSession::onLoginRequest);
    r.route<proto::HaveWrongVersion>([this](const proto::HaveWrongVersion &m) {
        Q_EMIT systemLine(m.name +
                          QStringLiteral(" has a different version of the game then you."));
    });
    r.route<proto::WrongVersion>([this](const proto::WrongVersion &) {
        Q_EMIT systemLine(QStringLiteral("You have a differnt version of the game then the host."));
    });
    r.route<proto::Full>([this](const proto::Full &) { Q_EMIT gameFull(); });
}

void ClientSession::connectTo(const QString &host, const QString &port)
{
    m_connection.connectTo(host, port);
}

void ClientSession::send(const QByteArray &line)
{
    m_connection.send(line);
}

void ClientSession::onLoginRequest(const proto::SendLoginInfo &request)
{
    m_ownNumber = request.slot;
    m_connected = true;
    Q_EMIT loggedIn(m_ownNumber);
    m_connection.send(
        proto::LoginInfo{m_ownNumber, proto::Version, QString::fromLatin1(m_loginName)});
}

} // namespace vorlith::client
