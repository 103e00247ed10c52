// How computer players score: one of each strength at a real host on
// loopback plays a game of many one-minute rounds on boards dealt as the host
// deals them; every second of game time is driven by hand. Prints the words
// the host accepted from each per minute, beside what it tried and scored.
//
//   bench_computer [rounds]      (20 rounds unless given)

#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/server.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

using namespace vorlith;
using host::ComputerPlayer;
using host::Strength;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*=false"));
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    constexpr int Seconds = 60;

    dict::Dictionary dict;
    if (!dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English"))) {
        out() << "no word list\n";
        return 1;
    }
    const dict::WordFinder finder(dict);
    QRandomGenerator rng(quint32(QDateTime::currentMSecsSinceEpoch()));
    const auto random = [&rng](int n) { return int(rng.bounded(n)); };

    host::HostServer server;
    host::GameEngine game(server.registry(), server, dict, random);
    game.setManual(true);
    server.setGame(&game);
    server.setPortName(QStringLiteral("0"));
    server.startListening();
    server.dispatcher().setManual(true);

    // One of each strength, each in a table of its own at the one host.
    std::vector<std::unique_ptr<host::ComputerTable>> tables;
    for (Strength strength : {Strength::Easy, Strength::Normal, Strength::Hard}) {
        tables.push_back(std::make_unique<host::ComputerTable>(
            server, [&finder](const std::array<int, 36> &board) { return finder.find(board); },
            random));
        tables.back()->setManual(true);
        tables.back()->setPlayers(1, strength);
        while (!tables.back()->isSettled()) {
            server.dispatcher().drain();
            tables.back()->players().front()->dispatcher().drain();
            wait(1);
        }
    }
    std::vector<ComputerPlayer *> players;
    for (const auto &table : tables)
        players.push_back(table->players().front().get());

    // Until every word of the second has its answer.
    const auto settle = [&] {
        for (int quiet = 0; quiet < 3;) {
            int handled = server.dispatcher().drain();
            for (ComputerPlayer *p : players)
                handled += p->dispatcher().drain();
            quiet = handled ? 0 : quiet + 1;
            wait(1);
        }
    };

    const int firstSlot = players.front()->slot();
    QElapsedTimer elapsed;
    elapsed.start();
    // The game starts as if the first player's program had asked for it.
    server.dispatcher().enqueue(
        QByteArray("CMD_startgame+bench+") + QByteArray::number(rounds) + "+" +
            QByteArray::number(Seconds) + "+",
        net::LineOrigin{firstSlot, server.registry().record(firstSlot)->connectionSerial});
    settle();
    for (int round = 0; round < rounds; ++round) {
        for (int s = 0; s < Seconds + host::GameEngine::RoundGrace; ++s) {
            game.onSecond();
            for (ComputerPlayer *p : players)
                p->tick();
            settle();
        }
        if (round + 1 < rounds) {
            for (int s = 0; s < host::GameEngine::BreakSeconds; ++s)
                game.onSecond();
            settle();
        }
    }

    const double minutes = rounds * Seconds / 60.0;
    out() << "computer players, " << rounds << " rounds of " << Seconds << " s on dealt boards ("
          << elapsed.elapsed() / 1000.0 << " s to run)\n";
    for (ComputerPlayer *p : players) {
        const qint64 points = server.registry().record(p->slot())->totalScore;
        out() << QStringLiteral(
                     "  %1: %2 words a minute accepted (%3 tried, %4 refused), %5 points a minute, "
                     "%6 points a word\n")
                     .arg(host::strengthName(p->strength()), 6)
                     .arg(p->acceptedWords() / minutes, 0, 'f', 1)
                     .arg(p->triesSent() / minutes, 0, 'f', 1)
                     .arg(p->refusedWords() / minutes, 0, 'f', 1)
                     .arg(points / minutes, 0, 'f', 0)
                     .arg(p->acceptedWords() ? double(points) / p->acceptedWords() : 0.0, 0, 'f',
                          1);
    }
    out().flush();
    return 0;
}
