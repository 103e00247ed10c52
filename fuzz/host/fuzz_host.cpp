// Feeds arbitrary bytes through the host's framing and dispatch to every host
// handler, with a game running. Nine participants are logged in without
// sockets; each line is queued as coming from the slot it names (or from a
// slot picked by its length) and dispatched at once. Two kinds of line drive
// the rest of the host instead of being queued:
//   "!..."  lets as many seconds pass on the game timer as the line is long
//           (at most 64), so rounds end, breaks pass and games are decided;
//   "?..."  catches up a participant, as a login during the game does.
// Everything the game engine sends is checked against the rules of the game.
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "net/framing.h"
#include "net/protocol.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>

#include <cstdint>
#include <cstdlib>
#include <random>

using namespace vorlith;
using host::GameEngine;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

const dict::Dictionary &dictionary()
{
    static dict::Dictionary words;
    static const bool loaded = words.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English"));
    check(loaded);
    return words;
}

void setUpOnce()
{
    static int argc = 1;
    static char name[] = "fuzz_host";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*=false"));
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
    dictionary();
}

/// Passes the game's messages on to the host and checks each of them.
class CheckingOutbox final : public host::Outbox
{
public:
    explicit CheckingOutbox(host::HostServer &server) : m_server(server) {}
    void setGame(const GameEngine *game) { m_game = game; }

    void sendTo(int slot, const QByteArray &line) override
    {
        check(slot >= 1 && slot <= 9);
        inspect(line);
        m_server.sendTo(slot, line);
    }
    void sendToAll(const QByteArray &line) override
    {
        inspect(line);
        m_server.sendToAll(line);
    }

private:
    void inspect(const QByteArray &line) const
    {
        const QList<QByteArray> parts = line.split('+');
        const QByteArray &word = parts.first();
        if (word == "CMD_makeboard") {
            check(parts.size() == 1 + 2 * vorlith::net::game::Cells);
            for (int cell = 1; cell <= vorlith::net::game::Cells; ++cell) {
                check(parts[2 * cell - 1] == QByteArray::number(cell));
                const int code = parts[2 * cell].toInt();
                check(code >= 1 && code <= 26);
                check(code == m_game->board()[static_cast<size_t>(cell - 1)]);
            }
        } else if (word == "CMD_roundover") {
            check(parts.size() == 1 + 4 * vorlith::net::game::Seats);
            for (int seat = 1; seat <= vorlith::net::game::Seats; ++seat)
                check(parts[4 * seat - 3] == QByteArray::number(seat));
        } else if (word == "CMD_hisword") {
            // An accepted word is a listed word that the board spells.
            check(parts.size() == 5);
            const QByteArray accepted = parts[3];
            check(dictionary().isword(QByteArrayView(accepted)));
            std::array<int, 27> need{};
            for (char c : accepted) {
                const int code = GameEngine::letterCode(QChar::fromLatin1(c));
                check(code != 0);
                ++need[static_cast<size_t>(code)];
            }
            for (int code : m_game->board())
                --need[static_cast<size_t>(code)];
            for (int n : need)
                check(n <= 0);
            check(parts[2].toLongLong() == qint64(accepted.size()) * accepted.size());
        } else if (word == "CMD_hisscore") {
            check(parts.size() == 5);
            const qint64 points = parts[3].toLongLong();
            check(points >= 4 && points <= 14 * 14);
        } else if (word == "CMD_gamestats") {
            check(parts.size() == 6 + 2 * vorlith::net::game::Seats);
            check(parts[5] == "t" || parts[5] == "f");
        } else {
            check(word == "CMD_startgame" || word == "CMD_roundstarting" || word == "CMD_notvalid"
                  || word == "CMD_winner");
        }
    }

    host::HostServer &m_server;
    const GameEngine *m_game{nullptr};
};

int originOf(const QByteArray &line)
{
    const qsizetype plus = line.indexOf('+');
    if (plus >= 0 && plus + 1 < line.size() && line[plus + 1] >= '1' && line[plus + 1] <= '9')
        return line[plus + 1] - '0';
    return 1 + static_cast<int>(line.size() % 9);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setUpOnce();

    host::HostServer server;
    server.dispatcher().setManual(true);
    host::Registry &registry = server.registry();
    for (int slot = 1; slot <= 9; ++slot) {
        host::PlayerRecord *r = registry.record(slot);
        r->active = true;
        r->name = QStringLiteral("P%1").arg(slot);
        r->connectionSerial = static_cast<quint64>(slot);
        r->loggedIn = true;
        r->loginName = r->name;
    }
    registry.setSlotCount(9);

    std::mt19937 rng(7); // the same first board every time, so the corpus can hold its words
    CheckingOutbox outbox(server);
    GameEngine game(registry, outbox, dictionary(),
                    [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); });
    outbox.setGame(&game);
    game.setManual(true);
    server.setGame(&game);

    server.dispatcher().enqueue("CMD_startgame+P1+2+1+", {1, 1});
    server.dispatcher().drain();
    check(game.gameInProgress() && game.roundCounter() == 1);

    net::LineFramer framer(net::HostLineLength);
    QList<QByteArray> lines;
    framer.feed(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), lines);
    for (const QByteArray &line : lines) {
        if (line.startsWith('!')) {
            for (qsizetype i = 0; i < std::min<qsizetype>(line.size(), 64); ++i)
                game.onSecond();
        } else if (line.startsWith('?')) {
            if (game.gameInProgress())
                game.catchUp(1 + static_cast<int>(line.size() % 11));
        } else {
            const int slot = originOf(line);
            server.dispatcher().enqueue(line, {slot, static_cast<quint64>(slot)});
            server.dispatcher().tick();
        }
        check(!game.isTimerEnabled() || game.gameInProgress());
        check(server.dispatcher().pending() == 0);
    }
    return 0;
}
