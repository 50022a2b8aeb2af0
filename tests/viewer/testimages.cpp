#include "testimages.h"

#include "host/device/gifwriter.h"

#include <QFile>
#include <QImage>

namespace TestImages {

bool writeSolid(const QString& path, const QSize& size, const QColor& color, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, format);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeGif(const QString& path, const QSize& size, const QList<QColor>& frameColors)
{
    QList<QImage> frames;
    for (const QColor& color : frameColors) {
        frames.append(QImage(size, QImage::Format_RGB32));
        frames.last().fill(color);
    }
    return GifWriter::write(path, frames, 10);
}

} // namespace TestImages
