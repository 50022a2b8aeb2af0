#include "cameracorpus.h"

#include "host/device/exifblock.h"
#include "host/device/samplepicturepainter.h"
#include "host/services/exiforientation.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <cmath>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

struct Kind
{
    const char* make; // empty: a picture sent through a messenger, EXIF stripped
    const char* model;
    QSize size;
    QSize preview;
    int quality;
    const char* folder;
};

// Twenty files in the shares a phone's storage has: phone photos with 320x240
// or 160x120 previews, a camera's 3:2 photos with 160x107 ones, pictures
// received through a messenger and an edited photo, neither with a preview.
const Kind kKinds[] = {
    { "Orbis", "Orbis P12", { 4032, 3024 }, { 320, 240 }, 92, "DCIM/Camera" },
    { "Lumo", "Lumo 8", { 3264, 2448 }, { 160, 120 }, 90, "DCIM/Camera" },
    { "Lumo", "Lumo 5 Mini", { 2592, 1944 }, { 160, 120 }, 90, "DCIM/Camera" },
    { "Kestrel", "Kestrel K24", { 6000, 4000 }, { 160, 107 }, 94, "DCIM/100KSTRL" },
    { "Kestrel", "Kestrel K20", { 5472, 3648 }, { 160, 107 }, 94, "DCIM/100KSTRL" },
    { "Orbis", "Orbis P16 Pro", { 4608, 3456 }, { 160, 120 }, 92, "DCIM/Camera" },
    { "", "", { 1600, 1200 }, {}, 80, "Pictures/Messages" },
    { "", "", { 1152, 864 }, {}, 80, "Pictures/Messages" },
    { "Orbis", "Orbis P12", { 4032, 3024 }, {}, 92, "DCIM/Camera" }, // edited, preview dropped
    { "Lumo", "Lumo 1", { 1280, 960 }, { 160, 120 }, 88, "DCIM/Camera" },
};
const int kCycle[20] = { 0, 0, 1, 0, 2, 3, 0, 5, 6, 0, 1, 0, 4, 2, 7, 0, 8, 0, 9, 0 };
// Upright most of the time, turned often, mirrored seldom (front cameras, editors).
const int kOrientations[16] = { 1, 6, 1, 1, 6, 3, 1, 8, 1, 6, 1, 2, 1, 4, 5, 7 };
const int kScreenshotEvery = 50;

QByteArray encode(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

// Sensor grain and fine texture: without them a painted scene compresses ten
// times better than a photo, and every decode would be unrealistically cheap.
void addGrain(QImage* image, quint32 seed)
{
    quint32 state = seed | 1u;
    for (int y = 0; y < image->height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int grain = int(state & 15) - 8;
            const int tint = int((state >> 8) & 7) - 4;
            const QRgb pixel = line[x];
            line[x] = qRgb(qBound(0, qRed(pixel) + grain + tint, 255),
                qBound(0, qGreen(pixel) + grain, 255), qBound(0, qBlue(pixel) + grain - tint, 255));
        }
    }
}

// The APP1 segment of one file: its tags and the preview in IFD1.
QByteArray exifSegment(const CorpusPhoto& photo, int index, const QByteArray& preview)
{
    try {
        Exiv2::ExifData exif;
        const std::string taken = ExifBlock::dateText(photo.shootingDate).toStdString();
        exif["Exif.Image.Make"] = photo.make.toStdString();
        exif["Exif.Image.Model"] = photo.model.toStdString();
        exif["Exif.Image.Orientation"] = uint16_t(photo.orientation);
        exif["Exif.Image.DateTime"] = taken;
        exif["Exif.Photo.DateTimeOriginal"] = taken;
        exif["Exif.Photo.PixelXDimension"] = uint32_t(photo.storedSize.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(photo.storedSize.height());
        exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 60 + index % 200);
        exif["Exif.Photo.FNumber"] = Exiv2::URational(18, 10);
        exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(50 + index % 800);
        if (photo.hasPosition)
            ExifBlock::addPosition(exif, 35 + (index % 97) / 7.0,
                (index % 3 == 0 ? -1 : 1) * (2 + (index % 89) / 3.0));
        return ExifBlock::app1Segment(exif, preview);
    } catch (const std::exception& error) {
        qWarning() << "CameraCorpus::exifSegment: exiv2 failed" << error.what();
        return {};
    }
}

} // namespace
#pragma GCC diagnostic pop

