#include "host/computerplayer.h"

#include "dict/wordfinder.h"
#include "net/protocol.h"
#include "net/sock.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcComputer, "vorlith.computer")

namespace vorlith::host {

namespace proto = net::proto;

ComputerPlayer::ComputerPlayer(const QString &name, Strength strength, WordSource words,
                               PlanRandom random, QObject *parent)
    : QObject(parent), m_name(name), m_strength(strength), m_words(std::move(words)),
      m_random(std::move(random)), m_connection(std::chrono::milliseconds(1))
{
    m_connection.setConnectTimeout(ConnectTimeoutMs);
    // The lines still waiting are of no use to a player that has gone.
    connect(&m_connection, &net::PeerConnection::socketClosed, this, &ComputerPlayer::end);
    connect(&m_connection, &net::PeerConnection::unreachable, this, &ComputerPlayer::leave);

    m_clock.setInterval(TickInterval);
    connect(&m_clock, &QTimer::timeout, this, &ComputerPlayer::tick);

    m_connection.dispatcher().setErrorHandler([this](const QString &text) {
        qCWarning(lcComputer) << m_name << "could not read a message:" << text;
    });
    net::MessageRouter &router = m_connection.router();
    router.route(this, &ComputerPlayer::onLoginRequest);
    router.route<proto::NewPlayerInfo>(
        [this](const proto::NewPlayerInfo &m) { onPlayersArrived(m.players); });
    router.route<proto::ExistingPlayers>(
        [this](const proto::ExistingPlayers &m) { onPlayersArrived(m.players); });
    router.route(this, &ComputerPlayer::onWatchingChanged);
    router.route<proto::MakeBoard>([this](const proto::MakeBoard &m) { m_board = m.codes; });
    router.route(this, &ComputerPlayer::onRoundStarting);
    router.route(this, &ComputerPlayer::onWinner);
    router.route<proto::HisWord>([this](const proto::HisWord &m) { onVerdict(m.slot, true); });
    router.route<proto::NotValid>([this](const proto::NotValid &m) { onVerdict(m.slot, false); });
    router.route<proto::Full>([this](const proto::Full &) { leave(); });
    // A game start clears every seat's watching; a round over ends the tries.
    router.route<proto::StartGame>([this](const proto::StartGame &) { m_watching = false; });
    router.route<proto::RoundOver>([this](const proto::RoundOver &) { dropPlan(); });
    // Joining while a round runs, it waits for the next: the time left is
    // not sent.
    router.ignore<proto::Chat>();
    router.ignore<proto::Action>();
    router.ignore<proto::PlayASound>();
    router.ignore<proto::HisScore>();
    router.ignore<proto::PlayerDisconnected>();
    router.ignore<proto::HaveWrongVersion>();
    router.ignore<proto::WrongVersion>();
    router.ignore<proto::GameStats>();
}

ComputerPlayer::~ComputerPlayer()
{
    m_connection.disconnect(this);
}

void ComputerPlayer::connectTo(const QString &port)
{
    try {
        m_connection.connectTo(QStringLiteral("127.0.0.1"), port);
    } catch (const net::SockError &e) {
        qCWarning(lcComputer) << m_name << "cannot connect:" << e.text();
        end();
    }
}

void ComputerPlayer::leave()
{
    if (m_connection.hasSocket())
        m_connection.close(); // its close ends it
    else
        end();
}

void ComputerPlayer::end()
{
    if (m_finished)
        return;
    m_finished = true;
    m_seated = false;
    dropPlan();
    m_clock.stop();
    Q_EMIT finished();
}

void ComputerPlayer::setManual(bool manual)
{
    m_manual = manual;
    m_connection.dispatcher().setManual(manual);
    if (manual)
        m_clock.stop();
    else if (m_seated)
        m_clock.start();
}

// ---- the connection ----------------------------------------------------

void ComputerPlayer::send(const QByteArray &line)
{
    if (m_finished || !m_connection.isConnected())
        return;
    m_connection.send(line);
}

void ComputerPlayer::dropPlan()
{
    m_plan.clear();
    m_next = 0;
    m_roundSecond = 0;
}

int ComputerPlayer::pick(int n) const
{
    const int value = m_random && n > 1 ? m_random(n) : 0;
    return ((value % n) + n) % n;
}

void ComputerPlayer::say(const QString &text)
{
    m_lastChat = m_seconds;
    send(proto::encode(proto::Chat::said(m_slot, text, ChatColour)));
}

// ---- the host's messages -----------------------------------------------

void ComputerPlayer::onLoginRequest(const proto::SendLoginInfo &request)
{
    m_slot = request.slot;
    if (!net::game::isSeat(m_slot)) {
        qCInfo(lcComputer) << m_name << "found no free seat and leaves";
        leave();
        return;
    }
    // The login name carries its own terminator, as every player's program sends it.
    send(proto::encode(
        proto::LoginInfo{m_slot, proto::Version, m_name + QLatin1Char(net::Terminator)}));
}

void ComputerPlayer::onPlayersArrived(const QList<proto::PlayerEntry> &players)
{
    if (m_seated || m_slot == 0)
        return;
    for (const proto::PlayerEntry &entry : players) {
        if (entry.slot != m_slot)
            continue;
        m_seated = true;
        if (!m_manual)
            m_clock.start();
        static const char *const greetings[] = {
            "Hello everyone! I am a computer player, playing at %1 strength. Good luck!",
            "Hi all, computer player here (%1). Have fun!",
            "Hello! A computer player (%1) joins the table.",
        };
        say(QString::fromLatin1(greetings[pick(3)]).arg(strengthName(m_strength)));
        Q_EMIT seated();
        return;
    }
}

void ComputerPlayer::onWatchingChanged(const proto::JustWatching &change)
{
    if (change.seat != m_slot)
        return;
    m_watching = change.watching;
    if (m_watching)
        dropPlan();
}

void ComputerPlayer::onRoundStarting(const proto::RoundStarting &round)
{
    dropPlan();
    if (!m_seated || m_watching || !m_words)
        return;
    m_plan = planRound(m_words(m_board), m_board, int(round.time), playStyle(m_strength), m_random);
    m_next = 0;
    // The round's seconds count from its start, as a player's clock does.
    if (!m_manual)
        m_clock.start();
}

void ComputerPlayer::onWinner(const proto::Winner &winner)
{
    static const char *const lines[] = {"Good game!", "Good game, everyone. Well played!",
                                        "gg, that was fun."};
    m_pendingChat = winner.name == m_name ? QStringLiteral("Good game! That one went my way.")
                                          : QString::fromLatin1(lines[pick(3)]);
    // A moment later, as a person would type it.
    m_chatDue = m_seconds + 1 + pick(4);
}

void ComputerPlayer::onVerdict(int slot, bool accepted)
{
    if (slot != m_slot)
        return;
    ++(accepted ? m_accepted : m_refused);
}

// ---- its clock ---------------------------------------------------------

void ComputerPlayer::tick()
{
    if (m_finished)
        return;
    ++m_seconds;
    if (m_next < m_plan.size()) {
        ++m_roundSecond;
        for (; m_next < m_plan.size() && m_plan[m_next].second <= m_roundSecond; ++m_next) {
            ++m_tries;
            send(proto::encode(proto::MyWord{m_slot, m_plan[m_next].word}));
        }
    }
    if (!m_pendingChat.isEmpty() && m_seconds >= m_chatDue) {
        // Never two lines close together: a line that would come too soon is
        // left unsaid.
        if (m_seconds - m_lastChat >= ChatGapSeconds)
            say(m_pendingChat);
        m_pendingChat.clear();
    }
}

} // namespace vorlith::host
