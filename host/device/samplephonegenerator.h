#pragma once

#include <QDateTime>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

struct SamplePhoneOptions
{
    quint32 seed = 1;
    int photoCount = 24;
    bool largePhotos = false; // 12 megapixels instead of about 1 megapixel
    bool embedPreview = true; // an EXIF preview in every camera photo
    int previewSide = 300; // the preview's longer side (phones: 160 to 512)
    bool extras = true; // screenshots, downloads and the odd files
    int distinctPictures = 0; // > 0: photos reuse this many pictures (fast large corpora)
    QList<int> orientations; // EXIF codes the camera photos cycle through; empty: 1, 6, 1, 3, 1, 8
};

// One camera photo the generator wrote, as a reader should find it.
struct SamplePhoto
{
    QString relativePath; // with "/" separators
    QDateTime shootingDate;
    int orientation = 1;
    bool hasPosition = false;
    double latitude = 0;
    double longitude = 0;
    QSize storedSize;
    bool hasPreview = false;
};

// Writes a phone's storage into a folder, deterministically from the seed:
// camera photos in DCIM/Camera spread over several days, with EXIF date taken,
// orientation, GPS on some and an embedded preview; PNG screenshots in
// Pictures/Screenshots; in Download an animated GIF, a single-frame GIF, a
// TIFF and a BMP; plus files that are not photos, a damaged JPEG, an empty
// .jpg and names with spaces and non-ASCII letters. Modification times are
// the photos' dates, as on a phone.
class SamplePhoneGenerator
{
public:
    explicit SamplePhoneGenerator(const SamplePhoneOptions& options);

    bool generate(const QString& folder); // false when a file cannot be written
    QString errorString() const { return m_error; }
    const QList<SamplePhoto>& photos() const { return m_photos; }
    QStringList files() const { return m_files; } // every file written, relative

    static QSize photoSize(bool large);
    static const QStringList& badFiles(); // relative paths of the files no reader can use

private:
    bool writeFile(const QString& folder, const QString& relativePath, const QByteArray& bytes,
        const QDateTime& modified);
    bool writePhotos(const QString& folder);
    bool writeExtras(const QString& folder);
    QString photoName(int index, const QDateTime& date) const;

    SamplePhoneOptions m_options;
    QList<SamplePhoto> m_photos;
    QStringList m_files;
    QString m_error;
};
