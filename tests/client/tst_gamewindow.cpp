// The game as the main window shows it: clicks and keys on the board reach
// the host as the right bytes, and what the host sends shows in the right
// widgets, as plain text and to screen readers.
#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/phrasesdialog.h"
#include "client/boardpanel.h"
#include "client/boardroom.h"
#include "client/boardview.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/quickhelp.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "harness.h"
#include "net/dispatcher.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/clicklabel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <memory>

using vorlith::client::BoardModel;
using vorlith::client::GameClient;
using vorlith::client::MainWindow;

namespace {

/// Deal with C, A, T down the first column and three E after them.
const QByteArray Deal = dealLine(QStringLiteral("CATEEEBDFGHIJKLMNOPQRSUVWXYZBDFGHIJK"));
/// Sent by the client after the keys under test: what the host hears
/// before it is what those keys sent.
const QByteArray Barrier = "barrier";

QPoint centreOf(int column, int row)
{
    return QPoint((column - 1) * 65 + 32, (row - 1) * 65 + 32);
}

} // namespace

class TestGameWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void typedKeysDriveTheBoard();
    void typingOffSendsKeysToTheChat();
    void scoresArePlacedAfterTheName();
    void clockBarStaysInItsFrameAndTimeUpHidesTheButtons();
    void peerTextIsPlainText();
    void screenReadersReadTheBoardAndTheButtons();
    void typingLeavesTheOtherWindowsAlone_data();
    void typingLeavesTheOtherWindowsAlone();

private:
    /// Lines from the host, handled at once.
    void hostSays(const QByteArray &lines);
    /// Everything the client sent since the last call.
    QByteArray hostHears();
    void openRound(int own = 2, const QByteArray &time = "60");
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    vorlith::client::BoardPanel &panel() { return m_window->panel(); }

    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<RecordingSoundOutput> m_sound;
    std::unique_ptr<GameClient> m_client;
    std::unique_ptr<MainWindow> m_window;
    RecordingMessageBoxes m_boxes;
};

void TestGameWindow::init()
{
    m_host = std::make_unique<FakeHost>();
    m_sound = std::make_unique<RecordingSoundOutput>();
    m_client = std::make_unique<GameClient>();
    m_window = std::make_unique<MainWindow>(*m_client, m_sound.get());
    m_client->flow().setManual(true);
    m_client->session().dispatcher().setManual(true);
    auto &launcher = m_client->launcher();
    launcher.setGamePort(QString::number(m_host->port()));
    FakeHost lobby;
    launcher.setPresencePort(QString::number(lobby.port()));
    launcher.setLaunchParameters({"Ann", "127.0.0.1", "join"});
    launcher.run();
    QVERIFY(m_host->accept());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestGameWindow::cleanup()
{
    m_window.reset();
    m_client.reset();
    m_host.reset();
}

void TestGameWindow::hostSays(const QByteArray &lines)
{
    ::hostSays(m_client->session().dispatcher(), lines);
}

QByteArray TestGameWindow::hostHears()
{
    m_client->session().send(Barrier);
    return m_host->hearUntil(Barrier);
}

void TestGameWindow::openRound(int own, const QByteArray &time)
{
    const QByteArray n = QByteArray::number(own);
    hostSays("CMD_sendlogininfo+" + n + "\xff" "CMD_newplayerinfo+1+Kim+0+2+Ann+0\xff"
             "CMD_startgame+Kim+3+" + time + "+\xff" + Deal + "\xff" "CMD_roundstarting+1+" + time + "+\xff");
    hostHears(); // the login
    m_sound->played.clear();
}

void TestGameWindow::key(int k, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : m_window.get();
    QTest::keyClick(target, Qt::Key(k), modifiers);
}

void TestGameWindow::typedKeysDriveTheBoard()
{
    openRound();
    QVERIFY(panel().boardRoom().typingBox()->isChecked());
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_E); // the board holds three E
    QCOMPARE(panel().boardRoom().wordLine()->text(), QStringLiteral("EEE"));
    key(Qt::Key_Return);
    QCOMPARE(hostHears(), QByteArray("CMD_myword+2+EEE+\xff"));

    key(Qt::Key_C);
    key(Qt::Key_A, Qt::ShiftModifier);
    key(Qt::Key_T, Qt::ControlModifier); // a Ctrl combination types its letter
    key(Qt::Key_Backspace);
    QCOMPARE(panel().boardRoom().wordLine()->text(), QStringLiteral("CA"));
    key(Qt::Key_1);
    QCOMPARE(panel().boardRoom().wordLine()->text(), QString());

    // Space and 6 shuffle; afterwards every letter can still be typed once.
    const BoardModel &b = m_client->board();
    QString before;
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            before += BoardModel::myletter(b.letter(c, r));
    key(Qt::Key_Space);
    key(Qt::Key_6);
    QCOMPARE(m_sound->played.count(QStringLiteral("shuffle")), 2);
    for (QChar letter : before)
        key(Qt::Key_A + (letter.unicode() - u'A'));
    QString typed = m_client->board().word();
    std::sort(typed.begin(), typed.end());
    std::sort(before.begin(), before.end());
    QCOMPARE(typed, before);

    // Menu shortcuts are typing too: Ctrl+I does not open the instructions.
    key(Qt::Key_1);
    key(Qt::Key_I, Qt::ControlModifier);
    QVERIFY(!panel().quickHelp().isVisible());
    QCOMPARE(m_client->board().word(), QStringLiteral("I"));
    QCOMPARE(hostHears(), QByteArray());
}

