#include "client/gameclient.h"

#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "net/protocol.h"
#include "net/sock.h"

namespace vorlith::client {

namespace proto = net::proto;
using net::LineOrigin;

namespace {
// What a just-watch request asks of the host.
constexpr int WatchMode = 1;
constexpr int PlayMode = 2;
} // namespace

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
    connect(m_session, &ClientSession::closed, this, &GameClient::closed);
    connect(m_session, &ClientSession::gameFull, this, &GameClient::gameFull);
    connect(m_session, &ClientSession::unreachable, this, [this](const QString &reason) {
        Q_EMIT systemLine(QStringLiteral("0+Could not reach the host at %1 (%2). Close the game "
                                         "with File > Exit and try again later.")
                              .arg(m_session->sock().hostName(), reason));
    });

    connect(m_launcher, &Launcher::systemLine, this, &GameClient::systemLine);
    connect(m_launcher, &Launcher::failed, this, &GameClient::errorRaised);
    connect(m_launcher, &Launcher::soloStarted, this, &GameClient::soloStarted);
    connect(m_launcher, &Launcher::hostingChanged, this, &GameClient::hostingChanged);

    connect(m_roster, &Roster::chatLine, this, &GameClient::systemLine);
    connect(m_roster, &Roster::ownArrival, this, &GameClient::ownArrival);
    connect(m_roster, &Roster::soundRequested, this, &GameClient::soundRequested);
    connect(m_roster, &Roster::ownWatchingChanged, this, &GameClient::ownWatchingChanged);

    connect(m_board, &BoardModel::soundRequested, this, &GameClient::soundRequested);
    connect(m_board, &BoardModel::wordSubmitted, this, [this](const QString &word) {
        if (isConnected())
            m_session->send(proto::myWord(ownNumber(), word));
    });

    connect(m_flow, &RoundFlow::soundRequested, this, &GameClient::soundRequested);
    connect(m_flow, &RoundFlow::chatLine, this, &GameClient::systemLine);
    connect(m_flow, &RoundFlow::justWatchUnchecked, this,
            [this] { Q_EMIT ownWatchingChanged(false); });
    connect(m_flow, &RoundFlow::gameRecorded, this, &GameClient::gameRecorded);
    connect(m_flow, &RoundFlow::wordRecorded, this, &GameClient::wordRecorded);
}

GameClient::~GameClient() = default;

void GameClient::wireHostMessages()
{
    ClientSession &s = *m_session;
    const auto on = [&s](const char *word, auto handler) {
        s.setHandler(word,
                     [handler](const QString &fields, const LineOrigin &) { handler(fields); });
    };
    on(proto::cmd::chat, [this](const QString &f) { Q_EMIT chatReceived(f); });
    on(proto::cmd::action, [this](const QString &f) { Q_EMIT chatReceived(f); });
    on(proto::cmd::newplayerinfo, [this](const QString &f) { m_roster->newplayerinfo(f); });
    on(proto::cmd::existingplayers, [this](const QString &f) { m_roster->newplayerinfo(f); });
    on(proto::cmd::playerdisconnected,
       [this](const QString &f) { m_roster->playerdisconnected(f); });
    on(proto::cmd::justwatching, [this](const QString &f) { m_roster->justwatching(f); });
    on(proto::cmd::playasound, [this](const QString &f) { onPlayASound(f); });
    on(proto::cmd::startgame, [this](const QString &f) { m_flow->startthegame(f); });
    on(proto::cmd::winner, [this](const QString &f) { m_flow->winner(f); });
    on(proto::cmd::roundstarting, [this](const QString &f) { m_flow->roundstart(f); });
    on(proto::cmd::makeboard, [this](const QString &f) { m_board->makeboard(f); });
    on(proto::cmd::notvalid, [this](const QString &f) { m_flow->notvalid(f); });
    on(proto::cmd::hisword, [this](const QString &f) { m_flow->hisword(f); });
    on(proto::cmd::hisscore, [this](const QString &f) { m_flow->hisscore(f); });
    on(proto::cmd::roundover, [this](const QString &f) { m_flow->roundover(f); });
    on(proto::cmd::gamestats, [this](const QString &f) { m_flow->gamestats(f); });
}

void GameClient::onPlayASound(const QString &fields)
{
    const proto::SoundLine s = proto::readPlayASound(fields);
    Q_EMIT chatterReceived(s.slot, s.sound);
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
    m_session->send(proto::startGame(m_launcher->identity().playerName, rounds, creationTime));
}

void GameClient::setWatching(bool watching)
{
    const int own = ownNumber();
    if (!isConnected() || !Roster::isSeat(own))
        return;
    m_session->send(proto::justWatch(own, watching ? WatchMode : PlayMode));
}

void GameClient::setSeatWatching(int seat, bool watching)
{
    m_session->send(proto::justWatch(seat, watching ? WatchMode : PlayMode));
}

void GameClient::removePlayer(int number)
{
    if (isHost() && isConnected())
        m_session->send(proto::kickHim(ownNumber(), number));
}

void GameClient::sendChat(const QString &text, const QString &colorText)
{
    m_session->send(proto::chat(ownNumber(), text, colorText));
}

void GameClient::sendAction(const QString &text, const QString &colorText)
{
    // Unlike chat, the phrase buttons never waited for the connection.
    m_session->send(proto::action(ownNumber(), text, colorText));
}

void GameClient::playSound(const QString &name)
{
    if (isConnected())
        m_session->send(proto::playASound(ownNumber(), name));
}

} // namespace vorlith::client
