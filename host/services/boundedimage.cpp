#include "boundedimage.h"

#include "imageheaderprobe.h"
#include "safefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QtMath>

#include <limits>

namespace BoundedImage {

namespace {

const qint64 BytesPerPixel = 4;

// Saturates: a header may declare two sizes near INT_MAX.
qint64 decodedBytes(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return 0;
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    const qint64 most = std::numeric_limits<qint64>::max() / BytesPerPixel;
    return pixels > most ? std::numeric_limits<qint64>::max() : pixels * BytesPerPixel;
}

bool fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

// One name per format, whatever key the reader was found under.
QByteArray family(const QByteArray& format)
{
    const QByteArray lower = format.toLower();
    if (lower == "jpg")
        return "jpeg";
    if (lower == "tif")
        return "tiff";
    if (lower == "heic")
        return "heif";
    return lower;
}

// Readers whose size() decodes the whole picture first: asked only once the
// header has given a size within the budget.
bool sizeIsCostly(const QByteArray& format)
{
    return format == "heif" || format == "avif" || format == "jxl";
}

// Readers that really decode at a smaller size. Others that take a scaled
// size (PNG among them) decode the whole picture first and scale after.
bool scalesWhileDecoding(QImageReader& reader)
{
    const QByteArray format = family(reader.format());
    return (format == "jpeg" || format == "svg" || format == "svgz")
        && reader.supportsOption(QImageIOHandler::ScaledSize);
}

// Qt's JPEG reader decodes at M/8 of the picture, with the smallest M whose
// picture still covers the size asked for, then scales: a size just under
// 1/8 of a huge picture would make it decode at 2/8. The size asked for is
// kept at or below the largest M/8 within the budget.
QSize withinJpegScale(const QSize& declared, const QSize& target)
{
    const double budgetPixels = double(BudgetBytes / BytesPerPixel);
    const double pixels = double(declared.width()) * declared.height();
    const int eighths = qMin(8, int(8 * qSqrt(budgetPixels / pixels)));
    if (eighths < 1)
        return {};
    const QSize largest(qMax(1, int(qint64(declared.width()) * eighths / 8)),
        qMax(1, int(qint64(declared.height()) * eighths / 8)));
    return target.boundedTo(largest);
}

// A reader made from a file name opens it itself, and a FIFO would block it:
// open it here, safely, before the reader does.
bool ensureOpen(QImageReader& reader, QString* why)
{
    QIODevice* device = reader.device();
    if (!device)
        return fail(why, QStringLiteral("no file or device to read"));
    if (device->isOpen())
        return true;
    auto* file = qobject_cast<QFile*>(device);
    return file ? SafeFile::openForReading(*file, file->fileName(), why)
                : fail(why, QStringLiteral("the device is not open"));
}

} // namespace

QSize declaredSize(QImageReader& reader, QString* why)
{
    if (!ensureOpen(reader, why))
        return {};
    const ImageHeader header = ImageHeaderProbe::probe(reader.device());
    const QByteArray format = family(reader.format());
    if (format.isEmpty()) {
        fail(why, QStringLiteral("not a picture any reader knows: ") + reader.errorString());
        return {};
    }
    if (header.format == format) {
        if (!header.size.isValid())
            fail(why, QStringLiteral("damaged %1 header").arg(QString::fromLatin1(format)));
        return header.size;
    }
    if (sizeIsCostly(format)) {
        fail(why, QStringLiteral("%1 header gives no size").arg(QString::fromLatin1(format)));
        return {};
    }
    const QSize size = reader.size();
    if (size.width() <= 0 || size.height() <= 0)
        fail(why, QStringLiteral("no readable picture size: ") + reader.errorString());
    return size;
}

bool fitsBudget(QImageReader& reader, const QSize& declared)
{
    return decodedBytes(declared) <= BudgetBytes || scalesWhileDecoding(reader);
}

QSize decodeSize(const QSize& declared, const QSize& box)
{
    if (declared.width() <= 0 || declared.height() <= 0)
        return {};
    QSize size = declared;
    if (box.width() > 0 && box.height() > 0
        && (declared.width() > box.width() || declared.height() > box.height()))
        size = declared.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const double budgetPixels = double(BudgetBytes / BytesPerPixel);
    const double pixels = double(size.width()) * size.height();
    if (pixels > budgetPixels) {
        const double factor = qSqrt(budgetPixels / pixels);
        size = QSize(qMax(1, int(size.width() * factor)), qMax(1, int(size.height() * factor)));
    }
    return size;
}

QImage read(QImageReader& reader, const QSize& box, QString* why)
{
    const QSize declared = declaredSize(reader, why);
    if (!declared.isValid())
        return {};
    QSize target = decodeSize(declared, box);
    if (target.isValid() && target != declared && family(reader.format()) == "jpeg")
        target = withinJpegScale(declared, target);
    if (!target.isValid()) {
        fail(why,
            QStringLiteral("%1x%2 is over the decode budget even at 1/8")
                .arg(declared.width())
                .arg(declared.height()));
        return {};
    }
    if (target != declared) {
        if (scalesWhileDecoding(reader))
            reader.setScaledSize(target);
        else if (!fitsBudget(reader, declared)) {
            fail(why,
                QStringLiteral("%1x%2 is over the decode budget and cannot be decoded scaled")
                    .arg(declared.width())
                    .arg(declared.height()));
            return {};
        }
    }
    QImage image;
    if (!reader.read(&image)) {
        fail(why, reader.errorString());
        return {};
    }
    // A decoder that made more than its header declared is not trusted.
    if (decodedBytes(image.size()) > BudgetBytes) {
        fail(why,
            QStringLiteral("decoded %1x%2, over the budget")
                .arg(image.width())
                .arg(image.height()));
        return {};
    }
    // Readers that decode whole, or stop at the nearest DCT scale; the
    // target has the picture's shape already.
    if (image.width() > target.width() || image.height() > target.height())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage readFile(const QString& fileSystemPath, const QSize& box, QString* why)
{
    QFile file;
    if (!SafeFile::openForReading(file, fileSystemPath, why))
        return {};
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    return read(reader, box, why);
}

QImage readData(const QByteArray& bytes, const QSize& box, QString* why)
{
    QByteArray copy(bytes); // QBuffer wants a non-const array; this shares the data
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader, box, why);
}

} // namespace BoundedImage
