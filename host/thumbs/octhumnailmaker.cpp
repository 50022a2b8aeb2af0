#include "host/thumbs/octhumnailmaker.h"

#include "host/db/photometadatareader.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QFileInfo>

OCThumnailMaker::OCThumnailMaker(QObject* parent)
    : QObject(parent)
{
}

int OCThumnailMaker::getOrientation(const QString& path) const
{
    const QString file = toFileSystemPath(path);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        qCWarning(lcHostThumbs) << "OCThumnailMaker::getOrientation: no such file" << path;
        return 0;
    }
    // The reader catches everything exiv2 throws on a damaged file.
    return PhotoMetadataReader::read(file, false).orientation;
}

QByteArray OCThumnailMaker::thumbnailBytes(const QString& path)
{
    const QString file = toFileSystemPath(path);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return {};
    const PhotoMetadata data = PhotoMetadataReader::read(file, true);
    return PhotoMetadataReader::uprightThumbnailBytes(
        PhotoMetadataReader::thumbnailBytes(data), data.orientation);
}
