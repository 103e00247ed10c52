#include "chat/chatview.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using vorlith::chat::ChatView;

namespace {

using Rows = QList<QList<ChatView::Piece>>;

// (item, start, length) of every piece of every row, for comparing layouts.
QString describe(const ChatView &view)
{
    QString out;
    for (int l = 0; l < view.lineCount(); ++l) {
        const Rows rows = view.rowsOfLine(l);
        for (const auto &row : rows) {
            for (const ChatView::Piece &p : row) {
                out += QStringLiteral("%1:%2+%3@%4,%5 ")
                           .arg(p.item)
                           .arg(p.start)
                           .arg(p.length)
                           .arg(p.rect.x())
                           .arg(p.rect.y());
            }
            out += QLatin1Char('|');
        }
        out += QLatin1Char('\n');
    }
    return out;
}

// The text each row of line \a line shows.
QStringList rowTexts(const ChatView &view, int line)
{
    QStringList texts;
    for (const auto &row : view.rowsOfLine(line)) {
        QString text;
        for (const ChatView::Piece &p : row) {
            const ChatView::Item &item = view.item(p.item);
            text += item.kind == ChatView::ItemKind::Image ? QStringLiteral("[img]")
                                                           : item.text.mid(p.start, p.length);
        }
        texts.append(text);
    }
    return texts;
}

void fill(ChatView &view, int lines)
{
    for (int i = 0; i < lines; ++i) {
        view.addText(QStringLiteral("Player%1 chats: ").arg(i % 7), 8, true);
        view.addText(QStringLiteral("some "), 8);
        view.addLink(QStringLiteral("www.example.com "));
        view.addImage(i % 18);
        view.addText(QStringLiteral("words that wrap at narrow widths "), 8);
    }
}

} // namespace

