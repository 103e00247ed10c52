#include "host/deadlines.h"

#include <algorithm>
#include <vector>

namespace vorlith::host {

using std::chrono::milliseconds;

namespace {

milliseconds steadyNow()
{
    return std::chrono::duration_cast<milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace

Deadlines::Deadlines(Expired onExpired, QObject *parent)
    : QObject(parent), m_onExpired(std::move(onExpired)), m_clock(steadyNow)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Deadlines::expireDue);
}

void Deadlines::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(steadyNow);
    rearm();
}

void Deadlines::set(quint64 key, milliseconds after)
{
    m_due[key] = now() + after;
    rearm();
}

void Deadlines::remove(quint64 key)
{
    if (m_due.erase(key))
        rearm();
}

void Deadlines::clear()
{
    m_due.clear();
    rearm();
}

void Deadlines::expireDue()
{
    const milliseconds t = now();
    std::vector<std::pair<milliseconds, quint64>> due;
    for (const auto &[key, at] : m_due) {
        if (at <= t)
            due.emplace_back(at, key);
    }
    std::sort(due.begin(), due.end());
    for (const auto &[at, key] : due) {
        // An earlier handler may have settled this one already.
        if (m_due.erase(key))
            m_onExpired(key);
    }
    rearm();
}

void Deadlines::rearm()
{
    if (m_due.empty()) {
        m_timer.stop();
        return;
    }
    milliseconds earliest = m_due.begin()->second;
    for (const auto &[key, at] : m_due)
        earliest = std::min(earliest, at);
    const milliseconds wait = std::max(earliest - now(), milliseconds(0));
    m_timer.start(wait);
}

} // namespace vorlith::host
