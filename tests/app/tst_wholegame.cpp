// A whole game in one process: the hosting player's program and a joining
// player's window over loopback, every timer driven by hand. The hosting
// player starts it from START GAME and the options dialog; words are clicked
// and typed, judged, shown with their verdicts; the clock runs out, the
// results and the winner show, and the tally file keeps the game.
#include "app/program.h"
#include "client/boardmodel.h"
#include "client/boardroom.h"
#include "client/boardview.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameoptionsdialog.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/resultspanel.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "net/dispatcher.h"
#include "net/sock.h"
#include "programfixture.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "tally/tallybook.h"
#include "tally/tallydialog.h"
#include "ui/clicklabel.h"
#include "ui/paths.h"
#include "wireclient.h"

#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vorlith;
using client::BoardModel;
using client::MainWindow;

namespace {

/// Distinct words of three letters the board can spell, and one it can
/// spell that is no word.
struct BoardWords
{
    QStringList words;
    QString nonWord;
};

BoardWords wordsOn(const BoardModel &board, const dict::Dictionary &dict)
{
    QString letters;
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            letters += BoardModel::myletter(board.letter(c, r));
    BoardWords found;
    if (letters.size() != 36)
        return found; // not dealt
    for (int a = 0; a < 36; ++a) {
        for (int b = 0; b < 36; ++b) {
            // Until three words and a non-word are found: the first cells
            // may well spell three words before any non-word.
            for (int c = 0; c < 36 && (found.words.size() < 3 || found.nonWord.isEmpty()); ++c) {
                if (a == b || b == c || a == c)
                    continue;
                const QString w = QString(letters[a]) + letters[b] + letters[c];
                if (dict.isword(QStringView(w)) || dict.isword(QStringView(w.toLower()))) {
                    if (!found.words.contains(w) && found.words.size() < 3)
                        found.words << w;
                } else if (found.nonWord.isEmpty()) {
                    found.nonWord = w;
                }
            }
        }
    }
    return found;
}

QPoint centreOf(int column, int row)
{
    return QPoint((column - 1) * 65 + 32, (row - 1) * 65 + 32);
}

} // namespace

class TestWholeGame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void aGameFromStartToTally();

private:
    void clickWord(MainWindow &w, const BoardModel &board, const QString &word);
    void typeWord(MainWindow &w, const QString &word);

    QTemporaryDir m_dir;
    RecordingMessageBoxes m_boxes;
    RecordingSoundOutput m_kimSound;
    RecordingSoundOutput m_annSound;
    dict::Dictionary m_dict;
    Pump m_pump;
    std::unique_ptr<app::Program> m_kim;
    std::unique_ptr<Player> m_ann;
};

void TestWholeGame::initTestCase()
{
    QVERIFY(m_dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
    ui::setDataFolderOverride(m_dir.path());
}

void TestWholeGame::clickWord(MainWindow &w, const BoardModel &board, const QString &word)
{
    // The same cells the keys would take: first by column, then by row.
    for (QChar letter : word) {
        bool clicked = false;
        for (int c = 1; c <= 6 && !clicked; ++c) {
            for (int r = 1; r <= 6 && !clicked; ++r) {
                if (BoardModel::myletter(board.letter(c, r)) == QString(letter) && board.mark(c, r) == 0) {
                    QTest::mouseClick(w.panel().boardRoom().board(), Qt::LeftButton, {}, centreOf(c, r));
                    clicked = true;
                }
            }
        }
        QVERIFY(clicked);
    }
    QCOMPARE(w.panel().boardRoom().wordLine()->text(), word);
    QTest::mouseClick(w.panel().boardRoom().board(), Qt::RightButton, {}, centreOf(6, 6));
}

void TestWholeGame::typeWord(MainWindow &w, const QString &word)
{
    for (QChar letter : word) {
        QWidget *target = w.focusWidget() ? w.focusWidget() : &w;
        QTest::keyClick(target, Qt::Key(Qt::Key_A + (letter.unicode() - u'A')));
    }
    QCOMPARE(w.panel().boardRoom().wordLine()->text(), word);
    QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Return);
}