class TestChatView : public QObject
{
    Q_OBJECT

private:
    // A view whose layout width is exactly \a width pixels.
    void sizeFor(ChatView &view, int width)
    {
        view.resize(width + 2 * ChatView::kMargin + view.verticalScrollBar()->sizeHint().width() +
                        2 * view.frameWidth(),
                    200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.viewport()->width() - 2 * ChatView::kMargin, width);
    }

private Q_SLOTS:
    void breaksLinesByTheRule_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("fitting");
        QTest::addColumn<QStringList>("rows");
        // Each row: the items are laid out in a width that just holds the
        // text "fitting".
        QTest::newRow("all fits") << QStringList{"aaa ", "bbb "} << "aaa bbb "
                                  << QStringList{"aaa bbb "};
        QTest::newRow("word moves down")
            << QStringList{"aaa ", "bbb ", "ccc "} << "aaa bbb " << QStringList{"aaa bbb ", "ccc "};
        QTest::newRow("break after last fitting space")
            << QStringList{"aaa bbb ccc ddd "} << "aaa bbb cc"
            << QStringList{"aaa bbb ", "ccc ddd "};
        QTest::newRow("long word alone is cut")
            << QStringList{"xxxxxxxxxxxx"} << "xxxxxx" << QStringList{"xxxxxx", "xxxxxx"};
        QTest::newRow("long word after others moves then is cut")
            << QStringList{"xx ", "xxxxxxxxxxxx"} << "xxxxxxxx"
            << QStringList{"xx ", "xxxxxxxx", "xxxx"};
        QTest::newRow("text after a cut continues the row")
            << QStringList{"aaa bbb ", "c "} << "aaa bb" << QStringList{"aaa ", "bbb c "};
    }
    void breaksLinesByTheRule()
    {
        QFETCH(QStringList, items);
        QFETCH(QString, fitting);
        QFETCH(QStringList, rows);
        ChatView view;
        view.setStyleFace(8, true, false, false);
        const QFontMetrics fm(QFont(view.style(8).fontName, view.style(8).pointSize, QFont::Bold));
        sizeFor(view, fm.horizontalAdvance(fitting));
        bool first = true;
        for (const QString &text : items) {
            view.addText(text, 8, first);
            first = false;
        }
        view.format();
        QCOMPARE(rowTexts(view, 0), rows);
        for (const auto &row : view.rowsOfLine(0)) {
            int width = 0;
            for (const ChatView::Piece &p : row)
                width += p.rect.width();
            QVERIFY(width <= fm.horizontalAdvance(fitting));
        }
    }

    void imagesWrapLikeWords()
    {
        ChatView view;
        const QFontMetrics fm(QFont(view.style(8).fontName, view.style(8).pointSize));
        sizeFor(view,
                fm.horizontalAdvance(QStringLiteral("abc ")) + ChatView::kImageSize.width() - 1);
        view.addText(QStringLiteral("abc "), 8, true);
        view.addImage(3);
        view.addImage(99);
        view.format();
        QCOMPARE(rowTexts(view, 0), (QStringList{"abc ", "[img][img]"}));
        QCOMPARE(view.rowsOfLine(0).at(1).at(0).rect.size(), ChatView::kImageSize);
    }

    void layoutKeptPerLineMatchesAFreshLayout()
    {
        // Lines added one at a time, a face change and a size change later on,
        // must lay out exactly as the same content laid out in one go.
        ChatView stepwise;
        sizeFor(stepwise, 180);
        for (int i = 0; i < 40; ++i) {
            fill(stepwise, 1);
            if (i == 10)
                stepwise.setStyleFace(8, true, false, false);
            if (i == 20)
                stepwise.setStyleSize(4, 14);
            stepwise.format();
        }
        ChatView once;
        sizeFor(once, 180);
        once.setStyleFace(8, true, false, false);
        once.setStyleSize(4, 14);
        fill(once, 40);
        once.format();
        QCOMPARE(describe(stepwise), describe(once));
        QCOMPARE(stepwise.documentHeight(), once.documentHeight());

        // A width change lays everything out again.
        sizeFor(stepwise, 300);
        sizeFor(once, 300);
        once.format();
        QCOMPARE(describe(stepwise), describe(once));
    }

    void sizeChangesWaitForTheNextLayout()
    {
        ChatView view;
        sizeFor(view, 300);
        view.addText(QStringLiteral("hello "), 8, true);
        view.format();
        const int before = view.rowsOfLine(0).at(0).at(0).rect.height();
        view.setAllStyleSizes(20);
        QCOMPARE(view.rowsOfLine(0).at(0).at(0).rect.height(), before);
        view.addText(QStringLiteral("again "), 8, true);
        view.format();
        QVERIFY(view.rowsOfLine(0).at(0).at(0).rect.height() > before);
    }

    void scrollsInTenPixelUnitsHeldToTheRange()
    {
        ChatView view;
        sizeFor(view, 200);
        fill(view, 50);
        view.format();
        QCOMPARE(view.vScrollPos(), 0);
        const int overflow = view.documentHeight() - view.viewport()->height();
        QVERIFY(overflow > 0);
        QCOMPARE(view.vScrollMax(), (overflow + 9) / 10);
        view.setVScrollPos(3);
        QCOMPARE(view.verticalScrollBar()->value(), 3);
        view.setVScrollPos(view.itemCount() * 100);
        QCOMPARE(view.vScrollPos(), view.vScrollMax());
        view.setVScrollPos(-4);
        QCOMPARE(view.vScrollPos(), 0);
        view.setVScrollPos(7);
        view.format();
        QCOMPARE(view.vScrollPos(), 0);
        QCOMPARE(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void selectsAndCopiesPlainText()
    {
        ChatView view;
        sizeFor(view, 400);
        view.addText(QStringLiteral("Bob chats: "), 8, true);
        view.addText(QStringLiteral(" "), 8);
        view.addText(QStringLiteral("hello "), 8);
        view.addImage(2);
        view.addText(QStringLiteral(" "), 7, true);
        view.addLink(QStringLiteral("www.x.org "));
        view.format();

        QApplication::clipboard()->setText(QStringLiteral("untouched"));
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));

        view.selectAll();
        QCOMPARE(view.selectedText(), QStringLiteral("Bob chats:  hello \n www.x.org "));
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Bob chats:  hello \n www.x.org "));

        // Drag across the first row with the mouse.
        const QRect first = view.rowsOfLine(0).at(0).at(0).rect;
        const QRect hello = view.rowsOfLine(0).at(0).at(2).rect;
        QTest::mousePress(view.viewport(), Qt::LeftButton, {},
                          QPoint(first.left(), first.center().y()));
        QTest::mouseMove(view.viewport(), QPoint(hello.right() + 1, hello.center().y()));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {},
                            QPoint(hello.right() + 1, hello.center().y()));
        QCOMPARE(view.selectedText(), QStringLiteral("Bob chats:  hello "));

        view.clear();
        QVERIFY(!view.hasSelection());
        view.selectAll();
        QVERIFY(!view.hasSelection());
    }

    void linksShowTheirCursorAndReportOneClick()
    {
        ChatView view;
        sizeFor(view, 400);
        view.addText(QStringLiteral("see "), 8, true);
        view.addLink(QStringLiteral("www.x.org "));
        view.format();
        QSignalSpy clicked(&view, &ChatView::linkClicked);
        const QRect link = view.rowsOfLine(0).at(0).at(1).rect;
        const QRect plain = view.rowsOfLine(0).at(0).at(0).rect;

        QCOMPARE(view.linkAt(plain.center()), -1);
        QCOMPARE(view.linkAt(link.center()), 1);
        QTest::mouseMove(view.viewport(), link.center());
        QCOMPARE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(view.viewport(), plain.center());
        QCOMPARE(view.viewport()->cursor().shape(), Qt::ArrowCursor);

        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, plain.center());
        QCOMPARE(clicked.size(), 0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, link.center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 1);
        QCOMPARE(clicked.at(0).at(1).toString(), QStringLiteral("www.x.org "));

        view.setLinkCursor(QCursor(Qt::CrossCursor));
        QTest::mouseMove(view.viewport(), link.center());
        QCOMPARE(view.viewport()->cursor().shape(), Qt::CrossCursor);
    }

    void itemsComeBackAsTheyWereAdded()
    {
        // Runs of words are stored without item boundaries; every kind of
        // item must come back exactly, the odd ones included.
        ChatView view;
        sizeFor(view, 300);
        const QString wideWord = QStringLiteral("na\u00efve\u00ff ");
        view.addText(QStringLiteral("Bob chats: "), 8, true);
        view.addText(QStringLiteral(" "), 8);
        view.addText(QStringLiteral("<b>x</b> "), 8);
        view.addImage(2);
        view.addText(QStringLiteral(" "), 8);
        view.addImage(-7);
        view.addLink(QStringLiteral("www.x.org "));
        view.addLink(QStringLiteral("www.y.org "));
        view.addText(QStringLiteral("no-space"), 8);
        view.addText(QString(), 8);
        view.addText(QStringLiteral("two words "), 8);
        view.addText(QStringLiteral("&amp; "), 9);
        view.addText(wideWord, 8);
        view.addText(QStringLiteral("obj\ufffc "), 8);
        view.addText(QStringLiteral("next "), 8, true);
        view.format();

        struct Expect
        {
            ChatView::ItemKind kind;
            int style;
            QString text;
            int image;
        };
        const ChatView::ItemKind T = ChatView::ItemKind::Text;
        const ChatView::ItemKind I = ChatView::ItemKind::Image;
        const QList<Expect> expected{
            {T, 8, "Bob chats: ", -1}, {T, 8, " ", -1},          {T, 8, "<b>x</b> ", -1},
            {I, 0, "", 2},             {T, 8, " ", -1},          {I, 0, "", -1},
            {T, 4, "www.x.org ", -1},  {T, 4, "www.y.org ", -1}, {T, 8, "no-space", -1},
            {T, 8, "", -1},            {T, 8, "two words ", -1}, {T, 9, "&amp; ", -1},
            {T, 8, wideWord, -1},      {T, 8, "obj\ufffd ", -1}, {T, 8, "next ", -1},
        };
        QCOMPARE(view.itemCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const ChatView::Item item = view.item(i);
            QCOMPARE(item.kind, expected[i].kind);
            QCOMPARE(item.style, expected[i].style);
            QCOMPARE(item.text, expected[i].text);
            QCOMPARE(item.image, expected[i].image);
            QCOMPARE(item.startsLine, i == 0 || i == expected.size() - 1);
        }
        QCOMPARE(view.lineCount(), 2);
        view.selectAll();
        QCOMPARE(view.selectedText(), QStringLiteral("Bob chats:  <b>x</b>  www.x.org www.y.org no-spacetwo words &amp; ") +
                                          wideWord + QStringLiteral("obj\ufffd \nnext "));
        QCOMPARE(view.item(expected.size()).text, QString());
    }

    void wordWiderThanTheViewBreaksAcrossRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("one long word") << QString(60000, QLatin1Char('W'));
        QTest::newRow("many words") << QStringLiteral("ab ").repeated(3000);
        QTest::newRow("long word after short ones") << QStringLiteral("a b ") + QString(5000, QLatin1Char('i'));
    }
    void wordWiderThanTheViewBreaksAcrossRows()
    {
        QFETCH(QString, text);
        ChatView view;
        const int width = 200;
        sizeFor(view, width);
        view.addText(QStringLiteral("Eve chats: "), 8, true);
        view.addText(text, 8);
        view.format();
        // Every row fits, and the rows hold every character once, in order.
        const Rows rows = view.rowsOfLine(0);
        QVERIFY(rows.size() > 10);
        QString shown;
        int lastY = -1;
        int fetched = -1;
        ChatView::Item item;
        for (const auto &row : rows) {
            int used = 0;
            for (const ChatView::Piece &p : row) {
                used += p.rect.width();
                if (p.item != fetched)
                    item = view.item(fetched = p.item);
                shown += item.text.mid(p.start, p.length);
            }
            QVERIFY2(used <= width, qPrintable(QString::number(used)));
            QVERIFY(row.first().rect.y() > lastY);
            lastY = row.first().rect.y();
        }
        QCOMPARE(shown, QStringLiteral("Eve chats: ") + text);
        QCOMPARE(view.documentHeight(), rows.last().first().rect.bottom() + 1 + ChatView::kMargin);
    }

    void keepsTheLastLinesOnly()
    {
        ChatView view;
        sizeFor(view, 300);
        const int extra = 3;
        for (int i = 0; i < ChatView::kMaxLines + extra; ++i) {
            view.addText(QStringLiteral("line %1 ").arg(i), 8, true);
            if (i == 1) {
                view.format();
                view.selectAll(); // from the first line to the second
            }
            if (i == ChatView::kMaxLines / 2)
                view.format();
        }
        view.format();
        QCOMPARE(view.lineCount(), ChatView::kMaxLines);
        QCOMPARE(view.itemCount(), ChatView::kMaxLines);
        QCOMPARE(view.item(0).text, QStringLiteral("line %1 ").arg(extra));
        QVERIFY(view.item(0).startsLine);
        // A selection in the lines that went is gone with them.
        QVERIFY(!view.hasSelection());
        // The document starts with the oldest line kept.
        const QRect first = view.rowsOfLine(0).at(0).at(0).rect;
        QCOMPARE(first.top(), ChatView::kMargin);
        const QRect last = view.rowsOfLine(ChatView::kMaxLines - 1).at(0).at(0).rect;
        QCOMPARE(view.documentHeight(), last.bottom() + 1 + ChatView::kMargin);
        view.scrollToEnd();
        QCOMPARE(view.positionAt(QPoint(ChatView::kMargin + 1, view.viewport()->height() - 2 - 3)).item,
                 ChatView::kMaxLines - 1);

        view.clear();
        QCOMPARE(view.lineCount(), 0);
        QCOMPARE(view.itemCount(), 0);
        view.addText(QStringLiteral("fresh "), 8, true);
        view.format();
        QCOMPARE(view.rowsOfLine(0).at(0).at(0).rect.top(), ChatView::kMargin);
    }
};

QTEST_MAIN(TestChatView)
#include "tst_chatview.moc"
