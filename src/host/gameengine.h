#pragma once

#include "host/outbox.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>

namespace vorlith::dict {
class TDictn;
}

namespace vorlith::host {

class HostRules;
class Registry;

/// The host engine's game side: starts games, deals a board for every round,
/// times rounds and breaks with the one-second timer timer_breaks, reports
/// the results, names the winner or plays on at a tie, judges and scores
/// words, and catches up participants who log in during a game.
///
/// Wiring: the connection side (TServer) calls it through GameHooks; it sends
/// through an Outbox (normally the same TServer) and keeps the scores in the
/// shared Registry.
/// \code
///     dict::TDictn spellit;
///     if (!spellit.loadwords())
///         ui::messageBoxes().inform(spellit.errorText());
///     TServer server;
///     GameEngine game(server.registry(), server, spellit, random);
///     server.setGame(&game);
/// \endcode
///
/// All numbers that arrive in a CMD_startgame are kept as 32-bit values, as
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

    static constexpr int Seats = 6;
    static constexpr int Cells = 36;
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
    static std::array<int, Cells> deal(const std::function<int(int n)> &draw);

    enum class Phase
    {
        None = 0,  ///< no round has started yet
        Round = 1, ///< a round is running
        Break = 2, ///< the break after a round is running
    };

    /// Judges words with \a spellit, which must outlive the engine.
    GameEngine(Registry &registry, Outbox &outbox, const dict::TDictn &spellit, RandomSource random,
               QObject *parent = nullptr);
    /// Judges words with \a isword (tests, a word list of their own).
    GameEngine(Registry &registry, Outbox &outbox, WordCheck isword, RandomSource random,
               QObject *parent = nullptr);
    ~GameEngine() override;

    // ---- GameHooks ------------------------------------------------------
    bool gameInProgress() const override { return m_inProgress; }
    /// Late-joiner catch-up: the current board and CMD_gamestats to \a slot.
    void catchUp(int slot) override;
    /// CMD_startgame: starts (or restarts) a game for whoever sent it.
    void startgame(const QString &fields, int senderSlot) override;
    /// CMD_myword: judges and scores one word while a round runs; at other
    /// times it answers nothing. A word already accepted for the seat this
    /// round, in any letter case, gets verdict 2. Raises net::HandlerError
    /// when the slot field is not a number.
    void myword(const QString &fields, int senderSlot) override;

    // ---- the game's steps -----------------------------------------------
    void startround();
    void createboard();
    void endround();
    /// True when the game has been decided (and CMD_winner sent).
    bool checkforwin();
    /// The one-second tick of timer_breaks. Does nothing while the timer is
    /// off, exactly as a stopped timer never fires.
    void timer_breaksTimer();
    /// True when every letter of \a word can take a board cell of its own.
    bool checkaword(QStringView word) const;

    /// With manual timing timer_breaks never runs by itself; whoever drives
    /// the engine calls timer_breaksTimer() for each second that passes.
    void setManual(bool manual);
    bool isManual() const { return m_manual; }
    /// The rules asked whether a running game ends early; \a rules must
    /// outlive this engine.
    void setRules(const HostRules &rules) { m_rules = &rules; }
    /// True while timer_breaks is switched on (whether or not it runs by itself).
    bool isTimerEnabled() const { return m_timerEnabled; }

    // ---- state, for the owner and tests ---------------------------------
    const std::array<int, Cells> &board() const { return m_board; }
    qint32 roundsToPlay() const { return m_roundsToPlay; }
    qint32 creationTime() const { return m_creationTime; }
    qint64 roundCounter() const { return m_round; }
    qint64 phaseCountdown() const { return m_countdown; }
    Phase phase() const { return m_phase; }

    /// The letter code (1 = a .. 26 = z) of \a c, 0 for anything else.
    static int letterCode(QChar c);

Q_SIGNALS:
    /// The game has been decided and no longer runs.
    void gameEnded();

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
    std::array<int, Cells> m_board{};
    qint64 m_countdown{0};
    Phase m_phase{Phase::None};
};

} // namespace vorlith::host
