// How quickly the board answers the player, on loopback against a real host
// dispatching as in the program. Prints figures;
// asserts nothing about time.
//
//  1. A key press on the board to the word line repainted.
//  2. A word submitted with Enter to its verdict shown in the status line
//     (lines are dispatched as they arrive, on both sides).
//
// Usage: bench_board [samples]   (runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise)

#include "chat/sounds.h"
#include "client/boardmodel.h"
#include "client/boardroom.h"
#include "client/boardpanel.h"
#include "client/gameclient.h"
#include "client/mainwindow.h"
#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "common/deal.h"
#include "common/figures.h"
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/registry.h"
#include "host/server.h"
#include "net/sock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
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

class Silent final : public chat::SoundOutput
{
public:
    void play(const QString &) override {}
};

/// Notes when a widget has finished painting.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *w) { w->installEventFilter(this); }
    bool painted{false};

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void press(QWidget *window, int key)
{
    QWidget *target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &up);
}

// Every word fits this board (see the host's letter table for the deal).
const QByteArray BoardLetters = "tearsdlonhikbmpcugwfyvaoiusdlnhkbmpc";
const QList<QByteArray> Words{"TEAR", "HOLD", "BLIND", "COLD", "DARK", "SOLD", "PLANK", "AETR"};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*.debug=false"));
    const int samples = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 400;

    dict::Dictionary spellit;
    if (!spellit.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")))
        return 1;
    host::HostServer server;
    GameEngine game(server.registry(), server, spellit, bench::riggedDeal(BoardLetters));
    game.setManual(true); // the round stays open while the figures are taken
    server.setGame(&game);
    server.setPortName(QStringLiteral("0"));
    server.startListening();

    Silent silent;
    client::GameClient player;
    client::MainWindow window(player, &silent);
    client::Launcher &launcher = player.launcher();
    launcher.setHostStarter([] {});
    launcher.setGamePort(QString::number(server.listeningPort()));
    launcher.setLaunchParameters({QStringLiteral("Kim"), QStringLiteral("127.0.0.1"), QStringLiteral("true")});
    window.show();
    if (!spinUntil([&] { return player.session().isConnected() && server.registry().isActive(1); }))
        return 1;
    player.session().send("CMD_startgame+Kim+3+60+");
    if (!spinUntil([&] { return player.board().isOpen(); }))
        return 1;
    player.flow().setManual(true);

    QLabel *wordLine = window.panel().boardRoom().wordLine();
    QLabel *status = window.panel().roundRoom().statusLabel();
    PaintWatch wordPaint(wordLine);
    PaintWatch statusPaint(status);

    // 1. Key to word line repainted: a letter, then Backspace.
    Figures typed(Figures::Unit::Milliseconds), takenBack(Figures::Unit::Milliseconds);
    for (int i = 0; i < samples; ++i) {
        for (int key : {int(Qt::Key_T), int(Qt::Key_Backspace)}) {
            wordPaint.painted = false;
            QElapsedTimer t;
            t.start();
            press(&window, key);
            if (!spinUntil([&] { return wordPaint.painted; }))
                return 1;
            (key == Qt::Key_T ? typed : takenBack).add(t.nsecsElapsed());
        }
    }
    out() << "Key press to the word line repainted:" << Qt::endl;
    out() << "  letter:    " << typed.text() << Qt::endl;
    out() << "  Backspace: " << takenBack.text() << Qt::endl;

    // 2. Enter to the verdict painted in the status line, and on the way the
    // moment its bytes reach the client.
    Figures verdicts(Figures::Unit::Milliseconds), arrived(Figures::Unit::Milliseconds);
    QElapsedTimer sinceEnter;
    qint64 arrivedAt = -1;
    QObject::connect(&player.session().sock(), &net::Sock::readEvent, &window, [&] {
        if (arrivedAt < 0 && sinceEnter.isValid())
            arrivedAt = sinceEnter.nsecsElapsed();
    });
    for (int i = 0; i < samples / 4 + 1; ++i) {
        server.registry().record(1)->roundWords.clear(); // the words count afresh
        for (const QByteArray &word : Words) {
            for (char letter : word)
                press(&window, Qt::Key_A + (letter - 'A'));
            const QString before = status->text();
            statusPaint.painted = false;
            arrivedAt = -1;
            sinceEnter.start();
            press(&window, Qt::Key_Return);
            if (!spinUntil([&] { return statusPaint.painted && status->text() != before; }))
                return 1;
            verdicts.add(sinceEnter.nsecsElapsed());
            arrived.add(arrivedAt);
        }
    }
    out() << "Enter to the verdict shown:" << Qt::endl;
    out() << "  verdict shown:       " << verdicts.text() << Qt::endl;
    out() << "  its bytes at client: " << arrived.text() << Qt::endl;
    return 0;
}
