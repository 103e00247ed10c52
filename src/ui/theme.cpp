#include "ui/theme.h"

#include "assets/assets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
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

QPixmap picture(const QString &name)
{
    vorlith_init_assets();
    return QPixmap(QStringLiteral(":/images/") + name);
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
