// The compiled-in sounds and pictures: every name the game asks for exists,
// every sound is a WAVE file the players' sound systems can play, every picture
// has the size its control expects.

#include "assets/assets.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QSoundEffect>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <optional>

namespace {

struct Wave
{
    quint16 format{0};
    quint16 channels{0};
    quint32 rate{0};
    quint32 byteRate{0};
    quint16 blockAlign{0};
    quint16 bits{0};
    quint32 riffSize{0};
    QByteArray data;
};

// Reads the RIFF chunks of a WAVE file; nullopt and a reason when it is not one.
std::optional<Wave> parseWave(const QByteArray &bytes, QString *why)
{
    auto fail = [why](const char *reason) {
        *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return fail("no RIFF/WAVE header");
    Wave w;
    w.riffSize = qFromLittleEndian<quint32>(bytes.constData() + 4);
    bool haveFormat = false;
    bool haveData = false;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (size > quint32(bytes.size() - body))
            return fail("chunk runs past the end of the file");
        if (id == "fmt ") {
            if (size < 16)
                return fail("short fmt chunk");
            const char *f = bytes.constData() + body;
            w.format = qFromLittleEndian<quint16>(f);
            w.channels = qFromLittleEndian<quint16>(f + 2);
            w.rate = qFromLittleEndian<quint32>(f + 4);
            w.byteRate = qFromLittleEndian<quint32>(f + 8);
            w.blockAlign = qFromLittleEndian<quint16>(f + 12);
            w.bits = qFromLittleEndian<quint16>(f + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return fail("data chunk before fmt chunk");
            w.data = bytes.mid(body, size);
            haveData = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        return fail("fmt or data chunk missing");
    return w;
}

// Sample k of a mono PCM file as a fraction of full scale.
double sampleAt(const Wave &w, qsizetype k)
{
    if (w.bits == 8)
        return (quint8(w.data.at(k)) - 128) / 128.0;
    return qFromLittleEndian<qint16>(w.data.constData() + 2 * k) / 32768.0;
}

QByteArray readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QSet<QString> resourceFiles(const QString &root)
{
    QSet<QString> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(it.next());
    return files;
}

struct SoundRow
{
    const char *name;
    double minSeconds;
    double maxSeconds;
};

// Every sound of the game with the length it may have. The countdown ticks
// once a second, so its click must be far shorter than that; the cues answer a
// click or a key and must not drag on over the next one.
const SoundRow kSounds[] = {
    {"entered", 0.2, 1.5}, {"turn", 0.2, 1.5},     {"turnnew", 0.2, 1.5},   {"goodword", 0.1, 1.0},
    {"badword", 0.1, 1.0}, {"gameover", 0.5, 3.0}, {"tick", 0.01, 0.15},    {"clear", 0.05, 0.5},
    {"shuffle", 0.2, 1.0}, {"puttile", 0.02, 0.3}, {"roundover", 0.2, 1.5}, {"timeup", 0.2, 1.5},
    {"wave1", 0.2, 3.0},   {"wave2", 0.2, 3.0},    {"wave3", 0.2, 3.0},     {"wave4", 0.2, 3.0},
    {"wave5", 0.2, 3.0},   {"wave6", 0.2, 3.0},    {"wave7", 0.2, 3.0},     {"wave8", 0.2, 3.0},
    {"wave9", 0.2, 3.0},   {"wave10", 0.2, 3.0},   {"wave11", 0.2, 3.0},    {"wave12", 0.2, 3.0},
    {"wave13", 0.2, 3.0},  {"wave14", 0.2, 3.0},   {"wave15", 0.2, 3.0},    {"wave16", 0.2, 3.0},
    {"wave17", 0.2, 3.0},  {"wave18", 0.2, 3.0},   {"wave19", 0.2, 3.0},    {"wave20", 0.2, 3.0},
};

enum class Alpha
{
    Opaque,
    TransparentCorner
};

struct PictureRow
{
    QString path;
    QSize size;
    Alpha alpha;
};

QList<PictureRow> pictureRows()
{
    QList<PictureRow> rows{
        {QStringLiteral(":/images/background.png"), {766, 526}, Alpha::Opaque},
        {QStringLiteral(":/images/logo.png"), {232, 46}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/about_logo.png"), {300, 120}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/eyes.png"), {23, 10}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/timer_frame.png"), {123, 25}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/timer_bar.png"), {120, 19}, Alpha::Opaque},
        {QStringLiteral(":/images/panel_help.png"), {411, 520}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/winner_banner.png"), {383, 41}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/cursor_link.png"), {32, 32}, Alpha::TransparentCorner},
        {QStringLiteral(":/images/download.jpg"), {320, 160}, Alpha::Opaque},
        {QStringLiteral(":/images/button_smilies.png"), {22, 21}, Alpha::TransparentCorner},
    };
    for (const int size : {16, 32, 48, 64, 128, 256})
        rows.append({QStringLiteral(":/images/icons/vorlith_%1.png").arg(size),
                     {size, size},
                     Alpha::TransparentCorner});
    for (int i = 0; i < vorlith::assets::kTileCount; ++i)
        rows.append({vorlith::assets::tilePath(i), {65, 65}, Alpha::TransparentCorner});
    for (int i = 0; i < vorlith::assets::kSmileyCount; ++i)
        rows.append({vorlith::assets::smileyPath(i), {17, 16}, Alpha::TransparentCorner});
    for (const char *name : {"clear", "shuffle", "enter", "start", "done", "show"}) {
        for (const char *state : {"", "_hot", "_down"}) {
            rows.append({QStringLiteral(":/images/button_%1%2.png")
                             .arg(QLatin1String(name), QLatin1String(state)),
                         {102, 28},
                         Alpha::TransparentCorner});
        }
    }
    // b_phrase10 opens the chatter sounds menu
    for (int i = 1; i <= 10; ++i)
        rows.append(
            {QStringLiteral(":/images/b_phrase%1.png").arg(i), {22, 21}, Alpha::TransparentCorner});
    return rows;
}

bool fullyOpaque(const QImage &image)
{
    const QImage a = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (qAlpha(a.pixel(x, y)) != 255)
                return false;
    return true;
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { vorlith_init_assets(); }

    void everySoundIsAMonoPcmWave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        for (const SoundRow &row : kSounds)
            QTest::newRow(row.name)
                << QString::fromLatin1(row.name) << row.minSeconds << row.maxSeconds;
    }

