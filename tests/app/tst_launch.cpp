#include "app/application.h"
#include "chat/chatroom.h"
#include "chat/chatinput.h"
#include "chat/chatview.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/seats.h"
#include "client/windowbounds.h"
#include "host/server.h"
#include "harness.h"
#include "net/sock.h"
#include "player.h"
#include "recordingboxes.h"
#include "wireclient.h"

#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

using vorlith::client::MainWindow;
using vorlith::client::WindowBounds;
using vorlith::host::HostServer;

namespace {

QString chatText(Player &p)
{
    auto *view = p.window.panel().chatRoom().mainchat();
    view->selectAll();
    const QString text = view->selectedText();
    view->deselect();
    return text.trimmed();
}

QString portOf(const FakeHost &host)
{
    return QString::number(host.port());
}

/// Points \a p at \a host as a joining player named Ann, with nobody
/// listening for the presence connection.
void joinAsAnn(Player &p, const FakeHost &host)
{
    p.client.launcher().setGamePort(portOf(host));
    p.client.launcher().setPresencePort(QString::number(closedPort()));
    p.client.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostingListensAndLogsInAsSlotOne();
    void soloGameHostsAsYouWithoutPresence();
    void joiningAnswersTheLoginByteExactly();
    void launchParametersDecideWhereToConnect_data();
    void launchParametersDecideWhereToConnect();
    void secondHostReportsBindingError();
    void fullGameShowsBoxAndCloses();
    void unreachableHostSaysSo();
    void versionNoticesReachTheChat();
    void closeSavesOnlyAfterLoadAndMove();
    void resetScreenLocationAndMinimumSize();
    void windowWiderThanTheWorkAreaIsStoredNarrower();
    void floodingHostIsLetGo();
    void portsComeFromTheEnvironment_data();
    void portsComeFromTheEnvironment();

private:
    RecordingMessageBoxes m_boxes;
};

void TestLaunch::hostingListensAndLogsInAsSlotOne()
{
    HostServer server;
    server.setPortName(QStringLiteral("0"));
    Player p;
    MainWindow &w = p.window;
    p.client.launcher().setHostStarter([&] { server.startListening(); });
    p.client.launcher().setLaunchParameters({"Kim", "10.9.9.9", "true"});
    p.client.launcher().setPresencePort(QString::number(closedPort())); // nobody listens: must go unnoticed
    bool started = false;
    p.client.launcher().setHostStarter([&] {
        server.startListening();
        p.client.launcher().setGamePort(QString::number(server.listeningPort()));
        started = true;
    });
    p.client.launcher().run();
    QVERIFY(started);
    QVERIFY(p.client.launcher().isHost());
    QCOMPARE(p.client.launcher().identity().loginName, QByteArray("Kim\xff"));
    QVERIFY(w.panel().startButton()->isVisibleTo(&w));
    QVERIFY(w.startGameAction()->isEnabled());
    // Parameter 2 is ignored: the own client joins this machine.
    QTRY_COMPARE(server.registry().name(1), QStringLiteral("Kim"));
    QCOMPARE(p.client.session().ownNumber(), 1);
    QTRY_VERIFY(chatText(p).contains(QStringLiteral("You are Connected.")));
    QCOMPARE(w.panel().seats().caption(1), QStringLiteral("Kim"));

    WireClient ann;
    QVERIFY(ann.connectTo(server.listeningPort()));
    QVERIFY(ann.waitForLine("CMD_sendlogininfo+2"));
    ann.sendRaw("CMD_logininfo+2+1.0.3+Ann\xff\xff");
    QVERIFY(ann.waitForLine("CMD_existingplayers+1+Kim+0"));
    QTRY_COMPARE(w.panel().seats().caption(2), QStringLiteral("Ann"));
    QTRY_VERIFY(chatText(p).contains(QStringLiteral("Ann is Connected.")));
}

void TestLaunch::soloGameHostsAsYouWithoutPresence()
{
    HostServer server;
    server.setPortName(QStringLiteral("0"));
    FakeHost lobby;
    QWidget offer;
    Player p;
    MainWindow &w = p.window;
    MainWindow::Windows windows;
    windows.download = [&offer] { return &offer; };
    w.setWindows(windows);
    p.client.launcher().setPresencePort(portOf(lobby));
    p.client.launcher().setHostStarter([&] {
        server.startListening();
        p.client.launcher().setGamePort(QString::number(server.listeningPort()));
    });
    p.client.launcher().run();
    QCOMPARE(p.client.launcher().identity().playerName, QStringLiteral("You"));
    QCOMPARE(p.client.launcher().identity().hostAddress, QStringLiteral("127.0.0.1"));
    QVERIFY(offer.isVisible());
    QTRY_COMPARE(server.registry().name(1), QStringLiteral("You"));
    QVERIFY(chatText(p).startsWith(QStringLiteral("Loading Solo Game..Please wait.")));
    QVERIFY(!p.client.launcher().presenceSock().hasSocket()); // never tried

}

void TestLaunch::joiningAnswersTheLoginByteExactly()
{
    FakeHost host;
    FakeHost lobby;
    Player p;
    MainWindow &w = p.window;
    bool hosted = false;
    p.client.launcher().setHostStarter([&] { hosted = true; });
    p.client.launcher().setGamePort(portOf(host));
    p.client.launcher().setPresencePort(portOf(lobby));
    p.client.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &MainWindow::closed);
    w.show();
    QVERIFY(host.accept());
    QTcpSocket *peer = host.peer();
    QVERIFY(!hosted);
    QVERIFY(!w.panel().startButton()->isVisibleTo(&w));
    QVERIFY(lobby.accept()); // the presence connection
    peer->write("CMD_sendlogininfo+4\xff");
    const QByteArray login("CMD_logininfo+4+1.0.3+Ann\xff\xff");
    QCOMPARE(host.hear(login), login);
    QVERIFY(p.client.session().isConnected());
    peer->close(); // the host goes away: the program ends
    QTRY_COMPARE(closed.count(), 1);
}

