#include "ui/resources.h"

#include "assets/assets.h"
#include "ui/theme.h"

#include <QPixmap>

namespace vorlith::ui {

static_assert(TileCount == assets::kTileCount && TileSize == assets::kTileSize
              && SmileyCount == assets::kSmileyCount);

void initResources()
{
    vorlith_init_assets();
}

QString soundPath(const QString &name)
{
    return assets::soundPath(name);
}

QString tilePath(int index)
{
    return assets::tilePath(index);
}

QString smileyPath(int index)
{
    return assets::smileyPath(index);
}

QCursor linkCursor()
{
    const QPoint hot = assets::linkCursorHotSpot();
    return QCursor(picture(assets::linkCursorPath()), hot.x(), hot.y());
}

} // namespace vorlith::ui
