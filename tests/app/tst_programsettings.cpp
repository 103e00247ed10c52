#include "app/program.h"
#include "app/settings.h"
#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/colortext.h"
#include "chat/phrases.h"
#include "chat/phrasesdialog.h"
#include "chat/sounds.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/gameoptionsdialog.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/quickhelp.h"
#include "client/windowbounds.h"
#include "harness.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/paths.h"
#include "wireclient.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using vorlith::app::Program;

/// The assembled program against a stand-in host, with its files in a
/// folder of the test's own.
class TestProgramSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstConnectionWritesOnlyHelp();
    void storedPreferencesAreApplied();
    void menuChangesAndPhrasesAreSaved();
    void startGameSendsTheDialogValues();
    void absurdStoredValuesAreHeld();
    void oversizedFileIsLeftAlone();

private:
    void connectAs(int slot);
    QByteArray settingsFile() const;
    void writeSettings(const QByteArray &bytes);
    QByteArray hostHears();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHost> m_host;
    RecordingSoundOutput m_sound;
    std::unique_ptr<Program> m_program;
    RecordingMessageBoxes m_boxes;
};

void TestProgramSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    vorlith::ui::setDataFolderOverride(m_dir->path());
    m_host = std::make_unique<FakeHost>();
    Program::Options options;
    options.params = {"Bob", "127.0.0.1", "join"};
    options.gamePort = QString::number(m_host->port());
    options.presencePort = QString::number(closedPort());
    options.soundOutput = &m_sound;
    m_program = std::make_unique<Program>(options);
}

void TestProgramSettings::cleanup()
{
    m_program.reset();
    m_host.reset();
    vorlith::ui::setDataFolderOverride(QString());
    m_dir.reset();
}

void TestProgramSettings::connectAs(int slot)
{
    m_program->client().launcher().run();
    QVERIFY(m_host->accept());
    const QByteArray n = QByteArray::number(slot);
    m_host->say("CMD_sendlogininfo+" + n);
    m_host->say("CMD_newplayerinfo+" + n + "+Bob+0");
    QTRY_VERIFY(m_program->mainWindow().settingsLoaded());
    hostHears();
}

