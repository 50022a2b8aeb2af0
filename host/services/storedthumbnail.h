#pragma once

#include <QImage>
#include <QSize>

class QByteArray;
class QString;

// Thumbnails are stored as the file holds its picture (an embedded preview
// byte for byte, or a scaled decode), not turned: turning would mean a decode
// and an encode for every file listed. Every place that shows a stored
// thumbnail (the photo item, the properties, the host's thumbnail manager,
// the film strip) turns it here, with the orientation stored beside it.
namespace StoredThumbnail {

// The picture to show: bytes decoded (bounded, at most box once upright;
// an invalid box: as stored) and turned by the EXIF orientation code.
QImage picture(
    const QByteArray& bytes, int orientation, const QSize& box = QSize(), QString* why = nullptr);

} // namespace StoredThumbnail
