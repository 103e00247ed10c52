#pragma once

#include <QColor>
#include <QString>

#include <optional>
#include <span>

class QPalette;

namespace vorlith::chat {

/// A colour as it travels in chat messages and the settings file: a 32-bit
/// value laid out $00BBGGRR (blue in the high byte, red in the low one).
/// Values from $80000000 up name a system colour by the index in their low
/// byte; $1FFFFFFF is "no colour".
using ColorValue = quint32;

inline constexpr ColorValue kColorBlack = 0x00000000;
inline constexpr ColorValue kColorRed = 0x000000FF;
inline constexpr ColorValue kColorGreen = 0x00008000;
inline constexpr ColorValue kColorBlue = 0x00FF0000;
inline constexpr ColorValue kColorSilver = 0x00C0C0C0;
inline constexpr ColorValue kColorWindowText = 0x80000008;
inline constexpr ColorValue kColorNone = 0x1FFFFFFF;

struct NamedColor
{
    const char *name;
    ColorValue value;
};

/// The named colours (the sixteen standard colours, the 25 system colours
/// and clNone), in their fixed order.
std::span<const NamedColor> namedColors();

/// Writes \a value as its name when it has one, otherwise as "$" and eight
/// upper-case hexadecimal digits.
QString colorToText(ColorValue value);

/// Reads a colour text: a name (any case), a decimal integer, or "$" and up to
/// eight hexadecimal digits. Anything else gives nothing.
std::optional<ColorValue> colorFromText(QStringView text);

/// The value of an RGB colour (alpha is dropped).
ColorValue colorValueOf(const QColor &color);

/// The colour to draw \a value with; system colours come from \a palette.
QColor resolveColor(ColorValue value, const QPalette &palette);
/// The same, with the application's palette.
QColor resolveColor(ColorValue value);

} // namespace vorlith::chat
