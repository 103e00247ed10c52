// The tally file's codec: exact bytes of known files, and how damaged files
// are refused.
#include "tally/codec/lzrw1.h"
#include "tally/codec/tlzr.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using vorlith::tally::ELzrw1Exception;
using vorlith::tally::TLZR;
using vorlith::tally::Tlzrw1;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray freshTallyText()
{
    QByteArray text = "9\r\n1\r\n";
    for (int i = 0; i < 9; ++i)
        text += "0\r\n";
    return text;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>(v >> (8 * i));
    return b;
}

QByteArray container(quint32 plainSize, const QList<QByteArray> &blocks)
{
    QByteArray out = "WRZL" + le32(plainSize);
    for (const QByteArray &block : blocks) {
        out += static_cast<char>(block.size() & 0xFF);
        out += static_cast<char>(block.size() >> 8);
        out += block;
    }
    return out;
}

QByteArray runItem(int length, char byte)
{
    const int v = length - 16;
    return QByteArray(1, 0) + static_cast<char>(v >> 8) + static_cast<char>(v & 0xFF) + byte;
}

// A compressed block whose first group holds \a items with control \a control.
QByteArray compressedBlock(quint16 control, const QByteArray &items)
{
    return QByteArray(1, 0x40) + static_cast<char>(control >> 8) + static_cast<char>(control & 0xFF) + items;
}

// Splits a container into its blocks (no checking: the test's own output).
QList<QByteArray> blocksOf(const QByteArray &file)
{
    QList<QByteArray> blocks;
    qsizetype at = 8;
    while (at + 2 <= file.size()) {
        const int length = static_cast<unsigned char>(file[at]) | (static_cast<unsigned char>(file[at + 1]) << 8);
        blocks.append(file.mid(at + 2, length));
        at += 2 + length;
    }
    return blocks;
}

QString mismatch()
{
    return QStringLiteral("Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
}

} // namespace

class TestLzrw1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compressesKnownTextsToExactBytes_data();
    void compressesKnownTextsToExactBytes();
    void fullChunkIsFollowedByEmptyStoredBlock();
    void incompressibleDataIsStoredBlockByBlock();
    void decompressesOrRefuses_data();
    void decompressesOrRefuses();
    void fileOperationsReportTheirFiles();
    void failedDecompressKeepsExistingOutput();
    void compressToOutputReplacesFileAtOnce();
    void goodModeIsRefused();
};

void TestLzrw1::compressesKnownTextsToExactBytes_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("empty text") << QByteArray() << hex("57525A4C 00000000 0100 80");
    QTest::newRow("fresh tally") << freshTallyText()
                                 << hex("57525A4C21000000 0E00 400180390D0A310D0A30003F0125");
    QTest::newRow("abc stored") << QByteArray("abc") << hex("57525A4C03000000 0400 80616263");
    // 20 equal bytes: one run item.
    QTest::newRow("run of 20") << QByteArray(20, 'a') << hex("57525A4C14000000 0700 40 8000 00000461");
    // 15 equal bytes are no run: a literal, then a match of 14 one byte back.
    QTest::newRow("run of 15") << QByteArray(15, 'a') << hex("57525A4C0F000000 0600 40 4000 61 001B");
    // 16 is the shortest run.
    QTest::newRow("run of 16") << QByteArray(16, 'b') << hex("57525A4C10000000 0700 40 8000 00000062");
    // 4095 is the longest; the rest starts the next item.
    QTest::newRow("run of 4100") << QByteArray(4100, 'c')
                                 << hex("57525A4C04100000 0A00 40 A000 000FEF63 63 0011");
}

void TestLzrw1::compressesKnownTextsToExactBytes()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, file);
    QCOMPARE(Tlzrw1::compress(plain).toHex(' '), file.toHex(' '));
    QCOMPARE(Tlzrw1::decompress(file, QStringLiteral("x")), plain);
}

