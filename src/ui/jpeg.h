#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vorlith::ui {

/// Decodes a baseline or progressive JPEG (greyscale or colour) with
/// libjpeg-turbo. A damaged, truncated or unreadable picture gives a null
/// image and, when \a error is given, the decoder's complaint.
QImage decodeJpeg(const QByteArray &data, QString *error = nullptr);

/// A compiled-in JPEG picture decoded with decodeJpeg(); a null image when
/// it is missing or damaged.
QImage jpegPicture(const QString &name);

} // namespace vorlith::ui
