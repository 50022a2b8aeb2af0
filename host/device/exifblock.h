#pragma once

#include <QByteArray>
#include <QDateTime>

namespace Exiv2 {
class ExifData;
}

// Writing the EXIF block of a generated photo as a camera lays it out: the
// tags and preview in one APP1 segment, placed where readers look for it.
// Used by the sample phone and by the camera-like benchmark corpus.
namespace ExifBlock {

// "yyyy:MM:dd HH:mm:ss", EXIF's date text.
QByteArray dateText(const QDateTime& date);

// GPS latitude and longitude with their hemisphere references.
void addPosition(Exiv2::ExifData& exif, double latitude, double longitude);

// The APP1 segment holding `exif` and `preview` (a JPEG, in IFD1), or empty
// when exiv2 fails or the block would not fit one segment.
QByteArray app1Segment(Exiv2::ExifData& exif, const QByteArray& preview);

// `jpeg` with `segment` after its JFIF header (or right after SOI).
QByteArray insertSegment(const QByteArray& jpeg, const QByteArray& segment);

} // namespace ExifBlock
