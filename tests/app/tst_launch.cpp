#include "app/application.h"
#include "chat/chatroom.h"
#include "chat/chatinput.h"
#include "chat/chatview.h"
#include "client/chatform.h"
#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/seats.h"
#include "host/server.h"
#include "net/sock.h"
#include "recordingboxes.h"
#include "wireclient.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using vorlith::client::Tchat;
using vorlith::host::HostServer;

namespace {

QString chatText(Tchat &w)
{
    auto *view = w.chatRoom().mainchat();
    view->selectAll();
    const QString text = view->selectedText();
    view->deselect();
    return text.trimmed();
}

/// A stand-in host: accepts connections and records what they send.
struct FakeHost
{
    FakeHost() { server.listen(QHostAddress::LocalHost, 0); }
    QTcpSocket *waitForPeer()
    {
        QElapsedTimer clock;
        clock.start();
        while (!server.hasPendingConnections() && clock.elapsed() < 5000)
            QTest::qWait(5);
        return server.nextPendingConnection();
    }
    QString port() const { return QString::number(server.serverPort()); }
    QTcpServer server;
};

/// Points \a w at \a host as a joining player named Ann, with nobody
/// listening for the presence connection.
void joinAsAnn(Tchat &w, const FakeHost &host)
{
    w.launcher().setGamePort(host.port());
    w.launcher().setPresencePort(FakeHost().port());
    w.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostingListensAndLogsInAsSlotOne();
    void soloGameHostsAsYouWithoutPresence();
    void joiningAnswersTheLoginByteExactly();
    void oneOrTwoParametersConnectNowhere_data();
    void oneOrTwoParametersConnectNowhere();
    void capitalTrueJoins();
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
    Tchat w;
    w.launcher().setHostStarter([&] { server.startListening(); });
    w.launcher().setLaunchParameters({"Kim", "10.9.9.9", "true"});
    w.launcher().setPresencePort(FakeHost().port()); // nobody listens: must go unnoticed
    bool started = false;
    w.launcher().setHostStarter([&] {
        server.startListening();
        w.launcher().setGamePort(QString::number(server.listeningPort()));
        started = true;
    });
    w.launcher().processparams();
    QVERIFY(started);
    QVERIFY(w.launcher().isHost());
    QCOMPARE(w.launcher().identity().loginName, QByteArray("Kim\xff"));
    QVERIFY(w.startButton()->isVisibleTo(&w));
    QVERIFY(w.startGameAction()->isEnabled());
    // Parameter 2 is ignored: the own client joins this machine.
    QTRY_COMPARE(server.registry().name(1), QStringLiteral("Kim"));
    QCOMPARE(w.session().ownNumber(), 1);
    QTRY_VERIFY(chatText(w).contains(QStringLiteral("You are Connected.")));
    QCOMPARE(w.seats().caption(1), QStringLiteral("Kim"));

    WireClient ann;
    QVERIFY(ann.connectTo(server.listeningPort()));
    QVERIFY(ann.waitForLine("CMD_sendlogininfo+2"));
    ann.sendRaw("CMD_logininfo+2+1.0.3+Ann\xff\xff");
    QVERIFY(ann.waitForLine("CMD_existingplayers+1+Kim+0"));
    QTRY_COMPARE(w.seats().caption(2), QStringLiteral("Ann"));
    QTRY_VERIFY(chatText(w).contains(QStringLiteral("Ann is Connected.")));
}

void TestLaunch::soloGameHostsAsYouWithoutPresence()
{
    HostServer server;
    server.setPortName(QStringLiteral("0"));
    FakeHost lobby;
    QWidget offer;
    Tchat w;
    Tchat::Windows windows;
    windows.download = [&offer] { return &offer; };
    w.setWindows(windows);
    w.launcher().setPresencePort(lobby.port());
    w.launcher().setHostStarter([&] {
        server.startListening();
        w.launcher().setGamePort(QString::number(server.listeningPort()));
    });
    w.launcher().processparams();
    QCOMPARE(w.launcher().identity().playerName, QStringLiteral("You"));
    QCOMPARE(w.launcher().identity().hostAddress, QStringLiteral("127.0.0.1"));
    QVERIFY(offer.isVisible());
    QTRY_COMPARE(server.registry().name(1), QStringLiteral("You"));
    QVERIFY(chatText(w).startsWith(QStringLiteral("Loading Solo Game..Please wait.")));
    QTest::qWait(200);
    QVERIFY(!lobby.server.hasPendingConnections());
}

void TestLaunch::joiningAnswersTheLoginByteExactly()
{
    FakeHost host;
    FakeHost lobby;
    Tchat w;
    bool hosted = false;
    w.launcher().setHostStarter([&] { hosted = true; });
    w.launcher().setGamePort(host.port());
    w.launcher().setPresencePort(lobby.port());
    w.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &Tchat::closed);
    w.show();
    QTcpSocket *peer = host.waitForPeer();
    QVERIFY(peer);
    QVERIFY(!hosted);
    QVERIFY(!w.startButton()->isVisibleTo(&w));
    QVERIFY(lobby.waitForPeer()); // the presence connection
    peer->write("CMD_sendlogininfo+4\xff");
    QByteArray got;
    QTRY_VERIFY((got += peer->readAll()).size() >= 26);
    QCOMPARE(got, QByteArray("CMD_logininfo+4+1.0.3+Ann\xff\xff"));
    QVERIFY(w.session().isConnected());
    peer->close(); // the host goes away: the program ends
    QTRY_COMPARE(closed.count(), 1);
}

