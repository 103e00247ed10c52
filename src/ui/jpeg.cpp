#include "ui/jpeg.h"

#include "ui/resources.h"

#include <QFile>
#include <QLoggingCategory>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>

Q_LOGGING_CATEGORY(lcJpeg, "vorlith.jpeg")

namespace vorlith::ui {

namespace {

// Pictures beyond this are refused before any pixel memory is taken: a
// damaged header must not make us allocate gigabytes.
constexpr JDIMENSION MaxSide = 8192;
constexpr unsigned long long MaxPixels = 16ull * 1024 * 1024;

using Allocate = unsigned char *(*)(void *target, int width, int height, qsizetype *bytesPerLine);

// Everything the decoder touches between setjmp and a possible longjmp lives
// here, behind a pointer, so no local of the jumping function is clobbered.
struct Decoder
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    unsigned char *pixels;
    qsizetype bytesPerLine;
};

Decoder *decoderOf(j_common_ptr info)
{
    return static_cast<Decoder *>(info->client_data);
}

void onFatalError(j_common_ptr info)
{
    Decoder *d = decoderOf(info);
    (*info->err->format_message)(info, d->message);
    std::longjmp(d->jump, 1);
}

void onWarning(j_common_ptr info)
{
    // libjpeg warns, and carries on with made-up data, about damage such as a
    // truncated stream; the first warning is kept and the picture refused.
    Decoder *d = decoderOf(info);
    if (d->message[0] == '\0')
        (*info->err->format_message)(info, d->message);
}

void setMessage(Decoder *d, const char *text)
{
    std::snprintf(d->message, sizeof d->message, "%s", text);
}

// Every libjpeg call happens in this function. libjpeg reports fatal errors
// through onFatalError, which jumps back to the setjmp below; this frame and
// the libjpeg frames it skips hold only plain data, so the jump passes over no
// destructor. The pixel memory belongs to the caller, reached through
// allocate, which runs here and not inside libjpeg.
bool runDecoder(Decoder *d, const unsigned char *data, unsigned long size, Allocate allocate, void *target)
{
    d->info.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = &onFatalError;
    d->errors.output_message = &onWarning;
    d->info.client_data = d;
    if (setjmp(d->jump)) {
        jpeg_destroy_decompress(&d->info);
        return false;
    }
    jpeg_create_decompress(&d->info);
    d->info.client_data = d; // jpeg_create_decompress clears it
    jpeg_mem_src(&d->info, data, size);
    jpeg_read_header(&d->info, TRUE);
    if (d->info.image_width > MaxSide || d->info.image_height > MaxSide
        || static_cast<unsigned long long>(d->info.image_width) * d->info.image_height > MaxPixels) {
        setMessage(d, "picture too large");
        jpeg_destroy_decompress(&d->info);
        return false;
    }
    d->info.out_color_space = JCS_EXT_RGBX;
    jpeg_start_decompress(&d->info);
    d->pixels = allocate(target, static_cast<int>(d->info.output_width), static_cast<int>(d->info.output_height),
                         &d->bytesPerLine);
    if (!d->pixels) {
        setMessage(d, "out of memory for the picture");
        jpeg_destroy_decompress(&d->info);
        return false;
    }
    while (d->info.output_scanline < d->info.output_height) {
        JSAMPROW row = d->pixels + static_cast<qsizetype>(d->info.output_scanline) * d->bytesPerLine;
        jpeg_read_scanlines(&d->info, &row, 1);
    }
    jpeg_finish_decompress(&d->info);
    const bool clean = d->errors.num_warnings == 0;
    jpeg_destroy_decompress(&d->info);
    return clean;
}

unsigned char *allocateImage(void *target, int width, int height, qsizetype *bytesPerLine)
{
    auto *image = static_cast<QImage *>(target);
    *image = QImage(width, height, QImage::Format_RGBX8888);
    if (image->isNull())
        return nullptr;
    *bytesPerLine = image->bytesPerLine();
    return image->bits();
}

} // namespace

QImage decodeJpeg(const QByteArray &data, QString *error)
{
    QImage image;
    // Value-initialised: libjpeg may be asked to clean up a decoder that it
    // never finished setting up.
    auto decoder = std::make_unique<Decoder>();
    const bool ok = runDecoder(decoder.get(), reinterpret_cast<const unsigned char *>(data.constData()),
                               static_cast<unsigned long>(data.size()), &allocateImage, &image);
    if (!ok) {
        if (error)
            *error = QString::fromLatin1(decoder->message);
        return {};
    }
    return image;
}

QImage jpegPicture(const QString &name)
{
    initResources();
    QFile file(QStringLiteral(":/images/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcJpeg) << "missing picture" << name;
        return {};
    }
    QString error;
    QImage image = decodeJpeg(file.readAll(), &error);
    if (image.isNull())
        qCWarning(lcJpeg).noquote() << "cannot decode" << name << ":" << error;
    return image;
}

} // namespace vorlith::ui
