#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace vorlith::ui {

/// The letter tiles, drawn as vector art so that they stay sharp at any
/// device pixel ratio. The program's board paints them at draw time; the
/// art tool paints the same tiles into the logo, the icon and the tile files.
namespace tiles {

/// Index of the blank tile, and of the cross drawn over a letter in use.
inline constexpr int Blank = 0;
inline constexpr int Cross = 27;

/// A cream tile with a soft bevel and drop shadow inside \a square.
void paintBody(QPainter &p, const QRectF &square);
/// An engraved blue letter centred on a tile occupying \a square.
void paintLetter(QPainter &p, const QRectF &square, const QString &letter);
/// The red cross that marks a letter already used in the word.
void paintCross(QPainter &p, const QRectF &square);
/// Image \a index of the tile list: 0 a blank tile, 1 to 26 the tiles A to
/// Z, 27 the cross. Any other index draws nothing.
void paint(QPainter &p, const QRectF &square, int index);

} // namespace tiles
} // namespace vorlith::ui
