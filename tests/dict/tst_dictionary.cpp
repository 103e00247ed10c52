#include "dict/dictionary.h"
#include "dict/memoryrecords.h"
#include "dict/wordindex.h"

#include "files.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>

#include <QtEndian>

#include <algorithm>

using vorlith::dict::Dictionary;
using vorlith::dict::MemoryRecords;
using vorlith::dict::WordIndex;

namespace {

// ---- The lookup as the word-list format describes it, done the slow way ----
// One seek and one 15-byte read per probe, strings built with QByteArray
// operations. Kept deliberately independent of the code under test.

QByteArray trimSpaces(QByteArray s)
{
    while (s.startsWith(' '))
        s.remove(0, 1);
    while (s.endsWith(' '))
        s.chop(1);
    return s;
}

QByteArray normalised(QByteArray s, bool isRecord)
{
    s.replace('\0', ' ');
    s = trimSpaces(s);
    if (s.size() < 15)
        s = s.leftJustified(15, ' ');
    if (isRecord)
        s.truncate(15);
    for (char &c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

QByteArray recordWord(const QByteArray &record)
{
    return normalised(record.mid(1, std::min<int>(static_cast<unsigned char>(record.at(0)), 14)),
                      true);
}

class ProbingReference
{
public:
    explicit ProbingReference(const QString &path) : m_file(path)
    {
        if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            m_last = m_file.size() / 15 - 1;
    }

    bool isword(QByteArray word)
    {
        word = trimSpaces(word.left(255).replace('\0', ' '));
        if (word.isEmpty())
            return false;
        const QByteArray key = normalised(word, false);
        qint64 lo = 0;
        qint64 hi = m_last;
        while (lo <= hi) {
            const qint64 mid = (lo + hi) / 2;
            m_file.seek(mid * 15);
            const QByteArray record = m_file.read(15);
            if (record.size() < 15)
                return false;
            const QByteArray probe = recordWord(record);
            if (probe == key)
                return true;
            if (probe < key)
                lo = mid + 1;
            else
                hi = mid - 1;
        }
        return false;
    }

private:
    QFile m_file;
    qint64 m_last{-1};
};

// ---- helpers ----

QByteArray record(unsigned char length, const QByteArray &word)
{
    return char(length) + word.leftJustified(14, ' ', true);
}

QByteArray records(const QList<QByteArray> &words)
{
    QByteArray out;
    for (const QByteArray &w : words)
        out += record(0x1E, w);
    return out;
}

QByteArray builtInBytes()
{
    vorlith::dict::initBuiltInWordList();
    const QResource res(Dictionary::builtInResource());
    return QByteArray(reinterpret_cast<const char *>(res.data()),
                      static_cast<qsizetype>(res.size()));
}

QByteArray builtInIndexBytes()
{
    vorlith::dict::initBuiltInWordList();
    const QResource res(Dictionary::builtInIndexResource());
    return QByteArray::fromRawData(reinterpret_cast<const char *>(res.data()),
                                   static_cast<qsizetype>(res.size()));
}

// The first of \a words that \a dict answers otherwise than \a expected, or
// a complaint when one answer is rare (then the comparison proves little);
// empty when all is well.
template <typename Expected>
QString firstDifference(const Dictionary &dict, const QList<QByteArray> &words, Expected &&expected)
{
    int hits = 0;
    for (const QByteArray &w : words) {
        const bool want = expected(w);
        if (dict.isword(w) != want)
            return QStringLiteral("\"%1\": expected %2").arg(QLatin1String(w)).arg(want);
        hits += want ? 1 : 0;
    }
    if (hits <= words.size() / 5 || hits >= words.size() * 4 / 5)
        return QStringLiteral("%1 words found of %2: too one-sided").arg(hits).arg(words.size());
    return {};
}

QByteArray randomCase(QByteArray s, QRandomGenerator &rng)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z' && rng.bounded(2))
            c = static_cast<char>(c + 32);
    return s;
}

} // namespace

class TestDictionary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void builtInListIsCompiledInSortedAndWellFormed();
    void lookupAnswers_data();
    void lookupAnswers();
    void builtInListIsServedWithTheIndexMadeAtBuildTime();
    void builtInListAnswersLikeAPlainSearch();
    void indexThatDoesNotFitIsRefused_data();
    void indexThatDoesNotFitIsRefused();
    void damagedIndexStaysInsideTheList();
    void indexToolRefusesListsItCannotServe_data();
    void indexToolRefusesListsItCannotServe();
    void answersMatchFileProbingOverHandMadeLists_data();
    void answersMatchFileProbingOverHandMadeLists();
    void answersMatchFileProbingOverRandomLists();
    void listInTheWorkingDirectoryIsReadNeverWritten_data();
    void listInTheWorkingDirectoryIsReadNeverWritten();
    void missingListReportsNotFound_data();
    void missingListReportsNotFound();
    void largePlayerFileIsSearchedOnDiskAndSurvivesShrinking();
    void qstringWordsAreTakenAsLatin1();

private:
    QTemporaryDir m_dir;
    QString m_builtInCopy;
};

