#include "photometadatareader.h"

#include "heifmetadata.h"
#include "host/services/boundedimage.h"
#include "host/services/exiforientation.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"
#include "host/services/safefile.h"
#include "host/services/storedthumbnail.h"
#include "jpegcodec.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <mutex>

// exiv2 0.27 still hands images out in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// Pictures are decoded and scaled into images kept per thread: a fresh large
// image costs a page fault per page, more than the decode of a preview.
struct Scratch
{
    QImage decoded;
    QImage thumbnail;
    QByteArray file;
};

Scratch& scratch()
{
    thread_local Scratch images;
    return images;
}

QImage scaledInto(const QImage& source, const QSize& wanted)
{
    QImage& target = scratch().thumbnail;
    if (target.size() != wanted || target.format() != QImage::Format_RGB32)
        target = QImage(wanted, QImage::Format_RGB32);
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), wanted), source);
    painter.end();
    return target;
}

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

// "YYYY:MM:DD HH:MM:SS"; QDateTime::fromString with a format costs tens of
// microseconds, more than the rest of the tag reading.
QDateTime exifDate(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return {};
    const std::string text = it->toString();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(
            text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute, &second)
        != 6)
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

// Degrees, minutes and seconds as three unsigned rationals, with a reference
// of exactly the two letters allowed; false for any other type or value out
// of range, which is then not stored at all.
bool exifDegrees(const Exiv2::ExifData& exif, const char* key, const char* refKey,
    const char* positiveRef, const char* negativeRef, double limit, double* degrees)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
    if (it == exif.end() || ref == exif.end() || it->typeId() != Exiv2::unsignedRational
        || it->count() != 3 || ref->typeId() != Exiv2::asciiString)
        return false;
    const QString reference = QString::fromStdString(ref->toString()).trimmed();
    const bool negative = reference == QLatin1String(negativeRef);
    if (!negative && reference != QLatin1String(positiveRef))
        return false;
    double parts[3];
    for (long i = 0; i < 3; ++i) {
        const Exiv2::Rational part = it->toRational(i);
        if (part.second == 0 || part.first < 0 || part.second < 0)
            return false;
        parts[i] = double(part.first) / part.second;
    }
    if (parts[1] >= 60 || parts[2] >= 60)
        return false;
    const double value = parts[0] + parts[1] / 60 + parts[2] / 3600;
    if (!std::isfinite(value) || value > limit)
        return false;
    *degrees = negative ? -value : value;
    return true;
}

// An embedded preview is stored as the file holds it: decoding, turning and
// encoding it again cost more than the rest of a row.
bool keepAsIs(const QSize& size)
{
    return size.width() <= PhotoMetadataReader::kKeptPreviewSide
        && size.height() <= PhotoMetadataReader::kKeptPreviewSide;
}

// A preview larger than the picture it previews is no preview: its header
// lies, and believing it would decode whatever size it claims. One smaller
// than a thumbnail is still taken: phones and cameras write 160x120, and the
// alternative, decoding the whole picture, costs a hundred times more.
bool usablePreviewSize(const QSize& size, const QSize& pictureSize)
{
    return !size.isEmpty() && size.width() <= pictureSize.width()
        && size.height() <= pictureSize.height() && sameShape(size, pictureSize);
}

bool largeEnough(const QSize& size, const QSize& wanted)
{
    return size.width() >= wanted.width() && size.height() >= wanted.height();
}

// A preview is scaled down to a thumbnail, never up.
QSize thumbnailOf(const QSize& preview, const QSize& wanted)
{
    return largeEnough(preview, wanted) ? wanted : preview;
}

bool takeJpegPreview(const uchar* bytes, qsizetype length, const QSize& pictureSize,
    const QSize& wanted, PhotoMetadata* data)
{
    const QSize size = JpegCodec::size(bytes, length);
    if (!usablePreviewSize(size, pictureSize))
        return false;
    if (keepAsIs(size)) {
        data->thumbnailJpeg = QByteArray(reinterpret_cast<const char*>(bytes), int(length));
        return true;
    }
    QImage& decoded = scratch().decoded;
    if (!JpegCodec::decode(bytes, length, &decoded, wanted))
        return false;
    data->thumbnail = scaledInto(decoded, thumbnailOf(decoded.size(), wanted));
    return true;
}

// The EXIF thumbnail (IFD1) is where most cameras put their preview. Looking
// there first spares the preview manager's search of every other place.
bool takeExifThumbnail(
    const Exiv2::ExifData& exif, const QSize& pictureSize, const QSize& wanted, PhotoMetadata* data)
{
    const Exiv2::ExifThumbC thumb(exif);
    if (std::string(thumb.mimeType()) != "image/jpeg")
        return false;
    const Exiv2::DataBuf bytes = thumb.copy();
    return takeJpegPreview(bytes.pData_, qsizetype(bytes.size_), pictureSize, wanted, data);
}

