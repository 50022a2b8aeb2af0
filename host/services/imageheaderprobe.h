#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QIODevice;

// What a picture's header declares: its format and the pixel size a decoder
// will allocate for, which can be anything a file claims.
struct ImageHeader
{
    // As QImageReader names it: "jpeg", "png", "gif", "bmp", "webp", "tiff",
    // "heif", "avif" or "jxl"; empty when not recognised.
    QByteArray format;
    QSize size; // invalid when the header is damaged or declares no size
};

// Reads a picture's declared size from its header without a decoder: cheap
// enough for every file of a listing, bounded in the bytes it reads, and safe
// on any bytes. Decoders whose own size() would decode the picture first
// (HEIF, AVIF, JPEG XL) are asked nothing before this has answered.
class ImageHeaderProbe
{
public:
    // Reads up to length bytes at offset into buffer: the number read, -1 on error.
    using ReadAt = std::function<qint64(qint64 offset, uchar* buffer, qint64 length)>;

    static ImageHeader probe(const ReadAt& readAt);
    static ImageHeader probe(QIODevice* device); // random access; the position is kept
    static ImageHeader probe(const QByteArray& bytes);
    // Regular files only (see SafeFile); an invalid size for anything else.
    static QSize size(const QString& fileSystemPath);
};
