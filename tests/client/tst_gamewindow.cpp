// The game as the main window shows it: clicks and keys on the board reach
// the host as the right bytes, and what the host sends shows in the right
// widgets, as plain text and to screen readers.
#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "client/boardroom.h"
#include "client/boardview.h"
#include "client/chatform.h"
#include "client/clientsession.h"
#include "client/launcher.h"
#include "client/quickhelp.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "net/dispatcher.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/clicklabel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using vorlith::client::BoardModel;
using vorlith::client::Tchat;

namespace {

/// Deal with C, A, T down the first column and three E after them.
const QByteArray Deal = "CMD_makeboard+1+3+2+1+3+20+4+5+5+5+6+5+7+2+8+4+9+6+10+7+11+8+12+9+13+10+14+11+15+12+16+13"
                        "+17+14+18+15+19+16+20+17+21+18+22+19+23+21+24+22+25+23+26+24+27+25+28+26+29+2+30+4+31+6"
                        "+32+7+33+8+34+9+35+10+36+11";

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

private:
    /// Lines from the host, handled at once.
    void hostSays(const QByteArray &lines);
    /// Everything the window sent since the last call.
    QByteArray hostHears();
    void openRound(int own = 2, const QByteArray &time = "60");
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    std::unique_ptr<QTcpServer> m_host;
    QTcpSocket *m_peer{nullptr};
    std::unique_ptr<RecordingSoundOutput> m_sound;
    std::unique_ptr<Tchat> m_window;
    RecordingMessageBoxes m_boxes;
};

void TestGameWindow::init()
{
    m_host = std::make_unique<QTcpServer>();
    QVERIFY(m_host->listen(QHostAddress::LocalHost, 0));
    m_sound = std::make_unique<RecordingSoundOutput>();
    m_window = std::make_unique<Tchat>(m_sound.get());
    m_window->flow().setManual(true);
    m_window->session().dispatcher().setManual(true);
    auto &launcher = m_window->launcher();
    launcher.setGamePort(QString::number(m_host->serverPort()));
    QTcpServer lobby;
    lobby.listen(QHostAddress::LocalHost, 0);
    launcher.setPresencePort(QString::number(lobby.serverPort()));
    launcher.setLaunchParameters({"Ann", "127.0.0.1", "join"});
    launcher.processparams();
    QTRY_VERIFY(m_host->hasPendingConnections());
    m_peer = m_host->nextPendingConnection();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestGameWindow::cleanup()
{
    m_window.reset();
    m_host.reset();
}

void TestGameWindow::hostSays(const QByteArray &lines)
{
    auto &d = m_window->session().dispatcher();
    for (const QByteArray &line : lines.split('\xff')) {
        if (!line.isEmpty())
            d.enqueue(line);
    }
    d.drain();
}

QByteArray TestGameWindow::hostHears()
{
    // Loopback delivers within a few event-loop turns.
    QByteArray got;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(2);
        got += m_peer->readAll();
    }
    return got;
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
    QVERIFY(m_window->boardRoom().typingBox()->isChecked());
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_E); // the board holds three E
    QCOMPARE(m_window->boardRoom().wordLine()->text(), QStringLiteral("EEE"));
    key(Qt::Key_Return);
    QCOMPARE(hostHears(), QByteArray("CMD_myword+2+EEE+\xff"));

    key(Qt::Key_C);
    key(Qt::Key_A, Qt::ShiftModifier);
    key(Qt::Key_T, Qt::ControlModifier); // a Ctrl combination types its letter
    key(Qt::Key_Backspace);
    QCOMPARE(m_window->boardRoom().wordLine()->text(), QStringLiteral("CA"));
    key(Qt::Key_1);
    QCOMPARE(m_window->boardRoom().wordLine()->text(), QString());

    // Space and 6 shuffle; afterwards every letter can still be typed once.
    const BoardModel &b = m_window->board();
    QString before;
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            before += BoardModel::myletter(b.letter(c, r));
    key(Qt::Key_Space);
    key(Qt::Key_6);
    QCOMPARE(m_sound->played.count(QStringLiteral("shuffle")), 2);
    for (QChar letter : before)
        key(Qt::Key_A + (letter.unicode() - u'A'));
    QString typed = m_window->board().word();
    std::sort(typed.begin(), typed.end());
    std::sort(before.begin(), before.end());
    QCOMPARE(typed, before);

    // Menu shortcuts are typing too: Ctrl+I does not open the instructions.
    key(Qt::Key_1);
    key(Qt::Key_I, Qt::ControlModifier);
    QVERIFY(!m_window->quickHelp().isVisible());
    QCOMPARE(m_window->board().word(), QStringLiteral("I"));
    QCOMPARE(hostHears(), QByteArray());
}