QByteArray TestProgramSettings::settingsFile() const
{
    QFile f(m_dir->filePath(vorlith::app::Settings::FileName));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void TestProgramSettings::writeSettings(const QByteArray &bytes)
{
    QFile f(m_dir->filePath(vorlith::app::Settings::FileName));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray TestProgramSettings::hostHears()
{
    // What the client sends before this line is what the steps sent.
    const QByteArray barrier = "barrier";
    m_program->client().session().send(barrier);
    return m_host->hearUntil(barrier);
}

void TestProgramSettings::firstConnectionWritesOnlyHelp()
{
    auto &w = m_program->mainWindow();
    w.show();
    w.bounds().setBounds(QRect(100, 100, 900, 650));
    QCOMPARE(settingsFile(), QByteArray("<missing>")); // nothing before the load
    connectAs(3);
    QCOMPARE(w.pos(), QPoint(3, 3));
    QCOMPARE(w.panel().chatRoom().textSize(), 8);
    QVERIFY(w.panel().quickHelp().isVisibleTo(&w));
    QCOMPARE(settingsFile(), QByteArray("[Vorlith]\r\nHelp=2\r\n"));
    // The dialog holds the stored 30 rounds and 1 second to its ranges.
    QCOMPARE(m_program->gameStart().rounds(), 10);
    QCOMPARE(m_program->gameStart().creationTime(), 30);
    // Closing without moving since the load writes nothing.
    w.close();
    QCOMPARE(settingsFile(), QByteArray("[Vorlith]\r\nHelp=2\r\n"));
}

void TestProgramSettings::storedPreferencesAreApplied()
{
    writeSettings("[Lobby]\r\nUser=Bob\r\n[Vorlith]\r\nTextsize=9\r\nTextcolor=clRED\r\nTurnsound=1\r\n"
                  "Playsounds=FALSE\r\nPlayerphrasesounds=false\r\nPhrase4=\r\nPhrase5=/me dances\r\nHelp=2\r\n");
    auto &w = m_program->mainWindow();
    connectAs(2);
    QCOMPARE(w.panel().chatRoom().textSize(), 9);
    for (QAction *a : w.panel().chatRoom().textSizeActions())
        QVERIFY(!a->isChecked());
    QCOMPARE(w.panel().chatRoom().textColor(), vorlith::chat::kColorRed);
    QCOMPARE(w.sounds().turnSound(), 1);
    QVERIFY(w.sounds().playSounds()); // only lower-case "false" switches off
    QVERIFY(!w.sounds().playerPhraseSounds());
    QCOMPARE(w.panel().phraseButtons().phrase(4), QStringLiteral("Excellent!"));
    QCOMPARE(w.panel().phraseButtons().phrase(5), QStringLiteral("/me dances"));
    QVERIFY(!w.panel().quickHelp().isVisibleTo(&w));
}

void TestProgramSettings::menuChangesAndPhrasesAreSaved()
{
    auto &w = m_program->mainWindow();
    w.sounds().playSoundsAction()->trigger(); // before the load: not saved
    QCOMPARE(settingsFile(), QByteArray("<missing>"));
    w.sounds().playSoundsAction()->trigger();
    connectAs(1);
    w.sounds().playSoundsAction()->trigger();
    QVERIFY(settingsFile().contains("Playsounds=false\r\n"));
    QVERIFY(settingsFile().contains("Textcolor=clBlack\r\n"));

    auto &phrases = m_program->phrases();
    phrases.showWith(w.panel().phraseButtons().phrases());
    phrases.edit(1)->setText(QStringLiteral("Hi all"));
    phrases.edit(9)->clear();
    phrases.confirm();
    QCOMPARE(w.panel().phraseButtons().phrase(1), QStringLiteral("Hi all"));
    QCOMPARE(w.panel().phraseButtons().phrase(9), QString());
    const QByteArray file = settingsFile();
    QVERIFY(file.contains("Phrase1=Hi all\r\nPhrase2=Good One!\r\n"));
    QVERIFY(file.contains("Phrase9=\r\n"));
}

void TestProgramSettings::startGameSendsTheDialogValues()
{
    connectAs(1);
    auto &dialog = m_program->gameStart();
    dialog.upDownRounds()->setValue(5);
    dialog.upDownTime()->setValue(45);
    dialog.upDownTime()->stepUp();
    dialog.upDownTime()->stepDown();
    Q_EMIT dialog.startRequested(dialog.rounds(), dialog.creationTime());
    QCOMPARE(hostHears(), QByteArray("CMD_startgame+Bob+5+45+\xff"));
    QVERIFY(settingsFile().contains("Playtoscore=5\r\nTimeperturn=45\r\n"));
    dialog.upDownRounds()->setValue(10);
    dialog.upDownRounds()->stepUp();
    QCOMPARE(dialog.rounds(), 10);
}

void TestProgramSettings::absurdStoredValuesAreHeld()
{
    writeSettings("[Vorlith]\r\nTextsize=2000000\r\nWidth=900000\r\nHeight=-5\r\nHelp=2\r\n");
    auto &w = m_program->mainWindow();
    w.show();
    connectAs(1);
    QCOMPARE(w.panel().chatRoom().textSize(), 96);
    const QSize desktop = w.screen()->virtualGeometry().size();
    QVERIFY(w.width() <= 2 * desktop.width());
    QVERIFY(w.height() >= 530); // the minimum size holds
}

void TestProgramSettings::oversizedFileIsLeftAlone()
{
    // Another program's settings, then line breaks past what any settings take.
    QByteArray bytes = "[Lobby]\r\nUser=Bob\r\n[Vorlith]\r\nTextsize=12\r\nHelp=2\r\n";
    bytes += QByteArray(16 * 1024 * 1024, '\n');
    writeSettings(bytes);
    auto &w = m_program->mainWindow();
    connectAs(1);
    QCOMPARE(w.panel().chatRoom().textSize(), 8); // the defaults apply
    QVERIFY(w.panel().quickHelp().isVisibleTo(&w));
    w.sounds().playSoundsAction()->trigger(); // asks for a save
    QCOMPARE(w.sounds().playSounds(), false);
    QVERIFY(settingsFile() == bytes);
    QVERIFY(m_boxes.shown.isEmpty());
}

QTEST_MAIN(TestProgramSettings)
#include "tst_programsettings.moc"
