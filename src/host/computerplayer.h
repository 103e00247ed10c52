#pragma once

#include "host/computerplan.h"
#include "net/game.h"
#include "net/peerconnection.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <vector>

namespace vorlith::dict {
struct FoundWord;
}

namespace vorlith::host {

/// A computer player: a participant of its own that joins a game over TCP
/// and plays by the same messages as any player's program. It logs in, takes
/// a seat (it never stays as a spy), greets the table, tries words of the
/// board it was dealt at a pace its strength sets while a round runs, says
/// "good game" when a game ends, and ends when its connection closes
/// (removed by the hosting player, or the host gone).
///
/// Its clock ticks once a second; with setManual(true) neither the clock
/// nor its received-line queue runs by itself, and whoever drives it calls
/// tick() and dispatcher().tick().
class ComputerPlayer : public QObject
{
    Q_OBJECT
public:
    /// The words the host would accept on a board, longest first.
    using WordSource = std::function<std::vector<dict::FoundWord>(const net::game::Board &board)>;
    static constexpr std::chrono::milliseconds TickInterval{1000};
    /// It says nothing sooner than this after its last chat line.
    static constexpr int ChatGapSeconds = 30;
    /// A connection that does not stand within this long is given up.
    static constexpr int ConnectTimeoutMs = 5000;
    /// The colour its chat lines carry.
    static inline const QString ChatColour = QStringLiteral("clTeal");

    ComputerPlayer(const QString &name, Strength strength, WordSource words, PlanRandom random,
                   QObject *parent = nullptr);
    ~ComputerPlayer() override;

    /// Connects to the host engine at 127.0.0.1 on \a port.
    void connectTo(const QString &port);
    /// Closes its connection; finished() follows.
    void leave();

    QString name() const { return m_name; }
    Strength strength() const { return m_strength; }
    /// Takes effect from the next round.
    void setStrength(Strength strength) { m_strength = strength; }
    /// The slot the host gave it; 0 before.
    int slot() const { return m_slot; }
    /// True once the host has announced it in its seat.
    bool isSeated() const { return m_seated; }
    bool hasFinished() const { return m_finished; }

    /// Accepted words, refused words, and tries sent since it joined.
    int acceptedWords() const { return m_accepted; }
    int refusedWords() const { return m_refused; }
    int triesSent() const { return m_tries; }
    /// The tries of the running round, in time order, and how many of them
    /// have gone out.
    const std::vector<PlannedWord> &plan() const { return m_plan; }
    size_t triesOut() const { return m_next; }

    void setManual(bool manual);
    net::Dispatcher &dispatcher() { return m_connection.dispatcher(); }
    net::PeerConnection &connection() { return m_connection; }
    /// One second of its clock.
    void tick();

Q_SIGNALS:
    /// The host announced it in its seat.
    void seated();
    /// Its connection closed: it has left the table.
    void finished();

private:
    void send(const QByteArray &line);
    void say(const QString &text);
    /// A number from 0 to n - 1 from its random source.
    int pick(int n) const;
    void dropPlan();
    void end();

    void onLoginRequest(const net::proto::SendLoginInfo &request);
    void onPlayersArrived(const QList<net::proto::PlayerEntry> &players);
    void onWatchingChanged(const net::proto::JustWatching &change);
    void onRoundStarting(const net::proto::RoundStarting &round);
    void onWinner(const net::proto::Winner &winner);
    void onVerdict(int slot, bool accepted);

    QString m_name;
    Strength m_strength;
    WordSource m_words;
    PlanRandom m_random;
    net::PeerConnection m_connection;
    QTimer m_clock;
    bool m_manual{false};

    int m_slot{0};
    bool m_seated{false};
    bool m_finished{false};
    bool m_watching{false};
    net::game::Board m_board{};
    std::vector<PlannedWord> m_plan;
    size_t m_next{0};
    int m_roundSecond{0};
    qint64 m_seconds{0};
    qint64 m_lastChat{-ChatGapSeconds};
    QString m_pendingChat;
    qint64 m_chatDue{0};
    int m_accepted{0};
    int m_refused{0};
    int m_tries{0};
};

} // namespace vorlith::host
