#include "host/services/boundedimage.h"
#include "host/services/imageheaderprobe.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtTest>

#include <climits>

namespace {

QByteArray be32(quint32 value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes = be32(value);
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

QByteArray le16(quint32 value)
{
    return le32(value).left(2);
}

QByteArray encoded(const QSize& size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// The frame header of a JPEG made to declare another size.
QByteArray jpegDeclaring(int width, int height)
{
    QByteArray bytes = encoded(QSize(16, 16), "jpeg");
    const int frame = bytes.indexOf("\xFF\xC0");
    bytes[frame + 5] = char(height >> 8);
    bytes[frame + 6] = char(height);
    bytes[frame + 7] = char(width >> 8);
    bytes[frame + 8] = char(width);
    return bytes;
}

QByteArray pngHeader(quint32 width, quint32 height)
{
    return QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) + be32(width) + be32(height)
        + QByteArray("\x01\x00\x00\x00\x00", 5) + be32(0);
}

QByteArray bmpHeader(quint32 headerSize, quint32 width, quint32 height)
{
    const QByteArray sizes
        = headerSize == 12 ? le16(width) + le16(height) : le32(width) + le32(height);
    return QByteArray("BM") + le32(0) + le32(0) + le32(54) + le32(headerSize) + sizes
        + QByteArray(32, '\0');
}

QByteArray box(const char* type, const QByteArray& content)
{
    return be32(quint32(8 + content.size())) + QByteArray(type, 4) + content;
}

QByteArray fullBox(const char* type, const QByteArray& content)
{
    return box(type, QByteArray(4, '\0') + content);
}

// A HEIF file with two images, the primary one being item `primary`.
QByteArray heif(const char* brand, int primary)
{
    const QByteArray properties = box(
        "ipco", fullBox("ispe", be32(4032) + be32(3024)) + fullBox("ispe", be32(320) + be32(240)));
    const QByteArray associations
        = fullBox("ipma", be32(2) + QByteArray("\0\1\1\x81\0\2\1\x82", 8));
    return box("ftyp", QByteArray(brand, 4) + be32(0) + QByteArray("mif1", 4))
        + box("meta",
            QByteArray(4, '\0') + fullBox("pitm", QByteArray(1, '\0') + char(primary))
                + box("iprp", properties + associations))
        + box("mdat", QByteArray(16, '\0'));
}

QByteArray tiff(bool little, int widthType)
{
    auto u16 = [little](quint32 v) { return little ? le16(v) : be32(v).right(2); };
    auto u32 = [little](quint32 v) { return little ? le32(v) : be32(v); };
    auto entry = [&](quint32 tag, quint32 value) {
        const QByteArray field = widthType == 3 ? u16(value) + QByteArray(2, '\0') : u32(value);
        return u16(tag) + u16(widthType) + u32(1) + field;
    };
    return QByteArray(little ? "II" : "MM") + u16(42) + u32(8) + u16(3) + entry(256, 640)
        + entry(257, 480) + entry(259, 1) + u32(0);
}

} // namespace

class TestPictureHeaders : public QObject
{
    Q_OBJECT

private slots:
    void probeReadsTheDeclaredSize_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");
        QByteArray withSegments = encoded(QSize(64, 48), "jpeg");
        withSegments.insert(2, QByteArray("\xFF\xE1\xFF\xF0", 4) + QByteArray(0xFFEE, 'x'));
        QTest::newRow("jpeg past a 64 KB segment")
            << withSegments << QByteArray("jpeg") << QSize(64, 48);
        QTest::newRow("jpeg cut in its header")
            << encoded(QSize(64, 48), "jpeg").left(30) << QByteArray("jpeg") << QSize();
        QTest::newRow("png wider than an int")
            << pngHeader(0x80000000u, 10) << QByteArray("png") << QSize();
        QTest::newRow("gif") << QByteArray("GIF89a") + le16(120) + le16(80) + QByteArray(3, '\0')
                             << QByteArray("gif") << QSize(120, 80);
        QTest::newRow("gif with an empty screen") << QByteArray("GIF89a") + le16(0) + le16(0)
                + QByteArray(3, '\0') + QByteArray("\x21\xF9\x04\0\0\0\0\0", 8) + QByteArray("\x2C")
                + le16(0) + le16(0) + le16(30) + le16(20) + QByteArray(1, '\0')
                                                  << QByteArray("gif") << QSize(30, 20);
        QTest::newRow("os/2 bmp") << bmpHeader(12, 20, 10) << QByteArray("bmp") << QSize(20, 10);
        QTest::newRow("webp lossless") << QByteArray("RIFF") + le32(30) + QByteArray("WEBPVP8L")
                + le32(10) + char(0x2F) + le32((99) | (49 << 14)) + QByteArray(8, '\0')
                                       << QByteArray("webp") << QSize(100, 50);
        QTest::newRow("webp extended canvas of 2^24")
            << QByteArray("RIFF") + le32(30) + QByteArray("WEBPVP8X") + le32(10) + le32(0)
                + QByteArray("\xFF\xFF\xFF\0\0\0", 6) + QByteArray(8, '\0')
            << QByteArray("webp") << QSize(1 << 24, 1);
        QTest::newRow("tiff, little-endian shorts")
            << tiff(true, 3) << QByteArray("tiff") << QSize(640, 480);
        QTest::newRow("tiff, big-endian longs")
            << tiff(false, 4) << QByteArray("tiff") << QSize(640, 480);
        QTest::newRow("heic, primary image")
            << heif("heic", 1) << QByteArray("heif") << QSize(4032, 3024);
        QTest::newRow("heic, its thumbnail as primary")
            << heif("heic", 2) << QByteArray("heif") << QSize(320, 240);
        QTest::newRow("heic without metadata")
            << box("ftyp", QByteArray("heic") + be32(0)) << QByteArray("heif") << QSize();
        QTest::newRow("jpeg xl codestream")
            << QByteArray("\xFF\x0A\x0F\x0E", 4) << QByteArray("jxl") << QSize(64, 64);
        QTest::newRow("jpeg xl container")
            << QByteArray("\0\0\0\x0CJXL \r\n\x87\n", 12) + box("ftyp", QByteArray("jxl ", 4))
                + box("jxlc", QByteArray("\xFF\x0A\x0F\x0E", 4))
            << QByteArray("jxl") << QSize(64, 64);
        QTest::newRow("text") << QByteArray("hello, no picture") << QByteArray() << QSize();
    }