void TestDictionary::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_builtInCopy = m_dir.filePath(QStringLiteral("builtin.rec"));
    QVERIFY(writeFile(m_builtInCopy, builtInBytes()));
}

void TestDictionary::builtInListIsCompiledInSortedAndWellFormed()
{
    Dictionary dict;
    QVERIFY(dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    QCOMPARE(dict.source(), Dictionary::Source::BuiltIn);

    const QResource res(Dictionary::builtInResource());
    QVERIFY(res.isValid());
    // Stored uncompressed, so the records are read straight from the executable.
    QCOMPARE(res.compressionAlgorithm(), QResource::NoCompression);
    const QByteArray bytes = builtInBytes();
    QCOMPARE(bytes.size() % 15, 0);
    QCOMPARE(dict.recordCount(), bytes.size() / 15);
    QVERIFY(dict.recordCount() > 250000);
    // Already normalised and in order: used in place and served by the index.
    MemoryRecords memory;
    memory.assign(
        QByteArray::fromRawData(reinterpret_cast<const char *>(res.data()), qsizetype(res.size())));
    QVERIFY(memory.isShared());
    QVERIFY(memory.isSorted());

    static const QRegularExpression shape(QStringLiteral("^[A-Z]{2,14} *$"));
    qint64 equalToPrevious = 0;
    QByteArray previous;
    for (qsizetype i = 0; i < bytes.size(); i += 15) {
        const QByteArray rec = bytes.mid(i, 15);
        QCOMPARE(rec.at(0), char(0x1E));
        const QByteArray field = rec.mid(1);
        if (!shape.match(QLatin1String(field)).hasMatch())
            QFAIL(qPrintable(
                QStringLiteral("bad record %1: %2").arg(i / 15).arg(QLatin1String(field))));
        QVERIFY2(previous <= field, field.constData());
        if (previous == field) {
            ++equalToPrevious;
            QVERIFY2(!field.contains(' '), "only words cut to 14 letters repeat");
        }
        previous = field;
    }
    QVERIFY(equalToPrevious > 0);
}

void TestDictionary::lookupAnswers_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<bool>("found");

    const QByteArray spaces300(300, ' ');
    QTest::newRow("first record") << QByteArray("aa") << true;
    QTest::newRow("last record") << QByteArray("ZZZS") << true;
    QTest::newRow("lower case") << QByteArray("cat") << true;
    QTest::newRow("upper case") << QByteArray("CAT") << true;
    QTest::newRow("mixed case") << QByteArray("cAt") << true;
    QTest::newRow("surrounding spaces") << QByteArray("   cat  ") << true;
    QTest::newRow("inner space") << QByteArray("ca t") << false;
    QTest::newRow("not a word") << QByteArray("qzx") << false;
    QTest::newRow("prefix of words only") << QByteArray("ca") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("spaces only") << QByteArray("      ") << false;
    QTest::newRow("NUL read as space") << QByteArray("\0cat\0", 5) << true;
    QTest::newRow("inner NUL") << QByteArray("c\0at", 4) << false;
    QTest::newRow("tab is not trimmed") << QByteArray("cat\t") << false;
    QTest::newRow("Latin-1 letters not folded") << QByteArray("caf\xe9") << false;
    QTest::newRow("14-letter word") << QByteArray("abdominoplasty") << true;
    QTest::newRow("cut form of longer words") << QByteArray("internationali") << true;
    QTest::newRow("cut form, spaced") << QByteArray(" INTERNATIONALI ") << true;
    QTest::newRow("15 letters never found") << QByteArray("abiogenetically") << false;
    QTest::newRow("15-letter head of a listed word") << QByteArray("internationaliz") << false;
    QTest::newRow("14 letters, a space, more") << QByteArray("internationali zation") << false;
    QTest::newRow("long listed word") << QByteArray("internationalization") << false;
    QTest::newRow("only 255 bytes count: trailing") << QByteArray("cat" + spaces300 + "x") << true;
    QTest::newRow("only 255 bytes count: 252 + 3")
        << QByteArray(QByteArray(252, ' ') + "cat") << true;
    QTest::newRow("only 255 bytes count: 253 + 3")
        << QByteArray(QByteArray(253, ' ') + "cat") << false;
    QTest::newRow("only 255 bytes count: leading") << QByteArray(spaces300 + "cat") << false;
}

