#pragma once

#include "client/gameclient.h"
#include "client/mainwindow.h"

namespace vorlith::chat {
class SoundOutput;
}

/// One player's side of a game in a test: the game client and the main
/// window that shows it. The tests drive the game through the client and
/// look at the window only for what it shows.
struct Player
{
    explicit Player(vorlith::chat::SoundOutput *sound = nullptr) : window(client, sound) {}

    vorlith::client::GameClient client;
    vorlith::client::MainWindow window;
};
