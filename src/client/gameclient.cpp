#include "client/gameclient.h"

#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "net/protocol.h"
#include "net/router.h"
#include "net/sock.h"

namespace vorlith::client {

namespace proto = net::proto;

GameClient::GameClient(QObject *parent) : QObject(parent)
{
    m_session = new ClientSession(this);
    m_launcher = new Launcher(*m_session, this);
    m_roster = new Roster(this);
    m_board = new BoardModel(this);
    m_flow = new RoundFlow(*m_roster, *m_board, this);
    m_flow->setHostCheck([this] { return isHost(); });
    wireHostMessages();

    connect(m_session, &ClientSession::systemLine, this, &GameClient::systemLine);
    connect(m_session, &ClientSession::handlerFailed, this, &GameClient::errorRaised);
    connect(m_session, &ClientSession::loggedIn, this, [this](int own) {
        m_roster->setOwnNumber(own);
        Q_EMIT loggedIn();
    });
    connect(m_session, &ClientSession::connectionLost, this, &GameClient::connectionLost);
    connect(m_session, &ClientSession::closed, this, &GameClient::closed);
    connect(m_session, &ClientSession::gameFull, this, &GameClient::gameFull);
    connect(m_session, &ClientSession::unreachable, this, [this](const QString &reason) {
        Q_EMIT systemLine(QStringLiteral("Could not reach the host at %1 (%2). Close the game "
                                         "with File > Exit and try again later.")
                              .arg(m_session->sock().hostName(), reason));
    });

    connect(m_launcher, &Launcher::systemLine, this, &GameClient::systemLine);
    connect(m_launcher, &Launcher::failed, this, &GameClient::errorRaised);
    connect(m_launcher, &Launcher::soloStarted, this, &GameClient::soloStarted);
    connect(m_launcher, &Launcher::hostingChanged, this, &GameClient::hostingChanged);

    connect(m_roster, &Roster::systemLine, this, &GameClient::systemLine);
    connect(m_roster, &Roster::ownArrival, this, &GameClient::ownArrival);
    connect(m_roster, &Roster::soundRequested, this, &GameClient::soundRequested);
    connect(m_roster, &Roster::ownWatchingChanged, this, &GameClient::ownWatchingChanged);

    connect(m_board, &BoardModel::soundRequested, this, &GameClient::soundRequested);
    connect(m_board, &BoardModel::wordSubmitted, this, [this](const QString &word) {
        if (isConnected())
            m_session->send(proto::MyWord{ownNumber(), word});
    });

    connect(m_flow, &RoundFlow::soundRequested, this, &GameClient::soundRequested);
    connect(m_flow, &RoundFlow::systemLine, this, &GameClient::systemLine);
    connect(m_flow, &RoundFlow::justWatchUnchecked, this,
            [this] { Q_EMIT ownWatchingChanged(false); });
    connect(m_flow, &RoundFlow::gameRecorded, this, &GameClient::gameRecorded);
    connect(m_flow, &RoundFlow::wordRecorded, this, &GameClient::wordRecorded);
}

GameClient::~GameClient() = default;

void GameClient::wireHostMessages()
{
    net::MessageRouter &r = m_session->router();
    r.route<proto::Chat>(
        [this](const proto::Chat &m) { Q_EMIT chatReceived(m.slot + QLatin1Char('+') + m.body); });
    r.route<proto::Action>([this](const proto::Action &m) {
        Q_EMIT chatReceived(m.slot + QLatin1Char('+') + m.body);
    });
    r.route<proto::NewPlayerInfo>(
        [this](const proto::NewPlayerInfo &m) { m_roster->onPlayersArrived(m.players); });
    r.route<proto::ExistingPlayers>(
        [this](const proto::ExistingPlayers &m) { m_roster->onPlayersArrived(m.players); });
    r.route(m_roster, &Roster::onPlayerLeft);
    r.route(m_roster, &Roster::onWatchingChanged);
    r.route<proto::PlayASound>(
        [this](const proto::PlayASound &m) { Q_EMIT chatterReceived(m.slot, m.sound); });
    r.route(m_flow, &RoundFlow::onGameStarted);
    r.route(m_flow, &RoundFlow::onWinner);
    r.route(m_flow, &RoundFlow::onRoundStarting);
    r.route<proto::MakeBoard>(
        [this](const proto::MakeBoard &m) { m_board->onBoardDealt(m.codes); });
    r.route(m_flow, &RoundFlow::onWordRefused);
    r.route(m_flow, &RoundFlow::onWordAccepted);
    r.route(m_flow, &RoundFlow::onScore);
    r.route(m_flow, &RoundFlow::onRoundOver);
    r.route(m_flow, &RoundFlow::onGameStats);
}

bool GameClient::isConnected() const
{
    return m_session->isConnected();
}

bool GameClient::isHost() const
{
    return m_launcher->isHost();
}

int GameClient::ownNumber() const
{
    return m_session->ownNumber();
}

void GameClient::setRandomSource(RandomSource random)
{
    m_board->setRandomSource(std::move(random));
}

void GameClient::setTurnSound(std::function<QString()> name)
{
    m_flow->setTurnSound(std::move(name));
}

void GameClient::launch()
{
    m_launcher->run();
}

void GameClient::startGame(int rounds, int creationTime)
{
    m_session->send(proto::StartGame{m_launcher->identity().playerName, QString::number(rounds),
                                     QString::number(creationTime)});
}

void GameClient::setWatching(bool watching)
{
    const int own = ownNumber();
    if (!isConnected() || !Roster::isSeat(own))
        return;
    m_session->send(
        proto::JustWatch{own, watching ? proto::WatchMode::Watch : proto::WatchMode::Play});
}

void GameClient::setSeatWatching(int seat, bool watching)
{
    m_session->send(
        proto::JustWatch{seat, watching ? proto::WatchMode::Watch : proto::WatchMode::Play});
}

void GameClient::removePlayer(int number)
{
    if (isHost() && isConnected())
        m_session->send(proto::KickHim{ownNumber(), number});
}

void GameClient::sendChat(const QString &text, const QString &colorText)
{
    m_session->send(proto::Chat::said(ownNumber(), text, colorText));
}

void GameClient::sendAction(const QString &text, const QString &colorText)
{
    // Unlike chat, the phrase buttons never waited for the connection.
    m_session->send(proto::Action::said(ownNumber(), text, colorText));
}

void GameClient::playSound(const QString &name)
{
    if (isConnected())
        m_session->send(proto::PlayASound{ownNumber(), name});
}

} // namespace vorlith::client
