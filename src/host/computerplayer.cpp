#include "host/computerplayer.h"

#include "dict/wordfinder.h"
#include "host/registry.h"
#include "net/protocol.h"
#include "net/sock.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcComputer, "vorlith.computer")

namespace vorlith::host {

namespace proto = net::proto;
using net::LineOrigin;

namespace {

bool isSeat(int slot)
{
    return slot >= 1 && slot <= Registry::Seats;
}

} // namespace

ComputerPlayer::ComputerPlayer(const QString &name, Strength strength, WordSource words,
                               PlanRandom random, QObject *parent)
    : QObject(parent), m_name(name), m_strength(strength), m_words(std::move(words)),
      m_random(std::move(random)), m_sock(new net::Sock(this)),
      m_dispatcher(this)
{
    m_sock->setHostName(QStringLiteral("127.0.0.1"));
    // Bound first, its port is known before the host accepts it: that is how
    // the host tells its own players from strangers on this machine.
    m_sock->setLocalAddress(QStringLiteral("127.0.0.1"));
    m_sock->setConnectTimeout(ConnectTimeoutMs);
    connect(m_sock, &net::Sock::readEvent, this, [this] { sockRead(); });
    connect(m_sock, &net::Sock::info, this,
            [this](net::Sock *, net::SocketInfo, const QString &text) { sockInfo(text); });
    connect(m_sock, &net::Sock::failed, this, [this] { leave(); });

    m_clock.setInterval(TickInterval);
    connect(&m_clock, &QTimer::timeout, this, &ComputerPlayer::tick);

    m_dispatcher.setErrorHandler([this](const QString &text) {
        qCWarning(lcComputer) << m_name << "could not read a message:" << text;
    });
    const auto on = [this](const char *word, void (ComputerPlayer::*handler)(const QString &)) {
        m_dispatcher.addCommand(word, [this, handler](const QString &fields, const LineOrigin &) {
            (this->*handler)(fields);
        });
    };
    on(proto::cmd::sendlogininfo, &ComputerPlayer::sendloginfo);
    on(proto::cmd::newplayerinfo, &ComputerPlayer::newplayerinfo);
    on(proto::cmd::existingplayers, &ComputerPlayer::newplayerinfo);
    on(proto::cmd::justwatching, &ComputerPlayer::justwatching);
    on(proto::cmd::makeboard, &ComputerPlayer::makeboard);
    on(proto::cmd::roundstarting, &ComputerPlayer::roundstart);
    on(proto::cmd::winner, &ComputerPlayer::winner);
    m_dispatcher.addCommand(proto::cmd::hisword,
                            [this](const QString &f, const LineOrigin &) { verdict(f, true); });
    m_dispatcher.addCommand(proto::cmd::notvalid,
                            [this](const QString &f, const LineOrigin &) { verdict(f, false); });
    m_dispatcher.addCommand(proto::cmd::full,
                            [this](const QString &, const LineOrigin &) { leave(); });
    // A game start clears every seat's watching; a round over ends the tries.
    m_dispatcher.addCommand(proto::cmd::startgame,
                            [this](const QString &, const LineOrigin &) { m_watching = false; });
    m_dispatcher.addCommand(proto::cmd::roundover,
                            [this](const QString &, const LineOrigin &) { dropPlan(); });
    // Joining while a round runs, it waits for the next: the time left is
    // not sent.
    for (const char *ignored :
         {proto::cmd::chat, proto::cmd::action, proto::cmd::playasound, proto::cmd::hisscore,
          proto::cmd::playerdisconnected, proto::cmd::havewrongversion, proto::cmd::wrongversion,
          proto::cmd::gamestats})
        m_dispatcher.addCommand(ignored, [](const QString &, const LineOrigin &) {});
}

ComputerPlayer::~ComputerPlayer()
{
    m_sock->disconnect(this);
}

quint16 ComputerPlayer::localPort() const
{
    return m_sock->localPort();
}

void ComputerPlayer::connectTo(const QString &port)
{
    m_sock->setPortName(port);
    try {
        m_sock->open();
    } catch (const net::SockError &e) {
        qCWarning(lcComputer) << m_name << "cannot connect:" << e.text();
        end();
    }
}

void ComputerPlayer::leave()
{
    if (m_sock->hasSocket())
        m_sock->close(); // raises "Socket Closed", which ends it
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
    m_dispatcher.setManual(manual);
    if (manual)
        m_clock.stop();
    else if (m_seated)
        m_clock.start();
}

// ---- the connection ----------------------------------------------------

void ComputerPlayer::sockRead()
{
    QList<QByteArray> lines;
    try {
        m_framer.feed(m_sock->receive(), lines);
    } catch (const net::SockError &) {
        return;
    }
    for (QByteArray &line : lines)
        m_dispatcher.enqueue(std::move(line));
}

void ComputerPlayer::sockInfo(const QString &text)
{
    // The lines still waiting are of no use to a player that has gone.
    if (text == QLatin1String("Socket Closed") ||
        (!m_sock->isConnected() && text.startsWith(QLatin1String("Error #"))))
        end();
}

void ComputerPlayer::send(const QByteArray &line)
{
    if (m_finished || !m_sock->isConnected())
        return;
    try {
        m_sock->send(proto::frame(line));
    } catch (const net::SockError &) {
        // Its close is reported on its own.
    }
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
    send(proto::chat(m_slot, text, ChatColour));
}

// ---- the host's messages -----------------------------------------------

void ComputerPlayer::sendloginfo(const QString &fields)
{
    m_slot = proto::toInt(fields);
    if (!isSeat(m_slot)) {
        qCInfo(lcComputer) << m_name << "found no free seat and leaves";
        leave();
        return;
    }
    // The login name carries its own terminator, as every player's program sends it.
    send(proto::loginInfo(m_slot, proto::Version, proto::bytes(m_name) + net::Terminator));
}

void ComputerPlayer::newplayerinfo(const QString &fields)
{
    if (m_seated || m_slot == 0)
        return;
    for (const proto::PlayerEntry &entry : proto::readPlayers(fields)) {
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

void ComputerPlayer::justwatching(const QString &fields)
{
    const proto::SlotValue v = proto::readSlotValue(fields);
    if (v.slot != m_slot)
        return;
    m_watching = v.value == QLatin1String("1");
    if (m_watching)
        dropPlan();
}

void ComputerPlayer::makeboard(const QString &fields)
{
    m_board = proto::readMakeBoard(fields);
}

void ComputerPlayer::roundstart(const QString &fields)
{
    const proto::RoundStarting round = proto::readRoundStarting(fields);
    dropPlan();
    if (!m_seated || m_watching || !m_words)
        return;
    m_plan = planRound(m_words(m_board), m_board, round.time, playStyle(m_strength), m_random);
    m_next = 0;
    // The round's seconds count from its start, as a player's clock does.
    if (!m_manual)
        m_clock.start();
}

void ComputerPlayer::winner(const QString &fields)
{
    const QString name = proto::readWinner(fields);
    static const char *const lines[] = {"Good game!", "Good game, everyone. Well played!",
                                        "gg, that was fun."};
    m_pendingChat = name == m_name ? QStringLiteral("Good game! That one went my way.")
                                   : QString::fromLatin1(lines[pick(3)]);
    // A moment later, as a person would type it.
    m_chatDue = m_seconds + 1 + pick(4);
}

void ComputerPlayer::verdict(const QString &fields, bool accepted)
{
    const int slot = accepted ? proto::readHisWord(fields).slot : proto::readNotValid(fields).slot;
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
            send(proto::myWord(m_slot, m_plan[m_next].word));
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
