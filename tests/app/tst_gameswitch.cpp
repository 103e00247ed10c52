#include "app/gamedialogs.h"
#include "app/gameswitch.h"
#include "app/program.h"
#include "app/profilefile.h"
#include "app/settings.h"
#include "client/chatform.h"
#include "host/server.h"
#include "net/localgames.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/paths.h"
#include "wireclient.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using vorlith::app::GameSwitch;
using vorlith::app::Program;
using vorlith::app::ProfileFile;
using vorlith::app::Relauncher;
using vorlith::app::Settings;
namespace net = vorlith::net;

namespace {

/// The switch on a stand-in window, with what it starts recorded.
struct Rig
{
    Rig()
    {
        switcher = std::make_unique<GameSwitch>(settingsPath(), table(), relauncher, &window);
        switcher->finder().setTargets({QHostAddress(QHostAddress::LocalHost)});
        switcher->finder().setPort(0); // nobody answers there
    }
    QString settingsPath() const { return dir.filePath(Settings::FileName); }
    GameSwitch::Table table()
    {
        return {[this] { return name; }, [this] { return hosting; }, [this] { return others; }};
    }

    QTemporaryDir dir;
    QWidget window;
    QString name{"You"};
    bool hosting{false};
    int others{0};
    QStringList started;
    Relauncher relauncher{[this](const QString &, const QStringList &arguments) {
        started = arguments;
        return true;
    }};
    std::unique_ptr<GameSwitch> switcher;
};

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestGameSwitch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostDialogStartsAHost_data();
    void hostDialogStartsAHost();
    void joinDialogNeedsANameAndAnAddress();
    void joinDialogFillsInAHeardGame();
    void leavingAHostedTableAsksFirst_data();
    void leavingAHostedTableAsksFirst();
    void hostingProgramAnswersUnlessTurnedOff();

private:
    RecordingMessageBoxes m_boxes;
};

void TestGameSwitch::hostDialogStartsAHost_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");

    QTest::newRow("remembered name") << "Kim" << "Bob" << "Kim" << "" << "Kim";
    QTest::newRow("current name") << "" << "Bob" << "Bob" << "" << "Bob";
    QTest::newRow("cleaned as the host cleans") << "" << "Bob" << "Bob" << "  Kim+Lee\t|x " << "Kim_Lee__x";
    QTest::newRow("dashes stay a name") << "" << "Bob" << "Bob" << "--Kim" << "--Kim";
    QTest::newRow("cut to the host's length") << "" << "Bob" << "Bob" << QString(40, 'k') << QString(32, 'k');
}

void TestGameSwitch::hostDialogStartsAHost()
{
    QFETCH(QString, stored);
    QFETCH(QString, current);
    QFETCH(QString, suggested);
    QFETCH(QString, typed);
    QFETCH(QString, name);

    Rig rig;
    rig.name = current;
    if (!stored.isEmpty())
        ProfileFile(rig.settingsPath()).writeString(Settings::Section, Settings::PlayerNameKey, stored);
    QSignalSpy leave(rig.switcher.get(), &GameSwitch::leaveRequested);

    rig.switcher->hostAction()->trigger();
    auto &dialog = rig.switcher->hostDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.nameEdit()->text(), suggested);
    if (!typed.isEmpty())
        dialog.nameEdit()->setText(typed);
    QTest::mouseClick(dialog.hostButton(), Qt::LeftButton);

    QCOMPARE(leave.size(), 1);
    QVERIFY(m_boxes.asked.isEmpty());
    QVERIFY(rig.started.isEmpty()); // not before this program has closed
    QVERIFY(rig.relauncher.startRequested());
    QCOMPARE(rig.started, (QStringList{"--", name, "127.0.0.1", "true"}));
    QCOMPARE(ProfileFile(rig.settingsPath()).readString(Settings::Section, Settings::PlayerNameKey), name);
    QVERIFY(!rig.relauncher.startRequested()); // once
}

void TestGameSwitch::joinDialogNeedsANameAndAnAddress()
{
    qputenv("USER", "kim+lee");
    Rig rig;
    rig.switcher->joinAction()->trigger();
    auto &dialog = rig.switcher->joinDialog();
    // The solo game's "You" is no name to join with; the login is.
    QCOMPARE(dialog.nameEdit()->text(), QString("kim_lee"));
    dialog.nameEdit()->setText("Ann");
    QVERIFY(!dialog.joinButton()->isEnabled());
    dialog.addressEdit()->setText("192.0.2.7 x");
    QVERIFY(!dialog.joinButton()->isEnabled());
    dialog.addressEdit()->setText(" 192.0.2.7 ");
    QVERIFY(dialog.joinButton()->isEnabled());
    dialog.nameEdit()->setText("  ");
    QVERIFY(!dialog.joinButton()->isEnabled());
    dialog.nameEdit()->setText("Ann");
    QTest::mouseClick(dialog.joinButton(), Qt::LeftButton);
    QVERIFY(rig.relauncher.startRequested());
    QCOMPARE(rig.started, (QStringList{"--", "Ann", "192.0.2.7", "join"}));
}

