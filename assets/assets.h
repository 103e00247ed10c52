#pragma once

#include <QPoint>
#include <QString>

// Registers the compiled-in sounds (":/sounds/...") and pictures
// (":/images/...") of the game. They live in a static library, so the program
// calls this once at start-up, before the first window or sound is created;
// calling it again does no harm.
void vorlith_init_assets();

namespace vorlith::assets {

// Pictures of the image lists: the letter tiles (index 0 blank, 1..26 A..Z,
// 27 the cross over a used letter) and the chat smileys.
inline constexpr int kTileCount = 28;
inline constexpr int kTileSize = 65;
inline constexpr int kSmileyCount = 18;

// Resource path of a named sound such as "goodword" or "wave12". Sound names
// are matched without regard to case. The path may not exist: not every
// requested name has a sound.
QString soundPath(const QString &name);

// Resource path of the ready pixels of picture `picture` (a name under
// ":/images/" such as "tiles/tile00.png"), made at build time from the PNG
// file; empty for a picture that is not a PNG file.
QString pixelsPath(const QString &picture);

// Resource path of letter tile `index` (0..27) and of smiley `index` (0..17);
// an empty string for an index outside the list.
QString tilePath(int index);
QString smileyPath(int index);

// The link cursor picture and the point of it that clicks (the fingertip).
QString linkCursorPath();
QPoint linkCursorHotSpot();

} // namespace vorlith::assets