    void probeReadsTheDeclaredSize()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);
        const ImageHeader header = ImageHeaderProbe::probe(bytes);
        QCOMPARE(header.format, format);
        QCOMPARE(header.size, size);
    }

    // No decode costs more than the budget, whatever the header claims.
    void decodesStayWithinTheBudget_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<QString>("why");
        QTest::newRow("png within the budget")
            << encoded(QSize(40, 30), "png") << QSize() << QSize(40, 30) << QString();
        QTest::newRow("png fitted into its box")
            << encoded(QSize(400, 300), "png") << QSize(100, 100) << QSize(100, 75) << QString();
        QTest::newRow("png of 60000x60000, never decoded")
            << pngHeader(60000, 60000) << QSize(300, 300) << QSize() << QString("budget");
        QTest::newRow("png whose byte count overflows 64 bits")
            << pngHeader(0x5b00000cu, 0x63636363u) << QSize(300, 300) << QSize() << QString();
        QTest::newRow("jpeg of 65000x65000, at most the budget")
            << jpegDeclaring(65000, 65000) << QSize() << QSize(8125, 8125) << QString();
        QTest::newRow("heic that gives no size")
            << box("ftyp", QByteArray("heic") + be32(0)) << QSize() << QSize() << QString();
    }

    void decodesStayWithinTheBudget()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, box);
        QFETCH(QSize, decoded);
        QFETCH(QString, why);
        QString reason;
        const QImage image = BoundedImage::readData(bytes, box, &reason);
        QVERIFY(qint64(image.width()) * image.height() * 4 <= BoundedImage::BudgetBytes);
        QCOMPARE(image.isNull() ? QSize() : image.size(), decoded);
        QVERIFY2(reason.contains(why), qPrintable(reason));
    }
};

QTEST_MAIN(TestPictureHeaders)
#include "tst_pictureheaders.moc"