void TestLaunch::launchParametersDecideWhereToConnect_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<bool>("joins");
    QTest::newRow("one: nowhere") << QStringList{"Ann"} << false;
    QTest::newRow("two: nowhere") << QStringList{"Ann", "127.0.0.1"} << false;
    // Only "true" itself hosts; any other third parameter joins.
    QTest::newRow("capital TRUE joins") << QStringList{"Ann", "127.0.0.1", "TRUE"} << true;
}

void TestLaunch::launchParametersDecideWhereToConnect()
{
    QFETCH(QStringList, params);
    QFETCH(bool, joins);
    FakeHost host;
    FakeHost lobby;
    Player p;
    bool hosted = false;
    p.client.launcher().setHostStarter([&] { hosted = true; });
    p.client.launcher().setGamePort(portOf(host));
    p.client.launcher().setPresencePort(portOf(lobby));
    p.client.launcher().setLaunchParameters(params);
    p.client.launcher().run();
    QVERIFY(!hosted);
    QVERIFY(!p.client.launcher().isHost());
    if (joins) {
        QVERIFY(host.accept());
        return;
    }
    QCOMPARE(chatText(p), QStringLiteral("Loading Multi-player Game.. Please Wait."));
    // Neither connection was ever tried.
    QVERIFY(!p.client.session().sock().hasSocket());
    QVERIFY(!p.client.launcher().presenceSock().hasSocket());
}

void TestLaunch::secondHostReportsBindingError()
{
    QTcpServer first;
    QVERIFY(first.listen(QHostAddress::Any, 0));
    FakeHost lobby;
    HostServer server;
    server.setPortName(QString::number(first.serverPort()));
    Player p;
    MainWindow &w = p.window;
    p.client.launcher().setHostStarter([&] { server.startListening(); });
    p.client.launcher().setGamePort(QString::number(first.serverPort()));
    p.client.launcher().setPresencePort(portOf(lobby));
    p.client.launcher().setLaunchParameters({"Kim", "127.0.0.1", "true"});
    m_boxes.shown.clear();
    p.client.launcher().run();
    QCOMPARE(m_boxes.shown, QStringList{"Listen - Error Binding Socket"});
    QVERIFY(!p.client.session().sock().hasSocket()); // no own client
    QVERIFY(!p.client.launcher().presenceSock().hasSocket());
    QVERIFY(!w.panel().startButton()->isVisibleTo(&w));
}

void TestLaunch::fullGameShowsBoxAndCloses()
{
    FakeHost host;
    Player p;
    MainWindow &w = p.window;
    p.client.launcher().setGamePort(portOf(host));
    p.client.launcher().setPresencePort(QString::number(closedPort()));
    p.client.launcher().setLaunchParameters({"Zed", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &MainWindow::closed);
    m_boxes.shown.clear();
    w.show();
    QVERIFY(host.accept());
    QTcpSocket *peer = host.peer();
    peer->write("CMD_full+\xff");
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(m_boxes.shown, QStringList{"Game is full"});
}

void TestLaunch::unreachableHostSaysSo()
{
    const QString deadPort = QString::number(closedPort()); // closed again at once
    Player p;
    MainWindow &w = p.window;
    p.client.launcher().setGamePort(deadPort);
    p.client.launcher().setPresencePort(deadPort);
    p.client.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &MainWindow::closed);
    p.client.launcher().run();
    QTRY_VERIFY(chatText(p).contains(QStringLiteral("Could not reach the host at 127.0.0.1")));
    QVERIFY(chatText(p).contains(QStringLiteral("WSAECONNREFUSED")));
    QCOMPARE(closed.count(), 0); // the window stays open
}

