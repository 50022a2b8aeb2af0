#include "photorotationwriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include "host/services/boundedimage.h"
#include "host/services/exiforientation.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"
#include "photometadatareader.h"

// exiv2 0.27 still hands images out in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

using Result = PhotoRotationWriter::Result;
using Outcome = PhotoRotationWriter::Outcome;

// Formats whose EXIF orientation exiv2 rewrites in place.
bool carriesOrientation(const QByteArray& format)
{
    return format == "jpeg" || format == "jpg" || format == "webp";
}

// Formats Qt writes back exactly what it read.
bool encodesExactly(const QByteArray& format)
{
    return format == "png" || format == "bmp" || format == "ppm" || format == "pgm"
        || format == "pbm";
}

Result refused(Outcome outcome, const QString& why)
{
    Result result;
    result.outcome = outcome;
    result.why = why;
    return result;
}

int orientationOf(const Exiv2::ExifData& exif)
{
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    return it != exif.end() && it->count() > 0 ? ExifOrientation::normalized(int(it->toLong())) : 0;
}

// The orientation exiv2 reads from a picture in memory; 0 when none.
int orientationOf(const QByteArray& bytes)
{
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return 0;
        image->readMetadata();
        return orientationOf(image->exifData());
    } catch (...) {
        // Formats exiv2 does not know carry no orientation it could read.
        return 0;
    }
}

QSize declaredSize(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage::Format common
        = a.depth() > 32 || b.depth() > 32 ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
    return a.convertToFormat(common) == b.convertToFormat(common);
}

} // namespace

PhotoRotationWriter::Result PhotoRotationWriter::turn(const QString& path, int degreesClockwise)
{
    const QFileInfo info(path);
    Result result;
    QFile file;
    if (degreesClockwise % 90 != 0) {
        result = refused(Outcome::Failed, QStringLiteral("not a quarter turn"));
    } else if (!SafeFile::isRegularFile(path)) {
        result = refused(Outcome::Failed, QStringLiteral("not a regular file"));
    } else if (info.size() > MaxBytes) {
        result = refused(Outcome::TooLarge, QStringLiteral("%1 bytes").arg(info.size()));
    } else if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable()) {
        // The new file takes the old one's place in its folder.
        result = refused(Outcome::ReadOnly, QStringLiteral("read-only file or folder"));
    } else if (SafeFile::openForReading(file, path, &result.why)) {
        QByteArray bytes = file.readAll();
        file.close();
        result = bytes.isEmpty() ? refused(Outcome::Failed, QStringLiteral("empty file"))
                                 : turnBytes(bytes, degreesClockwise);
        if (result.outcome == Outcome::Turned && !replaceFile(path, bytes, &result.why))
            result.outcome = Outcome::Failed;
        result.size = bytes.size();
    }
    if (result.outcome == Outcome::Turned)
        qCDebug(lcHostDb) << "PhotoRotationWriter::turn:" << path << degreesClockwise
                          << "orientation" << result.orientation << "pixels turned"
                          << result.pixelsTurned;
    else
        qCWarning(lcHostDb) << "PhotoRotationWriter::turn: not turned" << path
                            << int(result.outcome) << result.why;
    return result;
}

PhotoRotationWriter::Result PhotoRotationWriter::turnBytes(QByteArray& bytes, int degreesClockwise)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format().toLower();
    if (format.isEmpty())
        return refused(Outcome::Failed, QStringLiteral("not a picture"));
    if (reader.imageCount() > 1)
        return refused(Outcome::Animated, QString::fromLatin1(format));
    buffer.close();
    if (carriesOrientation(format))
        return writeOrientation(bytes, degreesClockwise);
    if (encodesExactly(format))
        return encodeTurned(bytes, format, degreesClockwise);
    return refused(Outcome::NotLossless, QString::fromLatin1(format));
}

PhotoRotationWriter::Result PhotoRotationWriter::writeOrientation(
    QByteArray& bytes, int degreesClockwise)
{
    PhotoMetadataReader::initialize();
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return refused(Outcome::Failed, QStringLiteral("exiv2 cannot open it"));
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        const int turned = ExifOrientation::turned(orientationOf(exif), degreesClockwise);
        exif["Exif.Image.Orientation"] = uint16_t(turned);
        // A second copy of the tag that readers may prefer must agree.
        Exiv2::XmpData& xmp = image->xmpData();
        if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
            xmp["Xmp.tiff.Orientation"] = std::to_string(turned);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf written = io.read(io.size());
        const QByteArray result(reinterpret_cast<const char*>(written.pData_), int(written.size_));
        // What goes back must read as the same picture, turned.
        if (declaredSize(result) != declaredSize(bytes) || orientationOf(result) != turned)
            return refused(Outcome::Failed, QStringLiteral("the written picture reads wrong"));
        bytes = result;
        Result done;
        done.outcome = Outcome::Turned;
        done.orientation = turned;
        return done;
    } catch (const std::exception& error) {
        return refused(Outcome::Failed, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return refused(Outcome::Failed, QStringLiteral("exiv2 failed"));
    }
}

PhotoRotationWriter::Result PhotoRotationWriter::encodeTurned(
    QByteArray& bytes, const QByteArray& format, int degreesClockwise)
{
    QString why;
    const QSize declared = declaredSize(bytes);
    const QImage stored = BoundedImage::readData(bytes, QSize(), &why);
    if (stored.isNull() || stored.size() != declared)
        return refused(Outcome::Failed, why.isEmpty() ? QStringLiteral("not whole") : why);
    const QImage upright = ExifOrientation::upright(stored, orientationOf(bytes));
    QImage turned = ExifOrientation::upright(upright, ExifOrientation::turned(1, degreesClockwise));
    for (const QString& key : stored.textKeys())
        turned.setText(key, stored.text(key));
    QByteArray encoded;
    QBuffer out(&encoded);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, format);
    if (!writer.write(turned))
        return refused(Outcome::Failed, writer.errorString());
    out.close();
    // Exact, or not at all: what was written must read back as the turned picture.
    if (!samePixels(BoundedImage::readData(encoded), turned))
        return refused(Outcome::NotLossless, QString::fromLatin1(format));
    bytes = encoded;
    Result done;
    done.outcome = Outcome::Turned;
    done.pixelsTurned = true;
    return done;
}

bool PhotoRotationWriter::replaceFile(
    const QString& fileSystemPath, const QByteArray& bytes, QString* why)
{
    const QFileInfo info(fileSystemPath);
    const QDateTime modified = info.lastModified();
    const QDateTime read = info.lastRead();
    // Written beside the file and renamed over it: a reader sees the old
    // file or the new one, never half of it.
    QSaveFile out(fileSystemPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
        *why = out.errorString();
        out.cancelWriting();
        return false;
    }
    // Stamped after the data is out, or the last write would change it again.
    out.setFileTime(modified, QFileDevice::FileModificationTime);
    out.setFileTime(read, QFileDevice::FileAccessTime);
    if (!out.commit()) {
        *why = out.errorString();
        return false;
    }
    return true;
}

#pragma GCC diagnostic pop
