// The board without a window: the deal, choosing by cell and by letter,
// taking back, clearing, submitting and shuffling.
#include "client/boardmodel.h"
#include "net/handlererror.h"
#include "net/protocol.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using vorlith::client::BoardModel;

namespace {

/// The host deals a board, as the line's fields say.
void deal(BoardModel &b, const QString &fields)
{
    b.onBoardDealt(vorlith::net::proto::decode<vorlith::net::proto::MakeBoard>(fields).codes);
}

/// A deal line with the letters of \a letters at positions 1, 2, 3, ...
QString dealOf(const QString &letters)
{
    QString fields;
    for (int i = 0; i < letters.size(); ++i)
        fields += QStringLiteral("+%1+%2").arg(i + 1).arg(letters.at(i).unicode() - u'A' + 1);
    return fields.mid(1);
}

/// The 36 letters of the board, column after column.
QString lettersOf(const BoardModel &b)
{
    QString s;
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            s += BoardModel::myletter(b.letter(c, r));
    return s;
}

int markedCells(const BoardModel &b)
{
    int n = 0;
    for (int c = 1; c <= 6; ++c)
        for (int r = 1; r <= 6; ++r)
            n += b.mark(c, r) != 0;
    return n;
}

// Column 1 holds C, A, T, E, E, E; the rest of the board repeats the alphabet.
const QString Deal = QStringLiteral("CATEEEBDFGHIJKLMNOPQRSUVWXYZABCDFGHI");

} // namespace

class TestBoardModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void idleBoardSpellsTheSlogan();
    void dealPutsPositionsDownTheColumns_data();
    void dealPutsPositionsDownTheColumns();
    void dealIgnoresWhatNamesNoCellOrLetter_data();
    void dealIgnoresWhatNamesNoCellOrLetter();
    void releasePointsMapToCells_data();
    void releasePointsMapToCells();
    void clickingChoosesOnceAndOnlyWhileOpen();
    void typedLettersTakeTheFirstFreeCell();
    void takingBackRestoresOnlyTheLastLetter();
    void clearingAndSubmittingEmptyTheWord();
    void shuffleKeepsTheLettersAndClearsTheWord_data();
    void shuffleKeepsTheLettersAndClearsTheWord();
};

void TestBoardModel::idleBoardSpellsTheSlogan()
{
    BoardModel b;
    QString row3, row4;
    for (int c = 1; c <= 6; ++c) {
        row3 += BoardModel::myletter(b.letter(c, 3));
        row4 += BoardModel::myletter(b.letter(c, 4));
    }
    QCOMPARE(row3, BoardModel::IdleTop);
    QCOMPARE(b.letter(3, 3), BoardModel::IdleTop.at(0).unicode() - 'A' + 1);
    QCOMPARE(row4, BoardModel::IdleBottom);
    QCOMPARE(b.letter(1, 1), BoardModel::NoTile);
    QCOMPARE(b.letter(6, 6), BoardModel::NoTile);
    QVERIFY(!b.isOpen());
    // Nothing can be chosen before a round opens the board.
    b.chooseCell(false, 10, 3 * 65 + 10);
    QCOMPARE(b.word(), QString());
}

void TestBoardModel::dealPutsPositionsDownTheColumns_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::newRow("1") << 1 << 1 << 1;
    QTest::newRow("6") << 6 << 1 << 6;
    QTest::newRow("7") << 7 << 2 << 1;
    QTest::newRow("20") << 20 << 4 << 2;
    QTest::newRow("36") << 36 << 6 << 6;
}

void TestBoardModel::dealPutsPositionsDownTheColumns()
{
    QFETCH(int, position);
    QFETCH(int, column);
    QFETCH(int, row);
    BoardModel b;
    const BoardModel idle;
    deal(b, QStringLiteral("%1+17").arg(position));
    // That cell shows Q; every other cell keeps what it showed.
    for (int c = 1; c <= 6; ++c) {
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(b.letter(c, r), c == column && r == row ? 17 : idle.letter(c, r));
    }
}

void TestBoardModel::dealIgnoresWhatNamesNoCellOrLetter_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("expected"); // "position=letter" of the one pair that counts
    QTest::addColumn<bool>("fails");
    QTest::newRow("positions 0 and 37") << "0+1+37+1" << QString() << false;
    QTest::newRow("letters 0, 27 and 99") << "1+0+2+27+3+99" << QString() << false;
    QTest::newRow("negative position") << "-5+3" << QString() << false;
    QTest::newRow("non-numeric letter") << "1+1+2+x" << QString() << true;
    QTest::newRow("valid pair among bad ones") << "0+1+5+2+40+3" << QStringLiteral("5=B") << false;
}

