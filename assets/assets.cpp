#include "assets/assets.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE has to be used outside of any namespace.
void vorlith_init_assets()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    Q_INIT_RESOURCE(sounds);
    Q_INIT_RESOURCE(images);
    Q_INIT_RESOURCE(pixels);
}

namespace vorlith::assets {

QString soundPath(const QString &name)
{
    return QStringLiteral(":/sounds/") + name.toLower() + QStringLiteral(".wav");
}

QString pixelsPath(const QString &picture)
{
    if (!picture.endsWith(QLatin1String(".png")))
        return {};
    return QStringLiteral(":/pixels/") + picture.chopped(4) + QStringLiteral(".pix");
}

QString tilePath(int index)
{
    if (index < 0 || index >= kTileCount)
        return {};
    return QStringLiteral(":/images/tiles/tile%1.png").arg(index, 2, 10, QLatin1Char('0'));
}

QString smileyPath(int index)
{
    if (index < 0 || index >= kSmileyCount)
        return {};
    return QStringLiteral(":/images/smileys/smiley%1.png").arg(index, 2, 10, QLatin1Char('0'));
}

QString linkCursorPath()
{
    return QStringLiteral(":/images/cursor_link.png");
}

QPoint linkCursorHotSpot()
{
    // Keep in step with the drawing in tools/art/main.cpp.
    return {10, 1};
}

} // namespace vorlith::assets