void TestGameSwitch::joinDialogFillsInAHeardGame()
{
    Rig rig;
    net::LocalGameResponder host([] {
        net::LocalGame g;
        g.name = "Kim";
        g.seatsTaken = 2;
        return g;
    });
    QVERIFY(host.start(0, QHostAddress(QHostAddress::LocalHost)));
    rig.switcher->finder().setPort(host.port());

    rig.switcher->openJoinDialog();
    auto &dialog = rig.switcher->joinDialog();
    QTRY_COMPARE(dialog.gameList()->count(), 1);
    QCOMPARE(dialog.gameList()->item(0)->text(), QString("Kim at 127.0.0.1, 2 of 6 seats taken, waiting to start"));
    QCOMPARE(dialog.addressEdit()->text(), QString("127.0.0.1"));
    rig.switcher->finder().finish();
    QCOMPARE(dialog.searchStatus()->text(), QString("1 game found."));
    QVERIFY(dialog.lookAgainButton()->isEnabled());

    dialog.nameEdit()->setText("Ann");
    // Enter on the listed game joins it.
    QTest::keyClick(dialog.gameList(), Qt::Key_Return);
    QVERIFY(rig.relauncher.isRequested());
    QCOMPARE(rig.relauncher.arguments(), (QStringList{"--", "Ann", "127.0.0.1", "join"}));
}

void TestGameSwitch::leavingAHostedTableAsksFirst_data()
{
    QTest::addColumn<bool>("hosting");
    QTest::addColumn<int>("others");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("leaves");

    QTest::newRow("joined elsewhere") << false << 3 << false << false << true;
    QTest::newRow("hosting alone") << true << 0 << false << false << true;
    QTest::newRow("hosting others, stay") << true << 2 << false << true << false;
    QTest::newRow("hosting others, leave") << true << 2 << true << true << true;
}

void TestGameSwitch::leavingAHostedTableAsksFirst()
{
    QFETCH(bool, hosting);
    QFETCH(int, others);
    QFETCH(bool, answer);
    QFETCH(bool, asks);
    QFETCH(bool, leaves);

    m_boxes.asked.clear();
    m_boxes.answers = {answer};
    Rig rig;
    rig.name = "Kim";
    rig.hosting = hosting;
    rig.others = others;
    QSignalSpy leave(rig.switcher.get(), &GameSwitch::leaveRequested);
    rig.switcher->openJoinDialog();
    rig.switcher->joinDialog().addressEdit()->setText("192.0.2.9");
    QTest::mouseClick(rig.switcher->joinDialog().joinButton(), Qt::LeftButton);

    QCOMPARE(m_boxes.asked.size(), asks ? 1 : 0);
    if (asks)
        QVERIFY(m_boxes.asked.first().contains("ends the game for everybody"));
    QCOMPARE(leave.size(), leaves ? 1 : 0);
    QCOMPARE(rig.relauncher.isRequested(), leaves);
    // Staying gives the dialog back as it was.
    QCOMPARE(rig.switcher->joinDialog().isVisible(), !leaves);
}

void TestGameSwitch::hostingProgramAnswersUnlessTurnedOff()
{
    for (const bool quiet : {false, true}) {
        QTemporaryDir dir;
        vorlith::ui::setDataFolderOverride(dir.path());
        if (quiet)
            ProfileFile(dir.filePath(Settings::FileName)).writeString(Settings::Section, "LANANSWERS", "false");
        RecordingSoundOutput sound;
        Relauncher relauncher{[](const QString &, const QStringList &) { return true; }};
        Program::Options options;
        options.params = {"Kim", "10.9.9.9", "true"};
        options.gamePort = QString::number(freeTcpPort());
        options.presencePort = QString::number(freeTcpPort());
        options.soundOutput = &sound;
        options.lanPort = 0;
        options.relauncher = &relauncher;
        auto program = std::make_unique<Program>(options);

        // File: Start Game, Host a Game…, Join a Game…, separator, Exit.
        const QList<QAction *> items = program->mainWindow().fileMenu()->actions();
        QCOMPARE(items.indexOf(program->gameSwitch().hostAction()), 1);
        QCOMPARE(items.indexOf(program->gameSwitch().joinAction()), 2);
        QVERIFY(items.at(3)->isSeparator());

        program->mainWindow().processparams();
        QVERIFY(program->server().isListening());
        QTRY_COMPARE(program->server().registry().name(1), QString("Kim"));
        QCOMPARE(program->lanResponder().isActive(), !quiet);
        if (quiet) {
            vorlith::ui::setDataFolderOverride(QString());
            continue;
        }

        net::LocalGameFinder finder;
        finder.setPort(program->lanResponder().port());
        finder.setTargets({QHostAddress(QHostAddress::LocalHost)});
        finder.search();
        QTRY_COMPARE(finder.games().size(), 1);
        QCOMPARE(finder.games().first().name, QString("Kim"));
        QCOMPARE(finder.games().first().seatsTaken, 1);
        QCOMPARE(finder.games().first().running, false);
        finder.finish();

        // Somebody joins: leaving now asks; saying No keeps the game.
        WireClient ann;
        QVERIFY(ann.connectTo(program->server().listeningPort()));
        QVERIFY(ann.waitForLine("CMD_sendlogininfo+2"));
        ann.sendRaw("CMD_logininfo+2+1.0.3+Ann\xff");
        QTRY_COMPARE(program->server().registry().name(2), QString("Ann"));
        m_boxes.asked.clear();
        m_boxes.answers = {false};
        program->gameSwitch().openHostDialog();
        QTest::mouseClick(program->gameSwitch().hostDialog().hostButton(), Qt::LeftButton);
        QCOMPARE(m_boxes.asked.size(), 1);
        QVERIFY(!relauncher.isRequested());

        // Yes: the window closes the ordinary way and the next program waits.
        QSignalSpy finished(program.get(), &Program::finished);
        m_boxes.answers = {true};
        QTest::mouseClick(program->gameSwitch().hostDialog().hostButton(), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(relauncher.arguments(), (QStringList{"--", "Kim", "127.0.0.1", "true"}));
        program.reset();
        QVERIFY(ann.waitForClose());
        vorlith::ui::setDataFolderOverride(QString());
    }
}

QTEST_MAIN(TestGameSwitch)
#include "tst_gameswitch.moc"
