#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
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
/// Lines are handled one per tick, in arrival order, by the handler whose
/// command word equals the text before the line's first "+". The timer runs
/// only while lines wait; tests drive tick() themselves with setManual(true).
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

    void enqueue(QByteArray line, LineOrigin origin = {});

    /// Handles at most one waiting line. Returns false when the queue was empty.
    bool tick();
    /// Handles every waiting line, one tick after the other (tests).
    int drain();

    /// With manual dispatch the timer never runs and only tick() handles lines.
    void setManual(bool manual);
    bool isTimerActive() const { return m_timer.isActive(); }

    qsizetype pending() const { return static_cast<qsizetype>(m_queue.size()); }
    qsizetype pendingFrom(quint64 connection) const { return m_counts.value(connection).lines; }
    qsizetype pendingBytesFrom(quint64 connection) const { return m_counts.value(connection).bytes; }
    /// Forgets every waiting line of a connection.
    void dropFrom(quint64 connection);

Q_SIGNALS:
    /// A line left the queue without reaching a handler.
    void lineDropped(const QByteArray &line);

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
    struct Count
    {
        qsizetype lines{0};
        qsizetype bytes{0};
    };

    void forget(const Queued &q);

    std::vector<Entry> m_table;
    std::deque<Queued> m_queue;
    QHash<quint64, Count> m_counts;
    QTimer m_timer;
    bool m_manual{false};
    std::function<void(const QString &)> m_onError;
};

} // namespace vorlith::net
