#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/phrases.h"
#include "recordingboxes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QWidget>

using namespace vorlith::chat;

Q_DECLARE_METATYPE(vorlith::chat::OutgoingChat)

namespace {

// Pixels of exactly \a color inside \a rect of the view's picture.
int pixelsOf(ChatView &view, const QRect &rect, const QColor &color)
{
    const QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += QColor(image.pixel(x, y)) == color;
    }
    return n;
}

} // namespace

class TestChatRoom : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<ChatRoom> m_room;
    QList<QUrl> m_opened;

    ChatView &view() { return *m_room->mainchat(); }
    ChatInput &input() { return *m_room->mychat(); }

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(350, 360);
        m_room = std::make_unique<ChatRoom>(m_window.get());
        view().setGeometry(0, 0, 342, 331);
        input().setGeometry(0, 335, 342, 21);
        m_opened.clear();
        m_room->setLinkOpener([this](const QUrl &url) {
            m_opened.append(url);
            return true;
        });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_room.reset();
        m_window.reset();
    }

    void drawsEachLineAsItemsInItsStyle_data()
    {
        QTest::addColumn<QString>("line"); // as relayed; without a slot, the program's own
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("color");
        // A chat: bold, in the sender's colour (slot 3 draws in style 8).
        QTest::newRow("chat") << "3+Bob chats: hello|clBlack"
                              << QStringList{"Bob chats: ", " ", "hello "} << 8 << QColor(0, 0, 0);
        QTest::newRow("action") << "2+Ann waves|clBlack" << QStringList{" ", "Ann ", "waves "} << 7
                                << QColor(0, 0, 0);
        QTest::newRow("own line, in the system colour")
            << "You are Connected." << QStringList{" ", "You ", "are ", "Connected. "} << 0
            << QColor(0, 0, 255);
        QTest::newRow("unreadable colour: red")
            << "5+Cy chats: a|b|clBlue" << QStringList{"Cy chats: ", " ", "a "} << 10
            << QColor(255, 0, 0);
    }
    void drawsEachLineAsItemsInItsStyle()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, items);
        QFETCH(int, style);
        QFETCH(QColor, color);
        if (line.contains(QLatin1Char('|')))
            m_room->onChatReceived(line);
        else
            m_room->addSystemLine(line);
        QStringList drawn;
        for (int i = 0; i < view().itemCount(); ++i) {
            drawn << view().item(i).text;
            QCOMPARE(view().item(i).startsLine, i == 0);
        }
        QCOMPARE(drawn, items);
        QCOMPARE(view().item(0).style, style);
        QCOMPARE(view().style(style).color, color);
        QVERIFY(view().style(style).bold);
        QVERIFY(!view().style(style).italic);
        QVERIFY(!view().style(style).underline);
    }

    void recoloursAPlayersEarlierLines()
    {
        m_room->onChatReceived(QStringLiteral("3+Bob chats: MMMM|clRed"));
        m_room->onChatReceived(QStringLiteral("2+Ann chats: MMMM|clBlue"));
        const QRect bobFirst = view().rowsOfLine(0).at(0).at(0).rect;
        const QRect annFirst = view().rowsOfLine(1).at(0).at(0).rect;
        QVERIFY(pixelsOf(view(), bobFirst, QColor(255, 0, 0)) > 10);

        m_room->onChatReceived(QStringLiteral("3+Bob chats: MMMM|$00008000"));
        QCOMPARE(pixelsOf(view(), bobFirst, QColor(255, 0, 0)), 0);
        QVERIFY(pixelsOf(view(), bobFirst, QColor(0, 128, 0)) > 10);
        QVERIFY(pixelsOf(view(), annFirst, QColor(0, 0, 255)) > 10);
        QCOMPARE(view().style(7).color, QColor(0, 0, 255));
    }

    void drawsSmileysFromTheirCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("image");
        QTest::newRow("12") << "12" << 2;
        QTest::newRow("10") << "10" << 0;
        QTest::newRow("27") << "27" << 17;
        QTest::newRow("99") << "99" << 0;
        QTest::newRow("ab") << "ab" << 0;
    }
    void drawsSmileysFromTheirCodes()
    {
        QFETCH(QString, code);
        QFETCH(int, image);
        m_room->onChatReceived(QStringLiteral("3+Bob chats: :)#") + code +
                             QStringLiteral("|clBlack"));
        QCOMPARE(view().itemCount(), 4);
        QCOMPARE(view().item(3).kind, ChatView::ItemKind::Image);
        QCOMPARE(view().item(3).image, image);
    }

    void opensWebLinksWithoutTheirSpace()
    {
        RecordingMessageBoxes boxes;
        m_room->onChatReceived(QStringLiteral("3+Bob chats: look www.example.com/a?b=1|clBlack"));
        QCOMPARE(view().item(3).style, ChatView::kLinkStyle);
        QCOMPARE(view().item(3).text, QStringLiteral("www.example.com/a?b=1 "));
        QTest::mouseClick(view().viewport(), Qt::LeftButton, {},
                          view().rowsOfLine(0).at(0).at(3).rect.center());
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://www.example.com/a?b=1"))});
        QVERIFY(boxes.shown.isEmpty());
    }

    void refusesLinksThatAreNoWebPage_data()
    {
        QTest::addColumn<QString>("word");
        QTest::newRow("file") << "file:///etc/passwd#www.x";
        QTest::newRow("program") << "/usr/bin/xterm?http://";
        QTest::newRow("bare scheme") << "http://";
    }
    void refusesLinksThatAreNoWebPage()
    {
        QFETCH(QString, word);
        RecordingMessageBoxes boxes;
        m_room->mainchatJump(word + QLatin1Char(' '));
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(boxes.shown, QStringList{QStringLiteral("Cannot open Webpage")});
    }

    void followsTheNewestLineUnlessScrollingIsOff()
    {
        m_room->setTextSize(14);
        // One long line wrapping over many rows is shown to its end, though it
        // has only a few items.
        m_room->onChatReceived(QStringLiteral("3+Bob chats: ") + QString(400, QLatin1Char('W')) +
                             QStringLiteral("|clBlack"));
        QVERIFY(view().rowsOfLine(0).size() > 5);
        QVERIFY(view().vScrollMax() > view().itemCount());
        QCOMPARE(view().vScrollPos(), view().vScrollMax());

        for (int i = 0; i < 40; ++i)
            m_room->onChatReceived(QStringLiteral("3+Bob chats: line %1|clBlack").arg(i));
        QCOMPARE(view().vScrollPos(), view().vScrollMax());

        m_room->scrollChatOffAction()->trigger();
        QVERIFY(m_room->scrollChatOff());
        m_room->onChatReceived(QStringLiteral("3+Bob chats: more|clBlack"));
        QCOMPARE(view().vScrollPos(), 0);
    }

    void scrollChatOffTogglesWithCtrlS()
    {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        input().setFocus();
        QTest::keyClick(&input(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(m_room->scrollChatOff());
        QTest::keyClick(&input(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!m_room->scrollChatOff());
    }

    void textSizeItemsSetEveryStyle()
    {
        QSignalSpy saved(m_room.get(), &ChatRoom::settingsChanged);
        m_room->textSizeActions().at(2)->trigger();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(m_room->textSize(), 12);
        for (int i = 0; i < ChatView::kStyleCount; ++i)
            QCOMPARE(view().style(i).pointSize, 12);
        QList<bool> checks;
        for (QAction *action : m_room->textSizeActions())
            checks.append(action->isChecked());
        QCOMPARE(checks, (QList<bool>{false, false, true, false}));

        m_room->setTextSize(9);
        QCOMPARE(view().style(14).pointSize, 9);
        for (QAction *action : m_room->textSizeActions())
            QVERIFY(!action->isChecked());
    }

    void textColourComesFromTheChooser()
    {
        QSignalSpy saved(m_room.get(), &ChatRoom::settingsChanged);
        m_room->setColorChooser(
            [](const QColor &) -> std::optional<QColor> { return std::nullopt; });
        m_room->textColorAction()->trigger();
        QCOMPARE(saved.size(), 0);
        QCOMPARE(m_room->textColor(), kColorBlack);

        m_room->setColorChooser(
            [](const QColor &) -> std::optional<QColor> { return QColor(0, 0, 255); });
        m_room->textColorAction()->trigger();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(m_room->textColor(), kColorBlue);
        QCOMPARE(input().palette().color(QPalette::Text), QColor(0, 0, 255));
    }

    void enterSendsWhatTheBoxHolds()
    {
        qRegisterMetaType<OutgoingChat>();
        QSignalSpy sent(m_room.get(), &ChatRoom::sendRequested);
        m_room->setTextColor(kColorRed);
        QCOMPARE(input().text(), QStringLiteral("<Enter Chat Here>"));

        QTest::keyClicks(&input(), QStringLiteral("hello"));
        QTest::keyClick(&input(), Qt::Key_Return);
        QCOMPARE(sent.size(), 0); // not connected yet: the text stays
        QCOMPARE(input().text(), QStringLiteral("hello"));

        m_room->setConnected(true);
        QTest::keyClick(&input(), Qt::Key_Return);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).at(0).value<OutgoingChat>(),
                 (OutgoingChat{OutgoingChat::Kind::Chat, QStringLiteral("hello"),
                               QStringLiteral("clRed")}));
        QCOMPARE(input().text(), QString());

        QTest::keyClicks(&input(), QStringLiteral("/me waves"));
        QTest::keyClick(&input(), Qt::Key_Enter);
        QCOMPARE(sent.at(1).at(0).value<OutgoingChat>(),
                 (OutgoingChat{OutgoingChat::Kind::Action, QStringLiteral("waves"),
                               QStringLiteral("clRed")}));

        QTest::keyClicks(&input(), QStringLiteral("/help"));
        QTest::keyClick(&input(), Qt::Key_Return);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(input().text(), QString());
    }

    void pasteAppendsAtTheEnd()
    {
        QApplication::clipboard()->setText(QStringLiteral("XY"));
        QTest::keyClick(&input(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(input().text(), QStringLiteral("XY"));

        input().setText(QStringLiteral("abc"));
        input().setCursorPosition(1);
        QTest::keyClick(&input(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(input().text(), QStringLiteral("abcXY"));
        QCOMPARE(input().cursorPosition(), 5);
        QVERIFY(!input().hasSelectedText());

        QApplication::clipboard()->clear();
        input().pasteAppend();
        QCOMPARE(input().text(), QStringLiteral("abcXY"));
    }

    void clearMainChatEmptiesTheView()
    {
        m_room->onChatReceived(QStringLiteral("3+Bob chats: hello|clBlack"));
        m_room->clearMainChatAction()->trigger();
        QCOMPARE(view().itemCount(), 0);
        QCOMPARE(view().vScrollMax(), 0);
        m_room->onChatReceived(QStringLiteral("3+Bob chats: again|clBlack"));
        QCOMPARE(view().itemCount(), 3);
    }

    void floodKeepsTheLastLinesAndStillClears()
    {
        const int total = ChatView::kMaxLines + 10;
        for (int i = 0; i < total; ++i)
            m_room->onChatReceived(QStringLiteral("3+Bob chats: line %1|clBlack").arg(i));
        QCOMPARE(view().lineCount(), ChatView::kMaxLines);
        QCOMPARE(view().item(3).text, QStringLiteral("10 "));
        QCOMPARE(view().vScrollPos(), view().vScrollMax()); // still follows the newest line
        m_room->clearMainChatAction()->trigger();
        QCOMPARE(view().lineCount(), 0);
        QCOMPARE(view().itemCount(), 0);
    }

    void phraseHintsShowTheirTextAsItCame()
    {
        PhraseButtons buttons(m_window.get(), 0, 0);
        const QString phrase = QStringLiteral("<img src=/dev/zero> <b>x</b> &amp;");
        buttons.setPhrase(4, phrase);
        QCOMPARE(buttons.phrase(4), phrase);
        QCOMPARE(buttons.phrases().at(0), PhraseButtons::builtInPhrases().at(0));
        auto *button = m_window->findChild<QWidget *>(QStringLiteral("b_phrase4"));
        QVERIFY(button);
        // A hint is read as markup: what it reads as must be the phrase.
        const QString hint = button->toolTip();
        QVERIFY(Qt::mightBeRichText(hint));
        QCOMPARE(QTextDocumentFragment::fromHtml(hint).toPlainText(), phrase);
        QToolTip::showText(button->mapToGlobal(QPoint(2, 2)), hint, button);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), hint);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->inherits("QTipLabel"))
                QVERIFY(!w->grab().isNull());
        }
        QToolTip::hideText();
    }
};

QTEST_MAIN(TestChatRoom)
#include "tst_chatroom.moc"
