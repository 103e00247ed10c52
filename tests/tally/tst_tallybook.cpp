// The tally's bookkeeping and its file, without the window.
#include "tally/codec/lzrw1.h"
#include "tally/codec/stringgrid.h"
#include "tally/tallybook.h"

#include "files.h"
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace vorlith::tally;

namespace {

QByteArray freshTallyText()
{
    QByteArray text = "9\r\n1\r\n";
    for (int i = 0; i < 9; ++i)
        text += "0\r\n";
    return text;
}

// Player row \a name of \a book as "col1 col2 ... col8".
QString counts(const TallyBook &book, const QString &name)
{
    const int row = book.indexOfPlayer(name) + 1;
    if (row == 0)
        return QStringLiteral("<not tallied>");
    QStringList cells;
    for (int column = 1; column <= 8; ++column)
        cells.append(book.cell(column, row));
    return cells.join(QLatin1Char(' '));
}

QString own(const TallyBook &book)
{
    return book.cell(1, 0) + QLatin1Char(' ') + book.cell(2, 0) + QLatin1Char(' ') + book.cell(3, 0);
}

// A tally big enough that its file cannot be squeezed into a few hundred bytes.
TallyBook bigTally()
{
    TallyBook book;
    QRandomGenerator rng(99);
    for (int i = 0; i < 300; ++i) {
        QString name;
        for (int k = 0; k < 10; ++k)
            name += QLatin1Char(static_cast<char>('a' + rng.bounded(26)));
        book.addPlayer(name);
    }
    return book;
}

} // namespace

class TestTallyBook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savesGridColumnByColumn();
    void loadsGridDumps_data();
    void loadsGridDumps();
    void countsGames_data();
    void countsGames();
    void oddStoredRowsStillCount_data();
    void oddStoredRowsStillCount();
    void keepsLongestWord();
    void resetEmptiesEverything();
    void freshTallyFileIsExact();
    void savedTallyKeepsTotalsAndDropsSession();
    void unreadableFilesLeaveFreshTally_data();
    void unreadableFilesLeaveFreshTally();
    void failedSaveIntoReadOnlyFolderKeepsOldFile();
    void failedWriteKeepsOldFile();
};

void TestTallyBook::savesGridColumnByColumn()
{
    StringGrid grid(3, 2);
    grid.setCell(0, 0, QStringLiteral("a"));
    grid.setCell(0, 1, QStringLiteral("b"));
    grid.setCell(1, 0, QStringLiteral("c"));
    grid.setCell(2, 1, QStringLiteral("line\r\nbreak"));
    QCOMPARE(savegrid(grid), QByteArray("3\r\n2\r\na\r\nb\r\nc\r\n\r\n\r\nline  break\r\n"));
    QCOMPARE(savegrid(TallyBook().grid()), freshTallyText());
}

void TestTallyBook::loadsGridDumps_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QByteArray>("resaved"); // what savegrid makes of it

    QTest::newRow("written by savegrid") << QByteArray("2\r\n2\r\na\r\nb\r\n\r\nd\r\n") << true
                                         << QByteArray("2\r\n2\r\na\r\nb\r\n\r\nd\r\n");
    QTest::newRow("LF line ends") << QByteArray("2\n1\nx\ny\n") << true << QByteArray("2\r\n1\r\nx\r\ny\r\n");
    QTest::newRow("no final line end") << QByteArray("1\r\n2\r\nx\r\ny") << true << QByteArray("1\r\n2\r\nx\r\ny\r\n");
    QTest::newRow("spaces around counts") << QByteArray(" 1 \r\n1\r\nx\r\n") << true << QByteArray("1\r\n1\r\nx\r\n");
    QTest::newRow("lines after the cells ignored") << QByteArray("1\r\n1\r\nx\r\nmore\r\n") << true
                                                   << QByteArray("1\r\n1\r\nx\r\n");
    QTest::newRow("cell spaces kept") << QByteArray("1\r\n1\r\n  x \r\n") << true << QByteArray("1\r\n1\r\n  x \r\n");
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
    QTest::newRow("counts only") << QByteArray("9\r\n") << false << QByteArray();
    QTest::newRow("cells missing") << QByteArray("2\r\n2\r\na\r\nb\r\nc\r\n") << false << QByteArray();
    QTest::newRow("huge row count") << QByteArray("9\r\n2000000000\r\n0\r\n") << false << QByteArray();
    QTest::newRow("count overflow") << QByteArray("65536\r\n65536\r\n") << false << QByteArray();
    QTest::newRow("not a number") << QByteArray("nine\r\n1\r\n") << false << QByteArray();
    QTest::newRow("zero columns") << QByteArray("0\r\n1\r\n") << false << QByteArray();
    QTest::newRow("negative rows") << QByteArray("1\r\n-1\r\nx\r\n") << false << QByteArray();
}

