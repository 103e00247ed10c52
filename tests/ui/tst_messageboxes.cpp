#include "ui/messageboxes.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

/// The real boxes, looked at while they are open and then answered.
class TestMessageBoxes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textFromOtherPlayersIsShownAsItCame_data();
    void textFromOtherPlayersIsShownAsItCame();

private:
    struct Seen
    {
        bool found{false};
        Qt::TextFormat format{Qt::AutoText};
        QString text;
        QString shownText;
    };
    /// Runs \a open, which opens a box; notes what the box shows and closes it.
    Seen whileOpen(const std::function<void()> &open);
};

TestMessageBoxes::Seen TestMessageBoxes::whileOpen(const std::function<void()> &open)
{
    Seen seen;
    // Looks at every turn of the loop, which the box's own loop runs once
    // it is up; it stops at the box.
    QTimer poll;
    poll.setInterval(0);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.found = true;
        seen.format = box->textFormat();
        seen.text = box->text();
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            label->grab(); // a label that took the text for markup would load the "image" here
            seen.shownText = label->text();
        }
        box->done(QMessageBox::No);
        poll.stop();
    });
    poll.start();
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, this, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    safety.start(5000);
    open();
    return seen;
}

void TestMessageBoxes::textFromOtherPlayersIsShownAsItCame_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("image") << "<img src=/dev/zero>";
    QTest::newRow("bold") << "<b>x</b>";
    QTest::newRow("entity") << "&amp;";
}

void TestMessageBoxes::textFromOtherPlayersIsShownAsItCame()
{
    QFETCH(QString, text);
    using namespace vorlith::ui;
    const QString asked = QStringLiteral("This will delete ") + text + QStringLiteral("'s Tally, Are you want to delete it?");
    for (const auto &open : std::initializer_list<std::function<void()>>{
             [&] { messageBoxes().inform(text); },
             [&] { showGeneralError(QStringLiteral("'%1' is not a valid integer value").arg(text)); },
             [&] { QVERIFY(!messageBoxes().ask(asked)); },
         }) {
        const Seen seen = whileOpen(open);
        QVERIFY(seen.found);
        QCOMPARE(seen.format, Qt::PlainText);
        QVERIFY(seen.text.contains(text));
        QCOMPARE(seen.shownText, seen.text);
    }
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
