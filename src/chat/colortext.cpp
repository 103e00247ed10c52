#include "chat/colortext.h"

#include "net/numbers.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>
#include <limits>

namespace vorlith::chat {

namespace {

constexpr std::array<NamedColor, 42> kNamedColors{{
    {"clBlack", 0x00000000},         {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},         {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},          {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},          {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},        {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},          {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},          {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},          {"clWhite", 0x00FFFFFF},
    {"clScrollBar", 0x80000000},     {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},          {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},   {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},  {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},  {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},     {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},       {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},  {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},       {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},        {"clNone", kColorNone},
}};

constexpr const auto &kAllNames = kNamedColors;

bool isSystemColor(ColorValue value)
{
    return (value & 0xFF000000u) == 0x80000000u;
}

// Plain RGB; other high bytes (palette indices, "no colour") keep their low
// three bytes, as the drawing system does.
QColor rgbOf(ColorValue value)
{
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

} // namespace

std::span<const NamedColor> namedColors()
{
    return kAllNames;
}

QString colorToText(ColorValue value)
{
    for (const NamedColor &named : kAllNames) {
        if (named.value == value)
            return QString::fromLatin1(named.name);
    }
    return QLatin1Char('$') + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<ColorValue> colorFromText(QStringView text)
{
    for (const NamedColor &named : kAllNames) {
        if (text.compare(QLatin1StringView(named.name), Qt::CaseInsensitive) == 0)
            return named.value;
    }
    if (text.startsWith(QLatin1Char('$')))
        return net::parseHex32(text.mid(1));
    // A signed 32-bit decimal: negative numbers are the system colours.
    if (const auto value = net::parseDecimal32(text))
        return ColorValue(quint32(*value));
    return std::nullopt;
}

ColorValue colorValueOf(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return ColorValue(rgb.red()) | (ColorValue(rgb.green()) << 8) | (ColorValue(rgb.blue()) << 16);
}

QColor resolveColor(ColorValue value, const QPalette &palette)
{
    if (isSystemColor(value)) {
        // The system colours by index, mapped onto the roles of the palette
        // that play the same part.
        switch (value & 0xFFu) {
        case 0:
            return palette.color(QPalette::Button); // scroll bar
        case 1:
            return palette.color(QPalette::Dark); // desktop
        case 2:
            return palette.color(QPalette::Highlight); // active caption
        case 3:
            return palette.color(QPalette::Mid); // inactive caption
        case 4:
            return palette.color(QPalette::Window); // menu
        case 5:
            return palette.color(QPalette::Base); // window
        case 6:
            return palette.color(QPalette::Shadow); // window frame
        case 7:
            return palette.color(QPalette::WindowText); // menu text
        case 8:
            return palette.color(QPalette::WindowText); // window text
        case 9:
            return palette.color(QPalette::HighlightedText); // caption text
        case 10:
            return palette.color(QPalette::Window); // active border
        case 11:
            return palette.color(QPalette::Window); // inactive border
        case 12:
            return palette.color(QPalette::Mid); // application work space
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button); // button face
        case 16:
            return palette.color(QPalette::Dark); // button shadow
        case 17:
            return palette.color(QPalette::Disabled, QPalette::Text); // grey text
        case 18:
            return palette.color(QPalette::ButtonText);
        case 19:
            return palette.color(QPalette::Disabled, QPalette::WindowText); // inactive caption text
        case 20:
            return palette.color(QPalette::Light); // button highlight
        case 21:
            return palette.color(QPalette::Shadow); // 3D dark shadow
        case 22:
            return palette.color(QPalette::Midlight); // 3D light
        case 23:
            return palette.color(QPalette::ToolTipText); // info text
        case 24:
            return palette.color(QPalette::ToolTipBase); // info background
        default:
            return QColor(Qt::black);
        }
    }
    return rgbOf(value);
}

QColor resolveColor(ColorValue value)
{
    if (!isSystemColor(value))
        return rgbOf(value);
    // Without a GUI there is no palette to take system colours from.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QColor(Qt::black);
    return resolveColor(value, QGuiApplication::palette());
}

} // namespace vorlith::chat
