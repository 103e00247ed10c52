#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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
    /// Starts (or restarts) a game for \a starter; a number that did not
    /// arrive as one is left to the engine's fallback.
    virtual void startGame(const QString &starter, std::optional<qint32> rounds,
                           std::optional<qint32> time) = 0;
    /// A word from the seat \a slot, already checked to be the sender's own.
    virtual void playWord(int slot, const QString &word) = 0;
};

} // namespace vorlith::host