void TestDictionary::lookupAnswers()
{
    QFETCH(QByteArray, word);
    QFETCH(bool, found);
    Dictionary dict;
    QVERIFY(dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    QCOMPARE(dict.isword(word), found);
    QCOMPARE(ProbingReference(m_builtInCopy).isword(word), found);
}

void TestDictionary::builtInListIsServedWithTheIndexMadeAtBuildTime()
{
    Dictionary dict;
    QVERIFY(dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    QVERIFY(dict.usesCompiledIndex());

    const QResource list(Dictionary::builtInResource());
    const QResource index(Dictionary::builtInIndexResource());
    QVERIFY(index.isValid());
    QCOMPARE(index.compressionAlgorithm(), QResource::NoCompression);
    // Used where they lie in the executable: neither is copied.
    MemoryRecords memory;
    QVERIFY(memory.adopt(QByteArray::fromRawData(reinterpret_cast<const char *>(list.data()),
                                                 qsizetype(list.size())),
                         builtInIndexBytes()));
    QCOMPARE(static_cast<const void *>(memory.records().data()),
             static_cast<const void *>(list.data()));
    QCOMPARE(static_cast<const void *>(memory.index().bytes().constData()),
             static_cast<const void *>(index.data()));

    // The index the build made is the one the program would make of the list
    // with the same seed: current, and built by the same rules.
    const QByteArray bytes = builtInBytes();
    const QByteArray rebuilt =
        WordIndex::build(bytes.constData(), bytes.size() / 15, memory.index().seed());
    QVERIFY(rebuilt == builtInIndexBytes());

    // A player's list is indexed as it is loaded.
    const QString path = m_dir.filePath(QStringLiteral("English"));
    QVERIFY(writeFile(path, records({"AA", "CAT"})));
    QVERIFY(dict.loadwords(path));
    QVERIFY(!dict.usesCompiledIndex());
}

void TestDictionary::builtInListAnswersLikeAPlainSearch()
{
    Dictionary dict;
    QVERIFY(dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    QVERIFY(dict.usesCompiledIndex());

    // The plain search: is the normalised word one of the normalised records?
    const QByteArray bytes = builtInBytes();
    QSet<QByteArray> listed;
    QList<QByteArray> cut; // the records that are the first 14 letters of longer words
    for (qsizetype i = 0; i < bytes.size(); i += 15) {
        const QByteArray rec = bytes.mid(i, 15);
        listed.insert(recordWord(rec));
        if (i > 0 && rec == bytes.mid(i - 15, 15))
            cut << rec.mid(1);
    }
    QVERIFY(cut.size() > 1000);
    const auto plain = [&listed](QByteArray word) {
        word = trimSpaces(word.left(255).replace('\0', ' '));
        return !word.isEmpty() && listed.contains(normalised(word, false));
    };

    // Every record is found; a sample of them and their near misses are
    // answered as the plain search does.
    QRandomGenerator rng(4711);
    QList<QByteArray> words{"", " ", QByteArray(20, ' '), QByteArray("\0\0", 2), "\t"};
    for (qsizetype i = 0; i < bytes.size(); i += 15) {
        const QByteArray w = bytes.mid(i + 1, 14).trimmed();
        if (!dict.isword(w.toLower()))
            QFAIL(w.constData());
        if (i % (15 * 97) == 0)
            words << w << randomCase(w, rng) << "  " + w + ' ' << w + 'S' << w + "XQ"
                  << w.chopped(1) << w.mid(1) << w + QByteArray(15 - w.size(), 'A');
    }
    for (int i = 0; i < cut.size(); i += 7)
        words << cut.at(i) << cut.at(i).toLower() << cut.at(i) + 'E' << cut.at(i) + "IZATION"
              << cut.at(i).chopped(1);
    for (int i = 0; i < 3000; ++i) {
        QByteArray w;
        const int len = rng.bounded(1, 20);
        for (int k = 0; k < len; ++k)
            w += rng.bounded(12) ? char('A' + rng.bounded(26)) : ' ';
        words << w;
    }

    const QString difference = firstDifference(dict, words, plain);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestDictionary::indexThatDoesNotFitIsRefused_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("chop");

    const auto le32 = [](quint32 v) {
        QByteArray b(4, Qt::Uninitialized);
        qToLittleEndian(v, b.data());
        return b;
    };
    QTest::newRow("fits") << 0 << QByteArray() << 3 << 0;
    QTest::newRow("another magic") << 0 << QByteArray("VWIY") << 3 << 0;
    QTest::newRow("made for more records") << 0 << QByteArray() << 2 << 0;
    QTest::newRow("made for fewer records") << 0 << QByteArray() << 4 << 0;
    QTest::newRow("slots cut short") << 0 << QByteArray() << 3 << 4;
    QTest::newRow("more slots claimed") << 24 << le32(4) << 3 << 0;
    QTest::newRow("absurd slot count") << 24 << le32(200) << 3 << 0;
    QTest::newRow("run longer than the table") << 28 << le32(1000) << 3 << 0;
}

void TestDictionary::indexThatDoesNotFitIsRefused()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, patch);
    QFETCH(int, recordCount);
    QFETCH(int, chop);
    const QByteArray list = records({"AA", "CAT", "DOG", "EMU"});
    QByteArray index = WordIndex::build(list.constData(), 3, 42); // for the first three
    index.replace(offset, patch.size(), patch);
    index.chop(chop);

    const bool fits = patch.isEmpty() && recordCount == 3 && chop == 0;
    MemoryRecords memory;
    QCOMPARE(memory.adopt(list.left(recordCount * 15), index), fits);
    QCOMPARE(memory.recordCount(), fits ? 3 : 0);
    QCOMPARE(memory.contains(vorlith::dict::makeSearchKey("cat")), fits);
    QVERIFY(!memory.contains(vorlith::dict::makeSearchKey("cow")));
}

void TestDictionary::damagedIndexStaysInsideTheList()
{
    const QByteArray list = records({"AA", "CAT", "DOG"});
    const QByteArray good = WordIndex::build(list.constData(), 3, 7);
    const int slots = int(good.size() - WordIndex::HeaderSize) / 4;

    // Every slot taken, pointing past the records: a search must neither
    // read outside them nor go round the table for ever.
    QByteArray damaged = good;
    for (int i = 0; i < slots; ++i)
        qToLittleEndian<quint32>(quint32(1000 + i), damaged.data() + WordIndex::HeaderSize + i * 4);
    qToLittleEndian<quint32>(quint32(slots), damaged.data() + 28);
    MemoryRecords memory;
    QVERIFY(memory.adopt(list, damaged));
    for (const char *w : {"aa", "cat", "dog", "cow", "zzzzzzzzzzzzzz"})
        QVERIFY2(!memory.contains(vorlith::dict::makeSearchKey(w)), w);
}

void TestDictionary::indexToolRefusesListsItCannotServe_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("sorted and normalised") << records({"AA", "BB", "BB", "CAT"}) << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("out of order") << records({"BB", "AA"}) << false;
    QTest::newRow("lower case") << records({"aa", "bb"}) << false;
    QTest::newRow("NUL byte") << QByteArray(record(30, QByteArray("A\0", 2)) + record(30, "BB"))
                              << false;
    QTest::newRow("partial record") << QByteArray(records({"AA"}) + "B") << false;
}

