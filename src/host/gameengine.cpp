#include "host/gameengine.h"

#include "dict/dictionary.h"
#include "host/hostrules.h"
#include "host/registry.h"
#include "net/protocol.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGame, "vorlith.game")

namespace vorlith::host {

namespace proto = net::proto;
namespace game = net::game;

GameEngine::GameEngine(Registry &registry, Outbox &outbox, const dict::Dictionary &spellit,
                       RandomSource random, QObject *parent)
    : GameEngine(registry, outbox,
                 WordCheck([&spellit](QStringView word) { return spellit.isword(word); }),
                 std::move(random), parent)
{
}

GameEngine::GameEngine(Registry &registry, Outbox &outbox, WordCheck isword, RandomSource random,
                       QObject *parent)
    : QObject(parent), m_registry(registry), m_outbox(outbox), m_isword(std::move(isword)),
      m_random(std::move(random))
{
    m_timer.setInterval(TickInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &GameEngine::onSecond);
}

GameEngine::~GameEngine() = default;

// ---- the timer ---------------------------------------------------------

void GameEngine::setTimerEnabled(bool on)
{
    m_timerEnabled = on;
    if (m_manual)
        return;
    if (on)
        m_timer.start(); // a fresh second, as switching a timer on again gives
    else
        m_timer.stop();
}

void GameEngine::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_timer.stop();
    else if (m_timerEnabled)
        m_timer.start();
}

void GameEngine::onSecond()
{
    if (!m_timerEnabled || endedQuietly())
        return;
    --m_countdown;
    if (m_countdown >= 1)
        return;
    setTimerEnabled(false);
    if (m_phase == Phase::Round)
        endRound();
    else if (m_phase == Phase::Break)
        startRound();
}

bool GameEngine::endedQuietly()
{
    if (!m_inProgress || !m_rules || !m_rules->endsQuietly(m_registry, m_round, m_roundsToPlay))
        return false;
    qCDebug(lcGame) << "game ended without a winner in round" << m_round;
    setTimerEnabled(false);
    m_inProgress = false;
    Q_EMIT gameEnded(false);
    return true;
}

// ---- the game ----------------------------------------------------------

void GameEngine::startGame(const QString &starter, std::optional<qint32> rounds,
                           std::optional<qint32> time)
{
    // Whoever sends it starts the game, and a running game starts afresh.
    setTimerEnabled(false);
    m_inProgress = true;

    m_roundsToPlay = rounds.value_or(DefaultRounds);
    m_creationTime = time.value_or(DefaultTime);
    qCDebug(lcGame) << "game of" << m_roundsToPlay << "rounds of" << m_creationTime
                    << "s started by" << starter;
    m_outbox.sendToAll(proto::encode(proto::StartGame{starter, QString::number(m_roundsToPlay),
                                                      QString::number(m_creationTime)}));

    for (int seat = 1; seat <= game::Seats; ++seat) {
        PlayerRecord *r = m_registry.record(seat);
        r->totalScore = 0;
        r->watching = false;
    }
    m_round = 0;
    startRound();
}

void GameEngine::startRound()
{
    ++m_round;
    if (checkForWinner() || endedQuietly())
        return; // the game is over: no board, and the timer stays off

    dealBoard();
    for (int seat = 1; seat <= game::Seats; ++seat) {
        PlayerRecord *r = m_registry.record(seat);
        r->roundScore = 0;
        r->roundWords.clear();
    }
    m_outbox.sendToAll(proto::encode(proto::RoundStarting{m_round, m_creationTime}));

    setTimerEnabled(false);
    m_phase = Phase::Round;
    m_countdown = qint64(m_creationTime) + RoundGrace; // 64 bits: any 32-bit time fits
    setTimerEnabled(true);
}

int GameEngine::draw(int n)
{
    const int value = m_random ? m_random(n) : 0;
    if (value >= 0 && value < n)
        return value;
    return ((value % n) + n) % n; // a source that strays still picks a real cell
}

game::Board GameEngine::deal(const std::function<int(int n)> &draw)
{
    game::Board board{};
    for (int &code : board) {
        const int column = draw(6);
        const int row = draw(10);
        code = LetterTable[static_cast<size_t>(row)][static_cast<size_t>(column)] - 'a' + 1;
    }
    return board;
}

