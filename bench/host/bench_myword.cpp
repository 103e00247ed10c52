// How long a word waits for its answer: a host with its game engine and one
// participant on loopback. Prints figures; asserts nothing about time.
//
//  1. From the tick that dispatches a CMD_myword line to the complete reply
//     (CMD_notvalid, or CMD_hisword and CMD_hisscore) arriving at the
//     participant; and the time spent in the host's handler alone.
//  2. From the participant sending CMD_myword to the complete reply, with the
//     host's 10 ms dispatch timer running as in the program.

#include "common/deal.h"
#include "common/figures.h"
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <QTextStream>

#include <algorithm>

using namespace vorlith;
using host::GameEngine;
using bench::Figures;
using bench::spinUntil;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

/// A bare participant that splits what it receives into lines.
class Participant
{
public:
    explicit Participant(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            carry += socket.readAll();
            qsizetype end;
            while ((end = carry.indexOf('\xff')) >= 0) {
                lines.append(carry.left(end));
                carry.remove(0, end + 1);
            }
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void send(const QByteArray &line)
    {
        socket.write(line + '\xff');
        socket.flush();
    }
    /// True once the reply to the word sent last is complete.
    bool replyComplete(qsizetype before) const
    {
        if (lines.size() <= before)
            return false;
        return !lines[before].startsWith("CMD_hisword") || lines.size() >= before + 2;
    }

    QTcpSocket socket;
    QList<QByteArray> lines;
    QByteArray carry;
};

// Every word of the list fits this board; one "e", no j, q, x or z.
const QByteArray BoardLetters = "tearsdlonhikbmpcugwfyvaoiusdlnhkbmpc";
const QList<QByteArray> Words{"TEAR", "HOLD", "BLIND", "COLD", "DARK", "SOLD", "PLANK", "AETR", "ZEBRA", "TEAR"};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*.debug=false"));
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 300;

    dict::Dictionary spellit;
    if (!spellit.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English"))) {
        out() << spellit.errorText() << Qt::endl;
        return 1;
    }
    host::HostServer server;
    GameEngine game(server.registry(), server, spellit, bench::riggedDeal(BoardLetters));
    game.setManual(true);
    server.setGame(&game);
    server.setPortName(QStringLiteral("0"));
    server.startListening();

    Participant kim(server.listeningPort());
    if (!spinUntil([&] { return kim.lines.contains("CMD_sendlogininfo+1"); }))
        return 1;
    kim.send("CMD_logininfo+1+1.0.3+Kim");
    kim.send("CMD_startgame+Kim+3+60+");
    if (!spinUntil([&] { return kim.lines.contains("CMD_roundstarting+1+60+"); }))
        return 1;

    // 1. Dispatch to reply, the dispatch tick driven here.
    server.dispatcher().setManual(true);
    Figures accepted, refused, inHandler;
    for (int round = 0; round < rounds; ++round) {
        server.registry().record(1)->roundWords.clear(); // the words count afresh
        for (const QByteArray &word : Words) {
            kim.send("CMD_myword+1+" + word + "+");
            if (!spinUntil([&] { return server.dispatcher().pending() == 1; }))
                return 1;
            const qsizetype before = kim.lines.size();
            QElapsedTimer t;
            t.start();
            server.dispatcher().tick();
            inHandler.add(t.nsecsElapsed());
            if (!spinUntil([&] { return kim.replyComplete(before); }))
                return 1;
            (kim.lines[before].startsWith("CMD_hisword") ? accepted : refused).add(t.nsecsElapsed());
        }
    }
    out() << "CMD_myword, dispatch tick to complete reply at the participant (loopback):" << Qt::endl;
    out() << "  accepted (CMD_hisword + CMD_hisscore): " << accepted.text() << Qt::endl;
    out() << "  refused (CMD_notvalid):                " << refused.text() << Qt::endl;
    out() << "  in the host's handler alone:           " << inHandler.text() << Qt::endl;

    // 2. Send to reply with the 10 ms dispatch timer.
    server.dispatcher().setManual(false);
    Figures roundTrip;
    for (int round = 0; round < std::max(1, rounds / 10); ++round) {
        server.registry().record(1)->roundWords.clear();
        for (const QByteArray &word : Words) {
            const qsizetype before = kim.lines.size();
            QElapsedTimer t;
            t.start();
            kim.send("CMD_myword+1+" + word + "+");
            if (!spinUntil([&] { return kim.replyComplete(before); }))
                return 1;
            roundTrip.add(t.nsecsElapsed());
        }
    }
    out() << "CMD_myword, sent to complete reply, 10 ms dispatch timer running:" << Qt::endl;
    out() << "  " << roundTrip.text() << Qt::endl;
    return 0;
}
