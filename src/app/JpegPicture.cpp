#include "app/JpegPicture.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

// The pictures live in a resource of a static library, which the linker keeps only when
// something refers to it.
static void registerPictures()
{
    Q_INIT_RESOURCE(resources);
}

namespace vrl {

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

extern "C" void onJpegWarning(j_common_ptr, int) { }

// No C++ object with a destructor lives in this frame, so longjmp out of libjpeg is safe.
bool decodeInto(const QByteArray &data, QImage &image, char *message)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.base.emit_message = onJpegWarning;
    if (setjmp(errors.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    const QImage::Format format
        = info.output_components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    image = QImage(int(info.output_width), int(info.output_height), format);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        throw std::runtime_error("Obrázek JPEG je prázdný.");
    QImage image;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decodeInto(data, image, message))
        throw std::runtime_error(std::string("Obrázek JPEG nelze dekódovat: ") + message);
    return image;
}

QImage loadJpegPicture(const QString &name)
{
    static const bool registered = (registerPictures(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/pictures/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("Obrázek " + name + " chybí v programu.").toStdString());
    return decodeJpeg(file.readAll());
}

} // namespace vrl