void TestGameWindow::typingOffSendsKeysToTheChat()
{
    // Before the round, keys and Tab belong to the window as usual.
    hostSays("CMD_sendlogininfo+2\xff" + Deal + "\xff");
    panel().boardRoom().typingBox()->setFocus();
    key(Qt::Key_Tab);
    QVERIFY(!panel().boardRoom().typingBox()->hasFocus());
    QVERIFY(!m_client->board().typing());

    openRound();
    panel().boardRoom().enterButton()->setFocus();
    key(Qt::Key_Tab);
    QVERIFY(!m_client->board().typing());
    QVERIFY(panel().boardRoom().enterButton()->hasFocus()); // Tab was taken
    key(Qt::Key_C);
    // The key moved the focus to the chat input and reached nothing on the board.
    auto *input = panel().chatRoom().mychat();
    QVERIFY(input->hasFocus());
    QCOMPARE(m_client->board().word(), QString());
    key(Qt::Key_H);
    key(Qt::Key_I);
    QVERIFY(input->text().endsWith(QStringLiteral("hi")));
    key(Qt::Key_Tab);
    QVERIFY(m_client->board().typing());
    key(Qt::Key_C);
    QCOMPARE(m_client->board().word(), QStringLiteral("C"));
    QVERIFY(input->text().endsWith(QStringLiteral("hi")));
}

void TestGameWindow::scoresArePlacedAfterTheName()
{
    openRound();
    hostSays("CMD_hisscore+2+45+9+\xff");
    auto &seats = panel().seats();
    QLabel *name = seats.nameLabel(2);
    QLabel *score = seats.scoreLabel(2);
    QLabel *bonus = seats.bonusLabel(2);
    QCOMPARE(score->text(), QStringLiteral("45"));
    QCOMPARE(bonus->text(), QStringLiteral("+9"));
    QCOMPARE(score->x(), name->x() + name->width() + 4);
    QCOMPARE(bonus->x(), score->x() + score->width() + 4);
    QCOMPARE(score->y(), name->y());
    // Scores for numbers that are no seat change nothing.
    hostSays("CMD_hisscore+0+99+9+\xff" "CMD_hisscore+8+99+9+\xff");
    for (int n = 1; n <= 6; ++n)
        QVERIFY(seats.scoreLabel(n)->text() != QStringLiteral("99"));
}

void TestGameWindow::clockBarStaysInItsFrameAndTimeUpHidesTheButtons()
{
    openRound(2, "2147483647");
    auto *clock = panel().roundRoom().clock();
    QVERIFY(clock->frame()->geometry().contains(clock->bar()->geometry()));
    QCOMPARE(clock->bar()->width(), 120);
    m_client->flow().tickCountdown();
    QCOMPARE(clock->label()->text(), QStringLiteral("Time: 35791394:06"));
    QVERIFY(panel().boardRoom().clearButton()->isVisible());
    QVERIFY(panel().boardRoom().shuffleButton()->isVisible());
    QVERIFY(panel().boardRoom().enterButton()->isVisible());

    // A round of 6 seconds reaches Time Up! and sends nothing after it.
    hostSays("CMD_roundstarting+2+6+\xff");
    QTest::mouseClick(panel().boardRoom().board(), Qt::LeftButton, {}, centreOf(1, 1));
    for (int i = 0; i < 6; ++i)
        m_client->flow().tickCountdown();
    QCOMPARE(panel().roundRoom().statusLabel()->text(), QStringLiteral("Time Up!"));
    QCOMPARE(clock->label()->text(), QStringLiteral("Time: 0:00"));
    QVERIFY(!panel().boardRoom().enterButton()->isVisible());
    QCOMPARE(panel().boardRoom().wordLine()->text(), QStringLiteral("C")); // the word stays
    QTest::mouseClick(panel().boardRoom().board(), Qt::RightButton, {}, centreOf(1, 1));
    key(Qt::Key_Return);
    QCOMPARE(hostHears(), QByteArray());
}

