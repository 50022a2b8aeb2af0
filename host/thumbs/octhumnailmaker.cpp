#include "host/thumbs/octhumnailmaker.h"

#include "host/db/photometadatareader.h"
#include "host/services/fileutils.h"

#include <QDebug>
#include <QFileInfo>

OCThumnailMaker::OCThumnailMaker(QObject* parent)
    : QObject(parent)
{
}

int OCThumnailMaker::rotationOf(int orientation)
{
    // Mirrored codes turn the way their unmirrored half does.
    switch (orientation) {
    case 3:
    case 4:
        return 180;
    case 6:
    case 7:
        return 90;
    case 5:
    case 8:
        return -90;
    default:
        return 0;
    }
}

int OCThumnailMaker::getRotate(const QString& path) const
{
    const QString file = toFileSystemPath(path);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        qDebug() << "host"
                 << "OCThumnailMaker::getRotate"
                 << ": no such file" << path;
        return 0;
    }
    // The reader catches everything exiv2 throws on a damaged file.
    return rotationOf(PhotoMetadataReader::read(file, false).orientation);
}

QByteArray OCThumnailMaker::thumbnailBytes(const QString& path)
{
    const QString file = toFileSystemPath(path);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return {};
    return PhotoMetadataReader::thumbnailBytes(PhotoMetadataReader::read(file, true));
}
