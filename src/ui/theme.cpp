#include "ui/theme.h"

#include "assets/assets.h"
#include "ui/rawpicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QResource>
#include <QWidget>

namespace vorlith::ui {

QFont arial(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QFont arialPoints(int points, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

QPixmap picture(const QString &nameOrPath)
{
    vorlith_init_assets();
    static const QString images = QStringLiteral(":/images/");
    const QString name = nameOrPath.startsWith(images) ? nameOrPath.mid(images.size()) : nameOrPath;
    const QString key = QStringLiteral("vorlith:") + name;
    QPixmap pic;
    if (QPixmapCache::find(key, &pic))
        return pic;
    // The build made ready pixels of every PNG picture: a copy, where decoding
    // the PNG would cost a start several milliseconds.
    const QResource pixels(assets::pixelsPath(name));
    QImage image;
    if (pixels.isValid() && pixels.compressionAlgorithm() == QResource::NoCompression)
        image = rawpicture::decode(QByteArrayView(reinterpret_cast<const char *>(pixels.data()),
                                                  qsizetype(pixels.size())));
    pic = image.isNull() ? QPixmap(images + name) : QPixmap::fromImage(std::move(image));
    if (!pic.isNull())
        QPixmapCache::insert(key, pic);
    return pic;
}

QPixmap backgroundPicture(const QSize &size)
{
    QPixmap pic = picture(QStringLiteral("background.png"));
    if (!pic.isNull())
        return pic;
    pic = QPixmap(size);
    QPainter p(&pic);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(28, 66, 92));
    g.setColorAt(1, QColor(16, 40, 60));
    p.fillRect(pic.rect(), g);
    return pic;
}

void setBackground(QWidget *widget, const QPixmap &picture, const QColor &fallback)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, fallback);
    if (!picture.isNull())
        pal.setBrush(QPalette::Window, QBrush(picture));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

} // namespace vorlith::ui
