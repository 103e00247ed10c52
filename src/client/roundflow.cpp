#include "client/roundflow.h"

#include "client/boardmodel.h"
#include "client/roster.h"
#include "tally/tallybook.h"

#include <algorithm>

namespace vorlith::client {

namespace proto = net::proto;

RoundFlow::RoundFlow(Roster &roster, BoardModel &board, QObject *parent)
    : QObject(parent), m_roster(roster), m_board(board)
{
    m_timer.setInterval(TickInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RoundFlow::tickCountdown);
}

int RoundFlow::activeSeat() const
{
    return m_board.isOpen() ? m_roster.ownNumber() : 0;
}

void RoundFlow::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_timer.stop();
    else if (m_counting)
        m_timer.start();
}

void RoundFlow::startCountdown(qint64 seconds)
{
    stopCountdown();
    m_countdown = seconds;
    m_view.barWidth = int(std::clamp<qint64>(seconds, 0, BarMaxWidth));
    m_counting = true;
    if (!m_manual)
        m_timer.start();
}

void RoundFlow::stopCountdown()
{
    m_counting = false;
    m_timer.stop();
}

void RoundFlow::setStatus(const QString &text)
{
    m_view.status = text;
}

void RoundFlow::clearBonuses()
{
    for (int seat = 1; seat <= Roster::SeatCount; ++seat)
        m_roster.setBonus(seat, std::nullopt);
}

void RoundFlow::addWordRow(const QString &row)
{
    if (m_wordList.size() >= MaxWordListRows)
        m_wordList.removeFirst();
    m_wordList.append(row);
    Q_EMIT wordListAdded(row);
}

void RoundFlow::openBoard()
{
    setStatus(QStringLiteral("Find Words!"));
    Q_EMIT soundRequested(m_turnSound ? m_turnSound() : QStringLiteral("turn"));
    m_board.setOpen(true);
    m_board.setTyping(true);
    m_view.controlsShown = true;
}

void RoundFlow::onGameStarted(const proto::StartGame &game)
{
    m_gameRunning = true;
    Q_EMIT startButtonShown(false);
    Q_EMIT justWatchUnchecked();
    Q_EMIT helpHidden();
    m_view.winnerShown = false;
    m_view.resultsShown = false;

    m_view.rounds = game.rounds;
    m_view.time = game.time;

    const bool ownStart =
        m_roster.ownIsSeat() && m_roster.caption(m_roster.ownNumber()) == game.name;
    Q_EMIT systemLine(ownStart ? QStringLiteral("You have started a game.")
                               : game.name + QStringLiteral(" has started a game."));

    for (int seat = 1; seat <= Roster::SeatCount; ++seat) {
        m_roster.setScore(seat, 0);
        m_roster.setBonus(seat, std::nullopt);
    }
    Q_EMIT viewChanged();
}

void RoundFlow::onRoundStarting(const proto::RoundStarting &round)
{
    if (!m_gameRunning && m_mayStart) {
        // Joined while a game runs: its start was never seen here.
        m_gameRunning = true;
        Q_EMIT startButtonShown(false);
    }
    m_view.resultsShown = false;
    Q_EMIT helpHidden();
    m_wordList.clear();
    Q_EMIT wordListCleared();
    clearBonuses();

    m_view.round = round.round;
    m_board.clearWord();
    if (m_roster.ownIsSeat())
        openBoard();

    // Spies watch the clock run too. The clock label first changes at the
    // first tick.
    startCountdown(round.time);
    Q_EMIT viewChanged();
    Q_EMIT roundStarted();
}

void RoundFlow::tickCountdown()
{
    if (!m_counting)
        return;
    --m_countdown;
    if (m_countdown > 0) {
        m_view.barWidth = int(std::min<qint64>(m_countdown, BarMaxWidth));
        if (m_countdown == 20 || m_countdown < 10)
            Q_EMIT soundRequested(QStringLiteral("tick"));
        m_view.clock = m_countdown;
        if (m_countdown <= 9)
            Q_EMIT soundRequested(QStringLiteral("timer"));
        Q_EMIT viewChanged();
        return;
    }
    // A creation time of 0 or less ends here too, at the first tick.
    m_board.setOpen(false);
    stopCountdown();
    m_view.clock = 0;
    setStatus(QStringLiteral("Time Up!"));
    m_view.controlsShown = false;
    Q_EMIT viewChanged();
}

void RoundFlow::onWordAccepted(const proto::HisWord &w)
{
    if (w.slot != m_roster.ownNumber())
        return;
    setStatus(w.word + QStringLiteral(" for ") + QString::number(w.points) +
              QStringLiteral(" points."));
    Q_EMIT viewChanged();
    addWordRow(QString::number(w.points) + QStringLiteral(" : ") + w.word.toUpper());
    Q_EMIT soundRequested(QStringLiteral("goodword"));
    Q_EMIT wordRecorded(w.word);
}

