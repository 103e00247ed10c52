// A whole game in one process: the hosting player's program and a joining
// player's window over loopback, every timer driven by hand. The hosting
// player starts it from START GAME and the options dialog; words are clicked
// and typed, judged, shown with their verdicts; the clock runs out, the
// results and the winner show, and the tally file keeps the game.
#include "app/program.h"
#include "client/boardmodel.h"
#include "client/boardroom.h"
#include "client/boardview.h"
#include "client/chatform.h"
#include "client/clientsession.h"
#include "client/gamestartform.h"
#include "client/launcher.h"
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
using client::Tchat;

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
    for (int a = 0; a < 36; ++a) {
        for (int b = 0; b < 36; ++b) {
            for (int c = 0; c < 36 && found.words.size() < 3; ++c) {
                if (a == b || b == c || a == c)
                    continue;
                const QString w = QString(letters[a]) + letters[b] + letters[c];
                if (dict.isword(QStringView(w)) || dict.isword(QStringView(w.toLower()))) {
                    if (!found.words.contains(w))
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
    /// Runs the event loop and every dispatcher until nothing moves.
    void settle();
    void clickWord(Tchat &w, const QString &word);
    void typeWord(Tchat &w, const QString &word);

    QTemporaryDir m_dir;
    RecordingMessageBoxes m_boxes;
    RecordingSoundOutput m_kimSound;
    RecordingSoundOutput m_annSound;
    dict::Dictionary m_dict;
    std::unique_ptr<app::Program> m_kim;
    std::unique_ptr<Tchat> m_ann;
};

void TestWholeGame::initTestCase()
{
    QVERIFY(m_dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
    ui::setDataFolderOverride(m_dir.path());
}

void TestWholeGame::settle()
{
    int quiet = 0;
    while (quiet < 15) {
        QCoreApplication::processEvents();
        int handled = m_kim->server().dispatcher().drain();
        handled += m_kim->mainWindow().session().dispatcher().drain();
        if (m_ann)
            handled += m_ann->session().dispatcher().drain();
        if (handled) {
            quiet = 0;
        } else {
            ++quiet;
            QTest::qWait(2); // loopback bytes, not game time
        }
    }
}

void TestWholeGame::clickWord(Tchat &w, const QString &word)
{
    // The same cells the keys would take: first by column, then by row.
    BoardModel &board = w.board();
    for (QChar letter : word) {
        bool clicked = false;
        for (int c = 1; c <= 6 && !clicked; ++c) {
            for (int r = 1; r <= 6 && !clicked; ++r) {
                if (BoardModel::myletter(board.letter(c, r)) == QString(letter) && board.mark(c, r) == 0) {
                    QTest::mouseClick(w.boardRoom().board(), Qt::LeftButton, {}, centreOf(c, r));
                    clicked = true;
                }
            }
        }
        QVERIFY(clicked);
    }
    QCOMPARE(w.boardRoom().wordLine()->text(), word);
    QTest::mouseClick(w.boardRoom().board(), Qt::RightButton, {}, centreOf(6, 6));
}

void TestWholeGame::typeWord(Tchat &w, const QString &word)
{
    for (QChar letter : word) {
        QWidget *target = w.focusWidget() ? w.focusWidget() : &w;
        QTest::keyClick(target, Qt::Key(Qt::Key_A + (letter.unicode() - u'A')));
    }
    QCOMPARE(w.boardRoom().wordLine()->text(), word);
    QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Return);
}

void TestWholeGame::aGameFromStartToTally()
{
    app::Program::Options options;
    options.params = {QStringLiteral("Kim"), QStringLiteral("127.0.0.1"), QStringLiteral("true")};
    options.gamePort = QStringLiteral("0");
    options.presencePort = QString::number(closedPort());
    options.soundOutput = &m_kimSound;
    m_kim = std::make_unique<app::Program>(options);
    m_kim->game().setManual(true);
    m_kim->server().dispatcher().setManual(true);
    Tchat &kim = m_kim->mainWindow();
    kim.session().dispatcher().setManual(true);
    kim.flow().setManual(true);
    m_kim->start();
    QTRY_VERIFY(kim.session().sock().hasSocket());
    settle();
    QCOMPARE(kim.session().ownNumber(), 1);

    m_ann = std::make_unique<Tchat>(&m_annSound);
    m_ann->session().dispatcher().setManual(true);
    m_ann->flow().setManual(true);
    client::Launcher &annLaunch = m_ann->launcher();
    annLaunch.setGamePort(QString::number(m_kim->server().listeningPort()));
    annLaunch.setPresencePort(options.presencePort);
    annLaunch.setLaunchParameters({QStringLiteral("Ann"), QStringLiteral("127.0.0.1"), QStringLiteral("join")});
    annLaunch.processparams();
    QTRY_VERIFY(m_kim->server().registry().isActive(2));
    settle();
    QCOMPARE(m_ann->session().ownNumber(), 2);
    QCOMPARE(kim.roster().seatNames().mid(0, 2), (QStringList{"Kim", "Ann"}));
    QVERIFY(!m_ann->startButton()->isVisibleTo(m_ann.get()));

    // START GAME, then the options dialog's START with one round of 30 seconds.
    auto *start = qobject_cast<QAbstractButton *>(kim.startButton());
    QVERIFY(start && start->isVisibleTo(&kim));
    start->click();
    client::Tgamestart &dialog = m_kim->gameStart();
    QVERIFY(dialog.isVisible());
    dialog.setRounds(1);
    dialog.setCreationTime(30);
    dialog.findChild<ui::ImageButton *>(QStringLiteral("button_start"))->click();
    QVERIFY(!dialog.isVisible());
    settle();

    for (Tchat *w : {&kim, m_ann.get()}) {
        QCOMPARE(w->roundRoom().roundLabel()->text(), QStringLiteral("Round: 1 of 1"));
        QCOMPARE(w->roundRoom().timeLabel()->text(), QStringLiteral("Time: 30secs"));
        QCOMPARE(w->roundRoom().statusLabel()->text(), QStringLiteral("Find Words!"));
        QVERIFY(w->board().isOpen());
        QVERIFY(!kim.startButton()->isVisibleTo(&kim));
    }
    const BoardWords on = wordsOn(kim.board(), m_dict);
    QVERIFY2(on.words.size() == 3 && !on.nonWord.isEmpty(), "the deal holds three words of three letters");
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(m_ann->board().letter(c, r), kim.board().letter(c, r));

    // Kim clicks two words; Ann types one, a non-word and the same word again.
    clickWord(kim, on.words[0]);
    settle();
    clickWord(kim, on.words[1]);
    typeWord(*m_ann, on.words[2]);
    typeWord(*m_ann, on.nonWord);
    typeWord(*m_ann, on.words[2]);
    settle();

    QListWidget *kimWords = kim.roundRoom().wordList();
    QCOMPARE(kimWords->count(), 2);
    QCOMPARE(kimWords->item(0)->text(), QStringLiteral("9 : ") + on.words[0]);
    QCOMPARE(kimWords->item(1)->text(), QStringLiteral("9 : ") + on.words[1]);
    QListWidget *annWords = m_ann->roundRoom().wordList();
    QCOMPARE(annWords->count(), 3);
    QCOMPARE(annWords->item(0)->text(), QStringLiteral("9 : ") + on.words[2]);
    QCOMPARE(annWords->item(1)->text(), on.nonWord + QStringLiteral(" : Not Valid"));
    QCOMPARE(annWords->item(2)->text(), on.words[2] + QStringLiteral(" : Repeat"));
    QCOMPARE(m_ann->roundRoom().statusLabel()->text(), QStringLiteral("You already found: ") + on.words[2] + QStringLiteral("."));
    for (Tchat *w : {&kim, m_ann.get()}) {
        QCOMPARE(w->seats().scoreLabel(1)->text(), QStringLiteral("18"));
        QCOMPARE(w->seats().scoreLabel(2)->text(), QStringLiteral("9"));
    }
    QVERIFY(m_kimSound.played.contains(QStringLiteral("goodword")));
    QVERIFY(m_annSound.played.contains(QStringLiteral("badword")));

    // The clocks run out; the host closes the round 4 seconds later.
    for (int s = 0; s < 30; ++s) {
        kim.flow().turntimerTimer();
        m_ann->flow().turntimerTimer();
    }
    for (Tchat *w : {&kim, m_ann.get()}) {
        QCOMPARE(w->roundRoom().statusLabel()->text(), QStringLiteral("Time Up!"));
        QVERIFY(!w->board().isOpen());
    }
    for (int s = 0; s < 34; ++s)
        m_kim->game().onSecond();
    settle();
    for (Tchat *w : {&kim, m_ann.get()}) {
        client::ResultsPanel *results = w->roundRoom().results();
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
    settle();
    QCOMPARE(kim.roundRoom().winnerLabel()->text(), QStringLiteral("You have Won the Game!"));
    QCOMPARE(m_ann->roundRoom().winnerLabel()->text(), QStringLiteral("Kim has Won the Game!"));
    for (Tchat *w : {&kim, m_ann.get()}) {
        QVERIFY(w->roundRoom().winnerBanner()->isVisibleTo(w));
        QVERIFY(!w->roundRoom().results()->isVisibleTo(w));
        QCOMPARE(w->roundRoom().statusLabel()->text(), QStringLiteral("Game Over!"));
    }
    QVERIFY(kim.startButton()->isVisibleTo(&kim));
    QVERIFY(!m_ann->startButton()->isVisibleTo(m_ann.get()));

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
