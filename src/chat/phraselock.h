#pragma once

#include <QObject>
#include <QTimer>

namespace vorlith::chat {

/// The pause between two phrase messages: after a phrase is sent the lock is
/// closed, and it opens again on the 101st tick after that. The ticks run
/// (about 16 ms apart, so the pause lasts about 1.6 s) only while it is closed.
class PhraseLock : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 16;
    static constexpr int Ticks = 100;

    explicit PhraseLock(QObject *parent = nullptr);

    bool isReady() const { return m_ready; }
    /// Closes the lock (a phrase was just sent).
    void take();
    /// One tick of the pause; tests call it directly after setManual(true).
    void tick();
    void setManual(bool manual);
    int counter() const { return m_counter; }

Q_SIGNALS:
    void readyChanged(bool ready);

private:
    bool m_ready{true};
    int m_counter{0};
    bool m_manual{false};
    QTimer m_timer;
};

} // namespace vorlith::chat