void TestLzrw1::fullChunkIsFollowedByEmptyStoredBlock()
{
    QByteArray text;
    for (int i = 0; text.size() < TLZR::kChunkSize; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    text.truncate(TLZR::kChunkSize);

    const QByteArray file = Tlzrw1::compress(text);
    QCOMPARE(file.left(8), hex("57525A4C00800000"));
    const QList<QByteArray> blocks = blocksOf(file);
    QCOMPARE(blocks.size(), 2);
    QCOMPARE(static_cast<unsigned char>(blocks[0][0]), 0x40u);
    QCOMPARE(blocks[1], hex("80"));
    QCOMPARE(file.right(3), hex("010080"));
    QCOMPARE(Tlzrw1::decompress(file, QStringLiteral("x")), text);
}

void TestLzrw1::incompressibleDataIsStoredBlockByBlock()
{
    QRandomGenerator rng(7);
    QByteArray noise(2 * TLZR::kChunkSize + 1000, 0);
    for (char &c : noise)
        c = static_cast<char>(rng.bounded(256));

    const QByteArray file = Tlzrw1::compress(noise);
    const QList<QByteArray> blocks = blocksOf(file);
    QCOMPARE(blocks.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QByteArray chunk = noise.mid(i * TLZR::kChunkSize, TLZR::kChunkSize);
        QCOMPARE(blocks[i].size(), chunk.size() + 1);
        QCOMPARE(static_cast<unsigned char>(blocks[i][0]), 0x80u);
        QVERIFY(blocks[i].mid(1) == chunk);
    }
    QCOMPARE(file.size(), 8 + 3 * 2 + noise.size() + 3);
}

void TestLzrw1::decompressesOrRefuses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("error");

    const QString name = QStringLiteral("Vorlithtally.tld");
    const QString header = name + QStringLiteral(" : Lzrw1 decompression : this file has no valid header !");
    const QString read = QStringLiteral("Lzrw1 : Error reading from input file : ") + name;
    const QByteArray fresh = hex("57525A4C21000000 0E00 400180390D0A310D0A30003F0125");

    QTest::newRow("fresh tally") << fresh << freshTallyText() << QString();
    QTest::newRow("unknown signature") << QByteArray("WRZX") + fresh.mid(4) << QByteArray() << header;
    QTest::newRow("other mode's signature") << QByteArray("!HZL") + fresh.mid(4) << QByteArray() << header;
    QTest::newRow("empty file") << QByteArray() << QByteArray() << read;
    QTest::newRow("signature cut") << QByteArray("WRZ") << QByteArray() << read;
    QTest::newRow("size cut") << fresh.left(6) << QByteArray() << read;
    QTest::newRow("no block") << fresh.left(8) << QByteArray() << read;
    QTest::newRow("block length cut") << fresh.left(9) << QByteArray() << read;
    QTest::newRow("last block cut short") << fresh.chopped(1) << QByteArray() << read;
    QTest::newRow("size too large") << container(34, {blocksOf(fresh)[0]}) << QByteArray() << mismatch();
    QTest::newRow("size too small") << container(32, {blocksOf(fresh)[0]}) << QByteArray() << mismatch();
    QTest::newRow("trailing bytes ignored") << fresh + "junk" << freshTallyText() << QString();

    // Blocks that are not what the compressor writes but decode harmlessly.
    QTest::newRow("zero-length block") << container(0, {QByteArray()}) << QByteArray() << QString();
    QTest::newRow("one-byte block") << container(0, {hex("40")}) << QByteArray() << QString();
    QTest::newRow("any flag but 0x80 is compressed")
        << container(2, {hex("00 0000 6869")}) << QByteArray("hi") << QString();

    // Exactly one full chunk from items, then the empty last block.
    const QByteArray full = QByteArray(8 * 4095, 'A') + QByteArray(8, 'a');
    QByteArray fullItems;
    for (int i = 0; i < 8; ++i)
        fullItems += runItem(4095, 'A');
    QTest::newRow("items filling the chunk exactly")
        << container(32768, {compressedBlock(0xFF40, fullItems + "a" + hex("0014")), hex("80")}) << full
        << QString();

    // Damaged blocks: reported, never decoded out of bounds.
    QTest::newRow("match one byte past the chunk")
        << container(32768, {compressedBlock(0xFF40, fullItems + "a" + hex("0015")), hex("80")}) << QByteArray()
        << mismatch();
    QByteArray nineRuns;
    for (int i = 0; i < 9; ++i)
        nineRuns += runItem(4095, 'R');
    QTest::newRow("runs past the chunk") << container(36855, {compressedBlock(0xFF80, nineRuns)}) << QByteArray()
                                         << mismatch();
    QTest::newRow("match before the block's start")
        << container(3, {compressedBlock(0x8000, hex("0010"))}) << QByteArray() << mismatch();
    QTest::newRow("match reaching one byte too far back")
        << container(4, {compressedBlock(0x4000, "a" + hex("0020"))}) << QByteArray() << mismatch();
    QTest::newRow("stored block longer than a chunk")
        << container(32769, {QByteArray(1, char(0x80)) + QByteArray(32769, 's')}) << QByteArray() << mismatch();
    QTest::newRow("control word cut") << container(0, {hex("4080")}) << QByteArray() << mismatch();
    QTest::newRow("match item cut") << container(3, {compressedBlock(0x8000, hex("00"))}) << QByteArray()
                                    << mismatch();
    QTest::newRow("run item cut") << container(20, {compressedBlock(0x8000, hex("000004"))}) << QByteArray()
                                  << mismatch();
    QTest::newRow("second control word cut")
        << container(16, {compressedBlock(0x0000, QByteArray(16, 'x') + hex("80"))}) << QByteArray() << mismatch();
}

