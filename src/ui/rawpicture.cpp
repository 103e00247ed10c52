#include "ui/rawpicture.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace vorlith::ui::rawpicture {

namespace {

constexpr char Magic[4] = {'V', 'P', 'I', 'X'};
constexpr quint32 Opaque = 1;
constexpr quint32 WithAlpha = 2;
// Far beyond any picture of the game; keeps the size arithmetic small.
constexpr quint32 MaxSide = 16384;

} // namespace

QByteArray encode(const QImage &image)
{
    if (image.isNull())
        return {};
    const bool opaque = !image.hasAlphaChannel();
    const QImage pixels =
        image.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    const auto width = quint32(pixels.width());
    const auto height = quint32(pixels.height());
    QByteArray bytes(qsizetype(HeaderSize + qsizetype(width) * height * 4), Qt::Uninitialized);
    char *out = bytes.data();
    std::memcpy(out, Magic, 4);
    qToLittleEndian<quint32>(width, out + 4);
    qToLittleEndian<quint32>(height, out + 8);
    qToLittleEndian<quint32>(opaque ? Opaque : WithAlpha, out + 12);
    for (quint32 y = 0; y < height; ++y)
        qToLittleEndian<quint32>(pixels.constScanLine(int(y)), width,
                                 out + HeaderSize + qsizetype(y) * width * 4);
    return bytes;
}

QImage decode(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize || std::memcmp(bytes.data(), Magic, 4) != 0)
        return {};
    const char *head = bytes.data();
    const quint32 width = qFromLittleEndian<quint32>(head + 4);
    const quint32 height = qFromLittleEndian<quint32>(head + 8);
    const quint32 kind = qFromLittleEndian<quint32>(head + 12);
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide ||
        (kind != Opaque && kind != WithAlpha) ||
        bytes.size() != HeaderSize + qsizetype(width) * height * 4)
        return {};
    QImage image(int(width), int(height),
                 kind == Opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (quint32 y = 0; y < height; ++y)
        qFromLittleEndian<quint32>(head + HeaderSize + qsizetype(y) * width * 4, width,
                                   image.scanLine(int(y)));
    return image;
}

} // namespace vorlith::ui::rawpicture