void TestTallyBook::loadsGridDumps()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, readable);
    QFETCH(QByteArray, resaved);
    const std::optional<StringGrid> grid = loadgrid(text);
    QCOMPARE(grid.has_value(), readable);
    if (grid)
        QCOMPARE(savegrid(*grid), resaved);
}

void TestTallyBook::countsGames_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("currentGame");
    QTest::addColumn<QString>("ownAfter");
    QTest::addColumn<QStringList>("rowsAfter"); // Anna, Bob, Cleo

    const QString zero = QStringLiteral("0 0 0 0 0 0 0 0");
    QTest::newRow("local user wins against A and B")
        << addToMine() << QStringList{QStringLiteral("Anna"), QStringLiteral("Bob")} << QStringLiteral("1 1 0")
        << QStringList{QStringLiteral("1 0 1 0 1 0 1 0"), QStringLiteral("1 0 1 0 1 0 1 0"), zero};
    QTest::newRow("A wins against the local user and B")
        << QStringLiteral("Anna") << QStringList{QStringLiteral("Anna"), QStringLiteral("Bob")} << QStringLiteral("1 0 0")
        << QStringList{QStringLiteral("1 1 0 0 1 1 0 0"), QStringLiteral("1 0 0 1 1 0 0 1"), zero};
    QTest::newRow("an untallied player wins")
        << QStringLiteral("Dave") << QStringList{QStringLiteral("Dave"), QStringLiteral("Cleo")} << QStringLiteral("1 0 0")
        << QStringList{zero, zero, QStringLiteral("1 0 0 1 1 0 0 1")};
    QTest::newRow("nobody tallied at the table")
        << addToMine() << QStringList{QStringLiteral("Dave")} << QStringLiteral("1 1 0")
        << QStringList{zero, zero, zero};
    QTest::newRow("names match case-sensitively")
        << QStringLiteral("anna") << QStringList{QStringLiteral("anna"), QStringLiteral("Bob")} << QStringLiteral("1 0 0")
        << QStringList{zero, QStringLiteral("1 0 0 1 1 0 0 1"), zero};
}

void TestTallyBook::countsGames()
{
    QFETCH(QString, result);
    QFETCH(QStringList, currentGame);
    QFETCH(QString, ownAfter);
    QFETCH(QStringList, rowsAfter);

    TallyBook book;
    for (const char *name : {"Anna", "Bob", "Cleo"})
        QVERIFY(book.addPlayer(QString::fromLatin1(name)));
    book.addGame(result, currentGame);
    QCOMPARE(own(book), ownAfter);
    QCOMPARE(counts(book, QStringLiteral("Anna")), rowsAfter[0]);
    QCOMPARE(counts(book, QStringLiteral("Bob")), rowsAfter[1]);
    QCOMPARE(counts(book, QStringLiteral("Cleo")), rowsAfter[2]);
}

