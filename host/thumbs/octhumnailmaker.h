#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Reads what the host knows of a picture file for its screens: how the
// picture is turned and mirrored for display, and its thumbnail, made the way the photo
// database makes it. Safe from any thread.
class OCThumnailMaker : public QObject
{
    Q_OBJECT

public:
    explicit OCThumnailMaker(QObject* parent = nullptr);

    // The picture's EXIF orientation code (1-8; see ExifOrientation), 0 when
    // there is none or the file cannot be read. Either separator may be used.
    int getOrientation(const QString& path) const;

    // The upright thumbnail as JPEG bytes; empty when none can be made.
    static QByteArray thumbnailBytes(const QString& path);
};
