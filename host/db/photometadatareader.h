#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

// What the photo database keeps of one picture file.
struct PhotoMetadata
{
    bool usable = false; // a picture that could be read
    QSize size; // stored pixel size (before orientation)
    QDateTime shootingDate; // EXIF date taken; invalid when absent
    int orientation = 0; // EXIF orientation code, 0 when absent
    bool hasPosition = false;
    double latitude = 0; // signed decimal degrees, south negative
    double longitude = 0; // west negative
    // Thumbnails are as the file stores its picture, not turned by the
    // orientation (StoredThumbnail turns them when they are shown).
    QImage thumbnail; // at most kThumbnailSide on each side
    // The embedded JPEG preview as the file holds it, when it can be stored
    // unchanged (at most kKeptPreviewSide on each side); thumbnail is then null.
    QByteArray thumbnailJpeg;
    bool thumbnailFromPreview = false;
};

// Reads metadata with exiv2 and dimensions and thumbnails with QImageReader.
// exiv2 throws on damaged files; every call into it is caught here, so a bad
// file only gives an unusable result. Safe from any thread.
class PhotoMetadataReader
{
public:
    static constexpr int kThumbnailSide = 300;
    // Embedded previews up to this size are stored as they are, whatever
    // their size otherwise; larger ones (a RAW file's) are scaled down.
    static constexpr int kKeptPreviewSide = 640;

    // decode false: only an embedded preview is taken; a picture without one
    // is not decoded (its thumbnail is made when it is shown).
    static PhotoMetadata read(
        const QString& fileSystemPath, bool withThumbnail, bool decode = true);
    // The thumbnail alone, upright: the embedded preview when it is large
    // enough, otherwise a scaled decode of the picture. Null when none can be made.
    static QImage thumbnail(const QString& fileSystemPath);
    static QByteArray encodeThumbnail(const QImage& image); // JPEG bytes
    // What the photo database stores: the kept preview bytes, or the encoded thumbnail.
    static QByteArray thumbnailBytes(const PhotoMetadata& data);
    // Stored thumbnail bytes for a reader that wants them upright: as they
    // are when the orientation needs no turning, else turned and encoded.
    static QByteArray uprightThumbnailBytes(const QByteArray& stored, int orientation);
    // The orientation code (1-8, 0 when absent) of an EXIF block as a device
    // hands it out, with or without its "Exif\0\0" header.
    static int orientationOfExif(const QByteArray& block);
    // The size a thumbnail of a picture of that size gets.
    static QSize thumbnailSize(const QSize& pictureSize);

    // Once per process before threads use exiv2.
    static void initialize();
};