void TestTallyBook::oddStoredRowsStillCount_data()
{
    QTest::addColumn<QByteArray>("text"); // the grid as stored
    QTest::addColumn<QString>("winner");
    QTest::addColumn<QString>("annaAfter");
    QTest::addColumn<QString>("ownAfter");
    // A row as an edited or older file may hold it: only empty cells become
    // "0"; "x" and "zz" count as 0 when incremented.
    QTest::newRow("empty and odd cells")
        << QByteArray(
               "9\r\n2\r\n0\r\nAnna\r\nx\r\n\r\n\r\n7\r\n\r\n\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n0"
               "\r\n\r\n0\r\nzz\r\n")
        << "Anna"
        << "1 8 0 0 1 1 0 zz"
        << "1  ";
    QTest::newRow("then lost") << QByteArray(
                                      "9\r\n2\r\n0\r\nAnna\r\nx\r\n\r\n\r\n7\r\n\r\n\r\n0\r\n"
                                      "\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n0\r\nzz\r\n")
                               << "Dave"
                               << "1 7 0 1 1 0 0 1"
                               << "1  ";
    // A grid narrower than the tally's is widened.
    QTest::newRow("two columns") << QByteArray("2\r\n2\r\n0\r\nAnna\r\n3\r\n4\r\n") << "Anna"
                                 << "5 1 0 0 1 1 0 0"
                                 << "4  ";
}

void TestTallyBook::oddStoredRowsStillCount()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, winner);
    QFETCH(QString, annaAfter);
    QFETCH(QString, ownAfter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.tld"));
    QVERIFY(writeFile(path, Tlzrw1::compress(text)));
    TallyBook book;
    QVERIFY(book.load(path).loaded);
    QCOMPARE(book.grid().colCount(), TallyBook::kColumns);
    book.addGame(winner, {QStringLiteral("Anna")});
    QCOMPARE(counts(book, QStringLiteral("Anna")), annaAfter);
    QCOMPARE(own(book), ownAfter);
}

void TestTallyBook::keepsLongestWord()
{
    TallyBook book;
    QCOMPARE(book.cell(TallyBook::kLongestWord, 0), QStringLiteral("0"));
    QVERIFY(!book.checkWord(QStringLiteral("a")));
    QVERIFY(book.checkWord(QStringLiteral("word")));
    QVERIFY(!book.checkWord(QStringLiteral("wars")));
    QVERIFY(!book.checkWord(QStringLiteral("two")));
    QVERIFY(book.checkWord(QStringLiteral("longer")));
    QCOMPARE(book.cell(TallyBook::kLongestWord, 0), QStringLiteral("longer"));
}

void TestTallyBook::resetEmptiesEverything()
{
    TallyBook book;
    book.addPlayer(QStringLiteral("Anna"));
    book.addGame(addToMine(), {QStringLiteral("Anna")});
    book.checkWord(QStringLiteral("longest"));
    book.reset();
    QCOMPARE(book.grid().rowCount(), 1);
    QCOMPARE(book.playerCount(), 0);
    for (int column = 0; column < TallyBook::kColumns; ++column)
        QCOMPARE(book.cell(column, 0), QString());
    book.addGame(QStringLiteral("Bob"), {QStringLiteral("Bob")});
    QCOMPARE(own(book), QStringLiteral("1  "));
}

void TestTallyBook::freshTallyFileIsExact()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    QCOMPARE(TallyBook().save(path), QString());
    QCOMPARE(readFile(path).toHex(' '),
             QByteArray::fromHex("57525A4C210000000E00400180390D0A310D0A30003F0125").toHex(' '));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Vorlithtally.tld")});
}

void TestTallyBook::savedTallyKeepsTotalsAndDropsSession()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    TallyBook book;
    book.addPlayer(QStringLiteral("Anna"));
    book.addPlayer(QStringLiteral("Bob"));
    // Names are single-byte text in the file.
    book.addPlayer(QStringLiteral("Bj\u00f6rn"));
    book.addGame(addToMine(), {QStringLiteral("Anna"), QStringLiteral("Bob")});
    book.addGame(QStringLiteral("Bob"), {QStringLiteral("Bob"), QStringLiteral("Bj\u00f6rn")});
    // Deleting a tally moves the rows below it up, counts and all.
    book.removePlayer(book.indexOfPlayer(QStringLiteral("Anna")));
    book.removePlayer(-1); // the own row is never a player's
    book.checkWord(QStringLiteral("zebra"));
    QCOMPARE(book.save(path), QString());
    Tlzrw1 file;
    file.setCompressMode(Tlzrw1::Mode::Fast);
    file.setInputFile(path);
    QVERIFY(file.decompressInput(TallyBook::kMaxPlainSize).contains("\r\nBj\xf6rn\r\n"));

    TallyBook next;
    const TallyBook::LoadOutcome outcome = next.load(path);
    QVERIFY(outcome.loaded);
    QCOMPARE(outcome.error, QString());
    QVERIFY(next.grid() == book.grid());
    next.startSession();
    QCOMPARE(own(next), QStringLiteral("2 1 zebra"));
    QCOMPARE(next.playerCount(), 2);
    QCOMPARE(counts(next, QStringLiteral("Bob")), QStringLiteral("2 1 1 0 0 0 0 0"));
    QCOMPARE(counts(next, QStringLiteral("Bj\u00f6rn")), QStringLiteral("1 0 0 1 0 0 0 0"));
}