void RoundFlow::onWordRefused(const proto::NotValid &v)
{
    if (v.slot != m_roster.ownNumber())
        return;
    // The status line first: it is the verdict the player waits for.
    if (v.verdict == proto::NotValid::NotAWord) {
        setStatus(v.word + QStringLiteral(" is not a valid word."));
        Q_EMIT viewChanged();
        addWordRow(v.word.toUpper() + QStringLiteral(" : Not Valid"));
    } else if (v.verdict == proto::NotValid::AlreadyFound) {
        setStatus(QStringLiteral("You already found: ") + v.word + QStringLiteral("."));
        Q_EMIT viewChanged();
        addWordRow(v.word.toUpper() + QStringLiteral(" : Repeat"));
    }
    Q_EMIT soundRequested(QStringLiteral("badword"));
}

void RoundFlow::onScore(const proto::HisScore &h)
{
    if (!Roster::isSeat(h.slot))
        return;
    m_roster.setScore(h.slot, h.total);
    Q_EMIT scorePlaced(h.slot);
    m_roster.setBonus(h.slot, h.points);
}

namespace {

/// The rows of a seat's round words: one per entry between commas.
QStringList rowsOf(const QString &words)
{
    return words.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

void RoundFlow::onRoundOver(const proto::RoundOver &over)
{
    clearBonuses();
    for (const proto::SeatResult &r : over.seats) {
        if (!Roster::isSeat(r.seat))
            continue;
        SeatResults &column = m_results[static_cast<size_t>(r.seat - 1)];
        column.name = m_roster.caption(r.seat);
        column.rows = rowsOf(r.words);
        m_roster.setScore(r.seat, r.total);
        if (r.roundScore > 0)
            m_roster.setBonus(r.seat, r.roundScore);
    }
    // A board opened for a late joiner has no clock to close it: once the
    // host has closed the round it closes here, or after the last round it
    // would keep the keys (Typing ON) for ever.
    if (!m_counting && m_board.isOpen()) {
        m_board.setOpen(false);
        m_view.controlsShown = false;
    }
    setStatus(QStringLiteral("Posting Scores.. Please Wait!"));
    m_view.resultsShown = true;
    Q_EMIT resultsChanged();
    Q_EMIT viewChanged();
    Q_EMIT resultsRaised();
    endIfSilent();
}

void RoundFlow::endIfSilent()
{
    if (!m_mayStart || !m_gameRunning || m_view.round < qint64(m_view.rounds.toInt()) + 3)
        return;
    for (int seat = 1; seat <= Roster::SeatCount; ++seat) {
        if (m_roster.seat(seat)->score != 0)
            return;
    }
    m_gameRunning = false;
    if (mayStartWithoutHosting())
        Q_EMIT startButtonShown(true);
}

void RoundFlow::onGameStats(const proto::GameStats &g)
{
    if (g.slot != m_roster.ownNumber())
        return;
    m_view.time = QString::number(g.time);
    m_view.rounds = QString::number(g.rounds);
    m_view.round = g.round;
    for (const proto::SeatTotal &t : g.totals) {
        if (Roster::isSeat(t.seat))
            m_roster.setScore(t.seat, t.total);
    }
    // A round already running opens the board without a clock: the countdown
    // is not started for it.
    if (g.running && m_roster.ownIsSeat())
        openBoard();
    Q_EMIT viewChanged();
}

void RoundFlow::onWinner(const proto::Winner &winner)
{
    const QString &name = winner.name;
    m_gameRunning = false;
    m_view.resultsShown = false;
    Q_EMIT soundRequested(QStringLiteral("gameover"));

    const bool seated = m_roster.ownIsSeat();
    const bool mine = seated && m_roster.caption(m_roster.ownNumber()) == name;
    m_view.winner = mine ? QStringLiteral("You have Won the Game!")
                         : name + QStringLiteral(" has Won the Game!");
    setStatus(QStringLiteral("Game Over!"));
    Q_EMIT systemLine(m_view.winner);
    m_view.winnerShown = true;
    Q_EMIT viewChanged();
    Q_EMIT winnerRaised();
    if ((m_isHost && m_isHost()) || mayStartWithoutHosting())
        Q_EMIT startButtonShown(true);
    // Opponents are read from the seats as they are now.
    if (seated)
        Q_EMIT gameRecorded(mine ? tally::addToMine() : name);
}

bool RoundFlow::mayStartWithoutHosting() const
{
    return m_mayStart && m_roster.ownIsSeat() && !m_gameRunning;
}

void RoundFlow::closeResults()
{
    m_view.resultsShown = false;
    Q_EMIT viewChanged();
}

} // namespace vorlith::client
