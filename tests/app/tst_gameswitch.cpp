#include "app/gamedialogs.h"
#include "app/gameswitch.h"
#include "app/program.h"
#include "app/settings.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "host/server.h"
#include "net/localgames.h"
#include "profile/profilefile.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/paths.h"

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
#include <QUdpSocket>

#include <memory>
#include <tuple>

using vorlith::app::GameSwitch;
using vorlith::profile::ProfileFile;
using vorlith::app::Program;
using vorlith::app::Relauncher;
using vorlith::app::Settings;

namespace {

template <typename Socket> quint16 freePort()
{
    Socket probe;
    if constexpr (std::is_same_v<Socket, QTcpServer>) {
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    } else {
        probe.bind(QHostAddress::LocalHost, 0);
        return probe.localPort();
    }
}

/// The switch on a stand-in window, with what it starts recorded.
struct Rig
{
    Rig()
    {
        switcher = std::make_unique<GameSwitch>(store, table(), relauncher, &window);
        // Nobody answers there.
        switcher->finder().setTargets({QHostAddress(QHostAddress::LocalHost)});
        switcher->finder().setPort(freePort<QUdpSocket>());
    }
    QString settingsPath() const { return dir.filePath(Settings::FileName); }
    GameSwitch::Table table()
    {
        return {[this] { return name; }, [this] { return hosting; }, [this] { return others; }, {}};
    }

    QTemporaryDir dir;
    vorlith::app::PreferencesStore store{settingsPath()};
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

} // namespace

class TestGameSwitch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostDialogStartsAHost_data();
    void hostDialogStartsAHost();
    void joinDialogNeedsANameAndAnAddress();
    void leavingAHostedTableAsksFirst();
    void hostedGameIsListedUnlessTurnedOff();

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

    QTest::newRow("remembered name") << "Kim"
                                     << "Bob"
                                     << "Kim"
                                     << ""
                                     << "Kim";
    QTest::newRow("current name") << ""
                                  << "Bob"
                                  << "Bob"
                                  << ""
                                  << "Bob";
    QTest::newRow("cleaned as the host cleans") << ""
                                                << "Bob"
                                                << "Bob"
                                                << "  Kim+Lee\t|x "
                                                << "Kim_Lee__x";
    QTest::newRow("dashes stay a name") << ""
                                        << "Bob"
                                        << "Bob"
                                        << "--Kim"
                                        << "--Kim";
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
        ProfileFile(rig.settingsPath())
            .writeString(Settings::Section, "Playername", stored);
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
    QCOMPARE(ProfileFile(rig.settingsPath()).readString(Settings::Section, "Playername"), name);
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
    for (const auto &[name, address, ok] : {std::tuple{"Ann", "", false},
                                            {"Ann", "192.0.2.7 x", false},
                                            {"  ", "192.0.2.7", false},
                                            {"Ann", " 192.0.2.7 ", true}}) {
        dialog.nameEdit()->setText(name);
        dialog.addressEdit()->setText(address);
        QCOMPARE(dialog.joinButton()->isEnabled(), ok);
    }
    QTest::mouseClick(dialog.joinButton(), Qt::LeftButton);
    QVERIFY(rig.relauncher.startRequested());
    QCOMPARE(rig.started, (QStringList{"--", "Ann", "192.0.2.7", "join"}));
}

void TestGameSwitch::leavingAHostedTableAsksFirst()
{
    // hosting, others at the table, the answer to the question, asked, leaves
    for (const auto &[hosting, others, answer, asks, leaves] :
         {std::tuple{false, 3, false, false, true},
          {true, 0, false, false, true},
          {true, 2, false, true, false},
          {true, 2, true, true, true}}) {
        m_boxes.asked.clear();
        m_boxes.answers = {answer};
        Rig rig;
        rig.hosting = hosting;
        rig.others = others;
        rig.switcher->openJoinDialog();
        rig.switcher->joinDialog().nameEdit()->setText("Kim");
        rig.switcher->joinDialog().addressEdit()->setText("192.0.2.9");
        QTest::mouseClick(rig.switcher->joinDialog().joinButton(), Qt::LeftButton);

        QCOMPARE(m_boxes.asked.size(), asks ? 1 : 0);
        if (asks)
            QVERIFY(m_boxes.asked.first().contains("ends the game for everybody"));
        QCOMPARE(rig.relauncher.isRequested(), leaves);
        // Staying gives the dialog back as it was.
        QCOMPARE(rig.switcher->joinDialog().isVisible(), !leaves);
    }
}

void TestGameSwitch::hostedGameIsListedUnlessTurnedOff()
{
    for (const bool quiet : {false, true}) {
        QTemporaryDir dir;
        vorlith::ui::setDataFolderOverride(dir.path());
        if (quiet)
            ProfileFile(dir.filePath(Settings::FileName))
                .writeString(Settings::Section, "LANANSWERS", "false");
        RecordingSoundOutput sound;
        Relauncher relauncher{[](const QString &, const QStringList &) { return true; }};
        Program::Options options;
        options.params = {"Kim", "10.9.9.9", "true"};
        options.gamePort = QString::number(freePort<QTcpServer>());
        options.presencePort = QString::number(freePort<QTcpServer>());
        options.soundOutput = &sound;
        options.lanPort = freePort<QUdpSocket>();
        options.lanTargets = {QHostAddress(QHostAddress::LocalHost)};
        options.relauncher = &relauncher;
        auto program = std::make_unique<Program>(options);
        GameSwitch &gameSwitch = program->gameSwitch();

        // File: Start Game, Play Online…, Host a Game…, Join a Game…,
        // separator, Exit.
        const QList<QAction *> items = program->mainWindow().fileMenu()->actions();
        QCOMPARE(items.at(1)->objectName(), QStringLiteral("PlayOnline1"));
        QCOMPARE(items.indexOf(gameSwitch.hostAction()), 2);
        QCOMPARE(items.indexOf(gameSwitch.joinAction()), 3);
        QVERIFY(items.at(4)->isSeparator());

        program->client().launcher().run();
        QTRY_COMPARE(program->server().registry().name(1), QString("Kim"));
        QCOMPARE(program->lanResponder().isActive(), !quiet);

        // The program's own Join dialog hears the game it hosts.
        gameSwitch.openJoinDialog();
        auto &join = gameSwitch.joinDialog();
        if (!quiet) {
            QTRY_COMPARE(join.gameList()->count(), 1);
            QCOMPARE(join.gameList()->item(0)->text(),
                     QString("Kim at 127.0.0.1, 1 of 6 seats taken, waiting to start"));
            QCOMPARE(join.addressEdit()->text(), QString("127.0.0.1"));
        }
        gameSwitch.finder().finish();
        QCOMPARE(join.searchStatus()->text(),
                 quiet ? QString("No games found on your network. Type the host's address below.")
                       : QString("1 game found."));
        join.reject();

        // Host a Game: the window closes the ordinary way, the next program waits.
        QSignalSpy finished(program.get(), &Program::finished);
        gameSwitch.openHostDialog();
        QTest::mouseClick(gameSwitch.hostDialog().hostButton(), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(relauncher.arguments(), (QStringList{"--", "Kim", "127.0.0.1", "true"}));
        program.reset();
        vorlith::ui::setDataFolderOverride(QString());
    }
}

QTEST_MAIN(TestGameSwitch)
#include "tst_gameswitch.moc"