    void everySoundIsAMonoPcmWave()
    {
        QFETCH(QString, name);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);

        const QByteArray bytes = readResource(vorlith::assets::soundPath(name));
        QVERIFY2(!bytes.isEmpty(), qPrintable(vorlith::assets::soundPath(name)));
        QString why;
        const std::optional<Wave> w = parseWave(bytes, &why);
        QVERIFY2(w.has_value(), qPrintable(why));
        QCOMPARE(qsizetype(w->riffSize) + 8, bytes.size());
        QCOMPARE(w->format, quint16(1)); // plain PCM, which every player decodes
        QCOMPARE(w->channels, quint16(1));
        QCOMPARE(w->rate, quint32(22050));
        QVERIFY(w->bits == 8 || w->bits == 16);
        QCOMPARE(w->blockAlign, quint16(w->channels * w->bits / 8));
        QCOMPARE(w->byteRate, w->rate * w->blockAlign);
        QVERIFY(!w->data.isEmpty());
        QCOMPARE(w->data.size() % w->blockAlign, 0);

        const qsizetype samples = w->data.size() / w->blockAlign;
        const double seconds = double(samples) / w->rate;
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds,
                 qPrintable(QString::number(seconds)));

        // Audible, and no click where it starts or stops.
        double peak = 0;
        for (qsizetype k = 0; k < samples; ++k)
            peak = qMax(peak, qAbs(sampleAt(*w, k)));
        QVERIFY2(peak > 0.2, qPrintable(QString::number(peak)));
        QVERIFY(qAbs(sampleAt(*w, 0)) < 0.05);
        QVERIFY(qAbs(sampleAt(*w, samples - 1)) < 0.05);
    }

    void everySoundDecodesForPlayback_data() { everySoundIsAMonoPcmWave_data(); }

    void everySoundDecodesForPlayback()
    {
        // What the game plays them with; it decodes even when the machine has
        // no audio device.
        QFETCH(QString, name);
        QSoundEffect effect;
        effect.setSource(QUrl(QStringLiteral("qrc") + vorlith::assets::soundPath(name)));
        QTRY_VERIFY_WITH_TIMEOUT(effect.status() != QSoundEffect::Loading &&
                                     effect.status() != QSoundEffect::Null,
                                 10000);
        QCOMPARE(effect.status(), QSoundEffect::Ready);
    }

    void soundNamesIgnoreCase()
    {
        QCOMPARE(vorlith::assets::soundPath(QStringLiteral("GoodWord")),
                 QStringLiteral(":/sounds/goodword.wav"));
        QVERIFY(QFile::exists(vorlith::assets::soundPath(QStringLiteral("WAVE20"))));
    }

    void requestedNamesWithoutSoundStayMissing_data()
    {
        // Asked for by the countdown and by a click on a used letter; they fall
        // back to the system beep, so no resource may shadow them.
        QTest::addColumn<QString>("name");
        QTest::newRow("timer") << QStringLiteral("timer");
        QTest::newRow("invalid") << QStringLiteral("invalid");
    }

    void requestedNamesWithoutSoundStayMissing()
    {
        QFETCH(QString, name);
        QVERIFY(!QFile::exists(vorlith::assets::soundPath(name)));
    }

    void soundResourcesAreExactlyTheGameSounds()
    {
        QSet<QString> expected;
        for (const SoundRow &row : kSounds)
            expected.insert(vorlith::assets::soundPath(QString::fromLatin1(row.name)));
        const QSet<QString> present = resourceFiles(QStringLiteral(":/sounds"));
        QCOMPARE(present, expected);

        qint64 total = 0;
        for (const QString &path : present)
            total += QFile(path).size();
        QVERIFY2(total < 2 * 1024 * 1024, qPrintable(QString::number(total)));
    }

    void everyPictureLoadsWithItsSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("opaque");
        for (const PictureRow &row : pictureRows())
            QTest::newRow(qPrintable(row.path))
                << row.path << row.size << (row.alpha == Alpha::Opaque);
    }

    void everyPictureLoadsWithItsSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(bool, opaque);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        if (opaque) {
            QVERIFY(fullyOpaque(image));
        } else {
            // drawn over the window or the board: the corners let it show through
            QVERIFY(image.hasAlphaChannel());
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(size.width() - 1, size.height() - 1)), 0);
        }
    }

    void pictureResourcesAreExactlyTheListedOnes()
    {
        QSet<QString> expected;
        for (const PictureRow &row : pictureRows())
            expected.insert(row.path);
        QCOMPARE(resourceFiles(QStringLiteral(":/images")), expected);
    }

    void imageListEntriesAreDistinct_data()
    {
        QTest::addColumn<QStringList>("paths");
        QStringList tiles, smileys, phrases;
        for (int i = 0; i < vorlith::assets::kTileCount; ++i)
            tiles << vorlith::assets::tilePath(i);
        for (int i = 0; i < vorlith::assets::kSmileyCount; ++i)
            smileys << vorlith::assets::smileyPath(i);
        for (int i = 1; i <= 10; ++i)
            phrases << QStringLiteral(":/images/b_phrase%1.png").arg(i);
        QTest::newRow("letter tiles") << tiles;
        QTest::newRow("smileys") << smileys;
        QTest::newRow("phrase buttons") << phrases;
    }

    void imageListEntriesAreDistinct()
    {
        QFETCH(QStringList, paths);
        QHash<QByteArray, QString> seen;
        for (const QString &path : paths) {
            const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!image.isNull(), qPrintable(path));
            const QByteArray pixels(reinterpret_cast<const char *>(image.constBits()),
                                    image.sizeInBytes());
            QVERIFY2(!seen.contains(pixels),
                     qPrintable(path + QStringLiteral(" repeats ") + seen.value(pixels)));
            seen.insert(pixels, path);
        }
    }

    void listPathsRejectIndicesOutsideTheLists_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("smiley");
        QTest::newRow("-1") << -1 << false << false;
        QTest::newRow("0") << 0 << true << true;
        QTest::newRow("17") << 17 << true << true;
        QTest::newRow("18") << 18 << true << false;
        QTest::newRow("27") << 27 << true << false;
        QTest::newRow("28") << 28 << false << false;
        QTest::newRow("29 (no tile)") << 29 << false << false;
    }

    void listPathsRejectIndicesOutsideTheLists()
    {
        QFETCH(int, index);
        QFETCH(bool, tile);
        QFETCH(bool, smiley);
        QCOMPARE(!vorlith::assets::tilePath(index).isEmpty(), tile);
        QCOMPARE(!vorlith::assets::smileyPath(index).isEmpty(), smiley);
    }

    void linkCursorHotSpotIsTheFingertip()
    {
        const QImage cursor =
            QImage(vorlith::assets::linkCursorPath()).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!cursor.isNull());
        const QPoint hot = vorlith::assets::linkCursorHotSpot();
        QVERIFY(cursor.rect().contains(hot));
        QVERIFY(qAlpha(cursor.pixel(hot)) >= 200);
        // nothing solid above the hot spot: it is the top of the finger
        for (int y = 0; y < hot.y(); ++y)
            for (int x = 0; x < cursor.width(); ++x)
                QVERIFY2(qAlpha(cursor.pixel(x, y)) < 200,
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    void downloadPictureIsAJpeg()
    {
        // the offer window decodes it with libjpeg, not through Qt
        const QByteArray bytes = readResource(QStringLiteral(":/images/download.jpg"));
        QVERIFY(bytes.startsWith("\xFF\xD8\xFF"));
        QVERIFY(bytes.endsWith("\xFF\xD9"));
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
