#include "testimages.h"

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

namespace {

void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// LZW with 2-bit pixels: codes stay 3 bits wide when a clear code follows
// every second pixel, so no table needs to be kept.
QByteArray lzwSolid(int pixels, int colorIndex)
{
    const int clear = 4;
    const int eoi = 5;
    QByteArray bytes;
    quint32 buffer = 0;
    int bits = 0;
    auto emitCode = [&](int code) {
        buffer |= quint32(code) << bits;
        bits += 3;
        while (bits >= 8) {
            bytes.append(char(buffer & 0xff));
            buffer >>= 8;
            bits -= 8;
        }
    };
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            emitCode(clear);
        emitCode(colorIndex);
    }
    emitCode(eoi);
    if (bits > 0)
        bytes.append(char(buffer & 0xff));
    return bytes;
}

} // namespace

bool writeGif(const QString& path, const QSize& size, const QList<QColor>& frameColors)
{
    if (frameColors.isEmpty() || frameColors.size() > 4)
        return false;
    QByteArray out("GIF89a");
    put16(out, size.width());
    put16(out, size.height());
    out.append(char(0x81)); // global colour table of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 4; ++i) {
        const QColor c = frameColors.value(i, Qt::black);
        out.append(char(c.red()));
        out.append(char(c.green()));
        out.append(char(c.blue()));
    }
    if (frameColors.size() > 1) { // loop for ever
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    }
    for (int frame = 0; frame < frameColors.size(); ++frame) {
        out.append("\x21\xf9\x04\x00", 4); // graphic control: 100 ms
        put16(out, 10);
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2c));
        put16(out, 0);
        put16(out, 0);
        put16(out, size.width());
        put16(out, size.height());
        out.append(char(0));
        out.append(char(2)); // minimum code size
        const QByteArray data = lzwSolid(size.width() * size.height(), frame);
        for (int at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3b));
    return writeBytes(path, out);
}

} // namespace TestImages