CameraCorpus::CameraCorpus(int photoCount)
    : m_photoCount(photoCount)
{
}

CorpusPhoto CameraCorpus::describe(int index) const
{
    const Kind& kind = kKinds[kCycle[index % 20]];
    CorpusPhoto photo;
    photo.make = QLatin1String(kind.make);
    photo.model = QLatin1String(kind.model);
    photo.storedSize = kind.size;
    photo.previewSize = kind.preview;
    const QDateTime taken
        = QDateTime(QDate(2025, 3, 1), QTime(7, 0)).addSecs(qint64(index) * 2377 + index % 59);
    const QString folder = QLatin1String(kind.folder);
    if (photo.make.isEmpty()) {
        photo.relativePath = taken.toString(QStringLiteral("'%1/IMG-'yyyyMMdd'-WA'")).arg(folder)
            + QStringLiteral("%1.jpg").arg(index, 5, 10, QLatin1Char('0'));
        return photo;
    }
    photo.shootingDate = taken;
    photo.orientation = kOrientations[(index * 7 + index / 20) % 16];
    photo.hasPosition = folder == QLatin1String("DCIM/Camera") && index % 5 < 2;
    if (folder == QLatin1String("DCIM/Camera"))
        photo.relativePath = taken.toString(QStringLiteral("'%1/IMG_'yyyyMMdd_HHmmss")).arg(folder)
            + QStringLiteral("_%1%2.jpg")
                  .arg(index)
                  .arg(kind.preview.isEmpty() ? QStringLiteral("_edited") : QString());
    else
        photo.relativePath
            = QStringLiteral("%1/DSC%2.JPG").arg(folder).arg(index, 5, 10, QLatin1Char('0'));
    return photo;
}

const CameraCorpus::Picture& CameraCorpus::pictureFor(const CorpusPhoto& photo, int kind)
{
    const int key = kind * 8 + photo.orientation - 1;
    auto it = m_pictures.find(key);
    if (it != m_pictures.end())
        return *it;
    // Painted small and enlarged: the scene is smooth anyway, and the grain
    // gives the full-size detail.
    const QSize upright = ExifOrientation::uprightSize(photo.storedSize, photo.orientation);
    QImage image = SamplePicturePainter::photo(upright / 4, quint32(key) * 2654435761u)
                       .scaled(upright, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    // The sensor's picture, which the orientation turns upright.
    image = image.transformed(ExifOrientation::transform(photo.orientation).inverted());
    addGrain(&image, quint32(key) + 1);
    Picture picture;
    picture.jpeg = encode(image, "jpeg", kKinds[kind].quality);
    if (!photo.previewSize.isEmpty())
        picture.preview = encode(
            image.scaled(photo.previewSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
            "jpeg", 75);
    return *m_pictures.insert(key, picture);
}

bool CameraCorpus::write(const QString& folder, const CorpusPhoto& photo, const QByteArray& bytes)
{
    const QString path = folder + QLatin1Char('/') + photo.relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(bytes) != bytes.size() || !file.flush()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QDateTime modified = photo.shootingDate.isValid()
        ? photo.shootingDate
        : QDateTime(QDate(2025, 6, 1), QTime(12, 0)).addSecs(photo.relativePath.size());
    file.setFileTime(modified, QFileDevice::FileModificationTime);
    m_photos.append(photo);
    return true;
}

bool CameraCorpus::generate(const QString& folder)
{
    m_photos.clear();
    m_error.clear();
    for (int i = 0; i < m_photoCount; ++i) {
        const int kind = kCycle[i % 20];
        const CorpusPhoto photo = describe(i);
        const Picture& picture = pictureFor(photo, kind);
        const QByteArray bytes = photo.make.isEmpty()
            ? picture.jpeg
            : ExifBlock::insertSegment(picture.jpeg, exifSegment(photo, i, picture.preview));
        if (!write(folder, photo, bytes))
            return false;
        if (i % kScreenshotEvery != kScreenshotEvery - 1)
            continue;
        CorpusPhoto shot;
        shot.screenshot = true;
        shot.storedSize = QSize(1080, 2340);
        shot.relativePath = QStringLiteral("Pictures/Screenshots/Screenshot_%1.png").arg(i);
        if (!write(folder, shot,
                encode(SamplePicturePainter::screenshot(shot.storedSize, quint32(i)), "png", -1)))
            return false;
    }
    return true;
}