void GameEngine::dealBoard()
{
    m_board = deal([this](int n) { return draw(n); });
    m_outbox.sendToAll(boardLine());
}

QByteArray GameEngine::boardLine() const
{
    return proto::encode(proto::MakeBoard{m_board});
}

void GameEngine::endRound()
{
    proto::RoundOver over;
    for (int seat = 1; seat <= game::Seats; ++seat) {
        const PlayerRecord *r = m_registry.record(seat);
        over.seats.append({seat, r->totalScore, r->roundScore, r->roundWords});
    }
    m_outbox.sendToAll(proto::encode(over));

    setTimerEnabled(false);
    m_phase = Phase::Break;
    m_countdown = BreakSeconds;
    setTimerEnabled(true);
}

bool GameEngine::checkForWinner()
{
    if (m_round <
        qint64(m_roundsToPlay) + 1) // 64 bits: the largest rounds value plus one still fits
        return false;

    const auto total = [this](int seat) { return m_registry.record(seat)->totalScore; };
    int leader = 1;
    for (int seat = 2; seat <= game::Seats; ++seat) {
        if (total(seat) > total(leader))
            leader = seat;
    }
    for (int seat = 1; seat <= game::Seats; ++seat) {
        if (seat != leader && total(seat) == total(leader))
            return false; // a tie: another round decides
    }

    qCDebug(lcGame) << "seat" << leader << "wins after round" << m_round - 1;
    m_outbox.sendToAll(proto::encode(proto::Winner{m_registry.name(leader)}));
    m_inProgress = false;
    Q_EMIT gameEnded(true);
    return true;
}

void GameEngine::catchUp(int slot)
{
    if (!m_inProgress)
        return;
    if (m_registry.isActive(slot))
        m_outbox.sendTo(slot, boardLine());

    proto::GameStats stats{slot,    m_creationTime,          m_roundsToPlay,
                           m_round, m_phase == Phase::Round, {}};
    for (int seat = 1; seat <= game::Seats; ++seat)
        stats.totals.append({seat, m_registry.record(seat)->totalScore});
    if (m_registry.isActive(slot))
        m_outbox.sendTo(slot, proto::encode(stats));
}

// ---- word judging ------------------------------------------------------

int GameEngine::letterCode(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 1;
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 1;
    return 0;
}

bool GameEngine::isOnBoard(QStringView word) const
{
    std::array<bool, game::Cells> taken{};
    for (QChar c : word) {
        const int code = letterCode(c);
        if (code == 0)
            return false; // no cell holds anything but a letter, not even before the first deal
        size_t cell = 0;
        while (cell < taken.size() && (taken[cell] || m_board[cell] != code))
            ++cell;
        if (cell == taken.size())
            return false;
        taken[cell] = true;
    }
    return true;
}

void GameEngine::playWord(int slot, const QString &word)
{
    if (!game::isSeat(slot))
        return;
    // Words count only while a round runs: one sent in a break, or after the
    // game was decided, would change totals that were already announced.
    if (!m_inProgress || m_phase != Phase::Round)
        return;

    // The dictionary first: the board is not looked at for a non-word.
    if (!m_isword || !m_isword(word) || !isOnBoard(word)) {
        m_outbox.sendTo(slot,
                        proto::encode(proto::NotValid{proto::NotValid::NotAWord, slot, word}));
        return;
    }

    const qint64 length = word.size();
    const qint64 points = length * length;
    const QString entry = word + QLatin1Char(':') + QString::number(points) + QLatin1Char(',');
    PlayerRecord *r = m_registry.record(slot);
    // Entries hold letters, ":", digits and ",": a match is the same word
    // (the same points make it the same length), in whatever letter case it
    // was sent.
    if (r->roundWords.contains(entry, Qt::CaseInsensitive)) {
        m_outbox.sendTo(slot,
                        proto::encode(proto::NotValid{proto::NotValid::AlreadyFound, slot, word}));
        return;
    }

    r->roundWords += entry;
    r->roundScore += points;
    r->totalScore += points;
    m_outbox.sendTo(slot, proto::encode(proto::HisWord{slot, points, word}));
    m_outbox.sendToAll(proto::encode(proto::HisScore{slot, r->totalScore, points}));
}

} // namespace vorlith::host
