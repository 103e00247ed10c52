// A game with computer players in one process: the hosting program seats two
// from its launch options and a third from the options dialog, a joining
// player's window sees them as ordinary players, they play a round judged by
// the host, the review shows what the board held, and the seat menu removes
// one. Every timer is driven by hand.
#include "app/gamedialogs.h"
#include "app/gameswitch.h"
#include "app/program.h"
#include "client/boardmodel.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameoptionsdialog.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/resultspanel.h"
#include "client/reviewroom.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "programfixture.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "tally/tallybook.h"
#include "tally/tallydialog.h"
#include "ui/clicklabel.h"
#include "ui/paths.h"
#include "wireclient.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vorlith;
using client::MainWindow;

class TestComputerGame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aGameWithComputerPlayers();

private:
    void second();

    QTemporaryDir m_dir;
    RecordingMessageBoxes m_boxes;
    app::Relauncher m_relauncher{[](const QString &, const QStringList &) { return true; }};
    RecordingSoundOutput m_kimSound;
    RecordingSoundOutput m_annSound;
    Pump m_pump;
    std::unique_ptr<app::Program> m_kim;
    std::unique_ptr<Player> m_ann;
};

void TestComputerGame::second()
{
    m_kim->game().onSecond();
    m_kim->client().flow().tickCountdown();
    m_ann->client.flow().tickCountdown();
    for (const auto &p : m_kim->computers().players())
        p->tick();
    QVERIFY(m_pump.until([this] { return nothingInFlight(*m_kim, {&m_ann->client}); }));
}

