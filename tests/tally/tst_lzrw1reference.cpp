// The codec's compressor against an independent plain implementation of the
// same format, over many kinds and sizes of input.
#include "lzrw1kh_reference.h"
#include "tally/codec/lzrw1.h"

#include <QRandomGenerator>
#include <QTest>

using vorlith::tally::Tlzrw1;

namespace {

enum class Kind { Noise, Text, Runs, Period, TwoLetters };

QByteArray makeInput(Kind kind, int size, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out;
    out.reserve(size + 10000);
    static const char *const words[] = {"the", "tally", "Anna", "0", "12", "QUIXOTRY", "wins", "game", "\r\n"};
    switch (kind) {
    case Kind::Noise:
        while (out.size() < size)
            out += static_cast<char>(rng.bounded(256));
        break;
    case Kind::Text:
        while (out.size() < size) {
            out += words[rng.bounded(9)];
            out += rng.bounded(4) == 0 ? "\r\n" : " ";
        }
        break;
    case Kind::Runs:
        // Runs around the shortest and longest run item, and far longer.
        while (out.size() < size) {
            static const int lengths[] = {1, 2, 15, 16, 17, 4094, 4095, 4096, 4111, 4112, 10000};
            out += QByteArray(lengths[rng.bounded(11)], "ab\0\xff"[rng.bounded(4)]);
        }
        break;
    case Kind::Period: {
        // A pattern repeating at the edge of the match window.
        const int period = 4094 + static_cast<int>(seed % 4);
        QByteArray base;
        while (base.size() < period)
            base += static_cast<char>(rng.bounded(256));
        while (out.size() < size)
            out += base;
        break;
    }
    case Kind::TwoLetters:
        while (out.size() < size)
            out += rng.bounded(2) ? 'a' : 'b';
        break;
    }
    out.truncate(size);
    return out;
}

} // namespace

class TestLzrw1Reference : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithReference_data();
    void agreesWithReference();
};

void TestLzrw1Reference::agreesWithReference_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<quint32>("seed");

    const std::pair<Kind, const char *> kinds[] = {{Kind::Noise, "noise"},
                                                   {Kind::Text, "text"},
                                                   {Kind::Runs, "runs"},
                                                   {Kind::Period, "period"},
                                                   {Kind::TwoLetters, "two letters"}};
    const int sizes[] = {0, 1, 2, 3, 17, 100, 4097, 32767, 32768, 32769, 65535, 65536, 65537, 98305};
    quint32 seed = 1;
    for (const auto &[kind, name] : kinds) {
        for (const int size : sizes) {
            QTest::addRow("%s, %d bytes", name, size) << int(kind) << size << seed;
            ++seed;
        }
        const int other = static_cast<int>(QRandomGenerator(seed).bounded(1, 3 * 32768));
        QTest::addRow("%s, %d bytes", name, other) << int(kind) << other << seed;
        ++seed;
    }
}

void TestLzrw1Reference::agreesWithReference()
{
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(quint32, seed);
    const QByteArray input = makeInput(static_cast<Kind>(kind), size, seed);

    const reference::Bytes expected =
        reference::compress(reference::Bytes(input.constBegin(), input.constEnd()));
    const QByteArray file = Tlzrw1::compress(input);
    const QByteArray expectedFile(reinterpret_cast<const char *>(expected.data()), static_cast<qsizetype>(expected.size()));
    if (file != expectedFile) {
        qsizetype at = 0;
        while (at < file.size() && at < expectedFile.size() && file[at] == expectedFile[at])
            ++at;
        QFAIL(qPrintable(QStringLiteral("first difference at byte %1 (sizes %2 and %3)")
                             .arg(at)
                             .arg(file.size())
                             .arg(expectedFile.size())));
    }
    QVERIFY(Tlzrw1::decompress(file, QStringLiteral("x")) == input);
}

QTEST_GUILESS_MAIN(TestLzrw1Reference)
#include "tst_lzrw1reference.moc"
