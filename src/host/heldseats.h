#pragma once

#include "host/deadlines.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <vector>

namespace vorlith::host {

/// Seats kept for players whose connection ended during a game, so that a
/// player who drops out (a crash, a lost network) and comes back finds the
/// seat, with its total, still there. A seat is held for HoldTime for the
/// name it had (in any letter case) from the address it came from.
class HeldSeats : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::minutes HoldTime{3};

    explicit HeldSeats(QObject *parent = nullptr);

    /// Holds \a seat for \a name from \a address, from now.
    void hold(int seat, const QString &name, const QString &address);
    /// The seat held for \a name from \a address, which is no longer held
    /// afterwards; 0 when there is none.
    int claim(const QString &name, const QString &address);
    bool isHeld(int seat) const { return m_held.count(seat) > 0; }
    bool isEmpty() const { return m_held.empty(); }
    /// Every seat is free again (the game ended).
    void clear();

    /// A seat held now, for whom, and for how many whole seconds more.
    struct Held
    {
        int seat{0};
        QString name;
        qint64 seconds{0};
    };
    std::vector<Held> held() const;

    Deadlines &deadlines() { return m_deadlines; }

private:
    struct Holder
    {
        QString name;
        QString address;
    };

    std::map<int, Holder> m_held;
    Deadlines m_deadlines;
};

} // namespace vorlith::host
