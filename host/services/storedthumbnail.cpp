#include "storedthumbnail.h"

#include "boundedimage.h"
#include "exiforientation.h"

#include <QByteArray>
#include <QString>

namespace StoredThumbnail {

QImage picture(const QByteArray& bytes, int orientation, const QSize& box, QString* why)
{
    if (bytes.isEmpty())
        return QImage();
    // The box is for the upright picture; the decode sees the stored one.
    const QSize storedBox = box.isValid() ? ExifOrientation::uprightSize(box, orientation) : box;
    return ExifOrientation::upright(BoundedImage::readData(bytes, storedBox, why), orientation);
}

} // namespace StoredThumbnail