void TestComputerGame::aGameWithComputerPlayers()
{
    ui::setDataFolderOverride(m_dir.path());
    app::Program::Options options = hostingOptions(QStringLiteral("Kim"), &m_kimSound);
    options.relauncher = &m_relauncher;
    options.computerPlayers = 2;
    options.strength = host::Strength::Normal;
    m_kim = std::make_unique<app::Program>(options);
    driveByHand(*m_kim, m_pump);
    client::GameClient &kimGame = m_kim->client();
    MainWindow &kim = m_kim->mainWindow();
    m_kim->start();
    QVERIFY(m_pump.until([&] {
        return kimGame.roster().seatNames().mid(0, 3) == QStringList({"Kim", "Robot 1", "Robot 2"});
    }));

    m_ann = std::make_unique<Player>(&m_annSound);
    client::GameClient &annGame = m_ann->client;
    MainWindow &ann = m_ann->window;
    driveByHand(annGame, m_pump);
    ann.panel().reviewRoom().setWordSource(
        [this](const auto &board) { return m_kim->wordFinder().find(board); });
    joinTable(*m_ann, *m_kim, QStringLiteral("Ann"));
    QVERIFY(m_pump.until([&] {
        return annGame.roster().seatNames().mid(0, 4) == QStringList({"Kim", "Robot 1", "Robot 2", "Ann"});
    }));

    // The options dialog offers the two at the table and the two free seats.
    qobject_cast<QAbstractButton *>(kim.panel().startButton())->click();
    client::GameOptionsDialog &dialog = m_kim->gameStart();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.computerPlayers(), 2);
    QCOMPARE(dialog.upDownComputers()->maximum(), 4);
    QCOMPARE(dialog.strength(), QStringLiteral("Normal"));
    dialog.setRounds(1);
    dialog.setCreationTime(30);
    dialog.setComputerPlayers(3);
    dialog.setStrength(QStringLiteral("Hard"));
    dialog.findChild<ui::ImageButton *>(QStringLiteral("button_start"))->click();
    // The third took its seat before the game began, and plays its first round.
    // Every computer player has its board too, and its plan, once nothing
    // is on its way any more.
    QVERIFY(m_pump.until(
        [&] { return annGame.board().isOpen() && nothingInFlight(*m_kim, {&annGame}); }));
    QCOMPARE(annGame.roster().caption(5), QStringLiteral("Robot 3"));
    QCOMPARE(ann.panel().roundRoom().roundLabel()->text(), QStringLiteral("Round: 1 of 1"));
    QCOMPARE(m_kim->computers().count(), 3);
    for (const auto &p : m_kim->computers().players()) {
        QVERIFY(p->strength() == host::Strength::Hard);
        QVERIFY2(!p->plan().empty(), qPrintable(p->name()));
    }

    for (int s = 0; s < 34; ++s)
        second();
    client::ResultsPanel *results = kim.panel().roundRoom().results();
    QVERIFY(results->isVisibleTo(&kim));
    QCOMPARE(results->nameLabel(2)->text(), QStringLiteral("Robot 1"));
    QVERIFY(results->list(2)->count() > 0);

    // The review: every word the board held by the host's list, the
    // computer players' words marked with their names.
    const std::vector<dict::FoundWord> onBoard = m_kim->wordFinder().find(m_kim->game().board());
    for (MainWindow *w : {&kim, &ann}) {
        client::ReviewRoom &review = w->panel().reviewRoom();
        QVERIFY(review.showAction()->isEnabled());
        QCOMPARE(review.review().boardWords, int(onBoard.size()));
        review.showAction()->trigger();
        // The best words and every word found, all of them on the host's list.
        QVERIFY(review.list()->count() >=
                std::min<int>(int(onBoard.size()), client::ReviewRoom::Listed));
        QCOMPARE(review.list()->count(), int(review.review().words.size()));
        QVERIFY(std::all_of(review.review().words.begin(), review.review().words.end(),
                            [](const auto &w) { return w.inList; }));
        QCOMPARE(review.list()->item(0)->text().section(QLatin1Char(' '), 0, 0),
                 onBoard.front().word);
        review.hideReview();
        QVERIFY(review.summaryLabel()->text().startsWith(QString::number(onBoard.size()) +
                                                         QStringLiteral(" words")));
    }
    QVERIFY(kim.panel().reviewRoom().sourceLabel()->text().contains(QStringLiteral("host judged")));
    QVERIFY(ann.panel().reviewRoom().sourceLabel()->text().contains(QStringLiteral("own word list")));
    for (int row = 0; row < results->list(2)->count(); ++row) {
        const QString word = results->list(2)->item(row)->text().section(QLatin1Char(':'), 0, 0);
        const auto &words = kim.panel().reviewRoom().review().words;
        const auto entry =
            std::find_if(words.begin(), words.end(), [&](const auto &w) { return w.word == word; });
        QVERIFY2(entry != words.end() && entry->foundBy.contains(QStringLiteral("Robot 1")),
                 qPrintable(word));
    }
    // Opened from the results with the keyboard, closed with Escape.
    QAbstractButton *open = results->reviewButton();
    open->setFocus();
    QTest::keyClick(open, Qt::Key_Space);
    QVERIFY(kim.panel().reviewRoom().panel()->isVisibleTo(&kim));
    QTest::keyClick(kim.panel().reviewRoom().list(), Qt::Key_Escape);
    QVERIFY(!kim.panel().reviewRoom().panel()->isVisibleTo(&kim));
    QVERIFY(results->isVisibleTo(&kim));

    // The game ends like any other: the tally lists the computer players
    // among the players of the game.
    for (int s = 0; s < 20; ++s)
        second();
    QVERIFY(kim.panel().roundRoom().winnerBanner()->isVisibleTo(&kim));
    QVERIFY(!m_kim->game().gameInProgress());
    QCOMPARE(m_kim->tally().book().cell(tally::TallyBook::kOwnGames, 0), QStringLiteral("1"));
    auto *players = m_kim->tally().findChild<QListWidget *>(QStringLiteral("checklist"));
    QVERIFY(players);
    QStringList tallied;
    for (int row = 0; row < players->count(); ++row)
        tallied << players->item(row)->text();
    QCOMPARE(tallied, (QStringList{"Robot 1", "Robot 2", "Ann", "Robot 3"}));

    // The hosting player removes one through the seat menu.
    kim.panel().seats().preparePopup(2);
    kim.panel().seats().popupKick()->findChild<QAction *>(QStringLiteral("RemoveFromGame1"))->trigger();
    QVERIFY(m_pump.until([&] {
        return m_kim->computers().count() == 2 && annGame.roster().caption(2) == QLatin1String("<Waiting>");
    }));
    QCOMPARE(kimGame.roster().caption(3), QStringLiteral("Robot 2"));

    // Hosting anew from the File menu: Ann would lose her game, so it asks;
    // with only computer players left it asks nobody, and they come along.
    app::GameSwitch &gameSwitch = m_kim->gameSwitch();
    gameSwitch.openHostDialog();
    QTest::mouseClick(gameSwitch.hostDialog().hostButton(), Qt::LeftButton);
    QCOMPARE(m_boxes.asked.size(), 1);
    QVERIFY(!m_relauncher.isRequested());
    gameSwitch.hostDialog().reject();
    m_ann.reset();
    QVERIFY(m_pump.until([&] { return m_kim->server().registry().activeSlots().size() == 3; }));
    gameSwitch.openHostDialog();
    QTest::mouseClick(gameSwitch.hostDialog().hostButton(), Qt::LeftButton);
    QCOMPARE(m_boxes.asked.size(), 1);
    QCOMPARE(m_relauncher.arguments(), (QStringList{"--computer-players", "2", "--strength", "hard",
                                                    "--", "Kim", "127.0.0.1", "true"}));

    m_kim.reset();
}

QTEST_MAIN(TestComputerGame)
#include "tst_computergame.moc"
