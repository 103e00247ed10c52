// The tally keeper and its window: what the window shows, what the player's
// clicks do, and that the tally lives on from one program run to the next.
#include "recordingboxes.h"
#include "tally/codec/lzrw1.h"
#include "tally/seatnamesource.h"
#include "tally/tallykeeper.h"
#include "tally/tallydialog.h"
#include "ui/paths.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlith::tally;

namespace {

class FakeSeats final : public SeatNameSource
{
public:
    QStringList seatNames() const override { return names; }
    int ownNumber() const override { return own; }

    QStringList names{QStringLiteral("You"),    QStringLiteral("Anna"), QStringLiteral("<Waiting>"),
                      QStringLiteral("Bob"),    QStringLiteral("Cleo"), QStringLiteral("<Waiting>")};
    int own{1};
};

QString text(const TallyDialog &w, const char *labelName)
{
    const auto *label = w.findChild<QLabel *>(QString::fromLatin1(labelName));
    return label ? label->text() : QStringLiteral("<no label>");
}

QListWidget *list(const TallyDialog &w, const char *name)
{
    return w.findChild<QListWidget *>(QString::fromLatin1(name));
}

// "name:checked" for every item of a check list.
QStringList items(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked ? QStringLiteral(":x")
                                                                                         : QStringLiteral(":-")));
    return out;
}

QString panel(const TallyDialog &w)
{
    QStringList cells;
    for (int i = 1; i <= 8; ++i)
        cells.append(text(w, QStringLiteral("label_%1").arg(i).toLatin1().constData()));
    return text(w, "label_hisnametop") + QLatin1Char('|') + text(w, "label_hisname") + QLatin1Char('|')
           + cells.join(QLatin1Char(' '));
}

void click(TallyDialog &w, const char *button)
{
    auto *b = w.findChild<QPushButton *>(QString::fromLatin1(button));
    QVERIFY(b);
    b->click();
}

// The player ticks or unticks \a name in \a listName.
void toggle(TallyDialog &w, const char *listName, const QString &name)
{
    QListWidget *l = list(w, listName);
    const QList<QListWidgetItem *> found = l->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    QListWidgetItem *item = found.first();
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

} // namespace

class TestTallyDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensAsModelessTallyWindow();
    void listsOtherSeatedPlayers();
    void tickingCurrentPlayerStartsTallyOnce();
    void untickingTalliedPlayerAsksFirst();
    void selectingPlayerShowsTally();
    void gameEndUpdatesShownCounts();
    void longerWordIsShown();
    void resetAsksFirst();
    void tallySurvivesRestartWithoutSessionCounts();
    void damagedFileIsReportedOnceAndReplaced();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingMessageBoxes> m_boxes;
    FakeSeats m_seats;
};

void TestTallyDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    vorlith::ui::setDataFolderOverride(m_dir->path());
    m_boxes = std::make_unique<RecordingMessageBoxes>();
    m_seats = FakeSeats();
}

void TestTallyDialog::cleanup()
{
    m_boxes.reset();
    vorlith::ui::setDataFolderOverride(QString());
    m_dir.reset();
}

void TestTallyDialog::opensAsModelessTallyWindow()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    QCOMPARE(w.windowTitle(), QStringLiteral("Vorlith - Tally List"));
    QCOMPARE(w.tallyFilePath(), m_dir->filePath(QStringLiteral("Vorlithtally.tld")));
    QVERIFY(!w.isVisible());
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("0"));
    QCOMPARE(text(w, "mylabel_2"), QStringLiteral("0"));
    QCOMPARE(text(w, "mylabel_3"), QStringLiteral("0"));

    w.showTally();
    QVERIFY(w.isVisible());
    QVERIFY(!w.isModal());
    click(w, "button_done");
    QVERIFY(!w.isVisible());
    QVERIFY(m_boxes->shown.isEmpty());
}

void TestTallyDialog::listsOtherSeatedPlayers()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    QCOMPARE(items(list(w, "checklist")), (QStringList{QStringLiteral("Anna:-"), QStringLiteral("Bob:-"),
                                                       QStringLiteral("Cleo:-")}));
    // A spy sits in no seat: every seated player is listed.
    m_seats.own = 8;
    toggle(w, "checklist", QStringLiteral("Bob"));
    w.loadchecklist();
    QCOMPARE(items(list(w, "checklist")), (QStringList{QStringLiteral("You:-"), QStringLiteral("Anna:-"),
                                                       QStringLiteral("Bob:x"), QStringLiteral("Cleo:-")}));
}

