#pragma once

#include <QByteArray>

namespace vorlith::host {

/// Where the host's messages go: one slot, or every active slot in ascending order.
class Outbox
{
public:
    virtual ~Outbox() = default;
    /// Sends \a line (without terminator) to \a slot when it is active.
    virtual void sendTo(int slot, const QByteArray &line) = 0;
    /// Sends \a line to every active slot from 1 to the slot count.
    virtual void sendToAll(const QByteArray &line) = 0;
};

/// What the connection side needs of the game engine.
class GameHooks
{
public:
    virtual ~GameHooks() = default;
    virtual bool gameInProgress() const = 0;
    /// Brings a participant who logged in during a game up to date.
    virtual void catchUp(int slot) = 0;
    /// CMD_startgame, with the slot of the connection it came on.
    virtual void startgame(const QString &fields, int senderSlot) = 0;
    /// CMD_myword, already checked to name the sender's own slot.
    virtual void myword(const QString &fields, int senderSlot) = 0;
};

} // namespace vorlith::host
