#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/gameengine.h"

#include "files.h"
#include <QFile>
#include <QRandomGenerator>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <set>

using vorlith::dict::Dictionary;
using vorlith::dict::FoundWord;
using vorlith::dict::WordFinder;
using Board = std::array<int, 36>;

namespace {

// ---- The plain scan: every record of the list, judged as the host judges
// a word: the lookup must know it and each letter must take a cell of its own.

// The record's word as the lookup compares it: length byte, NULs as spaces,
// trimmed, upper-cased a-z.
QByteArray recordWord(const QByteArray &record)
{
    QByteArray w = record.mid(1, std::min<int>(static_cast<unsigned char>(record.at(0)), 14));
    w.replace('\0', ' ');
    w = w.trimmed(); // records hold no tabs or line breaks in these tests
    for (char &c : w)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return w;
}

// The host's board check: each letter takes the first free cell that holds it.
bool boardSpells(const Board &board, const QByteArray &word)
{
    std::array<bool, 36> taken{};
    for (char c : word) {
        int code = 0;
        if (c >= 'A' && c <= 'Z')
            code = c - 'A' + 1;
        if (code == 0)
            return false;
        std::size_t cell = 0;
        while (cell < taken.size() && (taken[cell] || board[cell] != code))
            ++cell;
        if (cell == taken.size())
            return false;
        taken[cell] = true;
    }
    return true;
}

class PlainScan
{
public:
    PlainScan(const QByteArray &list, const Dictionary &dict)
    {
        std::set<QByteArray> accepted;
        for (qsizetype i = 0; i + 15 <= list.size(); i += 15) {
            const QByteArray w = recordWord(list.mid(i, 15));
            if (!w.isEmpty() && dict.isword(w))
                accepted.insert(w);
        }
        m_words.assign(accepted.begin(), accepted.end());
    }

    std::vector<FoundWord> find(const Board &board) const
    {
        std::vector<FoundWord> found;
        for (const QByteArray &w : m_words)
            if (boardSpells(board, w))
                found.push_back({QString::fromLatin1(w), int(w.size() * w.size())});
        std::stable_sort(found.begin(), found.end(), [](const FoundWord &a, const FoundWord &b) {
            return a.word.size() > b.word.size();
        });
        return found;
    }

private:
    std::vector<QByteArray> m_words; // byte order, so alphabetical within a length
};

QByteArray builtInList()
{
    vorlith::dict::initBuiltInWordList();
    const QResource res(Dictionary::builtInResource());
    return QByteArray(reinterpret_cast<const char *>(res.data()), qsizetype(res.size()));
}

QByteArray record(unsigned char length, const QByteArray &word)
{
    return char(length) + word.leftJustified(14, ' ', true);
}

// A board dealt as the host deals one: a column, then a row of its letter table.
Board dealtBoard(QRandomGenerator &rng)
{
    return vorlith::host::GameEngine::deal([&rng](int n) { return int(rng.bounded(n)); });
}

Board boardOf(const QByteArray &letters)
{
    Board board{};
    for (std::size_t i = 0; i < board.size(); ++i) {
        const char c = letters.at(qsizetype(i % std::size_t(letters.size())));
        board[i] = c == '.' ? 0 : c - 'a' + 1;
    }
    return board;
}

// Names the first difference, so a failure says which word went wrong.
QString describe(const std::vector<FoundWord> &got, const std::vector<FoundWord> &want)
{
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    return QStringLiteral("%1 found, %2 expected; first difference at %3: %4 for %5")
        .arg(got.size())
        .arg(want.size())
        .arg(i)
        .arg(i < got.size() ? got[i].word : QStringLiteral("nothing"),
             i < want.size() ? want[i].word : QStringLiteral("nothing"));
}

} // namespace

class TestWordFinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dealtBoardsMatchAPlainScan();
    void oddBoardsMatchAPlainScan_data();
    void oddBoardsMatchAPlainScan();
    void playerListsMatchAPlainScan_data();
    void playerListsMatchAPlainScan();
    void listOnDiskGivesTheSameWords();
    void noListFindsNothing();

private:
    Dictionary m_dict;
    QByteArray m_list;
    std::unique_ptr<WordFinder> m_finder;
    std::unique_ptr<PlainScan> m_scan;
    QTemporaryDir m_dir;
};

void TestWordFinder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    m_list = builtInList();
    m_finder = std::make_unique<WordFinder>(m_dict);
    m_scan = std::make_unique<PlainScan>(m_list, m_dict);
}

void TestWordFinder::dealtBoardsMatchAPlainScan()
{
    QRandomGenerator rng(20240611);
    qsizetype total = 0;
    for (int i = 0; i < 25; ++i) {
        const Board board = dealtBoard(rng);
        const std::vector<FoundWord> want = m_scan->find(board);
        const std::vector<FoundWord> got = m_finder->find(board);
        if (got != want)
            QFAIL(qPrintable(describe(got, want)));
        total += qsizetype(want.size());
    }
    QVERIFY(total > 25 * 100); // real boards spell hundreds of words
}

