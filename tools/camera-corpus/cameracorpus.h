#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

// One file the corpus holds, as a reader should find it.
struct CorpusPhoto
{
    QString relativePath; // with "/" separators
    QString make;
    QString model;
    QSize storedSize;
    QSize previewSize; // empty: no embedded preview
    int orientation = 1;
    QDateTime shootingDate; // invalid: no date taken
    bool hasPosition = false;
    bool screenshot = false; // a PNG, no EXIF
};

// Writes photos as phones and cameras write them: 1 to 24 megapixels, scenes
// with sensor grain so that they compress like photos (2-3 bits a pixel),
// EXIF with make, model, date taken, every orientation and GPS on some, an
// EXIF preview of 160x120, 320x240 or none in the shares real devices have,
// and a few PNG screenshots. Pictures are painted once per kind and
// orientation and shared by the files of that kind; each file has its own
// EXIF. Deterministic.
class CameraCorpus
{
public:
    explicit CameraCorpus(int photoCount);

    bool generate(const QString& folder); // false when a file cannot be written
    QString errorString() const { return m_error; }
    const QList<CorpusPhoto>& photos() const { return m_photos; }

private:
    struct Picture
    {
        QByteArray jpeg;
        QByteArray preview;
    };

    CorpusPhoto describe(int index) const;
    const Picture& pictureFor(const CorpusPhoto& photo, int kind);
    bool write(const QString& folder, const CorpusPhoto& photo, const QByteArray& bytes);

    int m_photoCount = 0;
    QHash<int, Picture> m_pictures;
    QList<CorpusPhoto> m_photos;
    QString m_error;
};
