#pragma once

#include "tally/seatnamesource.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace vorlith::client {

/// Who is at the table: the six seats (the name as the seat shows it, the
/// just-watching flag, the score and bonus texts) and the spy entries, with
/// the host's arrival, departure and watching notices that change them.
///
/// The seat labels and the spy list window only show what it holds; the
/// tally reads the seat names from it through SeatNameSource.
class Roster : public QObject, public tally::SeatNameSource
{
    Q_OBJECT
public:
    static constexpr int SeatCount = 6;
    static constexpr int LastSlot = 9;
    /// The spy list keeps this many entries at most.
    static constexpr int MaxSpyEntries = 100;

    struct Seat
    {
        QString name{tally::emptySeatName()}; ///< "<Waiting>" while the seat is empty
        bool watching{false};                  ///< the eyes are shown
        QString score{QStringLiteral("0")};
        QString bonus;
    };

    explicit Roster(QObject *parent = nullptr);

    static bool isSeat(int number) { return number >= 1 && number <= SeatCount; }
    static bool isSpy(int number) { return number > SeatCount && number <= LastSlot; }

    /// The slot the host gave this program's connection.
    void setOwnNumber(int number) { m_own = number; }
    int ownNumber() const override { return m_own; }
    /// True while this program holds one of the six seats.
    bool ownIsSeat() const { return isSeat(m_own); }

    QStringList seatNames() const override;
    /// The seat \a number, or null for a number that is no seat.
    const Seat *seat(int number) const;
    /// The seat's name as shown; empty for a number that is no seat.
    QString caption(int number) const;

    /// Score and bonus texts of a seat; numbers that are no seat are ignored.
    void setScore(int seat, const QString &text);
    void setBonus(int seat, const QString &text);

    /// The spy entries, "number: name", in the order they arrived.
    const QStringList &spies() const { return m_spies; }

    // Handlers of the host's messages (the fields of one received line).
    void newplayerinfo(const QString &fields);
    void playerdisconnected(const QString &fields);
    void justwatching(const QString &fields);

Q_SIGNALS:
    /// Anything shown for seat \a seat changed.
    void seatChanged(int seat);
    void spyAdded(const QString &entry);
    void spyRemoved(int index);
    /// A chat line ("0+...") for the program's own notices.
    void chatLine(const QString &line);
    /// This program's own record arrived: time to load the settings.
    void ownArrival();
    /// The host confirmed that the own seat watches (true) or plays again.
    void ownWatchingChanged(bool watching);
    void soundRequested(const QString &name);

private:
    Seat *seatAt(int number);

    std::array<Seat, SeatCount> m_seats{};
    QStringList m_spies;
    int m_own{0};
};

} // namespace vorlith::client
