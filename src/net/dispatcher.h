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

/// The received-line queue of one side and its dispatch timer.
///
/// Every connection has a queue of its own, and the connections with lines
/// waiting take turns: each tick handles the next line of the next connection
/// in turn, so one line per tick overall, each connection's lines in their
/// order, and a line waits at most one tick per other connection with lines
/// waiting, however many lines those hold. A side with one connection (the
/// client) keeps one queue in plain arrival order.
///
/// A line is handled by the handler whose command word equals the text before
/// its first "+". The timer runs only while lines wait; tests drive tick()
/// themselves with setManual(true).
class Dispatcher : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const QString &fields, const LineOrigin &origin)>;

    explicit Dispatcher(std::chrono::milliseconds interval, QObject *parent = nullptr);

    /// Adds an entry to the dispatch table (compared in the order added).
    void addCommand(const QByteArray &word, Handler handler);
    /// Replaces the handler of an existing entry.
    void setHandler(const QByteArray &word, Handler handler);
    bool hasCommand(const QByteArray &word) const;

    /// Called with the text of an error that ended a handler.
    void setErrorHandler(std::function<void(const QString &)> handler) { m_onError = std::move(handler); }

    /// Queues \a line, cut to the longest line handled (MaxLineLength).
    void enqueue(QByteArray line, LineOrigin origin = {});

    /// Handles at most one waiting line. Returns false when nothing waited.
    bool tick();
    /// Handles every waiting line, one tick after the other (tests).
    int drain();

    /// With manual dispatch the timer never runs and only tick() handles lines.
    void setManual(bool manual);
    bool isTimerActive() const { return m_timer.isActive(); }

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
    };
    struct Queue
    {
        std::deque<Queued> lines;
        qsizetype bytes{0};
    };

    void dispatch(const Queued &q);
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
};

} // namespace vorlith::net
