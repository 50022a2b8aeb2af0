#include "heifmetadata.h"

#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QFile>

#include <libheif/heif.h>

#include <memory>

namespace {

struct ContextDeleter
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter
{
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

// The stored block starts with the offset of the TIFF header, big-endian;
// some writers put "Exif\0\0" between.
QByteArray tiffPart(const QByteArray& block)
{
    if (block.size() < 4)
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(block.constData());
    const quint32 offset = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16)
        | (quint32(bytes[2]) << 8) | quint32(bytes[3]);
    if (offset > quint32(block.size() - 4))
        return {};
    QByteArray tiff = block.mid(4 + int(offset));
    if (tiff.startsWith(QByteArrayLiteral("Exif\0\0")))
        tiff.remove(0, 6);
    return tiff.startsWith("II") || tiff.startsWith("MM") ? tiff : QByteArray();
}

QByteArray exifBlock(const heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const size_t size = heif_image_handle_get_metadata_size(handle, id);
    // An EXIF block is at most 64 KB in JPEG; anything far larger is damage.
    if (size == 0 || size > 16 * 1024 * 1024)
        return {};
    QByteArray block(int(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    return tiffPart(block);
}

} // namespace

bool HeifMetadata::isHeifExtension(const QString& extension)
{
    const QString lower = extension.toLower();
    return lower == QLatin1String("heic") || lower == QLatin1String("heif")
        || lower == QLatin1String("hif") || lower == QLatin1String("avif");
}

bool HeifMetadata::read(const QString& path, QSize* size, QByteArray* exif)
{
    // libheif opens the file itself: make sure it is not a FIFO that would
    // block it.
    if (!SafeFile::isRegularFile(path))
        return false;
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        return false;
    const heif_error opened
        = heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr);
    if (opened.code != heif_error_Ok) {
        qCWarning(lcHostDb) << "HeifMetadata::read: not a HEIF file" << path << opened.message;
        return false;
    }
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(primary);
    if (size)
        *size = QSize(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    if (exif)
        *exif = exifBlock(primary);
    return true;
}
