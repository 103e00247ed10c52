#include "app/downloaddialog.h"
#include "app/program.h"
#include "chat/phrasesdialog.h"
#include "client/gameoptionsdialog.h"
#include "client/mainwindow.h"
#include "client/spylistwindow.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "tally/tallydialog.h"
#include "ui/aboutdialog.h"
#include "ui/helpwindow.h"
#include "ui/paths.h"

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using vorlith::app::Program;

class TestWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyWindowHasItsCaption();
    void helpPagesComeToTheFront();
    void aboutShowsVersionAndYear();
    void gameOptionsOpenCentredOnTheMainWindow();
    void windowsLookRight();

private:
    QTemporaryDir m_dir;
    RecordingMessageBoxes m_boxes;
    RecordingSoundOutput m_sound;
    std::unique_ptr<Program> m_program;
};

void TestWindows::initTestCase()
{
    vorlith::ui::setDataFolderOverride(m_dir.path());
    Program::Options options;
    options.gamePort = QStringLiteral("0");
    options.soundOutput = &m_sound;
    m_program = std::make_unique<Program>(options);
    QVERIFY(m_boxes.shown.isEmpty()); // the word list and the tally loaded quietly
}

void TestWindows::everyWindowHasItsCaption()
{
    QCOMPARE(m_program->mainWindow().windowTitle(), QStringLiteral("Vorlith by Brakmo Software"));
    QCOMPARE(m_program->about().windowTitle(), QStringLiteral("Vorlith - About"));
    QCOMPARE(m_program->download().windowTitle(), QStringLiteral("Download The Brakmo Lobby"));
    QCOMPARE(m_program->gameStart().windowTitle(), QStringLiteral("Vorlith - Game Start"));
    QCOMPARE(m_program->help().windowTitle(), QStringLiteral("Vorlith - Help File"));
    QCOMPARE(m_program->phrases().windowTitle(), QStringLiteral("Vorlith - Phrase Buttons "));
    QCOMPARE(m_program->spyList().windowTitle(), QStringLiteral("Vorlith - Spys"));
    QCOMPARE(m_program->tally().windowTitle(), QStringLiteral("Vorlith - Tally List"));
    // Only the main window shows at start.
    for (QWidget *w : std::initializer_list<QWidget *>{&m_program->about(), &m_program->download(), &m_program->gameStart(),
                                                       &m_program->help(), &m_program->phrases(), &m_program->spyList(),
                                                       &m_program->tally()})
        QVERIFY(!w->isVisible());
    QCOMPARE(m_program->gameStart().rounds(), 3);
    QCOMPARE(m_program->gameStart().creationTime(), 60);
}

void TestWindows::helpPagesComeToTheFront()
{
    auto &help = m_program->help();
    QCOMPARE(help.currentPage(), 0);
    QCOMPARE(help.pageTitle(), QStringLiteral("Overview"));
    const QList<QPushButton *> buttons = help.findChildren<QPushButton *>();
    QPushButton *scoring = nullptr;
    for (QPushButton *b : buttons) {
        if (b->text() == QLatin1String("Scoring"))
            scoring = b;
    }
    QVERIFY(scoring);
    scoring->click();
    QCOMPARE(help.pageTitle(), QStringLiteral("Scoring"));
    QVERIFY(help.yearLabel()->text().contains(QString::number(QDate::currentDate().year())));
}

void TestWindows::aboutShowsVersionAndYear()
{
    auto &about = m_program->about();
    QVERIFY(about.versionLabel()->text().contains(QStringLiteral("1.0.3")));
    QVERIFY(about.yearLabel()->text().contains(QString::number(QDate::currentDate().year())));
}

void TestWindows::gameOptionsOpenCentredOnTheMainWindow()
{
    auto &main = m_program->mainWindow();
    auto &dialog = m_program->gameStart();
    for (const QPoint &at : {QPoint(40, 30), QPoint(260, 140)}) {
        main.show();
        main.move(at);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint offset = dialog.geometry().center() - main.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        dialog.hide();
    }
    main.hide();
}

void TestWindows::windowsLookRight()
{
    // Pictures of every window for a person to look at: set VORLITH_SHOT_DIR.
    const QString folder = qEnvironmentVariable("VORLITH_SHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set VORLITH_SHOT_DIR to write pictures of the windows");
    QDir().mkpath(folder);
    const std::pair<const char *, QWidget *> windows[] = {
        {"main", &m_program->mainWindow()}, {"about", &m_program->about()},   {"download", &m_program->download()},
        {"gamestart", &m_program->gameStart()}, {"help", &m_program->help()}, {"phrases", &m_program->phrases()},
        {"spylist", &m_program->spyList()},  {"tally", &m_program->tally()},
    };
    for (const auto &[name, window] : windows) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"))));
    }
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
