// Feeds arbitrary bytes, as a host would send them, through the client's
// framing and every handler of the game client, shown in a main window.
#include "chat/chatroom.h"
#include "chat/sounds.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/mainwindow.h"
#include "client/roundflow.h"
#include "net/framing.h"
#include "ui/messageboxes.h"

#include <QApplication>

#include <cstdint>
#include <memory>

namespace {

class SilentSounds final : public vorlith::chat::SoundOutput
{
public:
    void play(const QString &) override {}
};

class QuietBoxes final : public vorlith::ui::MessageBoxes
{
public:
    void inform(const QString &) override {}
    bool ask(const QString &) override { return false; }
};

struct Client
{
    Client()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_client";
        static char *argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        vorlith::ui::setMessageBoxes(&boxes);
        game = std::make_unique<vorlith::client::GameClient>();
        window = std::make_unique<vorlith::client::MainWindow>(*game, &sounds);
        game->session().dispatcher().setManual(true);
        game->flow().setManual(true);
    }
    std::unique_ptr<QApplication> app;
    SilentSounds sounds;
    QuietBoxes boxes;
    std::unique_ptr<vorlith::client::GameClient> game;
    std::unique_ptr<vorlith::client::MainWindow> window;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Client client;
    auto &dispatcher = client.game->session().dispatcher();
    vorlith::net::LineFramer framer;
    QList<QByteArray> lines;
    framer.feed(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), lines);
    for (QByteArray &line : lines)
        dispatcher.enqueue(std::move(line));
    dispatcher.drain();
    // Whatever the host said, the countdown runs down without harm.
    for (int second = 0; second < 3; ++second)
        client.game->flow().tickCountdown();
    // Start every input from an empty chat.
    client.window->panel().chatRoom().clearMainChat();
    return 0;
}
