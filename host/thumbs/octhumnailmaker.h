#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Reads what the host knows of a picture file for its screens: how the
// picture is turned for display, and its thumbnail, made the way the photo
// database makes it. Safe from any thread.
class OCThumnailMaker : public QObject
{
    Q_OBJECT

public:
    explicit OCThumnailMaker(QObject* parent = nullptr);

    // Display rotation in degrees (0, 90, 180 or -90) from the picture's EXIF
    // orientation; 0 when there is none or the file cannot be read. Either
    // separator may be used.
    int getRotate(const QString& path) const;
    static int rotationOf(int orientation);

    // The upright thumbnail as JPEG bytes; empty when none can be made.
    static QByteArray thumbnailBytes(const QString& path);
};