void TestBoardModel::dealIgnoresWhatNamesNoCellOrLetter()
{
    QFETCH(QString, fields);
    QFETCH(QString, expected);
    QFETCH(bool, fails);
    BoardModel b;
    const BoardModel idle;
    QSignalSpy changed(&b, &BoardModel::boardChanged);
    bool failed = false;
    try {
        deal(b, fields);
    } catch (const vorlith::net::HandlerError &) {
        failed = true;
    }
    QCOMPARE(failed, fails);
    for (int p = 1; p <= 36; ++p) {
        const auto c = BoardModel::cellOfPosition(p);
        if (expected == QStringLiteral("%1=B").arg(p))
            QCOMPARE(b.letter(c.column, c.row), 2);
        else
            QCOMPARE(b.letter(c.column, c.row), idle.letter(c.column, c.row));
    }
    QCOMPARE(changed.count(), expected.isEmpty() ? 0 : 1);
}

void TestBoardModel::releasePointsMapToCells_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("column"); // 0: no cell
    QTest::addColumn<int>("row");
    QTest::newRow("top left") << 0 << 0 << 1 << 1;
    QTest::newRow("last pixel of the first cell") << 64 << 64 << 1 << 1;
    QTest::newRow("first pixel of column 2") << 65 << 0 << 2 << 1;
    QTest::newRow("row 4") << 10 << 200 << 1 << 4;
    QTest::newRow("bottom right cell") << 389 << 389 << 6 << 6;
    QTest::newRow("x = 390") << 390 << 10 << 0 << 0;
    QTest::newRow("x = 391") << 391 << 10 << 0 << 0;
    QTest::newRow("y = 390") << 10 << 390 << 0 << 0;
    QTest::newRow("left of the surface") << -1 << 10 << 0 << 0;
    QTest::newRow("above the surface") << 10 << -3 << 0 << 0;
}

void TestBoardModel::releasePointsMapToCells()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, column);
    QFETCH(int, row);
    const auto cell = BoardModel::cellAt(x, y);
    QCOMPARE(cell.has_value(), column != 0);
    if (cell)
        QCOMPARE(*cell, (BoardModel::Cell{column, row}));

    // The same point clicked on an open board.
    BoardModel b;
    deal(b, dealOf(Deal));
    b.setOpen(true);
    b.chooseCell(false, x, y);
    QCOMPARE(b.word(), column ? BoardModel::myletter(b.letter(column, row)) : QString());
}

void TestBoardModel::clickingChoosesOnceAndOnlyWhileOpen()
{
    BoardModel b;
    deal(b, dealOf(Deal));
    QSignalSpy sounds(&b, &BoardModel::soundRequested);
    b.chooseCell(false, 5, 5); // closed
    QCOMPARE(b.word(), QString());
    QCOMPARE(sounds.count(), 0);

    b.setOpen(true);
    b.chooseCell(false, 5, 5);       // C
    b.chooseCell(false, 5, 70);      // A
    b.chooseCell(false, 60, 70);     // A again
    b.chooseCell(false, 20, 65 * 2); // T
    QCOMPARE(b.word(), QStringLiteral("CAT"));
    QCOMPARE(b.selected(), (QStringList{"11", "12", "13"}));
    QCOMPARE(b.mark(1, 2), BoardModel::Cross);
    QCOMPARE(markedCells(b), 3);
    QStringList played;
    for (const auto &s : sounds)
        played << s.at(0).toString();
    QCOMPARE(played, (QStringList{"puttile", "puttile", "invalid", "puttile"}));
}

void TestBoardModel::typedLettersTakeTheFirstFreeCell()
{
    BoardModel b;
    // E at (1,4), (1,5), (1,6) and at (4,2) further on.
    deal(b, dealOf(Deal));
    QSignalSpy sounds(&b, &BoardModel::soundRequested);
    QVERIFY(b.chooseLetter('E'));
    QCOMPARE(b.selected(), QStringList{"14"});
    QVERIFY(b.chooseLetter('E'));
    QVERIFY(b.chooseLetter('E'));
    QVERIFY(!b.chooseLetter('E')); // the board holds three
    QCOMPARE(b.word(), QStringLiteral("EEE"));
    QVERIFY(!b.chooseLetter('1'));
    QVERIFY(!b.chooseLetter(0x61)); // not a letter key
    QVERIFY(!b.chooseLetter(91));
    QCOMPARE(b.word(), QStringLiteral("EEE"));
    QCOMPARE(sounds.count(), 0); // typing is silent

    // A letter that occurs twice: the first by column, then by row.
    BoardModel twice;
    deal(twice, QStringLiteral("8+2+3+2")); // B at (2,2) and at (1,3)
    QVERIFY(twice.chooseLetter('B'));
    QCOMPARE(twice.selected(), QStringList{"13"});
    QVERIFY(twice.chooseLetter('B'));
    QCOMPARE(twice.selected(), (QStringList{"13", "22"}));
}

