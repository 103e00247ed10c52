// vorlith_pixels: turns the game's PNG pictures into the form a pixmap holds
// (see src/ui/rawpicture.h) at build time, so that a start of the game copies
// its pictures instead of decoding them.
//
//   vorlith_pixels IMAGES_DIR OUT_DIR NAME...
//
// Writes OUT_DIR/NAME with ".png" replaced by ".pix" for every NAME (a path
// under IMAGES_DIR), and OUT_DIR/pixels.qrc listing them uncompressed under
// the prefix /pixels.

#include "ui/rawpicture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "vorlith_pixels: %s\n", qPrintable(text));
    return 1;
}

bool save(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return fail(QStringLiteral("usage: vorlith_pixels IMAGES_DIR OUT_DIR NAME..."));
    const QDir images(args.at(1));
    const QDir out(args.at(2));

    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"/pixels\">\n";
    for (const QString &name : args.mid(3)) {
        if (!name.endsWith(QLatin1String(".png")))
            return fail(QStringLiteral("%1 is not a PNG picture").arg(name));
        QImageReader reader(images.filePath(name));
        const QImage image = reader.read();
        if (image.isNull())
            return fail(QStringLiteral("cannot read %1: %2").arg(name, reader.errorString()));
        const QString pixName = name.chopped(4) + QStringLiteral(".pix");
        if (!save(out.filePath(pixName), vorlith::ui::rawpicture::encode(image)))
            return fail(QStringLiteral("cannot write %1").arg(out.filePath(pixName)));
        // Stored as they are: the point is to read them without unpacking.
        qrc += "        <file compression-algorithm=\"none\">" + pixName.toUtf8() + "</file>\n";
    }
    qrc += "    </qresource>\n</RCC>\n";
    if (!save(out.filePath(QStringLiteral("pixels.qrc")), qrc))
        return fail(
            QStringLiteral("cannot write %1").arg(out.filePath(QStringLiteral("pixels.qrc"))));
    return 0;
}
