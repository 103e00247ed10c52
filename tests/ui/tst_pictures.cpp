// The pictures as the windows get them: ready pixels made at build time from
// the PNG files, the same pixels the PNG files decode to.

#include "assets/assets.h"
#include "ui/rawpicture.h"
#include "ui/theme.h"

#include <QDirIterator>
#include <QPixmap>
#include <QResource>
#include <QTest>
#include <QtEndian>

namespace rawpicture = vorlith::ui::rawpicture;

namespace {

QImage comparable(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { vorlith_init_assets(); }
    void everyPictureComesReadyWithThePixelsOfItsPng_data();
    void everyPictureComesReadyWithThePixelsOfItsPng();
    void pictureIsFoundByNameOrPath();
    void damagedStoredFormIsRefused_data();
    void damagedStoredFormIsRefused();
};

void TestPictures::everyPictureComesReadyWithThePixelsOfItsPng_data()
{
    QTest::addColumn<QString>("name");
    int count = 0;
    QDirIterator it(QStringLiteral(":/images"), {QStringLiteral("*.png")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().mid(int(qstrlen(":/images/")));
        QTest::newRow(qPrintable(name)) << name;
        ++count;
    }
    QVERIFY(count > 50);
}

void TestPictures::everyPictureComesReadyWithThePixelsOfItsPng()
{
    QFETCH(QString, name);
    // Made at build time and stored uncompressed, so showing it is a copy.
    const QResource pixels(vorlith::assets::pixelsPath(name));
    QVERIFY(pixels.isValid());
    QCOMPARE(pixels.compressionAlgorithm(), QResource::NoCompression);

    const QImage png(QStringLiteral(":/images/") + name);
    QVERIFY(!png.isNull());
    const QPixmap ready = vorlith::ui::picture(name);
    QCOMPARE(ready.size(), png.size());
    QCOMPARE(ready.hasAlphaChannel(), QPixmap::fromImage(png).hasAlphaChannel());
    QCOMPARE(comparable(ready.toImage()), comparable(png));
}

void TestPictures::pictureIsFoundByNameOrPath()
{
    const QPixmap byName = vorlith::ui::picture(QStringLiteral("smileys/smiley03.png"));
    const QPixmap byPath = vorlith::ui::picture(vorlith::assets::smileyPath(3));
    QVERIFY(!byName.isNull());
    QCOMPARE(comparable(byPath.toImage()), comparable(byName.toImage()));
    QVERIFY(vorlith::ui::picture(QStringLiteral("no-such-picture.png")).isNull());
    // Only PNG pictures have a ready form.
    QVERIFY(vorlith::assets::pixelsPath(QStringLiteral("download.jpg")).isEmpty());
}

void TestPictures::damagedStoredFormIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QByteArray good = rawpicture::encode(image);
    const auto patched = [&good](int offset, quint32 value) {
        QByteArray b = good;
        qToLittleEndian(value, b.data() + offset);
        return b;
    };
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a pixel short") << good.chopped(4);
    QTest::newRow("another magic") << QByteArray("XPIX" + good.mid(4));
    QTest::newRow("no width") << patched(4, 0);
    QTest::newRow("wider than the pixels") << patched(4, 5);
    QTest::newRow("absurd height") << patched(8, 0x40000000);
    QTest::newRow("unknown kind") << patched(12, 3);
}

void TestPictures::damagedStoredFormIsRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(rawpicture::decode(bytes).isNull());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