void TestGameWindow::typingOffSendsKeysToTheChat()
{
    // Before the round, keys and Tab belong to the window as usual.
    hostSays("CMD_sendlogininfo+2\xff" + Deal + "\xff");
    m_window->boardRoom().typingBox()->setFocus();
    key(Qt::Key_Tab);
    QVERIFY(!m_window->boardRoom().typingBox()->hasFocus());
    QVERIFY(!m_window->board().typing());

    openRound();
    m_window->boardRoom().enterButton()->setFocus();
    key(Qt::Key_Tab);
    QVERIFY(!m_window->board().typing());
    QVERIFY(m_window->boardRoom().enterButton()->hasFocus()); // Tab was taken
    key(Qt::Key_C);
    // The key moved the focus to the chat input and reached nothing on the board.
    auto *input = m_window->chatRoom().mychat();
    QVERIFY(input->hasFocus());
    QCOMPARE(m_window->board().word(), QString());
    key(Qt::Key_H);
    key(Qt::Key_I);
    QVERIFY(input->text().endsWith(QStringLiteral("hi")));
    key(Qt::Key_Tab);
    QVERIFY(m_window->board().typing());
    key(Qt::Key_C);
    QCOMPARE(m_window->board().word(), QStringLiteral("C"));
    QVERIFY(input->text().endsWith(QStringLiteral("hi")));
}

void TestGameWindow::scoresArePlacedAfterTheName()
{
    openRound();
    hostSays("CMD_hisscore+2+45+9+\xff");
    auto &seats = m_window->seats();
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
    auto *clock = m_window->roundRoom().clock();
    QVERIFY(clock->frame()->geometry().contains(clock->bar()->geometry()));
    QCOMPARE(clock->bar()->width(), 120);
    m_window->flow().turntimerTimer();
    QCOMPARE(clock->label()->text(), QStringLiteral("Time: 35791394:06"));
    QVERIFY(m_window->boardRoom().clearButton()->isVisible());
    QVERIFY(m_window->boardRoom().shuffleButton()->isVisible());
    QVERIFY(m_window->boardRoom().enterButton()->isVisible());

    // A round of 6 seconds reaches Time Up! and sends nothing after it.
    hostSays("CMD_roundstarting+2+6+\xff");
    QTest::mouseClick(m_window->boardRoom().board(), Qt::LeftButton, {}, centreOf(1, 1));
    for (int i = 0; i < 6; ++i)
        m_window->flow().turntimerTimer();
    QCOMPARE(m_window->roundRoom().statusLabel()->text(), QStringLiteral("Time Up!"));
    QCOMPARE(clock->label()->text(), QStringLiteral("Time: 0:00"));
    QVERIFY(!m_window->boardRoom().enterButton()->isVisible());
    QCOMPARE(m_window->boardRoom().wordLine()->text(), QStringLiteral("C")); // the word stays
    QTest::mouseClick(m_window->boardRoom().board(), Qt::RightButton, {}, centreOf(1, 1));
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
    QCOMPARE(m_window->seats().nameLabel(1)->text(), QString::fromLatin1(name));
}

void TestGameWindow::screenReadersReadTheBoardAndTheButtons()
{
    openRound();
    QTest::mouseClick(m_window->boardRoom().board(), Qt::LeftButton, {}, centreOf(1, 1));
    QAccessibleInterface *board = QAccessible::queryAccessibleInterface(m_window->boardRoom().board());
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

QTEST_MAIN(TestGameWindow)
#include "tst_gamewindow.moc"