void TestTallyDialog::tickingCurrentPlayerStartsTallyOnce()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    toggle(w, "checklist", QStringLiteral("Bob"));
    QCOMPARE(items(list(w, "listbox_tally")), QStringList{QStringLiteral("Bob:x")});
    QCOMPARE(w.book().playerCount(), 1);
    QCOMPARE(w.book().cell(4, 1), QStringLiteral("0"));
    // Unticking and ticking it again adds nothing and removes nothing.
    toggle(w, "checklist", QStringLiteral("Bob"));
    toggle(w, "checklist", QStringLiteral("Bob"));
    QCOMPARE(items(list(w, "listbox_tally")), QStringList{QStringLiteral("Bob:x")});
    QCOMPARE(w.book().playerCount(), 1);
    QVERIFY(m_boxes->asked.isEmpty());
}

void TestTallyDialog::untickingTalliedPlayerAsksFirst()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    for (const char *name : {"Anna", "Bob", "Cleo"})
        toggle(w, "checklist", QString::fromLatin1(name));
    keeper.addGame(QStringLiteral("Cleo"));

    m_boxes->answers = {false};
    toggle(w, "listbox_tally", QStringLiteral("Anna"));
    QCOMPARE(m_boxes->asked, QStringList{QStringLiteral("This will delete Anna's Tally, Are you want to delete it?")});
    QCOMPARE(items(list(w, "listbox_tally")),
             (QStringList{QStringLiteral("Anna:x"), QStringLiteral("Bob:x"), QStringLiteral("Cleo:x")}));
    QCOMPARE(w.book().playerCount(), 3);

    m_boxes->answers = {true};
    toggle(w, "listbox_tally", QStringLiteral("Bob"));
    QCOMPARE(items(list(w, "listbox_tally")), (QStringList{QStringLiteral("Anna:x"), QStringLiteral("Cleo:x")}));
    QCOMPARE(w.book().playerCount(), 2);
    QCOMPARE(w.book().playerName(1), QStringLiteral("Cleo"));
    QCOMPARE(w.book().cell(2, 2), QStringLiteral("1"));
    QCOMPARE(m_boxes->asked.size(), 2);
}

void TestTallyDialog::selectingPlayerShowsTally()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    QCOMPARE(panel(w), QStringLiteral("XX's Tally|XX Wins:|0 0 0 0 0 0 0 0"));
    toggle(w, "checklist", QStringLiteral("Anna"));
    toggle(w, "checklist", QStringLiteral("Bob"));
    keeper.addGame(QStringLiteral("Anna"));
    keeper.addGame(addToMine());
    list(w, "listbox_tally")->setCurrentRow(0);
    QCOMPARE(panel(w), QStringLiteral("Anna's Tally|Anna Wins:|2 1 1 0 2 1 1 0"));
    list(w, "listbox_tally")->setCurrentRow(1);
    QCOMPARE(panel(w), QStringLiteral("Bob's Tally|Bob Wins:|2 0 1 1 2 0 1 1"));
}

void TestTallyDialog::gameEndUpdatesShownCounts()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    toggle(w, "checklist", QStringLiteral("Cleo"));
    list(w, "listbox_tally")->setCurrentRow(0);

    keeper.addGame(addToMine());
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("1"));
    QCOMPARE(text(w, "mylabel_2"), QStringLiteral("1"));
    QCOMPARE(panel(w), QStringLiteral("Cleo's Tally|Cleo Wins:|1 0 1 0 1 0 1 0"));

    // Cleo has left; the game ends with a new player at the table.
    m_seats.names[4] = QStringLiteral("Dave");
    keeper.addGame(QStringLiteral("Dave"));
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("2"));
    QCOMPARE(text(w, "mylabel_2"), QStringLiteral("1"));
    QCOMPARE(panel(w), QStringLiteral("Cleo's Tally|Cleo Wins:|1 0 1 0 1 0 1 0"));
    QCOMPARE(items(list(w, "checklist")), (QStringList{QStringLiteral("Anna:-"), QStringLiteral("Bob:-"),
                                                       QStringLiteral("Dave:-")}));
}

