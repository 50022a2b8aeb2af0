#include "gifwriter.h"

#include <QByteArray>
#include <QFile>

namespace {

void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

int paletteIndex(QRgb pixel)
{
    const int r = qRed(pixel) * 6 / 256;
    const int g = qGreen(pixel) * 6 / 256;
    const int b = qBlue(pixel) * 6 / 256;
    return r * 36 + g * 6 + b;
}

// Packs 9-bit codes LSB first into sub-blocks of at most 255 bytes.
class CodeStream
{
public:
    explicit CodeStream(QByteArray& out)
        : m_out(out)
    {
    }

    void put(int code)
    {
        m_bits |= quint32(code) << m_count;
        m_count += 9;
        while (m_count >= 8) {
            pushByte(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            pushByte(char(m_bits & 0xFF));
        flushBlock();
        m_out.append(char(0));
    }

private:
    void pushByte(char byte)
    {
        m_block.append(byte);
        if (m_block.size() == 255)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_block.isEmpty())
            return;
        m_out.append(char(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }

    QByteArray& m_out;
    QByteArray m_block;
    quint32 m_bits = 0;
    int m_count = 0;
};

void writeFrame(QByteArray& out, const QImage& frame, int delay, bool animated)
{
    if (animated) {
        out.append("\x21\xF9\x04\x04", 4); // graphic control: keep the previous frame
        put16(out, delay);
        out.append("\x00\x00", 2);
    }
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, frame.width());
    put16(out, frame.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size

    // Only literal codes, with a clear code before the decoder's table would
    // outgrow 9-bit codes.
    const int clear = 256;
    const int end = 257;
    CodeStream codes(out);
    codes.put(clear);
    int sinceClear = 0;
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (sinceClear == 250) {
                codes.put(clear);
                sinceClear = 0;
            }
            codes.put(paletteIndex(line[x]));
            ++sinceClear;
        }
    }
    codes.put(end);
    codes.finish();
}

} // namespace

bool GifWriter::write(const QString& path, const QList<QImage>& frames, int delayCentiseconds)
{
    if (frames.isEmpty() || frames.first().isNull())
        return false;
    const QSize size = frames.first().size();
    QByteArray out("GIF89a");
    put16(out, size.width());
    put16(out, size.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const int index = qMin(i, 215);
        out.append(char((index / 36) * 51));
        out.append(char(((index / 6) % 6) * 51));
        out.append(char((index % 6) * 51));
    }
    const bool animated = frames.size() > 1;
    if (animated) {
        out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        put16(out, 0); // loop for ever
        out.append(char(0));
    }
    for (const QImage& frame : frames)
        writeFrame(
            out, frame.size() == size ? frame : frame.scaled(size), delayCentiseconds, animated);
    out.append(char(0x3B));

    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}
