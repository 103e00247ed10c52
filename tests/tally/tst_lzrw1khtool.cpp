// The lzrw1kh command-line tool: exact files out, plain bytes back, and the
// codec's error texts with a failing exit code.
#include "lzrw1kh_reference.h"

#include "files.h"
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode{-1};
    QByteArray out;
    QByteArray err;
};

Run lzrw1kh(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LZRW1KH_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray referenceFile(const QByteArray &plain)
{
    const reference::Bytes r = reference::compress(reference::Bytes(plain.constBegin(), plain.constEnd()));
    return QByteArray(reinterpret_cast<const char *>(r.data()), static_cast<qsizetype>(r.size()));
}

QByteArray freshTallyText()
{
    QByteArray text = "9\r\n1\r\n";
    for (int i = 0; i < 9; ++i)
        text += "0\r\n";
    return text;
}

} // namespace

class TestLzrw1khTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void compressesAndRestores_data();
    void compressesAndRestores();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void reportsMissingInput();
    void restoresFilesOfAnySize();
    void rejectsBadCommandLine();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLzrw1khTool::restoresFilesOfAnySize()
{
    // Larger than any tally the program loads: the tool has no such limit.
    QByteArray plain;
    while (plain.size() < 17 * 1024 * 1024)
        plain += QByteArray(4000, 'r') + QByteArray::number(plain.size()) + "\r\n";
    const QString in = m_dir->filePath(QStringLiteral("big.txt"));
    const QString packed = m_dir->filePath(QStringLiteral("big.tld"));
    const QString out = m_dir->filePath(QStringLiteral("back.txt"));
    QVERIFY(writeFile(in, plain));
    QCOMPARE(lzrw1kh({QStringLiteral("c"), in, packed}).exitCode, 0);
    const Run restore = lzrw1kh({QStringLiteral("d"), packed, out});
    QCOMPARE(restore.exitCode, 0);
    QVERIFY(readFile(out) == plain);
}

void TestLzrw1khTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLzrw1khTool::compressesAndRestores_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("expected"); // empty: the reference's bytes

    QTest::newRow("empty text") << QByteArray() << QByteArray::fromHex("57525A4C000000000100 80");
    QTest::newRow("fresh tally") << freshTallyText()
                                 << QByteArray::fromHex("57525A4C210000000E00400180390D0A310D0A30003F0125");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray::fromHex("57525A4C030000000400 80616263");

    QRandomGenerator rng(4711);
    const auto noise = [&rng](int size) {
        QByteArray b(size, 0);
        for (char &c : b)
            c = static_cast<char>(rng.bounded(256));
        return b;
    };
    const auto text = [&rng](int size) {
        QByteArray b;
        while (b.size() < size)
            b += "Player" + QByteArray::number(rng.bounded(40)) + "\r\n" + QByteArray::number(rng.bounded(9)) + "\r\n";
        return b.left(size);
    };
    const auto runs = [&rng](int size) {
        QByteArray b;
        while (b.size() < size)
            b += QByteArray(rng.bounded(1, 9000), static_cast<char>(rng.bounded(4)));
        return b.left(size);
    };
    QTest::newRow("noise 32767") << noise(32767) << QByteArray();
    QTest::newRow("noise 32768") << noise(32768) << QByteArray();
    QTest::newRow("text 32769") << text(32769) << QByteArray();
    QTest::newRow("text 65536") << text(65536) << QByteArray();
    QTest::newRow("runs 65537") << runs(65537) << QByteArray();
    QTest::newRow("runs 200000") << runs(200000) << QByteArray();
    QTest::newRow("text 98303") << text(98303) << QByteArray();
}

void TestLzrw1khTool::compressesAndRestores()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, expected);
    if (expected.isEmpty())
        expected = referenceFile(plain);
    const QString in = m_dir->filePath(QStringLiteral("in.txt"));
    const QString packed = m_dir->filePath(QStringLiteral("packed.tld"));
    const QString back = m_dir->filePath(QStringLiteral("back.txt"));
    QVERIFY(writeFile(in, plain));

    const Run c = lzrw1kh({QStringLiteral("c"), in, packed});
    QCOMPARE(c.exitCode, 0);
    QCOMPARE(c.err, QByteArray());
    QVERIFY(readFile(packed) == expected);

    const Run d = lzrw1kh({QStringLiteral("d"), packed, back});
    QCOMPARE(d.exitCode, 0);
    QVERIFY(readFile(back) == plain);
}

void TestLzrw1khTool::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error"); // %1 = the input's name

    const QByteArray fresh = QByteArray::fromHex("57525A4C210000000E00400180390D0A310D0A30003F0125");
    QTest::newRow("bad signature") << QByteArray("LZRW") + fresh.mid(4)
                                   << QStringLiteral("%1 : Lzrw1 decompression : this file has no valid header !");
    QTest::newRow("truncated") << fresh.left(20) << QStringLiteral("Lzrw1 : Error reading from input file : %1");
    QByteArray wrongSize = fresh;
    wrongSize[4] = 0x22;
    QTest::newRow("size mismatch")
        << wrongSize << QStringLiteral("Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
}

void TestLzrw1khTool::refusesDamagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    const QString in = m_dir->filePath(QStringLiteral("damaged.tld"));
    const QString out = m_dir->filePath(QStringLiteral("out.txt"));
    QVERIFY(writeFile(in, file));

    const Run d = lzrw1kh({QStringLiteral("d"), in, out});
    QCOMPARE(d.exitCode, 1);
    QCOMPARE(QString::fromLocal8Bit(d.err), error.replace(QStringLiteral("%1"), in) + QLatin1Char('\n'));
    QVERIFY(!QFile::exists(out));
}

void TestLzrw1khTool::reportsMissingInput()
{
    const QString missing = m_dir->filePath(QStringLiteral("nothing.txt"));
    const Run c = lzrw1kh({QStringLiteral("c"), missing, m_dir->filePath(QStringLiteral("x"))});
    QCOMPARE(c.exitCode, 1);
    QCOMPARE(QString::fromLocal8Bit(c.err),
             QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + missing + QLatin1Char('\n'));
}

void TestLzrw1khTool::rejectsBadCommandLine()
{
    for (const QStringList &args : {QStringList{}, QStringList{QStringLiteral("x"), QStringLiteral("a"), QStringLiteral("b")},
                                    QStringList{QStringLiteral("c"), QStringLiteral("a")}}) {
        const Run r = lzrw1kh(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.startsWith("usage: lzrw1kh"));
    }
}

QTEST_GUILESS_MAIN(TestLzrw1khTool)
#include "tst_lzrw1khtool.moc"