void TestTallyDialog::longerWordIsShown()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    keeper.checkWord(QStringLiteral("cat"));
    QCOMPARE(text(w, "mylabel_3"), QStringLiteral("cat"));
    keeper.checkWord(QStringLiteral("dog"));
    QCOMPARE(text(w, "mylabel_3"), QStringLiteral("cat"));
    keeper.checkWord(QStringLiteral("horse"));
    QCOMPARE(text(w, "mylabel_3"), QStringLiteral("horse"));
}

void TestTallyDialog::resetAsksFirst()
{
    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    w.showTally();
    toggle(w, "checklist", QStringLiteral("Anna"));
    keeper.addGame(addToMine());
    keeper.checkWord(QStringLiteral("giraffe"));
    list(w, "listbox_tally")->setCurrentRow(0);

    m_boxes->answers = {false};
    click(w, "button_reset");
    QCOMPARE(m_boxes->asked, QStringList{QStringLiteral("Are you sure you want to reset the Tally?")});
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("1"));
    QCOMPARE(w.book().playerCount(), 1);

    m_boxes->answers = {true};
    click(w, "button_reset");
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("0"));
    QCOMPARE(text(w, "mylabel_2"), QStringLiteral("0"));
    QCOMPARE(text(w, "mylabel_3"), QString());
    QCOMPARE(list(w, "listbox_tally")->count(), 0);
    QCOMPARE(w.book().playerCount(), 0);
    QCOMPARE(panel(w), QStringLiteral("Anna's Tally|Anna Wins:|0 0 0 0 0 0 0 0"));
    for (int column = 0; column < TallyBook::kColumns; ++column)
        QCOMPARE(w.book().cell(column, 0), QString());
}

void TestTallyDialog::tallySurvivesRestartWithoutSessionCounts()
{
    {
        // The keeper counts on its own: the window need not have been made.
        TallyKeeper keeper(&m_seats);
        keeper.open();
        keeper.addPlayer(QStringLiteral("Anna"));
        keeper.addPlayer(QStringLiteral("Bob"));
        keeper.addGame(addToMine());
        keeper.addGame(QStringLiteral("Bob"));
        keeper.checkWord(QStringLiteral("quixotry"));
    } // the program ends: the tally is saved
    // Straight from memory into the file: no working text file anywhere.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Vorlithtally.tld")});
    QVERIFY(!QFile::exists(QStringLiteral("temp.txt")));

    TallyKeeper keeper(&m_seats);
    keeper.open();
    TallyDialog w(keeper, QPixmap());
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(text(w, "mylabel_1"), QStringLiteral("2"));
    QCOMPARE(text(w, "mylabel_2"), QStringLiteral("1"));
    QCOMPARE(text(w, "mylabel_3"), QStringLiteral("quixotry"));
    QCOMPARE(items(list(w, "listbox_tally")), (QStringList{QStringLiteral("Anna:x"), QStringLiteral("Bob:x")}));
    list(w, "listbox_tally")->setCurrentRow(1);
    QCOMPARE(panel(w), QStringLiteral("Bob's Tally|Bob Wins:|2 1 1 0 0 0 0 0"));
}

void TestTallyDialog::damagedFileIsReportedOnceAndReplaced()
{
    const QString path = m_dir->filePath(QStringLiteral("Vorlithtally.tld"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // A tally whose last block was cut short.
        f.write(Tlzrw1::compress("9\r\n2\r\n0\r\nAnna\r\n3\r\n1\r\n").chopped(4));
    }
    {
        TallyKeeper keeper(&m_seats);
        keeper.open();
        TallyDialog w(keeper, QPixmap());
        QVERIFY(m_boxes->shown.isEmpty()); // told once the program runs
        QTRY_COMPARE(m_boxes->shown, QStringList{QStringLiteral("Lzrw1 : Error reading from input file : ") + path});
        QCOMPARE(w.book().playerCount(), 0);
        QCOMPARE(text(w, "mylabel_1"), QStringLiteral("0"));
        QCOMPARE(list(w, "listbox_tally")->count(), 0);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray::fromHex("57525A4C210000000E00400180390D0A310D0A30003F0125"));
    m_boxes->shown.clear();
    TallyKeeper again(&m_seats);
    again.open();
    // A box would have been queued before this marker.
    bool flushed = false;
    QMetaObject::invokeMethod(&again, [&flushed] { flushed = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(flushed);
    QVERIFY(m_boxes->shown.isEmpty());
}

QTEST_MAIN(TestTallyDialog)
#include "tst_tallydialog.moc"