void TestDictionary::indexToolRefusesListsItCannotServe()
{
    QFETCH(QByteArray, list);
    QFETCH(bool, accepted);
    const QString listPath = m_dir.filePath(QStringLiteral("tool.rec"));
    const QString indexPath = m_dir.filePath(QStringLiteral("tool.index"));
    QFile::remove(indexPath);
    QVERIFY(writeFile(listPath, list));

    QProcess tool;
    tool.start(QStringLiteral(VORLITH_DICTINDEX), {listPath, indexPath});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode() == 0, accepted);
    QCOMPARE(QFile::exists(indexPath), accepted);
    if (!accepted)
        return;
    QFile file(indexPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    MemoryRecords memory;
    QVERIFY(memory.adopt(list, file.readAll()));
    for (qsizetype i = 0; i < list.size(); i += 15)
        QVERIFY(memory.contains(vorlith::dict::makeSearchKey(list.mid(i + 1, 14))));
    QVERIFY(!memory.contains(vorlith::dict::makeSearchKey("cow")));
}

void TestDictionary::answersMatchFileProbingOverHandMadeLists_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QList<QByteArray>>("found");
    QTest::addColumn<QList<QByteArray>>("notFound");
    using L = QList<QByteArray>;

    QTest::newRow("single record") << records({"AB"}) << L{"ab", " AB"} << L{"a", "abc"};
    QTest::newRow("first and last")
        << records({"AA", "BE", "CAT", "DOG", "ZZZS"}) << L{"aa", "zzzs", "cat"} << L{"zzz", "ab"};
    QTest::newRow("equal neighbours")
        << records({"AA", "BB", "BB", "BB", "BB", "CC"}) << L{"aa", "bb", "cc"} << L{"b"};
    QTest::newRow("length byte shortens the word")
        << QByteArray(record(3, "CATS") + record(30, "DOG")) << L{"cat", "dog"} << L{"cats"};
    QTest::newRow("length byte 14 and 13")
        << QByteArray(record(14, "ABCDEFGHIJKLMN") + record(13, "BCDEFGHIJKLMNO"))
        << L{"abcdefghijklmn", "bcdefghijklmn"} << L{"bcdefghijklmno"};
    QTest::newRow("length byte 0: blank record sorts first")
        << QByteArray(record(0, "ZZ") + record(30, "CAT")) << L{"cat"} << L{"zz", " "};
    QTest::newRow("lower case and spaced records")
        << QByteArray(record(30, "  cat") + record(30, "Dog ")) << L{"CAT", "dog"} << L{"  c"};
    QTest::newRow("NUL inside a record")
        << QByteArray(record(30, QByteArray("\0CA\0T", 5)) + record(30, "DOG"))
        << L{"ca t", QByteArray("CA\0T", 4)} << L{"cat"};
    QTest::newRow("bytes above 0x7F compared unsigned")
        << QByteArray(record(30, "ZZ") + record(30, "\xe9T")) << L{"\xe9t", "zz"} << L{"\xc9T"};
    QTest::newRow("unsorted list hides records")
        << records({"ZZ", "AA", "MM"}) << L{"aa", "mm"} << L{"zz"};
    QTest::newRow("trailing partial record ignored")
        << QByteArray(records({"AA", "BB"}) + char(0x1E) + "DOG") << L{"aa", "bb"} << L{"dog"};
    QTest::newRow("less than one record: an empty list")
        << record(0x1E, "CAT").left(14) << L{} << L{"cat"};
}