void TestLaunch::oneOrTwoParametersConnectNowhere_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::newRow("one") << QStringList{"Ann"};
    QTest::newRow("two") << QStringList{"Ann", "127.0.0.1"};
}

void TestLaunch::oneOrTwoParametersConnectNowhere()
{
    QFETCH(QStringList, params);
    FakeHost host;
    FakeHost lobby;
    Tchat w;
    bool hosted = false;
    w.launcher().setHostStarter([&] { hosted = true; });
    w.launcher().setGamePort(host.port());
    w.launcher().setPresencePort(lobby.port());
    w.launcher().setLaunchParameters(params);
    w.launcher().processparams();
    QCOMPARE(chatText(w), QStringLiteral("Loading Multi-player Game.. Please Wait."));
    QVERIFY(!hosted);
    QTest::qWait(200);
    QVERIFY(!host.server.hasPendingConnections());
    QVERIFY(!lobby.server.hasPendingConnections());
}

void TestLaunch::capitalTrueJoins()
{
    FakeHost host;
    Tchat w;
    bool hosted = false;
    w.launcher().setHostStarter([&] { hosted = true; });
    w.launcher().setGamePort(host.port());
    w.launcher().setPresencePort(FakeHost().port());
    w.launcher().setLaunchParameters({"Ann", "127.0.0.1", "TRUE"});
    w.launcher().processparams();
    QVERIFY(host.waitForPeer());
    QVERIFY(!hosted);
    QVERIFY(!w.launcher().isHost());
}

void TestLaunch::secondHostReportsBindingError()
{
    QTcpServer first;
    QVERIFY(first.listen(QHostAddress::Any, 0));
    FakeHost lobby;
    HostServer server;
    server.setPortName(QString::number(first.serverPort()));
    Tchat w;
    w.launcher().setHostStarter([&] { server.startListening(); });
    w.launcher().setGamePort(QString::number(first.serverPort()));
    w.launcher().setPresencePort(lobby.port());
    w.launcher().setLaunchParameters({"Kim", "127.0.0.1", "true"});
    m_boxes.shown.clear();
    w.launcher().processparams();
    QCOMPARE(m_boxes.shown, QStringList{"Listen - Error Binding Socket"});
    QTest::qWait(200);
    QVERIFY(!first.hasPendingConnections()); // no own client
    QVERIFY(!lobby.server.hasPendingConnections());
    QVERIFY(!w.startButton()->isVisibleTo(&w));
}