void TestWordFinder::oddBoardsMatchAPlainScan_data()
{
    QTest::addColumn<Board>("board");
    QTest::addColumn<int>("minimum"); // words the board surely spells

    QTest::newRow("one letter repeated: a") << boardOf("a") << 1;
    QTest::newRow("one letter repeated: e") << boardOf("e") << 1;
    QTest::newRow("one letter repeated: q") << boardOf("q") << 0;
    // The letters the deal draws least, each from one cell of its table.
    QTest::newRow("rarest letters") << boardOf("qfjwxzvygbcu") << 1;
    QTest::newRow("every letter once, then vowels")
        << boardOf("abcdefghijklmnopqrstuvwxyzaeiouaeiou") << 1000;
    QTest::newRow("no letters") << boardOf(".") << 0;

    Board outOfRange = boardOf("catsdog");
    outOfRange[0] = 27; // the c
    outOfRange[1] = -1; // the a
    outOfRange[2] = 0;  // the t
    for (std::size_t i = 7; i < 36; ++i)
        outOfRange[i] = i % 3 ? 100 : -27;
    QTest::newRow("codes 0, 27, -1 and beyond hold no letter") << outOfRange << 1;

    Board half = boardOf("streaminglo");
    for (std::size_t i = 11; i < 36; ++i)
        half[i] = 0;
    QTest::newRow("eleven letters, the rest empty") << half << 50;
    Board longest = boardOf("internationalizers");
    QTest::newRow("a 14-letter cut word fits") << longest << 100;
}

void TestWordFinder::oddBoardsMatchAPlainScan()
{
    QFETCH(Board, board);
    QFETCH(int, minimum);
    const std::vector<FoundWord> want = m_scan->find(board);
    const std::vector<FoundWord> got = m_finder->find(board);
    if (got != want)
        QFAIL(qPrintable(describe(got, want)));
    QVERIFY2(qsizetype(got.size()) >= minimum, qPrintable(QString::number(got.size())));
}

void TestWordFinder::playerListsMatchAPlainScan_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QStringList>("expected");
    const auto recs = [](const QList<QByteArray> &words) {
        QByteArray out;
        for (const QByteArray &w : words)
            out += record(0x1E, w);
        return out;
    };
    // Every row's board: "tacoset", the rest blank. Expected words longest first, then A-Z.
    QTest::newRow("sorted, with equal neighbours")
        << recs({"AT", "CAT", "CAT", "COAT", "COATS", "DOG", "TACOS"})
        << QStringList{u"COATS"_qs, u"TACOS"_qs, u"COAT"_qs, u"CAT"_qs, u"AT"_qs};
    QTest::newRow("lower case, spaced and shortened records are the lookup's words")
        << QByteArray(record(30, "  at") + record(30, "Cat ") + record(3, "COATS"))
        << QStringList{u"CAT"_qs, u"COA"_qs, u"AT"_qs};
    QTest::newRow("non-letters never fit a board")
        << recs({"A-T", "C T", "CAT", "CA\xc9", "C4T"}) << QStringList{u"CAT"_qs};
    // The binary search over these five finds only CAT and SET.
    QTest::newRow("out of order: only what the lookup finds")
        << recs({"TACO", "AT", "CAT", "ACE", "SET"}) << QStringList{u"CAT"_qs, u"SET"_qs};
    QTest::newRow("a letter twice needs two cells")
        << recs({"SETS", "TEST", "TOSS", "TOTE"}) << QStringList{u"TEST"_qs, u"TOTE"_qs};
    QTest::newRow("empty list") << QByteArray() << QStringList{};
}

void TestWordFinder::playerListsMatchAPlainScan()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, expected);
    const QString path = m_dir.filePath(QStringLiteral("English"));
    QVERIFY(writeFile(path, list));

    Dictionary dict;
    QVERIFY(dict.loadwords(path));
    Board board{};
    for (std::size_t i = 0; i < 7; ++i)
        board[i] = "tacoset"[i] - 'a' + 1;
    const std::vector<FoundWord> got = WordFinder(dict).find(board);
    const std::vector<FoundWord> want = PlainScan(list, dict).find(board);
    if (got != want)
        QFAIL(qPrintable(describe(got, want)));
    QStringList words;
    for (const FoundWord &w : got)
        words << w.word;
    QCOMPARE(words, expected);
}

void TestWordFinder::listOnDiskGivesTheSameWords()
{
    const QString path = m_dir.filePath(QStringLiteral("large.rec"));
    QVERIFY(writeFile(path, m_list));

    Dictionary onDisk;
    onDisk.setMemoryLimit(0);
    QVERIFY(onDisk.loadwords(path));
    QCOMPARE(onDisk.source(), Dictionary::Source::PlayerFileOnDisk);
    const WordFinder finder(onDisk);
    QCOMPARE(finder.wordCount(), m_finder->wordCount());
    QRandomGenerator rng(5);
    for (int i = 0; i < 5; ++i) {
        const Board board = dealtBoard(rng);
        QVERIFY(finder.find(board) == m_finder->find(board));
    }
}

void TestWordFinder::noListFindsNothing()
{
    Dictionary none(QStringLiteral(":/dict/NO_SUCH_LIST"));
    QVERIFY(!none.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    const WordFinder finder(none);
    QCOMPARE(finder.wordCount(), 0);
    QVERIFY(finder.find(boardOf("abcdefghijklmnopqrstuvwxyz")).empty());
}

QTEST_GUILESS_MAIN(TestWordFinder)
#include "tst_wordfinder.moc"