void TestDictionary::answersMatchFileProbingOverHandMadeLists()
{
    QFETCH(QByteArray, list);
    QFETCH(QList<QByteArray>, found);
    QFETCH(QList<QByteArray>, notFound);
    const QString path = m_dir.filePath(QStringLiteral("English"));
    QVERIFY(writeFile(path, list));
    Dictionary dict;
    QVERIFY(dict.loadwords(path));
    QCOMPARE(dict.source(), Dictionary::Source::PlayerFile);
    QVERIFY(dict.errorText().isEmpty());
    QCOMPARE(dict.recordCount(), list.size() / 15);
    ProbingReference reference(path);
    for (const QByteArray &w : std::as_const(found)) {
        QVERIFY2(dict.isword(w), w.constData());
        QVERIFY2(reference.isword(w), w.constData());
    }
    for (const QByteArray &w : std::as_const(notFound)) {
        QVERIFY2(!dict.isword(w), w.constData());
        QVERIFY2(!reference.isword(w), w.constData());
    }
}

void TestDictionary::answersMatchFileProbingOverRandomLists()
{
    // Odd lists made of the bytes that matter: blanks, NULs, both cases, a
    // byte above 0x7F, odd length bytes; sorted or not, with a partial tail.
    static const char alphabet[] = {' ', '\0', 'a', 'A', 'b', 'B', 'z', '\xe9'};
    static const unsigned char lengths[] = {0, 1, 3, 13, 14, 15, 30, 255};
    QRandomGenerator rng(99);
    const QString path = m_dir.filePath(QStringLiteral("random.rec"));
    const auto randomText = [&](int len) {
        QByteArray s;
        for (int k = 0; k < len; ++k)
            s += alphabet[rng.bounded(int(sizeof alphabet))];
        return s;
    };

    int outOfOrder = 0;
    for (int round = 0; round < 400; ++round) {
        QList<QByteArray> recs;
        const int count = rng.bounded(0, 40);
        for (int i = 0; i < count; ++i)
            recs << record(lengths[rng.bounded(int(sizeof lengths))], randomText(14));
        const bool sorted = rng.bounded(4) != 0;
        if (sorted)
            std::sort(recs.begin(), recs.end(), [](const QByteArray &a, const QByteArray &b) {
                return recordWord(a) < recordWord(b);
            });
        QByteArray list = recs.join();
        list += randomText(rng.bounded(15));
        QVERIFY(writeFile(path, list));

        Dictionary inMemory;
        Dictionary onDisk;
        onDisk.setMemoryLimit(0);
        QVERIFY(inMemory.loadwords(path));
        QVERIFY(onDisk.loadwords(path));
        QCOMPARE(onDisk.source(), Dictionary::Source::PlayerFileOnDisk);
        MemoryRecords memory;
        memory.assign(list);
        if (sorted)
            QVERIFY(memory.isSorted());
        outOfOrder += memory.isSorted() ? 0 : 1;
        ProbingReference reference(path);

        QList<QByteArray> probes;
        for (const QByteArray &r : std::as_const(recs))
            probes << randomCase(recordWord(r), rng)
                   << trimSpaces(recordWord(r).replace('\0', ' '));
        for (int i = 0; i < 40; ++i)
            probes << randomText(rng.bounded(18));
        for (const QByteArray &w : std::as_const(probes)) {
            const bool expected = reference.isword(w);
            QCOMPARE(inMemory.isword(w), expected);
            QCOMPARE(onDisk.isword(w), expected);
        }
    }
    QVERIFY(outOfOrder > 40); // the plain binary search got its share too
}