void TestLaunch::fullGameShowsBoxAndCloses()
{
    FakeHost host;
    Tchat w;
    w.launcher().setGamePort(host.port());
    w.launcher().setPresencePort(FakeHost().port());
    w.launcher().setLaunchParameters({"Zed", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &Tchat::closed);
    m_boxes.shown.clear();
    w.show();
    QTcpSocket *peer = host.waitForPeer();
    QVERIFY(peer);
    peer->write("CMD_full+\xff");
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(m_boxes.shown, QStringList{"Game is full"});
}

void TestLaunch::unreachableHostSaysSo()
{
    const QString deadPort = FakeHost().port(); // closed again at once
    Tchat w;
    w.launcher().setGamePort(deadPort);
    w.launcher().setPresencePort(deadPort);
    w.launcher().setLaunchParameters({"Ann", "127.0.0.1", "join"});
    QSignalSpy closed(&w, &Tchat::closed);
    w.launcher().processparams();
    QTRY_VERIFY(chatText(w).contains(QStringLiteral("Could not reach the host at 127.0.0.1")));
    QVERIFY(chatText(w).contains(QStringLiteral("WSAECONNREFUSED")));
    QCOMPARE(closed.count(), 0); // the window stays open
}

void TestLaunch::versionNoticesReachTheChat()
{
    FakeHost host;
    Tchat w;
    joinAsAnn(w, host);
    QSignalSpy closed(&w, &Tchat::closed);
    m_boxes.shown.clear();
    w.launcher().processparams();
    QTcpSocket *peer = host.waitForPeer();
    QVERIFY(peer);
    // A wrongly cased "full" and a line without "+" are dropped, not obeyed.
    peer->write("CMD_wrongversion+\xff" "CMD_havewrongversion+Old\xff" "CMD_Full+\xff" "CMD_chat\xff");
    QTRY_VERIFY(chatText(w).contains(QStringLiteral("Old has a different version of the game then you.")));
    QVERIFY(chatText(w).contains(QStringLiteral("You have a differnt version of the game then the host.")));
    QTest::qWait(50);
    QCOMPARE(closed.count(), 0);
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestLaunch::closeSavesOnlyAfterLoadAndMove()
{
    {
        Tchat w;
        QSignalSpy saves(&w, &Tchat::saveSettingsRequested);
        w.show();
        w.setBounds(QRect(50, 60, 800, 600));
        w.close(); // moved, but the settings were never loaded: nothing is written
        QCOMPARE(saves.count(), 0);
    }
    {
        Tchat w;
        QSignalSpy saves(&w, &Tchat::saveSettingsRequested);
        w.show();
        w.setBounds(QRect(40, 40, 800, 600));
        w.markSettingsLoaded();
        w.close(); // not moved since the load
        QCOMPARE(saves.count(), 0);
    }
    {
        Tchat w;
        QSignalSpy saves(&w, &Tchat::saveSettingsRequested);
        w.show();
        w.markSettingsLoaded();
        w.setBounds(QRect(70, 80, 820, 610));
        w.close();
        QCOMPARE(saves.count(), 1);
        QCOMPARE(w.state().rememberedBounds, w.bounds());
    }
}

void TestLaunch::resetScreenLocationAndMinimumSize()
{
    Tchat w;
    w.show();
    w.setBounds(QRect(200, 100, 900, 700));
    w.resetScreenLocation();
    QCOMPARE(w.pos(), QPoint(3, 3));
    QCOMPARE(w.width(), Tchat::DefaultSize.width());
    w.resize(300, 200);
    QVERIFY(w.centralWidget()->width() >= Tchat::MinimumClientSize.width());
    QVERIFY(w.centralWidget()->height() >= Tchat::MinimumClientSize.height());
}

void TestLaunch::windowWiderThanTheWorkAreaIsStoredNarrower()
{
    Tchat w;
    w.show();
    w.markSettingsLoaded();
    const QRect work = w.screen()->availableGeometry();
    w.setBounds(QRect(10, 10, work.width() + 40, work.height() + 40));
    const QSize before = w.size();
    QSignalSpy saves(&w, &Tchat::saveSettingsRequested);
    w.close();
    QCOMPARE(saves.count(), 1);
    // One step of 15 pixels per close, in each direction that was too large.
    QCOMPARE(w.state().rememberedBounds.width(), before.width() - 15);
    QCOMPARE(w.state().rememberedBounds.height(), before.height() - 15);
}

void TestLaunch::floodingHostIsLetGo()
{
    FakeHost host;
    Tchat w;
    joinAsAnn(w, host);
    QSignalSpy closed(&w, &Tchat::closed);
    w.launcher().processparams();
    QTcpSocket *peer = host.waitForPeer();
    QVERIFY(peer);
    QByteArray burst;
    for (int i = 0; i < 30000; ++i)
        burst += "CMD_nothing+\xff";
    peer->write(burst);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(w.session().dispatcher().pending(), 0);
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