void TestWholeGame::aGameFromStartToTally()
{
    m_kim = std::make_unique<app::Program>(hostingOptions(QStringLiteral("Kim"), &m_kimSound));
    driveByHand(*m_kim, m_pump);
    client::GameClient &kimGame = m_kim->client();
    MainWindow &kim = m_kim->mainWindow();
    m_kim->start();
    QVERIFY(m_pump.until([&] { return kimGame.roster().caption(1) == QLatin1String("Kim"); }));
    QCOMPARE(kimGame.ownNumber(), 1);

    m_ann = std::make_unique<Player>(&m_annSound);
    client::GameClient &annGame = m_ann->client;
    MainWindow &ann = m_ann->window;
    driveByHand(annGame, m_pump);
    joinTable(*m_ann, *m_kim, QStringLiteral("Ann"));
    QVERIFY(m_pump.until([&] {
        return kimGame.roster().caption(2) == QLatin1String("Ann") && annGame.roster().caption(2) == QLatin1String("Ann");
    }));
    QCOMPARE(annGame.ownNumber(), 2);
    QCOMPARE(kimGame.roster().seatNames().mid(0, 2), (QStringList{"Kim", "Ann"}));
    QVERIFY(!ann.panel().startButton()->isVisibleTo(&ann));

    // START GAME, then the options dialog's START with one round of 30 seconds.
    auto *start = qobject_cast<QAbstractButton *>(kim.panel().startButton());
    QVERIFY(start && start->isVisibleTo(&kim));
    start->click();
    client::GameOptionsDialog &dialog = m_kim->gameStart();
    QVERIFY(dialog.isVisible());
    dialog.setRounds(1);
    dialog.setCreationTime(30);
    dialog.findChild<ui::ImageButton *>(QStringLiteral("button_start"))->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(m_pump.until([&] { return kimGame.board().isOpen() && annGame.board().isOpen(); }));

    for (MainWindow *w : {&kim, &ann}) {
        QCOMPARE(w->panel().roundRoom().roundLabel()->text(), QStringLiteral("Round: 1 of 1"));
        QCOMPARE(w->panel().roundRoom().timeLabel()->text(), QStringLiteral("Time: 30secs"));
        QCOMPARE(w->panel().roundRoom().statusLabel()->text(), QStringLiteral("Find Words!"));
        QVERIFY(!kim.panel().startButton()->isVisibleTo(&kim));
    }
    // Both hold the same dealt board: 36 letters, none of them the idle picture's.
    const auto lettersOf = [](const BoardModel &board) {
        QString letters;
        for (int c = 1; c <= 6; ++c)
            for (int r = 1; r <= 6; ++r)
                letters += BoardModel::myletter(board.letter(c, r));
        return letters;
    };
    QVERIFY(m_pump.until([&] {
        return lettersOf(kimGame.board()).size() == 36 && lettersOf(annGame.board()) == lettersOf(kimGame.board());
    }));
    const BoardWords on = wordsOn(kimGame.board(), m_dict);
    QVERIFY2(on.words.size() == 3 && !on.nonWord.isEmpty(),
             qPrintable(QStringLiteral("the deal %1 holds three words of three letters: %2")
                            .arg(lettersOf(kimGame.board()), on.words.join(QLatin1Char(' ')))));

    // Kim clicks two words; Ann types one, a non-word and the same word again.
    QListWidget *kimWords = kim.panel().roundRoom().wordList();
    QListWidget *annWords = ann.panel().roundRoom().wordList();
    clickWord(kim, kimGame.board(), on.words[0]);
    QVERIFY(m_pump.until([&] { return kimWords->count() == 1; }));
    clickWord(kim, kimGame.board(), on.words[1]);
    typeWord(ann, on.words[2]);
    typeWord(ann, on.nonWord);
    typeWord(ann, on.words[2]);
    // The verdicts come back, and the scores after them.
    QVERIFY(m_pump.until([&] {
        return kimWords->count() == 2 && annWords->count() == 3 &&
               ann.panel().seats().scoreLabel(1)->text() == QLatin1String("18") &&
               kim.panel().seats().scoreLabel(2)->text() == QLatin1String("9");
    }));

    QCOMPARE(kimWords->count(), 2);
    QCOMPARE(kimWords->item(0)->text(), QStringLiteral("9 : ") + on.words[0]);
    QCOMPARE(kimWords->item(1)->text(), QStringLiteral("9 : ") + on.words[1]);
    QCOMPARE(annWords->count(), 3);
    QCOMPARE(annWords->item(0)->text(), QStringLiteral("9 : ") + on.words[2]);
    QCOMPARE(annWords->item(1)->text(), on.nonWord + QStringLiteral(" : Not Valid"));
    QCOMPARE(annWords->item(2)->text(), on.words[2] + QStringLiteral(" : Repeat"));
    QCOMPARE(ann.panel().roundRoom().statusLabel()->text(), QStringLiteral("You already found: ") + on.words[2] + QStringLiteral("."));
    for (MainWindow *w : {&kim, &ann}) {
        QCOMPARE(w->panel().seats().scoreLabel(1)->text(), QStringLiteral("18"));
        QCOMPARE(w->panel().seats().scoreLabel(2)->text(), QStringLiteral("9"));
    }
    QVERIFY(m_kimSound.played.contains(QStringLiteral("goodword")));
    QVERIFY(m_annSound.played.contains(QStringLiteral("badword")));

    // The clocks run out; the host closes the round 4 seconds later.
    for (int s = 0; s < 30; ++s) {
        kimGame.flow().tickCountdown();
        annGame.flow().tickCountdown();
    }
    for (MainWindow *w : {&kim, &ann}) {
        QCOMPARE(w->panel().roundRoom().statusLabel()->text(), QStringLiteral("Time Up!"));
        QVERIFY(!w->client().board().isOpen());
    }
    for (int s = 0; s < 34; ++s)
        m_kim->game().onSecond();
    QVERIFY(m_pump.until([&] { return kimGame.flow().view().resultsShown && annGame.flow().view().resultsShown; }));
    for (MainWindow *w : {&kim, &ann}) {
        client::ResultsPanel *results = w->panel().roundRoom().results();
        QVERIFY(results->isVisibleTo(w));
        QCOMPARE(results->nameLabel(1)->text(), QStringLiteral("Kim"));
        QCOMPARE(results->nameLabel(2)->text(), QStringLiteral("Ann"));
        QCOMPARE(results->list(1)->count(), 2);
        QCOMPARE(results->list(1)->item(1)->text(), on.words[1] + QStringLiteral(":9"));
        QCOMPARE(results->list(2)->count(), 1);
        QCOMPARE(results->list(2)->item(0)->text(), on.words[2] + QStringLiteral(":9"));
        QCOMPARE(results->nameLabel(3)->text(), QStringLiteral("<Waiting>"));
    }

    // After the break the one round decides the game.
    for (int s = 0; s < 20; ++s)
        m_kim->game().onSecond();
    QVERIFY(m_pump.until([&] {
        return kimGame.flow().view().status == QLatin1String("Game Over!") &&
               annGame.flow().view().status == QLatin1String("Game Over!");
    }));
    QCOMPARE(kim.panel().roundRoom().winnerLabel()->text(), QStringLiteral("You have Won the Game!"));
    QCOMPARE(ann.panel().roundRoom().winnerLabel()->text(), QStringLiteral("Kim has Won the Game!"));
    for (MainWindow *w : {&kim, &ann}) {
        QVERIFY(w->panel().roundRoom().winnerBanner()->isVisibleTo(w));
        QVERIFY(!w->panel().roundRoom().results()->isVisibleTo(w));
    }
    QVERIFY(kim.panel().startButton()->isVisibleTo(&kim));
    QVERIFY(!ann.panel().startButton()->isVisibleTo(&ann));

    const tally::TallyBook &book = m_kim->tally().book();
    QCOMPARE(book.cell(tally::TallyBook::kOwnGames, 0), QStringLiteral("1"));
    QCOMPARE(book.cell(tally::TallyBook::kOwnWins, 0), QStringLiteral("1"));
    QCOMPARE(book.cell(tally::TallyBook::kLongestWord, 0), on.words[0]); // an equally long word does not replace it

    // The program writes its tally at exit.
    const QString tallyPath = m_kim->tally().tallyFilePath();
    m_ann.reset();
    m_kim.reset();
    tally::TallyBook saved;
    QVERIFY(saved.load(tallyPath).loaded);
    QCOMPARE(saved.cell(tally::TallyBook::kOwnGames, 0), QStringLiteral("1"));
    QCOMPARE(saved.cell(tally::TallyBook::kLongestWord, 0), on.words[0]);
}

QTEST_MAIN(TestWholeGame)
#include "tst_wholegame.moc"