void TestBoardModel::takingBackRestoresOnlyTheLastLetter()
{
    BoardModel b;
    deal(b, dealOf(Deal));
    QSignalSpy sounds(&b, &BoardModel::soundRequested);
    b.removeLastLetter();
    QCOMPARE(sounds.count(), 0);
    b.chooseLetter('C');
    b.chooseLetter('A');
    b.chooseLetter('T');
    b.removeLastLetter();
    QCOMPARE(b.word(), QStringLiteral("CA"));
    QCOMPARE(b.mark(1, 3), 0);
    QCOMPARE(b.mark(1, 2), BoardModel::Cross);
    QCOMPARE(b.selected(), (QStringList{"11", "12"}));
    QCOMPARE(sounds.count(), 1);
    QCOMPARE(sounds.at(0).at(0).toString(), QStringLiteral("clear"));
    // The freed tile can be chosen again.
    QVERIFY(b.chooseLetter('T'));
    QCOMPARE(b.word(), QStringLiteral("CAT"));
}

void TestBoardModel::clearingAndSubmittingEmptyTheWord()
{
    BoardModel b;
    deal(b, dealOf(Deal));
    b.setOpen(true);
    QSignalSpy sounds(&b, &BoardModel::soundRequested);
    QSignalSpy submitted(&b, &BoardModel::wordSubmitted);
    b.chooseLetter('C');
    b.clearWord();
    QCOMPARE(b.word(), QString());
    QCOMPARE(markedCells(b), 0);
    QCOMPARE(sounds.count(), 0);
    b.chooseLetter('C');
    b.clearWordAloud();
    QCOMPARE(sounds.count(), 1);
    QCOMPARE(b.selected(), QStringList());
    b.chooseLetter('A');
    b.submitWord();
    b.chooseCell(true, 500, 500); // the right button submits even an empty word
    QCOMPARE(submitted.count(), 2);
    QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("A"));
    QCOMPARE(submitted.at(1).at(0).toString(), QString());
    b.setOpen(false);
    b.chooseLetter('A');
    b.submitWord();
    b.chooseCell(true, 5, 5);
    QCOMPARE(submitted.count(), 2); // closed: nothing goes out, the word stays
    QCOMPARE(b.word(), QStringLiteral("A"));
}

void TestBoardModel::shuffleKeepsTheLettersAndClearsTheWord_data()
{
    QTest::addColumn<bool>("broken"); // a source that always answers one cell, out of range
    QTest::newRow("random source") << false;
    QTest::newRow("broken source") << true;
}

void TestBoardModel::shuffleKeepsTheLettersAndClearsTheWord()
{
    QFETCH(bool, broken);
    BoardModel b;
    deal(b, dealOf(Deal));
    b.setOpen(true);
    QRandomGenerator rng(17);
    b.setRandomSource([&](int n) { return broken ? -7 : int(rng.bounded(n)); });
    b.chooseLetter('C');
    QSignalSpy sounds(&b, &BoardModel::soundRequested);
    QSignalSpy opened(&b, &BoardModel::openChanged);
    const QString before = lettersOf(b);
    b.shuffle();
    const QString after = lettersOf(b);
    if (!broken)
        QVERIFY(after != before);
    const auto sorted = [](QString s) {
        std::sort(s.begin(), s.end());
        return s;
    };
    QCOMPARE(sorted(after), sorted(before));
    QCOMPARE(b.word(), QString());
    QCOMPARE(markedCells(b), 0);
    QVERIFY(b.isOpen());
    QCOMPARE(opened.count(), 0); // the pause for the shuffle is not an end of the round
    QCOMPARE(sounds.count(), 1);
    QCOMPARE(sounds.at(0).at(0).toString(), QStringLiteral("shuffle"));

    // Closed: nothing moves.
    b.setOpen(false);
    b.shuffle();
    QCOMPARE(lettersOf(b), after);
}

QTEST_GUILESS_MAIN(TestBoardModel)
#include "tst_boardmodel.moc"
