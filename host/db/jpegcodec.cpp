#include "jpegcodec.h"

#include "host/services/boundedimage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Layout = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Layout = JCS_EXT_XRGB;
#endif

// libjpeg reports fatal errors by calling error_exit; it must not return, so
// it jumps back to the caller's setjmp. Nothing with a destructor may live
// between the two.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quietly(j_common_ptr, int)
{
}

qint64 decodedBytes(const jpeg_decompress_struct* info)
{
    return qint64(info->output_width) * qint64(info->output_height) * 4;
}

// The smallest DCT scale whose picture still covers atLeast, then smaller
// still until it fits the decode budget; false when even 1/8 does not.
bool chooseScale(jpeg_decompress_struct* info, const QSize& atLeast)
{
    info->scale_num = 1;
    info->scale_denom = 1;
    jpeg_calc_output_dimensions(info);
    while (atLeast.isValid() && info->scale_denom < 8) {
        const unsigned int denom = info->scale_denom * 2;
        const qint64 width = (qint64(info->image_width) + denom - 1) / denom;
        const qint64 height = (qint64(info->image_height) + denom - 1) / denom;
        if (width < atLeast.width() || height < atLeast.height())
            break;
        info->scale_denom = denom;
        jpeg_calc_output_dimensions(info);
    }
    while (decodedBytes(info) > BoundedImage::BudgetBytes && info->scale_denom < 8) {
        info->scale_denom *= 2;
        jpeg_calc_output_dimensions(info);
    }
    return decodedBytes(info) <= BoundedImage::BudgetBytes;
}

bool decodeInto(jpeg_decompress_struct* info, const uchar* data, unsigned long length,
    QImage* image, const QSize& atLeast)
{
    jpeg_mem_src(info, data, length);
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    info->out_color_space = kRgb32Layout;
    info->dct_method = JDCT_IFAST;
    info->do_fancy_upsampling = FALSE;
    if (!chooseScale(info, atLeast))
        return false;
    jpeg_start_decompress(info);
    const QSize size(int(info->output_width), int(info->output_height));
    if (image->size() != size || image->format() != QImage::Format_RGB32)
        *image = QImage(size, QImage::Format_RGB32);
    if (image->isNull())
        return false;
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->scanLine(int(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

QSize JpegCodec::size(const uchar* data, qsizetype length)
{
    if (!data || length <= 0)
        return {};
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = quietly;
    jpeg_create_decompress(&info);
    QSize size;
    if (setjmp(errors.jump) == 0) {
        jpeg_mem_src(&info, data, static_cast<unsigned long>(length));
        if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK)
            size = QSize(int(info.image_width), int(info.image_height));
    }
    jpeg_destroy_decompress(&info);
    return size;
}

bool JpegCodec::decode(const uchar* data, qsizetype size, QImage* image, const QSize& atLeast)
{
    if (!data || size <= 0 || !image)
        return false;
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = quietly;
    jpeg_create_decompress(&info);
    bool ok = false;
    if (setjmp(errors.jump) == 0)
        ok = decodeInto(&info, data, static_cast<unsigned long>(size), image, atLeast);
    jpeg_destroy_decompress(&info);
    return ok;
}

QByteArray JpegCodec::encode(const QImage& source, int quality)
{
    if (source.isNull())
        return {};
    const QImage image = source.format() == QImage::Format_RGB32
        ? source
        : source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = quietly;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    bool ok = false;
    if (setjmp(errors.jump) == 0) {
        jpeg_mem_dest(&info, &buffer, &length);
        info.image_width = JDIMENSION(image.width());
        info.image_height = JDIMENSION(image.height());
        info.input_components = 4;
        info.in_color_space = kRgb32Layout;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        info.dct_method = JDCT_IFAST;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(info.next_scanline)));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        ok = true;
    }
    jpeg_destroy_compress(&info);
    QByteArray bytes;
    if (ok && buffer)
        bytes = QByteArray(reinterpret_cast<const char*>(buffer), int(length));
    std::free(buffer);
    return bytes;
}
