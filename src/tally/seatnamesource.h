#pragma once

#include <QString>
#include <QStringList>

namespace vorlith::tally {

/// What the tally window needs to know about the current game: the main
/// window implements it over its seat labels.
class SeatNameSource
{
public:
    virtual ~SeatNameSource() = default;
    /// The texts of the six seat name labels, seat 1 first; an empty seat
    /// reads emptySeatName().
    virtual QStringList seatNames() const = 0;
    /// The local participant's own number: 1..6 when seated, 7..9 as a spy,
    /// 0 before the host gave one.
    virtual int ownNumber() const = 0;
};

/// The name label text of an empty seat.
inline QString emptySeatName()
{
    return QStringLiteral("<Waiting>");
}

} // namespace vorlith::tally
