#include "exifblock.h"

#include "host/services/logcategories.h"

#include <cmath>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// Degrees, minutes and hundredths of seconds as exiv2's rational text.
std::string rationalDegrees(double value)
{
    const double magnitude = std::abs(value);
    const int degrees = int(magnitude);
    const int minutes = int((magnitude - degrees) * 60);
    const long hundredths = std::lround(((magnitude - degrees) * 60 - minutes) * 6000);
    return QStringLiteral("%1/1 %2/1 %3/100")
        .arg(degrees)
        .arg(minutes)
        .arg(hundredths)
        .toStdString();
}

// A segment's length field counts itself and the "Exif\0\0" header.
const int kSegmentOverhead = 8;
const size_t kLargestBlock = 65000;

} // namespace

namespace ExifBlock {

QByteArray dateText(const QDateTime& date)
{
    return date.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
}

void addPosition(Exiv2::ExifData& exif, double latitude, double longitude)
{
    exif["Exif.GPSInfo.GPSLatitudeRef"] = latitude < 0 ? "S" : "N";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = longitude < 0 ? "W" : "E";
    Exiv2::URationalValue value;
    value.read(rationalDegrees(latitude));
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &value);
    value.read(rationalDegrees(longitude));
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), &value);
}

QByteArray app1Segment(Exiv2::ExifData& exif, const QByteArray& preview)
{
    try {
        if (!preview.isEmpty()) {
            Exiv2::ExifThumb thumb(exif);
            thumb.setJpegThumbnail(
                reinterpret_cast<const Exiv2::byte*>(preview.constData()), long(preview.size()));
        }
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
        if (blob.empty() || blob.size() > kLargestBlock)
            return {};
        QByteArray segment("\xFF\xE1", 2);
        const int length = int(blob.size()) + kSegmentOverhead;
        segment.append(char(length >> 8));
        segment.append(char(length & 0xFF));
        segment.append("Exif\0\0", 6);
        segment.append(reinterpret_cast<const char*>(blob.data()), int(blob.size()));
        return segment;
    } catch (const std::exception& error) {
        qCWarning(lcHostDevice) << "ExifBlock::app1Segment : exiv2 failed" << error.what();
        return {};
    }
}

QByteArray insertSegment(const QByteArray& jpeg, const QByteArray& segment)
{
    int at = 2;
    if (jpeg.size() > 6 && uchar(jpeg.at(2)) == 0xFF && uchar(jpeg.at(3)) == 0xE0)
        at = 4 + ((uchar(jpeg.at(4)) << 8) | uchar(jpeg.at(5)));
    return jpeg.left(at) + segment + jpeg.mid(at);
}

} // namespace ExifBlock

#pragma GCC diagnostic pop
