#pragma once

#include <QByteArray>
#include <QImage>

namespace vorlith::ui {

/// Pictures stored as the pixels a pixmap holds, so that showing one costs a
/// copy instead of a decode. The build turns every compiled-in PNG into this
/// form (tools/pixels).
///
/// Layout, every number little-endian: "VPIX", width, height and a kind
/// (1 opaque, 2 with alpha), each 32 bits; then the rows top to bottom, each
/// pixel one 32-bit 0xAARRGGBB, its colour premultiplied by its alpha (the
/// alpha of an opaque picture is 0xFF).
namespace rawpicture {

inline constexpr int HeaderSize = 16;

/// \a image in the stored form. An opaque image stays opaque; any other is
/// premultiplied.
QByteArray encode(const QImage &image);

/// The picture in \a bytes, or a null image when they are not a whole
/// picture of this form.
QImage decode(QByteArrayView bytes);

} // namespace rawpicture

} // namespace vorlith::ui
