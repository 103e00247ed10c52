#include "chat/phraselock.h"

namespace vorlith::chat {

PhraseLock::PhraseLock(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(TickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PhraseLock::tick);
}

void PhraseLock::take()
{
    if (!m_ready)
        return;
    m_ready = false;
    m_counter = 0;
    if (!m_manual)
        m_timer.start();
    Q_EMIT readyChanged(false);
}

void PhraseLock::tick()
{
    if (m_ready)
        return;
    ++m_counter;
    if (m_counter > Ticks) {
        m_ready = true;
        m_counter = 0;
        m_timer.stop();
        Q_EMIT readyChanged(true);
    }
}

void PhraseLock::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_timer.stop();
    else if (!m_ready)
        m_timer.start();
}

} // namespace vorlith::chat
