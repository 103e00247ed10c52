#pragma once

#include "net/game.h"

#include <QList>
#include <QString>

#include <array>

namespace vorlith::net {
class Sock;
}

namespace vorlith::host {

/// One participant's record, indexed by slot number.
struct PlayerRecord
{
    QString name;
    bool active{false};
    net::Sock *connection{nullptr};
    quint64 connectionSerial{0}; ///< serial of the connection now in this slot
    /// The connection now in this slot has logged in, as loginName. Both stay
    /// after it leaves, until the slot is taken again, so that its last lines
    /// still count as that player's.
    bool loggedIn{false};
    QString loginName;
    qint64 totalScore{0};
    qint64 roundScore{0};
    bool watching{false};
    QString roundWords; ///< accepted words of the round: word ":" points "," each
};

/// The host's player registry: records 1 to 11 by slot; slots 1-6 are the
/// seats, 7-9 spies, 10 is only used to refuse a connection.
class Registry
{
public:
    static constexpr int Records = 11;

    /// The record of \a slot, or nullptr when the slot is outside 1..11:
    /// numbers from the wire never reach outside the records.
    PlayerRecord *record(int slot);
    const PlayerRecord *record(int slot) const;

    bool isActive(int slot) const;
    QString name(int slot) const;

    /// The highest slot used so far; it never decreases.
    int slotCount() const { return m_slotCount; }
    void setSlotCount(int count) { m_slotCount = count; }

    /// Active slots from 1 to the slot count, ascending.
    QList<int> activeSlots() const;

private:
    std::array<PlayerRecord, Records + 1> m_records{}; // index 0 unused
    int m_slotCount{0};
};

} // namespace vorlith::host