void TestTallyBook::unreadableFilesLeaveFreshTally_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error"); // %1 = the file's path

    const QByteArray fresh = QByteArray::fromHex("57525A4C210000000E00400180390D0A310D0A30003F0125");
    QTest::newRow("cut short") << fresh.chopped(3) << QStringLiteral("Lzrw1 : Error reading from input file : %1");
    QTest::newRow("not a tally file") << QByteArray("hello, world")
                                      << QStringLiteral("%1 : Lzrw1 decompression : this file has no valid header !");
    QTest::newRow("no grid inside") << Tlzrw1::compress("just some text\r\n")
                                    << QStringLiteral("%1 : this file holds no tally !");
    // Small files whose text would take far more than any tally.
    QByteArray claims = fresh;
    claims.replace(4, 4, QByteArray::fromHex("01000001")); // 16 MB and one byte
    QTest::newRow("states more than 16 MB") << claims << QStringLiteral("%1 : this file holds no tally !");
    QByteArray breaks = "9\r\n1\r\n";
    breaks += QByteArray(TallyBook::kMaxPlainSize, '\n');
    QTest::newRow("decodes to more than 16 MB") << Tlzrw1::compress(breaks)
                                                << QStringLiteral("%1 : this file holds no tally !");
    QByteArray lies = Tlzrw1::compress(QByteArray(200000, 'x'));
    lies.replace(4, 4, QByteArray::fromHex("21000000"));
    QTest::newRow("decodes to more than it states")
        << lies << QStringLiteral("Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
}

void TestTallyBook::unreadableFilesLeaveFreshTally()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    QVERIFY(writeFile(path, file));
    TallyBook book;
    const TallyBook::LoadOutcome outcome = book.load(path);
    QVERIFY(!outcome.loaded);
    QCOMPARE(outcome.error, error.replace(QStringLiteral("%1"), path));
    QVERIFY(book.grid() == TallyBook().grid());

    const TallyBook::LoadOutcome none = book.load(dir.filePath(QStringLiteral("missing.tld")));
    QVERIFY(!none.loaded);
    QCOMPARE(none.error, QString());
}

void TestTallyBook::failedSaveIntoReadOnlyFolderKeepsOldFile()
{
    if (::geteuid() == 0)
        QSKIP("running as root: folder permissions do not stop writes (failedWriteKeepsOldFile covers it)");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    QCOMPARE(TallyBook().save(path), QString());
    const QByteArray before = readFile(path);
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString error = bigTally().save(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(error, QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + path);
    QCOMPARE(readFile(path), before);
}

void TestTallyBook::failedWriteKeepsOldFile()
{
    // The disk fills up while the new tally is written: a file size limit
    // makes that happen for real, whoever runs the test.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    QCOMPARE(TallyBook().save(path), QString());
    const QByteArray before = readFile(path);
    const TallyBook big = bigTally();
    QVERIFY(Tlzrw1::compress(savegrid(big.grid())).size() > 4000);

    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1000;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = big.save(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(error, QStringLiteral("Lzrw1 : Error writing to output file : ") + path);
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Vorlithtally.tld")});
    // And with room again, the same tally is saved and reads back.
    QCOMPARE(big.save(path), QString());
    TallyBook back;
    QVERIFY(back.load(path).loaded);
    QVERIFY(back.grid() == big.grid());
}

QTEST_GUILESS_MAIN(TestTallyBook)
#include "tst_tallybook.moc"
