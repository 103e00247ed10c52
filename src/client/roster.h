#pragma once

#include "net/game.h"
#include "net/protocol.h"
#include "tally/seatnamesource.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vorlith::client {

/// Who is at the table: the six seats (the name as the seat shows it, the
/// just-watching flag, the score and the latest points) and the spy entries, with
/// the host's arrival, departure and watching notices that change them.
///
/// The seat labels and the spy list window only show what it holds; the
/// tally reads the seat names from it through SeatNameSource.
class Roster : public QObject, public tally::SeatNameSource
{
    Q_OBJECT
public:
    static constexpr int SeatCount = net::game::Seats;
    /// The spy list keeps this many entries at most.
    static constexpr int MaxSpyEntries = 100;

    struct Seat
    {
        QString name{tally::emptySeatName()}; ///< "<Waiting>" while the seat is empty
        bool watching{false};                 ///< the eyes are shown
        qint64 score{0};
        std::optional<qint64> bonus; ///< the latest points, shown after the score
    };
    /// A participant in slot 7-9.
    struct Spy
    {
        int number{0};
        QString name;
        bool operator==(const Spy &) const = default;
    };

    explicit Roster(QObject *parent = nullptr);

    static bool isSeat(int number) { return net::game::isSeat(number); }

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

    /// Score and latest points of a seat; numbers that are no seat are ignored.
    void setScore(int seat, qint64 score);
    void setBonus(int seat, std::optional<qint64> points);

    /// The spies in the order they arrived.
    const QList<Spy> &spies() const { return m_spies; }

    // Handlers of the host's messages.
    /// Participants arrived (one new, or everybody there before).
    void onPlayersArrived(const QList<net::proto::PlayerEntry> &players);
    void onPlayerLeft(const net::proto::PlayerDisconnected &left);
    void onWatchingChanged(const net::proto::JustWatching &change);

Q_SIGNALS:
    /// Anything shown for seat \a seat changed.
    void seatChanged(int seat);
    void spyAdded(const vorlith::client::Roster::Spy &spy);
    void spyRemoved(int index);
    /// The program's own notice for the chat.
    void systemLine(const QString &text);
    /// This program's own record arrived: time to load the settings.
    void ownArrival();
    /// The host confirmed that the own seat watches (true) or plays again.
    void ownWatchingChanged(bool watching);
    void soundRequested(const QString &name);

private:
    Seat *seatAt(int number);

    std::array<Seat, SeatCount> m_seats{};
    QList<Spy> m_spies;
    int m_own{0};
};

} // namespace vorlith::client
