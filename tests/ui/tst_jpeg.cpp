#include "ui/jpeg.h"
#include "ui/resources.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

using vorlith::ui::decodeJpeg;

namespace {

// Four flat quadrants: red, green, blue and grey, so a mixed-up channel order
// or a shifted row shows.
QImage quadrants()
{
    QImage img(64, 48, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, 32, 24, QColor(220, 20, 20));
    p.fillRect(32, 0, 32, 24, QColor(20, 200, 40));
    p.fillRect(0, 24, 32, 24, QColor(30, 40, 210));
    p.fillRect(32, 24, 32, 24, QColor(128, 128, 128));
    return img;
}

QByteArray encode(const QImage &image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12 && qAbs(qBlue(a) - qBlue(b)) <= 12;
}

// The frame header's height and width set to \a side.
QByteArray withSide(QByteArray jpeg, quint16 side)
{
    for (qsizetype i = 0; i + 8 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
            for (const qsizetype at : {i + 5, i + 7}) {
                jpeg[at] = char(side >> 8);
                jpeg[at + 1] = char(side & 0xFF);
            }
            return jpeg;
        }
    }
    return {};
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { vorlith::ui::initResources(); }
    void decodesColoursInPlace_data();
    void decodesColoursInPlace();
    void offerPictureDecodes();
    void damagedPicturesGiveNoImage_data();
    void damagedPicturesGiveNoImage();
};

void TestJpeg::decodesColoursInPlace_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<bool>("grey");
    QTest::newRow("baseline") << encode(quadrants()) << false;
    QTest::newRow("progressive") << encode(quadrants(), true) << false;
    QTest::newRow("greyscale") << encode(quadrants().convertToFormat(QImage::Format_Grayscale8)) << true;
}

void TestJpeg::decodesColoursInPlace()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(bool, grey);
    QVERIFY(jpeg.startsWith("\xFF\xD8"));
    QString error;
    const QImage image = decodeJpeg(jpeg, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QCOMPARE(image.size(), QSize(64, 48));
    QImage expected = quadrants();
    if (grey)
        expected = expected.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
    for (const QPoint at : {QPoint(8, 6), QPoint(56, 6), QPoint(8, 42), QPoint(56, 42)})
        QVERIFY2(near(image.pixel(at), expected.pixel(at)),
                 qPrintable(QStringLiteral("at %1,%2: %3 instead of %4")
                                .arg(at.x())
                                .arg(at.y())
                                .arg(image.pixel(at), 0, 16)
                                .arg(expected.pixel(at), 0, 16)));
}

void TestJpeg::offerPictureDecodes()
{
    const QImage image = vorlith::ui::jpegPicture(QStringLiteral("download.jpg"));
    QCOMPARE(image.size(), QSize(320, 160));
    // The red of "IS CLOSED" is there, below the middle of the sign.
    bool red = false;
    for (int x = 100; x < 220 && !red; ++x) {
        const QRgb c = image.pixel(x, 88);
        red = qRed(c) > 170 && qGreen(c) < 80 && qBlue(c) < 80;
    }
    QVERIFY(red);
    QVERIFY(vorlith::ui::jpegPicture(QStringLiteral("no-such.jpg")).isNull());
}

void TestJpeg::damagedPicturesGiveNoImage_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QFile file(QStringLiteral(":/images/download.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray(5000, '\x5A');
    QTest::newRow("PNG header") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + QByteArray(200, '\0');
    QTest::newRow("start marker only") << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("cut after the header") << good.left(700);
    QTest::newRow("cut in half") << good.left(good.size() / 2);
    QTest::newRow("last bytes missing") << good.left(good.size() - 40);
    const QByteArray huge = withSide(good, 60000);
    QVERIFY(!huge.isEmpty());
    QTest::newRow("absurd size") << huge;
}

void TestJpeg::damagedPicturesGiveNoImage()
{
    QFETCH(QByteArray, jpeg);
    QString error;
    QVERIFY(decodeJpeg(jpeg, &error).isNull());
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestJpeg)
#include "tst_jpeg.moc"