void TestDictionary::listInTheWorkingDirectoryIsReadNeverWritten_data()
{
    QTest::addColumn<QByteArray>("own"); // "English" there; none when empty
    QTest::newRow("a player's list, used as it is") << records({"QUUX", "ZEBRAXX"});
    QTest::newRow("none, in a folder nobody may write") << QByteArray();
}

void TestDictionary::listInTheWorkingDirectoryIsReadNeverWritten()
{
    QFETCH(QByteArray, own);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (!own.isEmpty())
        QVERIFY(writeFile(dir.filePath(QStringLiteral("English")), own));
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    Dictionary dict;
    const bool loaded = dict.loadwords(); // "English" in the working directory
    QDir::setCurrent(before);
    const QStringList left =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));

    QVERIFY(loaded);
    QVERIFY(dict.errorText().isEmpty());
    if (own.isEmpty()) {
        QCOMPARE(dict.source(), Dictionary::Source::BuiltIn);
        QVERIFY(dict.isword("cat"));
        QCOMPARE(left, QStringList());
    } else {
        QCOMPARE(dict.source(), Dictionary::Source::PlayerFile);
        QCOMPARE(dict.recordCount(), 2);
        QVERIFY(dict.isword("zebraxx"));
        QVERIFY(!dict.isword("cat")); // the built-in list is not mixed in
        QCOMPARE(left, QStringList{"English"});
        QFile f(dir.filePath(QStringLiteral("English")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), own);
    }
}

