#include "photometadatareader.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QImageReader>

#include <cmath>
#include <mutex>

// exiv2 0.27 still hands images out in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// A preview whose shape differs from the picture is letter-boxed; it would
// show black bars in the thumbnail.
bool sameShape(const QSize& a, const QSize& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const double ra = double(a.width()) / a.height();
    const double rb = double(b.width()) / b.height();
    return std::abs(ra - rb) <= 0.03 * rb;
}

QDateTime exifDate(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return {};
    const QString text = QString::fromStdString(it->toString()).trimmed();
    QDateTime date = QDateTime::fromString(text.left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return date.isValid() ? date : QDateTime();
}

// Degrees, minutes and seconds as three rationals; false when malformed.
bool exifDegrees(const Exiv2::ExifData& exif, const char* key, const char* refKey,
    const char* negativeRef, double* degrees)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
    if (it == exif.end() || ref == exif.end() || it->count() < 3)
        return false;
    double value = 0;
    double scale = 1;
    for (long i = 0; i < 3; ++i) {
        const Exiv2::Rational part = it->toRational(i);
        if (part.second == 0)
            return false;
        value += double(part.first) / part.second / scale;
        scale *= 60;
    }
    if (!std::isfinite(value) || value > 180)
        return false;
    if (QString::fromStdString(ref->toString())
            .trimmed()
            .compare(QLatin1String(negativeRef), Qt::CaseInsensitive)
        == 0)
        value = -value;
    *degrees = value;
    return true;
}

QImage decodePreview(Exiv2::Image& image, const QSize& pictureSize, const QSize& wanted)
{
    Exiv2::PreviewManager previews(image);
    const Exiv2::PreviewPropertiesList list = previews.getPreviewProperties();
    // The list is sorted by size: the first that is large enough is the cheapest.
    for (const Exiv2::PreviewProperties& properties : list) {
        const QSize size(int(properties.width_), int(properties.height_));
        if (size.width() < wanted.width() || size.height() < wanted.height()
            || !sameShape(size, pictureSize))
            continue;
        const Exiv2::PreviewImage preview = previews.getPreviewImage(properties);
        QImage decoded;
        if (!decoded.loadFromData(preview.pData(), int(preview.size())))
            continue;
        if (decoded.width() < wanted.width() || decoded.height() < wanted.height())
            continue;
        return decoded.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

void readExif(const QString& path, bool withThumbnail, PhotoMetadata* data)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (!image.get())
            return;
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        if (exif.empty())
            return;
        data->shootingDate = exifDate(exif, "Exif.Photo.DateTimeOriginal");
        if (!data->shootingDate.isValid())
            data->shootingDate = exifDate(exif, "Exif.Photo.DateTimeDigitized");
        const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientation != exif.end() && orientation->count() > 0) {
            const long code = orientation->toLong();
            data->orientation = (code >= 1 && code <= 8) ? int(code) : 0;
        }
        double latitude = 0;
        double longitude = 0;
        if (exifDegrees(
                exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", "S", &latitude)
            && exifDegrees(
                exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", "W", &longitude)
            && std::abs(latitude) <= 90) {
            data->hasPosition = true;
            data->latitude = latitude;
            data->longitude = longitude;
        }
        if (withThumbnail && data->size.isValid()) {
            data->thumbnail
                = decodePreview(*image, data->size, PhotoMetadataReader::thumbnailSize(data->size));
            data->thumbnailFromPreview = !data->thumbnail.isNull();
        }
    } catch (const Exiv2::AnyError& error) {
        qDebug() << "host"
                 << "PhotoMetadataReader::read"
                 << ": exiv2 failed" << path << error.what();
    } catch (const std::exception& error) {
        qDebug() << "host"
                 << "PhotoMetadataReader::read"
                 << ": failed" << path << error.what();
    } catch (...) {
        qDebug() << "host"
                 << "PhotoMetadataReader::read"
                 << ": failed" << path;
    }
}

} // namespace
#pragma GCC diagnostic pop

void PhotoMetadataReader::initialize()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // exiv2's XMP parser is not thread-safe until initialised once.
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

QSize PhotoMetadataReader::thumbnailSize(const QSize& pictureSize)
{
    if (pictureSize.isEmpty())
        return {};
    if (pictureSize.width() <= kThumbnailSide && pictureSize.height() <= kThumbnailSide)
        return pictureSize;
    return pictureSize.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio)
        .expandedTo(QSize(1, 1));
}

PhotoMetadata PhotoMetadataReader::read(const QString& path, bool withThumbnail)
{
    initialize();
    PhotoMetadata data;
    // One reader for the size and, when needed, the scaled decode: the file is
    // opened and its header parsed once.
    QImageReader reader(path);
    reader.setAutoTransform(false);
    data.size = reader.size();
    if (!data.size.isValid() || data.size.isEmpty()) {
        qDebug() << "host"
                 << "PhotoMetadataReader::read"
                 << ": not a readable picture" << path << reader.errorString();
        return data;
    }
    const QByteArray format = reader.format();
    // GIF, BMP and PNG carry no EXIF worth a parse here.
    if (format == "jpeg" || format == "jpg" || format == "tiff" || format == "tif"
        || format == "png" || format == "webp")
        readExif(path, withThumbnail, &data);
    if (withThumbnail && data.thumbnail.isNull()) {
        reader.setScaledSize(thumbnailSize(data.size));
        data.thumbnail = reader.read();
        if (data.thumbnail.isNull()) {
            qDebug() << "host"
                     << "PhotoMetadataReader::read"
                     << ": cannot decode" << path << reader.errorString();
            return data;
        }
    }
    data.usable = true;
    return data;
}

QImage PhotoMetadataReader::thumbnail(const QString& path)
{
    const PhotoMetadata data = read(path, true);
    return data.usable ? data.thumbnail : QImage();
}

QByteArray PhotoMetadataReader::encodeThumbnail(const QImage& image)
{
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 85))
        bytes.clear();
    return bytes;
}
