#include "host/heldseats.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHeld, "vorlith.host.held")

namespace vorlith::host {

HeldSeats::HeldSeats(QObject *parent)
    : QObject(parent), m_deadlines([this](quint64 seat) {
          qCDebug(lcHeld) << "seat" << seat << "is no longer held";
          m_held.erase(int(seat));
      })
{
}

void HeldSeats::hold(int seat, const QString &name, const QString &address)
{
    m_held[seat] = Holder{name, address};
    m_deadlines.set(quint64(seat), HoldTime);
}

std::vector<HeldSeats::Held> HeldSeats::held() const
{
    std::vector<Held> seats;
    for (const auto &[seat, holder] : m_held) {
        const auto left = m_deadlines.remaining(quint64(seat));
        seats.push_back({seat, holder.name, qint64((left.count() + 999) / 1000)});
    }
    return seats;
}

int HeldSeats::claim(const QString &name, const QString &address)
{
    for (auto it = m_held.begin(); it != m_held.end(); ++it) {
        if (it->second.address == address &&
            it->second.name.compare(name, Qt::CaseInsensitive) == 0) {
            const int seat = it->first;
            m_held.erase(it);
            m_deadlines.remove(quint64(seat));
            return seat;
        }
    }
    return 0;
}

void HeldSeats::clear()
{
    m_held.clear();
    m_deadlines.clear();
}

} // namespace vorlith::host
