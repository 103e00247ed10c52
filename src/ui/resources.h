#pragma once

#include <QCursor>
#include <QString>

/// The compiled-in pictures and sounds as the windows use them. The rest of
/// the program reaches the resources only through here.
namespace vorlith::ui {

/// Registers the compiled-in pictures and sounds; calling it again does no harm.
void initResources();

/// Letter tiles: index 0 blank, 1..26 A..Z, 27 the cross over a used letter.
inline constexpr int TileCount = 28;
inline constexpr int TileSize = 65;
inline constexpr int SmileyCount = 18;

/// Resource path of a named sound such as "goodword" or "wave12" (any case).
/// The path may not exist: not every requested name has a sound.
QString soundPath(const QString &name);
/// Resource path of tile \a index and of smiley \a index; empty outside the list.
QString tilePath(int index);
QString smileyPath(int index);

/// The chat's link cursor, with its fingertip as the hot spot.
QCursor linkCursor();

} // namespace vorlith::ui
