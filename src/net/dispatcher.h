#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vorlith::net {

/// Where a queued line came from: the slot of its connection and that
/// connection's serial number (0 for a side with one connection).
struct LineOrigin
{
    int slot{0};
    quint64 connection{0};
};

/// The received-line queue of one side and its turns of dispatch.
///
/// Every connection has a queue of its own, and the connections with lines
/// waiting take turns: each line handled is the next of the next connection
/// in turn, so each connection's lines keep their order, and a line waits at
/// most one line per other connection with lines waiting, however many lines
/// those hold. A side with one connection (the client) keeps one queue in
/// plain arrival order.
///
/// Lines are handled as soon as the event loop comes back from the read that
/// queued them, at most LinesPerTurn of them before the loop serves sockets
/// and timers again; nothing runs while no line waits. Tests drive tick()
/// themselves with setManual(true).
///
/// A line is handled by the handler whose command word equals the text before
/// its first "+".
class Dispatcher : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const QString &fields, const LineOrigin &origin)>;

    /// Lines handled in one turn before the event loop runs again.
    static constexpr int LinesPerTurn = 64;

    explicit Dispatcher(QObject *parent = nullptr);

    /// Adds an entry to the dispatch table (compared in the order added).
    void addCommand(const QByteArray &word, Handler handler);
    /// Replaces the handler of an existing entry.
    void setHandler(const QByteArray &word, Handler handler);
    bool hasCommand(const QByteArray &word) const;

    /// Called with the text of an error that ended a handler.
    void setErrorHandler(std::function<void(const QString &)> handler)
    {
        m_onError = std::move(handler);
    }

    /// Queues \a line, cut to the longest line handled (MaxLineLength).
    void enqueue(QByteArray line, LineOrigin origin = {});

    /// Handles at most one waiting line. Returns false when nothing waited.
    bool tick();
    /// Handles at most \a limit waiting lines; answers how many it handled.
    int turn(int limit = LinesPerTurn);
    /// Handles every waiting line, one tick after the other (tests).
    int drain();

    /// With manual dispatch no turn runs by itself and only tick() handles lines.
    void setManual(bool manual);
    /// True while a turn is due from the event loop.
    bool isTimerActive() const { return m_timer.isActive(); }

    /// Told of each line handled, with the time it waited in the queue and
    /// the time its handler took together (a server's latency figures).
    using LineTimer = std::function<void(const QByteArray &word, std::chrono::nanoseconds taken)>;
    void setLineTimer(LineTimer timer) { m_lineTimer = std::move(timer); }

    qsizetype pending() const { return m_pendingLines; }
    qsizetype pendingBytes() const { return m_pendingBytes; }
    qsizetype pendingFrom(quint64 connection) const;
    qsizetype pendingBytesFrom(quint64 connection) const;
    /// The connections with lines waiting, in the order of their next turn.
    std::vector<quint64> waitingConnections() const { return {m_turns.begin(), m_turns.end()}; }
    /// The connection whose waiting lines take the most bytes, if any wait.
    std::optional<quint64> largestBacklog() const;

    /// Forgets every waiting line of a connection.
    void dropFrom(quint64 connection);
    /// Keeps only the next \a keep waiting lines of a connection.
    void keepNextFrom(quint64 connection, qsizetype keep);

Q_SIGNALS:
    /// A line left the queue without reaching a handler.
    void lineDropped(const QByteArray &line);
    /// A tick handled the last waiting line.
    void drained();

private:
    struct Entry
    {
        QByteArray word;
        Handler handler;
    };
    struct Queued
    {
        QByteArray line;
        LineOrigin origin;
        std::chrono::steady_clock::time_point arrived{};
    };
    struct Queue
    {
        std::deque<Queued> lines;
        qsizetype bytes{0};
    };

    void dispatch(const Queued &q);
    void schedule();
    void forgetQueue(quint64 connection);

    std::vector<Entry> m_table;
    // Only connections with lines waiting have a queue and a place in m_turns.
    std::unordered_map<quint64, Queue> m_queues;
    std::deque<quint64> m_turns;
    qsizetype m_pendingLines{0};
    qsizetype m_pendingBytes{0};
    QTimer m_timer;
    bool m_manual{false};
    std::function<void(const QString &)> m_onError;
    LineTimer m_lineTimer;
};

} // namespace vorlith::net