// The first preview large enough for a thumbnail (the list is sorted by
// size, so it is the cheapest), else the largest there is.
int choosePreview(
    const Exiv2::PreviewPropertiesList& list, const QSize& pictureSize, const QSize& wanted)
{
    int chosen = -1;
    for (int i = 0; i < int(list.size()); ++i) {
        const QSize size(int(list[i].width_), int(list[i].height_));
        if (!usablePreviewSize(size, pictureSize))
            continue;
        chosen = i;
        if (largeEnough(size, wanted))
            break;
    }
    return chosen;
}

bool takePreview(
    Exiv2::Image& image, const QSize& pictureSize, const QSize& wanted, PhotoMetadata* data)
{
    if (takeExifThumbnail(image.exifData(), pictureSize, wanted, data))
        return true;
    Exiv2::PreviewManager previews(image);
    const Exiv2::PreviewPropertiesList list = previews.getPreviewProperties();
    const int chosen = choosePreview(list, pictureSize, wanted);
    if (chosen < 0)
        return false;
    const Exiv2::PreviewImage preview = previews.getPreviewImage(list[chosen]);
    if (list[chosen].mimeType_ == "image/jpeg")
        return takeJpegPreview(
            preview.pData(), qsizetype(preview.size()), pictureSize, wanted, data);
    const QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char*>(preview.pData()), int(preview.size()));
    const QImage decoded = BoundedImage::readData(bytes, wanted);
    if (decoded.isNull())
        return false;
    data->thumbnail = scaledInto(decoded, thumbnailOf(decoded.size(), wanted));
    return true;
}

void readExifTags(const Exiv2::ExifData& exif, PhotoMetadata* data);

// No photo is read through exiv2's video parsers (HEIF goes through libheif),
// and a damaged box in them can keep exiv2 busy for minutes.
bool isVideoContainer(int imageType)
{
    // exiv2's riff, mkv, qtime and asf types; their headers are not in
    // exiv2.hpp when the library is built with video support.
    const int riff = 20, mkv = 21, qtime = 22, asf = 24;
    return imageType == riff || imageType == mkv || imageType == qtime || imageType == asf;
}

// With takeSize, the picture's size comes from exiv2's own header parse (it
// reads the frame header of a JPEG anyway), sparing a second parse. exiv2
// opens files by name: it is given the path of the descriptor already open.
void readExif(const QFile& file, const QString& shownPath, bool withThumbnail, bool takeSize,
    PhotoMetadata* data)
{
    try {
        const QString opened = SafeFile::descriptorPath(file.handle());
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(opened).toStdString());
        if (!image.get() || isVideoContainer(image->imageType()))
            return;
        image->readMetadata();
        if (takeSize && image->pixelWidth() > 0 && image->pixelHeight() > 0)
            data->size = QSize(image->pixelWidth(), image->pixelHeight());
        const Exiv2::ExifData& exif = image->exifData();
        if (exif.empty())
            return;
        readExifTags(exif, data);
        if (withThumbnail && data->size.isValid())
            data->thumbnailFromPreview = takePreview(
                *image, data->size, PhotoMetadataReader::thumbnailSize(data->size), data);
    } catch (const Exiv2::AnyError& error) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": exiv2 failed" << shownPath << error.what();
    } catch (const std::exception& error) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": failed" << shownPath << error.what();
    } catch (...) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": failed" << shownPath;
    }
}

void readExifTags(const Exiv2::ExifData& exif, PhotoMetadata* data)
{
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
    if (exifDegrees(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", "N", "S", 90,
            &latitude)
        && exifDegrees(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", "E", "W",
            180, &longitude)) {
        data->hasPosition = true;
        data->latitude = latitude;
        data->longitude = longitude;
    }
}

// HEIF containers: exiv2 0.27 cannot open them, so their EXIF block comes
// from libheif (given the open descriptor's path) and only the tags are
// parsed here.
void readHeifExif(const QFile& file, const QString& shownPath, PhotoMetadata* data)
{
    QByteArray block;
    if (!HeifMetadata::read(SafeFile::descriptorPath(file.handle()), nullptr, &block)
        || block.isEmpty())
        return;
    try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(
            exif, reinterpret_cast<const Exiv2::byte*>(block.constData()), uint32_t(block.size()));
        readExifTags(exif, data);
    } catch (const std::exception& error) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::readHeifExif: exiv2 failed" << shownPath
                            << error.what();
    } catch (...) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::readHeifExif: failed" << shownPath;
    }
}

// A JPEG without a usable preview: libjpeg's DCT scaling decodes an eighth
// of each side straight from the file's bytes, with the fast DCT; Qt's
// reader would add a format probe and a pixel conversion. Files larger than
// any camera writes are left to Qt's reader, which streams them.
bool decodeJpegThumbnail(QFile& file, const QSize& wanted, PhotoMetadata* data)
{
    constexpr qint64 kLargestReadWhole = 64LL * 1024 * 1024;
    QByteArray& bytes = scratch().file;
    const qint64 size = file.size();
    if (size <= 0 || size > kLargestReadWhole || !file.seek(0))
        return false;
    bytes.resize(int(size));
    if (file.read(bytes.data(), size) != size)
        return false;
    QImage& decoded = scratch().decoded;
    if (!JpegCodec::decode(
            reinterpret_cast<const uchar*>(bytes.constData()), size, &decoded, wanted))
        return false;
    data->thumbnail = scaledInto(decoded, thumbnailOf(decoded.size(), wanted));
    return true;
}

