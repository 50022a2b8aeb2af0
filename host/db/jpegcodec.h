#pragma once

#include <QByteArray>
#include <QImage>

// JPEG decode and encode straight through libjpeg-turbo, in the pixel layout
// of QImage::Format_RGB32 and with the fast DCT: thumbnails are made in bulk,
// and going through QImageReader/QImageWriter costs a format probe and a
// per-pixel conversion each time. Safe from any thread.
class JpegCodec
{
public:
    // The pixel size from the header alone; invalid when it cannot be read.
    static QSize size(const uchar* data, qsizetype size);
    // Decodes into image, reusing its buffer when the size matches, at the
    // smallest DCT scale (1/2, 1/4, 1/8) that still covers atLeast (invalid:
    // full size) and never over the decode budget of BoundedImage: false when
    // even 1/8 would be over it.
    static bool decode(
        const uchar* data, qsizetype size, QImage* image, const QSize& atLeast = QSize());
    static QByteArray encode(const QImage& image, int quality);
};
