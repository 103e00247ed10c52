#pragma once

// The program as the tests run it: options for a program that hosts, and
// every timer of a program or a player handed to the test.

#include "app/program.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/roundflow.h"
#include "harness.h"
#include "host/computerplayer.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "net/dispatcher.h"
#include "net/sock.h"
#include "player.h"
#include "wireclient.h"

#include <QPointer>

/// Options of a program that hosts a game as \a name on a free port, with
/// nobody listening for its presence connection.
inline vorlith::app::Program::Options hostingOptions(const QString &name,
                                                     vorlith::chat::SoundOutput *sound)
{
    vorlith::app::Program::Options options;
    options.params = {name, QStringLiteral("127.0.0.1"), QStringLiteral("true")};
    options.gamePort = QStringLiteral("0");
    options.presencePort = QString::number(closedPort());
    options.soundOutput = sound;
    return options;
}

/// The client's dispatch and countdown wait for the test's pump and seconds.
inline void driveByHand(vorlith::client::GameClient &client, Pump &pump)
{
    client.session().dispatcher().setManual(true);
    client.flow().setManual(true);
    // A player may leave the table before the pump's last turn.
    pump.add([session = QPointer<vorlith::client::ClientSession>(&client.session())] {
        return session ? session->dispatcher().drain() : 0;
    });
}

/// The host engine, its dispatch, the computer players and the program's
/// own client all wait for the test's pump and seconds.
inline void driveByHand(vorlith::app::Program &program, Pump &pump)
{
    program.game().setManual(true);
    program.server().dispatcher().setManual(true);
    program.computers().setManual(true);
    pump.add(program.server().dispatcher());
    driveByHand(program.client(), pump);
    pump.add([&program] {
        int handled = 0;
        for (const auto &player : program.computers().players())
            handled += player->dispatcher().drain();
        return handled;
    });
}

/// Joins \a player as \a name to the game \a program hosts.
inline void joinTable(Player &player, vorlith::app::Program &program, const QString &name)
{
    vorlith::client::Launcher &launcher = player.client.launcher();
    launcher.setGamePort(QString::number(program.server().listeningPort()));
    launcher.setPresencePort(QString::number(closedPort()));
    launcher.setLaunchParameters({name, QStringLiteral("127.0.0.1"), QStringLiteral("join")});
    launcher.run();
}

/// True when nothing is on its way between the host \a program runs and the
/// players at it (its own client, its computer players and \a others): each
/// end has read every byte the other end wrote, and no line waits in any
/// queue. Only the test's seconds start traffic again.
inline bool nothingInFlight(vorlith::app::Program &program,
                            std::initializer_list<vorlith::client::GameClient *> others = {})
{
    using vorlith::net::Sock;
    std::vector<Sock *> players{&program.client().session().sock()};
    if (program.client().session().dispatcher().pending() > 0)
        return false;
    for (vorlith::client::GameClient *client : others) {
        if (client->session().dispatcher().pending() > 0)
            return false;
        players.push_back(&client->session().sock());
    }
    for (const auto &computer : program.computers().players()) {
        if (computer->dispatcher().pending() > 0)
            return false;
        players.push_back(&computer->connection().sock());
    }
    if (program.server().dispatcher().pending() > 0)
        return false;
    for (int slot : program.server().registry().activeSlots()) {
        const Sock *host = program.server().registry().record(slot)->connection;
        if (!host || !host->isConnected())
            continue;
        for (const Sock *player : players) {
            if (player->localPort() == host->peerPort() &&
                (player->bytesSent() != host->bytesReceived() ||
                 host->bytesSent() != player->bytesReceived()))
                return false;
        }
    }
    return true;
}