bool hasThumbnail(const PhotoMetadata& data)
{
    return !data.thumbnail.isNull() || !data.thumbnailJpeg.isEmpty();
}

int orientationOfExifBlock(const QByteArray& block)
{
    const int skip = block.startsWith(QByteArrayLiteral("Exif\0\0")) ? 6 : 0;
    if (block.size() <= skip)
        return 0;
    try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif,
            reinterpret_cast<const Exiv2::byte*>(block.constData()) + skip,
            uint32_t(block.size() - skip));
        PhotoMetadata data;
        readExifTags(exif, &data);
        return data.orientation;
    } catch (const std::exception& error) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::orientationOfExif : unreadable block"
                            << error.what();
        return 0;
    }
}

} // namespace
#pragma GCC diagnostic pop

int PhotoMetadataReader::orientationOfExif(const QByteArray& block)
{
    return orientationOfExifBlock(block);
}

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

PhotoMetadata PhotoMetadataReader::read(const QString& path, bool withThumbnail, bool decode)
{
    initialize();
    QFile file;
    QString why;
    if (!SafeFile::openForReading(file, path, &why)) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": cannot open" << path << why;
        return PhotoMetadata();
    }
    PhotoMetadata data;
    const QString extension = fileExtension(path);
    const bool jpeg = extension == QLatin1String("jpg") || extension == QLatin1String("jpeg");
    // A camera JPEG with a large enough preview needs no decoder at all.
    if (jpeg) {
        readExif(file, path, withThumbnail, true, &data);
        if (withThumbnail && decode && data.size.isValid() && !hasThumbnail(data))
            decodeJpegThumbnail(file, thumbnailSize(data.size), &data);
        if (data.size.isValid() && (!withThumbnail || !decode || hasThumbnail(data))) {
            data.usable = true;
            return data;
        }
    }
    // One reader for the size and the scaled decode: the file is opened and
    // its header parsed once. A failed direct decode has read the file.
    if (!file.seek(0)) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": cannot read" << path << file.errorString();
        return PhotoMetadata();
    }
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    const QSize size = BoundedImage::declaredSize(reader, &why);
    if (!size.isValid()) {
        qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                            << ": not a readable picture" << path << why;
        return PhotoMetadata();
    }
    data.size = size;
    const QByteArray format = reader.format();
    // GIF and BMP carry no EXIF worth a parse.
    // RAW files carry large previews that exiv2 finds; HEIF's EXIF needs libheif.
    if (!jpeg
        && (format == "tiff" || format == "png" || format == "webp" || format == "jpeg"
            || isRawPhotoExtension(extension)))
        readExif(file, path, withThumbnail, false, &data);
    else if (HeifMetadata::isHeifExtension(extension))
        readHeifExif(file, path, &data);
    if (withThumbnail && decode && !hasThumbnail(data)) {
        if (!BoundedImage::fitsBudget(reader, size)) {
            // A real picture, only too large to decode: listed, with no thumbnail.
            qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                                << ": too large to decode, no thumbnail" << path << size;
            data.usable = true;
            return data;
        }
        data.thumbnail = BoundedImage::read(reader, thumbnailSize(data.size), &why);
        if (data.thumbnail.isNull()) {
            qCWarning(lcHostDb) << "PhotoMetadataReader::read"
                                << ": cannot decode" << path << why;
            return PhotoMetadata();
        }
    }
    data.usable = true;
    return data;
}

QImage PhotoMetadataReader::thumbnail(const QString& path)
{
    const PhotoMetadata data = read(path, true);
    if (!data.usable)
        return QImage();
    if (!data.thumbnail.isNull() || data.thumbnailJpeg.isEmpty())
        return ExifOrientation::upright(data.thumbnail.copy(), data.orientation);
    return StoredThumbnail::picture(data.thumbnailJpeg, data.orientation,
        ExifOrientation::uprightSize(thumbnailSize(data.size), data.orientation));
}

QByteArray PhotoMetadataReader::encodeThumbnail(const QImage& image)
{
    return JpegCodec::encode(image, 80);
}

QByteArray PhotoMetadataReader::uprightThumbnailBytes(const QByteArray& stored, int orientation)
{
    if (ExifOrientation::normalized(orientation) == 1)
        return stored;
    return encodeThumbnail(StoredThumbnail::picture(stored, orientation));
}

QByteArray PhotoMetadataReader::thumbnailBytes(const PhotoMetadata& data)
{
    if (!data.thumbnailJpeg.isEmpty())
        return data.thumbnailJpeg;
    return data.thumbnail.isNull() ? QByteArray() : encodeThumbnail(data.thumbnail);
}
