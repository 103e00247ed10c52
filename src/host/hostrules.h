#pragma once

#include "net/protocol.h"

#include <QString>

namespace vorlith::net {
class Sock;
}

namespace vorlith::host {

class Registry;

/// What a host engine allows, asked at the few points where a table run for
/// strangers must differ from one a player hosts for friends. The defaults
/// are the trusting rules of a player's own table: everybody may start or
/// restart a game, slot 1 holds the hosting player's powers, every
/// connection is taken and a game runs until it has a winner.
class HostRules
{
public:
    virtual ~HostRules() = default;

    /// A connection just accepted, before it has a slot: false closes it.
    virtual bool admits(net::Sock &connection)
    {
        static_cast<void>(connection);
        return true;
    }
    /// May a CMD_startgame from \a slot start a game now?
    virtual bool mayStartGame(int slot, bool gameRunning) const
    {
        static_cast<void>(slot);
        static_cast<void>(gameRunning);
        return true;
    }
    /// The CMD_startgame a game is started with, made from the one \a slot
    /// sent; asked only for a game that starts.
    virtual net::proto::StartGame startRequest(const net::proto::StartGame &request, int slot)
    {
        static_cast<void>(slot);
        return request;
    }
    /// May \a slot remove others and move them between seats?
    virtual bool hasHostingPowers(int slot) const { return slot == 1; }
    /// Asked while a game runs: true ends it at once, without a winner.
    virtual bool endsQuietly(const Registry &registry, qint64 round, qint32 roundsToPlay) const
    {
        static_cast<void>(registry);
        static_cast<void>(round);
        static_cast<void>(roundsToPlay);
        return false;
    }

    /// The trusting rules every engine starts with.
    static HostRules &trusting()
    {
        static HostRules rules;
        return rules;
    }
};

} // namespace vorlith::host
