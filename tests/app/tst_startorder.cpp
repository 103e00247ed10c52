// The order of a start: a hosted game's port opens while the program is
// still being made, the launch step after the main window's first show
// reports what went wrong as it always has, and windows made after that
// step show everything that happened before they existed.
#include "app/program.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/roster.h"
#include "client/spylistwindow.h"
#include "host/server.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/paths.h"

#include "net/protocol.h"

#include <QAction>
#include <QListWidget>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using vorlith::app::Program;

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

} // namespace

class TestStartOrder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void hostedPortOpensBeforeTheWindowShows_data();
    void hostedPortOpensBeforeTheWindowShows();
    void takenPortIsReportedByTheLaunchStep();
    void spyListMadeLateShowsEarlierSpies();

private:
    Program::Options options(const QStringList &params, const QString &gamePort);

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingMessageBoxes m_boxes;
    RecordingSoundOutput m_sound;
    QTcpServer m_lobby;
};

void TestStartOrder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    vorlith::ui::setDataFolderOverride(m_dir->path());
    m_boxes.shown.clear();
    if (!m_lobby.isListening())
        QVERIFY(m_lobby.listen(QHostAddress::LocalHost, 0));
}

void TestStartOrder::cleanup()
{
    vorlith::ui::setDataFolderOverride({});
}

Program::Options TestStartOrder::options(const QStringList &params, const QString &gamePort)
{
    Program::Options o;
    o.params = params;
    o.gamePort = gamePort;
    o.presencePort = QString::number(m_lobby.serverPort());
    o.soundOutput = &m_sound;
    return o;
}

void TestStartOrder::hostedPortOpensBeforeTheWindowShows_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<bool>("hosts");
    QTest::newRow("hosting") << QStringList{"Kim", "192.0.2.1", "true"} << true;
    QTest::newRow("solo") << QStringList{} << true;
    QTest::newRow("joining") << QStringList{"Kim", "127.0.0.1", "false"} << false;
}

void TestStartOrder::hostedPortOpensBeforeTheWindowShows()
{
    QFETCH(QStringList, params);
    QFETCH(bool, hosts);
    Program program(options(params, QStringLiteral("0")));
    QCOMPARE(program.server().isListening(), hosts);
    QVERIFY(!program.mainWindow().isVisible());

    QSignalSpy launched(&program.client().launcher(), &vorlith::client::Launcher::launched);
    QSignalSpy loggedIn(&program.client().session(), &vorlith::client::ClientSession::loggedIn);
    program.start();
    QVERIFY(launched.wait(5000));
    QCOMPARE(program.server().isListening(), hosts);
    QCOMPARE(program.client().launcher().isHost(), hosts);
    if (hosts) {
        // The own client joins the port opened early, which was any free one.
        QVERIFY(loggedIn.wait(5000));
        QCOMPARE(program.client().launcher().identity().playerName,
                 params.isEmpty() ? QStringLiteral("You") : params.first());
    }
    QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.shown.join(QLatin1Char('\n'))));
}

void TestStartOrder::takenPortIsReportedByTheLaunchStep()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, 0));
    Program program(options({"Kim", "192.0.2.1", "true"}, QString::number(squatter.serverPort())));
    QVERIFY(!program.server().isListening());
    // Nothing is said while the program is being made...
    QVERIFY(m_boxes.shown.isEmpty());

    QSignalSpy launched(&program.client().launcher(), &vorlith::client::Launcher::launched);
    program.start();
    QVERIFY(launched.wait(5000));
    // ...the launch step says it, once.
    QCOMPARE(m_boxes.shown, QStringList{"Listen - Error Binding Socket"});
    QVERIFY(!program.client().launcher().isHost());
}

void TestStartOrder::spyListMadeLateShowsEarlierSpies()
{
    Program program(options({"Kim", "127.0.0.1", "false"}, QStringLiteral("0")));
    vorlith::client::Roster &roster = program.client().roster();
    roster.onPlayersArrived(vorlith::net::proto::decode<vorlith::net::proto::NewPlayerInfo>(
                                QStringLiteral("7+Eve+0+8+Zed+0"))
                                .players);

    vorlith::client::SpyListWindow &spies = program.spyList();
    QCOMPARE(rows(spies.listbox_spys()), (QStringList{"7: Eve", "8: Zed"}));
    QVERIFY(!spies.popup_kickhim()->isEnabled()); // only the host may kick
    roster.onPlayersArrived(
        vorlith::net::proto::decode<vorlith::net::proto::NewPlayerInfo>(QStringLiteral("9+Ann+0"))
            .players);
    QCOMPARE(rows(spies.listbox_spys()), (QStringList{"7: Eve", "8: Zed", "9: Ann"}));
    Q_EMIT program.client().launcher().hostingChanged(true);
    QVERIFY(spies.popup_kickhim()->isEnabled());
}

QTEST_MAIN(TestStartOrder)
#include "tst_startorder.moc"
