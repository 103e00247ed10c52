#pragma once

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>

namespace vorlith::host {

/// Deadlines by key on one single-shot timer, armed for the earliest and
/// stopped when there is none: nothing runs while nothing is due.
///
/// Whether a deadline has passed is decided by the clock, never by the timer
/// alone, so tests hand in a clock of their own, move it on and call
/// expireDue(); the timer going off early or late changes nothing.
class Deadlines : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    using Expired = std::function<void(quint64 key)>;

    explicit Deadlines(Expired onExpired, QObject *parent = nullptr);

    /// Replaces the steady system clock (tests); an empty one puts it back.
    void setClock(Clock clock);
    std::chrono::milliseconds now() const { return m_clock(); }

    /// (Re)sets the deadline of \a key to \a after from now.
    void set(quint64 key, std::chrono::milliseconds after);
    void remove(quint64 key);
    void clear();
    bool contains(quint64 key) const { return m_due.count(key) > 0; }
    /// The time left until the deadline of \a key (0 once passed, or for none).
    std::chrono::milliseconds remaining(quint64 key) const
    {
        const auto it = m_due.find(key);
        return it == m_due.end() ? std::chrono::milliseconds(0)
                                 : std::max(std::chrono::milliseconds(0), it->second - now());
    }
    bool isEmpty() const { return m_due.empty(); }
    /// True while the timer waits for a deadline.
    bool isTimerActive() const { return m_timer.isActive(); }

    /// Hands every key whose deadline has passed to the handler, the
    /// earliest first, each once; then waits for the next.
    void expireDue();

private:
    void rearm();

    Expired m_onExpired;
    Clock m_clock;
    std::map<quint64, std::chrono::milliseconds> m_due;
    QTimer m_timer;
};

} // namespace vorlith::host
