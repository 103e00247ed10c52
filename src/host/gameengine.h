#pragma once

#include "host/outbox.h"
#include "net/game.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

namespace vorlith::dict {
class Dictionary;
}

namespace vorlith::host {

class HostRules;
class Registry;

/// The host engine's game side: starts games, deals a board for every round,
/// times rounds and breaks with the one-second timer, reports
/// the results, names the winner or plays on at a tie, judges and scores
/// words, and catches up participants who log in during a game.
///
/// Wiring: the connection side (HostServer) calls it through GameHooks; it sends
/// through an Outbox (normally the same HostServer) and keeps the scores in the
/// shared Registry.
/// \code
///     dict::Dictionary spellit;
///     if (!spellit.loadwords())
///         ui::messageBoxes().inform(spellit.errorText());
///     HostServer server;
///     GameEngine game(server.registry(), server, spellit, random);
///     server.setGame(&game);
/// \endcode
///
/// All numbers that arrive to start a game are kept as 32-bit values, as
/// the messages carry them, but every sum made from them is done in 64 bits,
/// so that no value a peer can send overflows.
class GameEngine : public QObject, public GameHooks
{
    Q_OBJECT
public:
    /// Answers a number from 0 to n - 1 for n > 0. The program passes its one
    /// clock-seeded generator, which the client's shuffle shares; tests pass
    /// a seeded or scripted one.
    using RandomSource = std::function<int(int n)>;
    /// Is this string a word? Asked with the word exactly as received.
    using WordCheck = std::function<bool(QStringView word)>;

    static constexpr int BreakSeconds = 20;
    /// A round closes this many seconds after its creation time.
    static constexpr int RoundGrace = 4;
    static constexpr int DefaultRounds = 5;
    static constexpr int DefaultTime = 60;
    static constexpr std::chrono::milliseconds TickInterval{1000};

    /// The letter table the deal draws from: a column 0..5 first, then a row
    /// 0..9, both uniform. Its 60 cells weigh the letters in sixtieths.
    static constexpr std::array<std::array<char, 6>, 10> LetterTable{{
        {'e', 'i', 'o', 'e', 'u', 'a'},
        {'q', 'f', 'j', 'w', 'k', 'x'},
        {'d', 'l', 'g', 'b', 'k', 'h'},
        {'n', 'p', 's', 'c', 'r', 'm'},
        {'v', 'h', 'l', 'd', 't', 'y'},
        {'o', 'u', 'e', 'o', 'e', 'i'},
        {'z', 'r', 'g', 'n', 'c', 'w'},
        {'a', 'p', 't', 'a', 'i', 's'},
        {'b', 'n', 't', 's', 'l', 'r'},
        {'m', 't', 'k', 'd', 'e', 'h'},
    }};
    /// A board dealt from the letter table, cell after cell, with \a draw
    /// answering 0 to n - 1: letter codes 1 (a) to 26 (z).
    static net::game::Board deal(const std::function<int(int n)> &draw);

    enum class Phase
    {
        None = 0,  ///< no round has started yet
        Round = 1, ///< a round is running
        Break = 2, ///< the break after a round is running
    };

    /// Judges words with \a spellit, which must outlive the engine.
    GameEngine(Registry &registry, Outbox &outbox, const dict::Dictionary &spellit,
               RandomSource random, QObject *parent = nullptr);
    /// Judges words with \a isword (tests, a word list of their own).
    GameEngine(Registry &registry, Outbox &outbox, WordCheck isword, RandomSource random,
               QObject *parent = nullptr);
    ~GameEngine() override;

    // ---- GameHooks ------------------------------------------------------
    bool gameInProgress() const override { return m_inProgress; }
    /// Late-joiner catch-up: the current board and CMD_gamestats to \a slot.
    void catchUp(int slot) override;
    /// Starts (or restarts) a game: \a rounds and \a time fall back to
    /// DefaultRounds and DefaultTime when they came as no number.
    void startGame(const QString &starter, std::optional<qint32> rounds,
                   std::optional<qint32> time) override;
    /// Judges and scores one word while a round runs; at other times it
    /// answers nothing. A word already accepted for the seat this round, in
    /// any letter case, is refused as found already.
    void playWord(int slot, const QString &word) override;

    // ---- the game's steps -----------------------------------------------
    void startRound();
    /// Deals the round's board and sends it to all.
    void dealBoard();
    void endRound();
    /// True when the game has been decided (and the winner announced); false
    /// while rounds remain or the leaders are tied.
    bool checkForWinner();
    /// One second of the round or break countdown. Does nothing while the
    /// countdown is off, exactly as a stopped timer never fires.
    void onSecond();
    /// True when every letter of \a word can take a board cell of its own.
    bool isOnBoard(QStringView word) const;

    /// With manual timing the countdown never runs by itself; whoever drives
    /// the engine calls onSecond() for each second that passes.
    void setManual(bool manual);
    bool isManual() const { return m_manual; }
    /// The rules asked whether a running game ends early; \a rules must
    /// outlive this engine.
    void setRules(const HostRules &rules) { m_rules = &rules; }
    /// True while the countdown is switched on (whether or not it runs by itself).
    bool isTimerEnabled() const { return m_timerEnabled; }

    // ---- state, for the owner and tests ---------------------------------
    const net::game::Board &board() const { return m_board; }
    qint32 roundsToPlay() const { return m_roundsToPlay; }
    qint32 creationTime() const { return m_creationTime; }
    qint64 roundCounter() const { return m_round; }
    qint64 phaseCountdown() const { return m_countdown; }
    Phase phase() const { return m_phase; }

    /// The letter code (1 = a .. 26 = z) of \a c, 0 for anything else.
    static int letterCode(QChar c);

Q_SIGNALS:
    /// The game no longer runs: decided (a winner was named), or ended
    /// quietly by the rules.
    void gameEnded(bool decided);

private:
    void setTimerEnabled(bool on);
    /// Ends a running game without a winner when the rules say so.
    bool endedQuietly();
    int draw(int n);
    QByteArray boardLine() const;

    Registry &m_registry;
    Outbox &m_outbox;
    WordCheck m_isword;
    RandomSource m_random;
    const HostRules *m_rules{nullptr};
    QTimer m_timer;
    bool m_manual{false};
    bool m_timerEnabled{false};

    bool m_inProgress{false};
    qint32 m_roundsToPlay{0};
    qint32 m_creationTime{0};
    qint64 m_round{0};
    net::game::Board m_board{};
    qint64 m_countdown{0};
    Phase m_phase{Phase::None};
};

} // namespace vorlith::host