void TestGameWindow::peerTextIsPlainText()
{
    const QByteArray name = "<b>Bo</b>&amp;";
    hostSays("CMD_sendlogininfo+2\xff" "CMD_newplayerinfo+1+" + name + "+0+2+Ann+0\xff"
             "CMD_startgame+" + name + "+<i>3</i>+60+\xff" + Deal + "\xff" "CMD_roundstarting+1+60+\xff"
             "CMD_hisword+2+9+<u>x</u>+\xff"
             "CMD_roundover+1+9+9+<b>CAT</b>:9,+2+0+0++3+0+0++4+0+0++5+0+0++6+0+0+\xff"
             "CMD_winner+" + name + "+\xff");
    const QList<QLabel *> labels = m_window->findChildren<QLabel *>();
    int shown = 0;
    for (QLabel *label : labels) {
        if (!label->text().contains(QLatin1Char('<')))
            continue;
        ++shown;
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        QVERIFY2(label->toolTip().isEmpty(), qPrintable(label->objectName()));
    }
    // Seat, results name, round label, status, both banner labels.
    QVERIFY(shown >= 6);
    QCOMPARE(panel().seats().nameLabel(1)->text(), QString::fromLatin1(name));
}

void TestGameWindow::screenReadersReadTheBoardAndTheButtons()
{
    openRound();
    QTest::mouseClick(panel().boardRoom().board(), Qt::LeftButton, {}, centreOf(1, 1));
    QAccessibleInterface *board =
        QAccessible::queryAccessibleInterface(panel().boardRoom().board());
    QVERIFY(board);
    QCOMPARE(board->childCount(), 6);
    QCOMPARE(board->child(0)->text(QAccessible::Name), QStringLiteral("Row 1: C used, B, J, P, W, F"));
    QCOMPARE(board->child(5)->text(QAccessible::Name), QStringLiteral("Row 6: E, I, O, V, D, K"));
    QCOMPARE(board->child(2)->parent(), board);
    QCOMPARE(board->indexOfChild(board->child(3)), 3);
    QCOMPARE(board->text(QAccessible::Description), QStringLiteral("Word under construction: C"));

    // Every image button is announced by a name of its own.
    const QList<vorlith::ui::ImageButton *> buttons = m_window->findChildren<vorlith::ui::ImageButton *>();
    QVERIFY(buttons.size() >= 17);
    for (vorlith::ui::ImageButton *b : buttons) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(b);
        QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(iface->role(), QAccessible::Button);
    }
}

void TestGameWindow::typingLeavesTheOtherWindowsAlone_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("phrase list") << QStringLiteral("phrases");
    QTest::newRow("another main window's chat") << QStringLiteral("main");
}

void TestGameWindow::typingLeavesTheOtherWindowsAlone()
{
    QFETCH(QString, window);
    openRound();
    QVERIFY(m_client->board().typing());

    // Another window of the program takes the keys while the round runs.
    GameClient otherClient;
    otherClient.launcher().setLaunchParameters({QStringLiteral("Zoe")}); // connects nowhere
    std::unique_ptr<QWidget> other;
    QLineEdit *edit = nullptr;
    if (window == QLatin1String("phrases")) {
        auto phrases = std::make_unique<vorlith::chat::PhrasesDialog>(QPixmap());
        phrases->showWith(QStringList(9, QString()));
        edit = phrases->edit(1);
        other = std::move(phrases);
    } else {
        auto main = std::make_unique<MainWindow>(otherClient, m_sound.get());
        main->show();
        edit = main->panel().chatRoom().mychat();
        other = std::move(main);
    }
    other->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(other.get()));
    edit->setFocus();
    edit->clear();
    for (int k :
         {Qt::Key_C, Qt::Key_A, Qt::Key_T, Qt::Key_Space, Qt::Key_1, Qt::Key_6, Qt::Key_Backspace})
        key(k);
    key(Qt::Key_Tab);
    key(Qt::Key_Return);

    // The keys did their usual work there, and none reached the board.
    QCOMPARE(edit->text(), QStringLiteral("cat 1"));
    QCOMPARE(m_client->board().word(), QString());
    QVERIFY(m_client->board().typing());
    QCOMPARE(m_sound->played.count(QStringLiteral("shuffle")), 0);
    QCOMPARE(hostHears(), QByteArray());
}

QTEST_MAIN(TestGameWindow)
#include "tst_gamewindow.moc"