void TestLzrw1::decompressesOrRefuses()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, plain);
    QFETCH(QString, error);
    QString caught;
    QByteArray got;
    try {
        got = Tlzrw1::decompress(file, QStringLiteral("Vorlithtally.tld"));
    } catch (const ELzrw1Exception &e) {
        caught = e.message();
    }
    QCOMPARE(caught, error);
    QCOMPARE(got, plain);
}

void TestLzrw1::fileOperationsReportTheirFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString plainPath = dir.filePath(QStringLiteral("plain.txt"));
    const QString packed = dir.filePath(QStringLiteral("packed.tld"));
    const QString missing = dir.filePath(QStringLiteral("missing"));
    const QString noFolder = dir.filePath(QStringLiteral("no/such/folder.tld"));
    {
        QFile f(plainPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(freshTallyText());
    }

    Tlzrw1 doit;
    doit.setCompressMode(Tlzrw1::Mode::Fast);
    doit.setInputFile(plainPath);
    doit.setOutputFile(packed);
    QCOMPARE(doit.Compress(), qint64{24});
    {
        QFile f(packed);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), Tlzrw1::compress(freshTallyText()));
    }
    doit.setInputFile(packed);
    doit.setOutputFile(dir.filePath(QStringLiteral("back.txt")));
    QCOMPARE(doit.Decompress(), qint64{33});

    const auto failure = [&doit](bool compress, const QString &in, const QString &out) {
        doit.setInputFile(in);
        doit.setOutputFile(out);
        try {
            compress ? doit.Compress() : doit.Decompress();
        } catch (const ELzrw1Exception &e) {
            return e.message();
        }
        return QString();
    };
    QCOMPARE(failure(true, missing, packed), QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + missing);
    QCOMPARE(failure(false, missing, plainPath),
             QStringLiteral("Lzrw1 (de)compression : Failed to open input file : ") + missing);
    QCOMPARE(failure(true, plainPath, noFolder),
             QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + noFolder);
    QCOMPARE(failure(false, packed, noFolder),
             QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + noFolder);
    QCOMPARE(failure(true, plainPath, dir.path()),
             QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + dir.path());
}

void TestLzrw1::failedDecompressKeepsExistingOutput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString damaged = dir.filePath(QStringLiteral("damaged.tld"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    {
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Tlzrw1::compress(QByteArray(50000, 'q')).chopped(2));
        QFile o(out);
        QVERIFY(o.open(QIODevice::WriteOnly));
        o.write("keep me");
    }
    Tlzrw1 doit;
    doit.setInputFile(damaged);
    doit.setOutputFile(out);
    QVERIFY_THROWS_EXCEPTION(ELzrw1Exception, doit.Decompress());

    QFile o(out);
    QVERIFY(o.open(QIODevice::ReadOnly));
    QCOMPARE(o.readAll(), QByteArray("keep me"));
    // Nothing half-written is left lying around either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestLzrw1::compressToOutputReplacesFileAtOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.tld"));
    Tlzrw1 doit;
    doit.setCompressMode(Tlzrw1::Mode::Fast);
    doit.setOutputFile(path);
    doit.compressToOutput(QByteArray(100000, 'z'));
    QCOMPARE(doit.compressToOutput(QByteArray("abc")), qint64{14});
    doit.setInputFile(path);
    QCOMPARE(doit.decompressInput(), QByteArray("abc"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestLzrw1::goodModeIsRefused()
{
    QTemporaryDir dir;
    Tlzrw1 doit;
    QCOMPARE(doit.CompressMode(), Tlzrw1::Mode::Good);
    doit.setOutputFile(dir.filePath(QStringLiteral("t.tld")));
    QVERIFY_THROWS_EXCEPTION(ELzrw1Exception, doit.compressToOutput("abc"));
    QVERIFY(!QFile::exists(doit.OutputFile()));
}

QTEST_GUILESS_MAIN(TestLzrw1)
#include "tst_lzrw1.moc"
