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
    // Decodes into image, reusing its buffer when the size matches.
    static bool decode(const uchar* data, qsizetype size, QImage* image);
    static QByteArray encode(const QImage& image, int quality);
};