void TestDictionary::missingListReportsNotFound_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<bool>("englishIsFolder");
    QTest::newRow("no file, no built-in list") << QStringLiteral(":/dict/NO_SUCH_LIST") << false;
    QTest::newRow("English is a folder") << Dictionary::builtInResource() << true;
}

void TestDictionary::missingListReportsNotFound()
{
    QFETCH(QString, resource);
    QFETCH(bool, englishIsFolder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("English"));
    if (englishIsFolder)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("English")));

    Dictionary dict(resource);
    QVERIFY(!dict.loadwords(path));
    QCOMPARE(dict.errorText(), QStringLiteral("English.dic dictionary not found!"));
    QVERIFY(!dict.isOpen());
    QCOMPARE(dict.recordCount(), 0);
    QVERIFY(!dict.isword("cat"));
    QVERIFY(!dict.isword(QStringLiteral("aa")));

    // Still usable: a later load of a real list clears the error.
    QVERIFY(dict.loadwords(m_builtInCopy));
    QVERIFY(dict.errorText().isEmpty());
    QVERIFY(dict.isword("cat"));
}

void TestDictionary::largePlayerFileIsSearchedOnDiskAndSurvivesShrinking()
{
    const QString path = m_dir.filePath(QStringLiteral("large.rec"));
    QVERIFY(QFile::copy(m_builtInCopy, path));
    Dictionary dict;
    dict.setMemoryLimit(1024);
    QVERIFY(dict.loadwords(path));
    QCOMPARE(dict.source(), Dictionary::Source::PlayerFileOnDisk);
    QVERIFY(dict.isword("aa"));
    QVERIFY(dict.isword("zzzs"));
    QVERIFY(dict.isword("internationali"));
    QVERIFY(!dict.isword("qzx"));

    // The file shrinks under the open list: probes past its end fail the search.
    QVERIFY(QFile::resize(path, 15 * 10));
    QVERIFY(!dict.isword("zzzs"));
    QVERIFY(!dict.isword("aa")); // the first probe is far past the new end
}

void TestDictionary::qstringWordsAreTakenAsLatin1()
{
    Dictionary dict;
    QVERIFY(dict.loadwords(m_dir.filePath(QStringLiteral("no-such-file"))));
    QVERIFY(dict.isword(QStringLiteral(" Cat ")));
    QVERIFY(!dict.isword(QStringLiteral("c\u0101t")));
    QVERIFY(!dict.isword(QString(300, QLatin1Char(' ')) + QStringLiteral("cat")));
    QVERIFY(dict.isword(QString(252, QLatin1Char(' ')) + QStringLiteral("cat")));

    const QString path = m_dir.filePath(QStringLiteral("latin1.rec"));
    QVERIFY(writeFile(path, record(30, "CAF\xc9")));
    QVERIFY(dict.loadwords(path));
    QVERIFY(dict.isword(QStringLiteral("caf\u00c9")));
    QVERIFY(!dict.isword(QStringLiteral("caf\u00e9")));
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
