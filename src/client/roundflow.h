#pragma once

#include "net/game.h"
#include "net/protocol.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>

namespace vorlith::client {

class BoardModel;
class Roster;

/// One seat's column of the round results: the name its seat showed and
/// its accepted words of the round, one row per entry ("CAT:9").
struct SeatResults
{
    QString name;
    QStringList rows;
    bool operator==(const SeatResults &) const = default;
};
using RoundResults = std::array<SeatResults, net::game::Seats>;

/// The course of a game as this client sees it: the round and time labels,
/// the countdown with its clock and sounds, opening and closing the board
/// for input, the verdicts on the own words, everybody's scores, the round
/// results and the winner. It decides nothing about the game; it shows what
/// the host sends and times its own countdown.
///
/// The countdown runs on a one-second timer; with setManual(true) the timer
/// never runs by itself and whoever drives the flow calls tickCountdown()
/// once per second of game time.
class RoundFlow : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds TickInterval{1000};
    /// The clock bar's widest: the frame behind it ends there.
    static constexpr int BarMaxWidth = 120;
    /// The word list keeps the latest rows up to this many.
    static constexpr int MaxWordListRows = 2000;

    /// What the round widgets show; roundtexts.h words it.
    struct View
    {
        qint64 round{0};                     ///< label_roundnum: the round being played
        QString rounds{QStringLiteral("0")}; ///< ... of the rounds to play, as the host gave them
        QString time;    ///< label_playtoscore: the creation time, as given; none yet
        qint64 clock{0}; ///< label_timer: the seconds the clock shows
        int barWidth{0}; ///< image_timer, held to BarMaxWidth
        QString status{QStringLiteral("Welcome to Vorlith by Brakmo Software")};
        bool controlsShown{false}; ///< CLEAR, SHUFFLE and SUBMIT
        bool resultsShown{false};  ///< panel_show
        bool winnerShown{false};   ///< panel_winner
        QString winner;            ///< the banner's text
    };

    RoundFlow(Roster &roster, BoardModel &board, QObject *parent = nullptr);

    /// Whether this program hosts the game (the start button comes back
    /// after a game for the hosting player only).
    void setHostCheck(std::function<bool()> isHost) { m_isHost = std::move(isHost); }
    /// Whether a seated player may start games without hosting: the program
    /// was started to join a table server's table, where the server sets
    /// the table's options and lets every seat start between games.
    void setMayStart(bool mayStart) { m_mayStart = mayStart; }
    bool mayStart() const { return m_mayStart; }
    /// Whether this program may start a game now without hosting: allowed
    /// to, seated (watching or not), and no game runs as far as it has seen.
    bool mayStartWithoutHosting() const;
    /// The name of the sound that opens a round ("turn" unless set).
    void setTurnSound(std::function<QString()> name) { m_turnSound = std::move(name); }

    const View &view() const { return m_view; }
    const QStringList &wordList() const { return m_wordList; }
    const RoundResults &results() const { return m_results; }
    /// Seconds left in the round; may be far beyond what the bar shows.
    qint64 countdown() const { return m_countdown; }
    bool isCounting() const { return m_counting; }
    /// The number whose board is open: the own number or 0.
    int activeSeat() const;

    void setManual(bool manual);
    bool isManual() const { return m_manual; }

    // Handlers of the host's messages.
    void onGameStarted(const net::proto::StartGame &game);
    void onRoundStarting(const net::proto::RoundStarting &round);
    void onWordAccepted(const net::proto::HisWord &word);
    void onWordRefused(const net::proto::NotValid &verdict);
    void onScore(const net::proto::HisScore &score);
    void onRoundOver(const net::proto::RoundOver &over);
    /// Where a game that runs stands, for a newcomer.
    void onGameStats(const net::proto::GameStats &stats);
    void onWinner(const net::proto::Winner &winner);

    /// One second of the countdown.
    void tickCountdown();
    /// Closes the results panel.
    void closeResults();

Q_SIGNALS:
    /// Something in view() changed.
    void viewChanged();
    void wordListCleared();
    /// A round has begun (its board is open to the seats).
    void roundStarted();
    void wordListAdded(const QString &row);
    void resultsChanged();
    /// The results panel or the winner banner is to come to the front.
    void resultsRaised();
    void winnerRaised();
    void helpHidden();
    void justWatchUnchecked();
    void startButtonShown(bool shown);
    /// The seat's score label was re-placed after its name, and the bonus
    /// after the score.
    void scorePlaced(int seat);
    /// The program's own notice for the chat.
    void systemLine(const QString &text);
    void soundRequested(const QString &name);
    /// The tally records a finished game (the winner's name, or the word
    /// that stands for a win of the player's own).
    void gameRecorded(const QString &result);
    /// The tally is offered an accepted word of the player's own.
    void wordRecorded(const QString &word);

private:
    void openBoard();
    void setStatus(const QString &text);
    void addWordRow(const QString &row);
    void clearBonuses();
    /// On a server's table (may start), a game nobody has scored in ends
    /// after its rounds and three tie-breaks without a winner being named;
    /// the table then waits for the next start.
    void endIfSilent();
    void startCountdown(qint64 seconds);
    void stopCountdown();

    Roster &m_roster;
    BoardModel &m_board;
    std::function<bool()> m_isHost;
    std::function<QString()> m_turnSound;
    View m_view;
    QStringList m_wordList;
    RoundResults m_results{};
    qint64 m_countdown{0};
    bool m_counting{false};
    bool m_mayStart{false};
    /// From a game's start, or a round seen by a late joiner, to its winner.
    bool m_gameRunning{false};
    bool m_manual{false};
    QTimer m_timer;
};

} // namespace vorlith::client
