#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>

class QWidget;

namespace vorlith::ui {

/// Colours shared by the windows.
namespace colors {
inline const QColor Parchment{244, 239, 206};  ///< secondary windows' background
inline const QColor ListPaper{247, 247, 238};  ///< list boxes
inline const QColor BoardBlue{49, 118, 177};   ///< the board panel
inline const QColor SeatOdd{0, 70, 140};       ///< odd seats' labels
inline const QColor Banner{31, 74, 109};       ///< winner banner and titles
} // namespace colors

/// Arial (Liberation Sans stands in for it where Arial is missing).
QFont arial(int pixelSize, bool bold = false);
QFont arialPoints(int points, bool bold = false);

/// A picture from the compiled-in images, named by its path under ":/images/"
/// ("logo.png") or by its whole resource path; an empty pixmap when there is
/// none. Pictures come ready to show, without decoding, and are cached.
QPixmap picture(const QString &nameOrPath);

/// The background picture of the main window, which the other windows copy.
/// Painted when the compiled-in picture is missing.
QPixmap backgroundPicture(const QSize &size);

/// Paints \a picture as the background of \a widget (tiled).
void setBackground(QWidget *widget, const QPixmap &picture, const QColor &fallback);

} // namespace vorlith::ui
