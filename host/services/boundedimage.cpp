#include "boundedimage.h"

#include "safefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QtMath>

namespace BoundedImage {

namespace {

const qint64 BytesPerPixel = 4;

qint64 decodedBytes(const QSize& size)
{
    return qint64(size.width()) * qint64(size.height()) * BytesPerPixel;
}

bool fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

QSize decodeSize(const QSize& declared, const QSize& box)
{
    if (declared.width() <= 0 || declared.height() <= 0)
        return {};
    QSizeF size(declared);
    if (box.width() > 0 && box.height() > 0
        && (declared.width() > box.width() || declared.height() > box.height()))
        size.scale(QSizeF(box), Qt::KeepAspectRatio);
    const double budgetPixels = double(BudgetBytes / BytesPerPixel);
    const double pixels = size.width() * size.height();
    if (pixels > budgetPixels)
        size *= qSqrt(budgetPixels / pixels);
    return QSize(qMax(1, int(size.width())), qMax(1, int(size.height())));
}

QImage read(QImageReader& reader, const QSize& box, QString* why)
{
    const QSize declared = reader.size();
    const QSize target = decodeSize(declared, box);
    if (!target.isValid()) {
        fail(why, QStringLiteral("no readable picture size: ") + reader.errorString());
        return {};
    }
    const bool scaledDecode = reader.supportsOption(QImageIOHandler::ScaledSize);
    if (target != declared) {
        if (scaledDecode)
            reader.setScaledSize(target);
        else if (decodedBytes(declared) > BudgetBytes) {
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
    // Readers without scaled decoding, or that stop at the nearest DCT scale.
    if (image.width() > target.width() || image.height() > target.height())
        image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
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
