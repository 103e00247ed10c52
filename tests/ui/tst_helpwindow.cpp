// The help window lays out a page's text when the page is first seen, and
// shows the right text whichever way the page was chosen.

#include "ui/helpwindow.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

using vorlith::ui::HelpWindow;

namespace {

QPushButton *sideButton(HelpWindow &help, const QString &caption)
{
    for (QPushButton *b : help.findChildren<QPushButton *>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

QTextBrowser *pageInFront(HelpWindow &help)
{
    auto *pages = help.findChild<QStackedWidget *>();
    return pages ? qobject_cast<QTextBrowser *>(pages->currentWidget()) : nullptr;
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesAreLaidOutWhenFirstSeen();
};

void TestHelpWindow::pagesAreLaidOutWhenFirstSeen()
{
    HelpWindow help(QPixmap(), nullptr);
    QVERIFY(help.pageCount() >= 5);
    QVERIFY(help.findChildren<QTextBrowser *>().isEmpty());

    // Chosen while hidden: remembered, shown with the window.
    QPushButton *scoring = sideButton(help, QStringLiteral("Scoring"));
    QVERIFY(scoring);
    scoring->click();
    QCOMPARE(help.pageTitle(), QStringLiteral("Scoring"));
    QVERIFY(help.findChildren<QTextBrowser *>().isEmpty());
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QTextBrowser *text = pageInFront(help);
    QVERIFY(text);
    QVERIFY(text->isVisible());
    QVERIFY2(text->toPlainText().contains(QStringLiteral("square of its length")),
             qPrintable(text->toPlainText()));

    // Chosen while shown: in front at once; each page is made once.
    help.showPage(0);
    QCOMPARE(help.currentPage(), 0);
    QCOMPARE(help.pageTitle(), QStringLiteral("Overview"));
    QVERIFY(pageInFront(help) && pageInFront(help) != text);
    QVERIFY(pageInFront(help)->toPlainText().contains(QStringLiteral("36 letters")));
    sideButton(help, QStringLiteral("Scoring"))->click();
    QCOMPARE(pageInFront(help), text);
    QCOMPARE(help.findChildren<QTextBrowser *>().size(), 2);
    help.showPage(help.pageCount()); // no such page: nothing changes
    QCOMPARE(pageInFront(help), text);
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