void TestLaunch::versionNoticesReachTheChat()
{
    FakeHost host;
    Player p;
    MainWindow &w = p.window;
    joinAsAnn(p, host);
    QSignalSpy closed(&w, &MainWindow::closed);
    m_boxes.shown.clear();
    p.client.launcher().run();
    QVERIFY(host.accept());
    QTcpSocket *peer = host.peer();
    // A wrongly cased "full" and a line without "+" are dropped, not obeyed.
    // The arrival last shows when the lines before it were handled.
    peer->write("CMD_wrongversion+\xff" "CMD_havewrongversion+Old\xff" "CMD_Full+\xff" "CMD_chat\xff"
                "CMD_newplayerinfo+3+Bob+0\xff");
    QTRY_VERIFY(chatText(p).contains(QStringLiteral("Bob is Connected.")));
    QVERIFY(chatText(p).contains(QStringLiteral("Old has a different version of the game then you.")));
    QVERIFY(chatText(p).contains(QStringLiteral("You have a differnt version of the game then the host.")));
    QCOMPARE(closed.count(), 0);
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestLaunch::closeSavesOnlyAfterLoadAndMove()
{
    {
        Player p;
    MainWindow &w = p.window;
        QSignalSpy saves(&w, &MainWindow::saveSettingsRequested);
        w.show();
        w.bounds().setBounds(QRect(50, 60, 800, 600));
        w.close(); // moved, but the settings were never loaded: nothing is written
        QCOMPARE(saves.count(), 0);
    }
    {
        Player p;
    MainWindow &w = p.window;
        QSignalSpy saves(&w, &MainWindow::saveSettingsRequested);
        w.show();
        w.bounds().setBounds(QRect(40, 40, 800, 600));
        w.markSettingsLoaded();
        w.close(); // not moved since the load
        QCOMPARE(saves.count(), 0);
    }
    {
        Player p;
    MainWindow &w = p.window;
        QSignalSpy saves(&w, &MainWindow::saveSettingsRequested);
        w.show();
        w.markSettingsLoaded();
        w.bounds().setBounds(QRect(70, 80, 820, 610));
        w.close();
        QCOMPARE(saves.count(), 1);
        QCOMPARE(w.bounds().remembered(), w.bounds().bounds());
    }
}

void TestLaunch::resetScreenLocationAndMinimumSize()
{
    Player p;
    MainWindow &w = p.window;
    w.show();
    w.bounds().setBounds(QRect(200, 100, 900, 700));
    w.bounds().reset();
    QCOMPARE(w.pos(), QPoint(3, 3));
    QCOMPARE(w.width(), WindowBounds::DefaultSize.width());
    w.resize(300, 200);
    QVERIFY(w.centralWidget()->width() >= MainWindow::MinimumClientSize.width());
    QVERIFY(w.centralWidget()->height() >= MainWindow::MinimumClientSize.height());
}

void TestLaunch::windowWiderThanTheWorkAreaIsStoredNarrower()
{
    Player p;
    MainWindow &w = p.window;
    w.show();
    w.markSettingsLoaded();
    const QRect work = w.screen()->availableGeometry();
    w.bounds().setBounds(QRect(10, 10, work.width() + 40, work.height() + 40));
    const QSize before = w.size();
    QSignalSpy saves(&w, &MainWindow::saveSettingsRequested);
    w.close();
    QCOMPARE(saves.count(), 1);
    // One step of 15 pixels per close, in each direction that was too large.
    QCOMPARE(w.bounds().remembered().width(), before.width() - 15);
    QCOMPARE(w.bounds().remembered().height(), before.height() - 15);
}

void TestLaunch::floodingHostIsLetGo()
{
    FakeHost host;
    Player p;
    MainWindow &w = p.window;
    joinAsAnn(p, host);
    QSignalSpy closed(&w, &MainWindow::closed);
    p.client.launcher().run();
    QVERIFY(host.accept());
    QTcpSocket *peer = host.peer();
    QByteArray burst;
    for (int i = 0; i < 30000; ++i)
        burst += "CMD_nothing+\xff";
    peer->write(burst);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(p.client.session().dispatcher().pending(), 0);
}

void TestLaunch::portsComeFromTheEnvironment_data()
{
    QTest::addColumn<QByteArray>("value"); // "-" for unset
    QTest::addColumn<QString>("port");
    QTest::newRow("unset") << QByteArray("-") << "7772";
    QTest::newRow("a port") << QByteArray("40123") << "40123";
    QTest::newRow("blanks around it") << QByteArray(" 8000 ") << "8000";
    QTest::newRow("empty") << QByteArray("") << "7772";
    QTest::newRow("zero") << QByteArray("0") << "7772";
    QTest::newRow("past the last port") << QByteArray("65536") << "7772";
    QTest::newRow("a name") << QByteArray("http") << "7772";
    QTest::newRow("negative") << QByteArray("-5") << "7772";
}

void TestLaunch::portsComeFromTheEnvironment()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, port);
    const char *variable = "VORLITH_TEST_PORT";
    if (value == "-")
        qunsetenv(variable);
    else
        qputenv(variable, value);
    QCOMPARE(vorlith::app::portFromEnvironment(variable, QStringLiteral("7772")), port);
    qunsetenv(variable);
}

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
