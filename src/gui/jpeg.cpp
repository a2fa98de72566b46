#include "gui/jpeg.h"

#include <climits>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports failures through its error manager, whose default ends the process. Ours
// keeps the library's text and jumps back to the decode call instead.
struct ErrorManager
{
    jpeg_error_mgr base; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void failDecode(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    // A warning means the data is corrupt and libjpeg would patch over it (grey rows for a
    // truncated file, for example). Our pictures are never damaged, so refuse the picture
    // rather than show a broken one. Trace messages (level >= 0) are of no interest.
    if (level < 0)
        failDecode(cinfo);
}

bool allocateImage(QImage *image, JDIMENSION width, JDIMENSION height)
{
    if (width > JDIMENSION(INT_MAX) || height > JDIMENSION(INT_MAX))
        return false;
    *image = QImage(int(width), int(height), QImage::Format_RGB888);
    return !image->isNull();
}

// Kept free of objects with destructors: longjmp out of libjpeg skips everything between here
// and the failing call, and only plain data may live in this frame across setjmp.
bool decompress(const unsigned char *data, std::size_t size, QImage *image,
                char (&message)[JMSG_LENGTH_MAX])
{
    // jpeg_mem_src takes an unsigned long, which is narrower than size_t on some systems.
    const auto length = static_cast<unsigned long>(size);
    if (length != size) {
        std::snprintf(message, sizeof message, "%s", "Picture data too large");
        return false;
    }

    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failDecode;
    errors.base.emit_message = emitMessage;
    errors.message[0] = '\0';

    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, sizeof message, "%s", errors.message);
        return false;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, length);
    jpeg_read_header(&cinfo, TRUE);

    // Grey, YCbCr and RGB pictures all come out as 8-bit RGB; libjpeg refuses CMYK with its own
    // message, which is reported like any other failure.
    cinfo.out_color_space = JCS_RGB;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&cinfo);

    if (!allocateImage(image, cinfo.output_width, cinfo.output_height)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, sizeof message, "%s", "Not enough memory for the picture");
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

DecodeResult decodeJpeg(const unsigned char *data, std::size_t size)
{
    DecodeResult result;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decompress(data, size, &result.image, message)) {
        result.image = QImage();
        result.error = QStringLiteral("Cannot decode JPEG picture: %1")
                           .arg(QString::fromLatin1(message));
    }
    return result;
}

void registerJpegFormats()
{
    const QString description = QStringLiteral("JPEG Image File");
    registerPictureFormat(QStringLiteral("jpeg"), description, decodeJpeg);
    registerPictureFormat(QStringLiteral("jpg"), description, decodeJpeg);
}

void unregisterJpegFormats()
{
    unregisterPictureFormat(QStringLiteral("jpeg"));
    unregisterPictureFormat(QStringLiteral("jpg"));
}
