#include "samplephonegenerator.h"

#include "host/services/exiforientation.h"
#include "host/services/logcategories.h"

#include "exifblock.h"
#include "gifwriter.h"
#include "samplepicturepainter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QTransform>

#include <cmath>
#include <random>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

const QStringList kBadFiles
    = { QStringLiteral("DCIM/Camera/broken.jpg"), QStringLiteral("DCIM/Camera/empty.jpg") };
const int kOrientations[] = { 1, 6, 1, 3, 1, 8 };

QByteArray encode(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

// The APP1 segment with the photo's EXIF block (and preview), or empty.
QByteArray exifSegment(const SamplePhoto& photo, const QByteArray& preview)
{
    try {
        Exiv2::ExifData exif;
        const std::string taken = ExifBlock::dateText(photo.shootingDate).toStdString();
        exif["Exif.Image.Make"] = "Sample";
        exif["Exif.Image.Model"] = "Sample Phone";
        exif["Exif.Image.Orientation"] = uint16_t(photo.orientation);
        exif["Exif.Image.DateTime"] = taken;
        exif["Exif.Photo.DateTimeOriginal"] = taken;
        exif["Exif.Photo.DateTimeDigitized"] = taken;
        exif["Exif.Photo.PixelXDimension"] = uint32_t(photo.storedSize.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(photo.storedSize.height());
        if (photo.hasPosition) {
            Exiv2::Value::AutoPtr version = Exiv2::Value::create(Exiv2::unsignedByte);
            version->read("2 2 0 0");
            exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSVersionID"), version.get());
            ExifBlock::addPosition(exif, photo.latitude, photo.longitude);
        }
        return ExifBlock::app1Segment(exif, preview);
    } catch (const std::exception& error) {
        qCWarning(lcHostDevice) << "SamplePhoneGenerator::exifSegment"
                                << ": exiv2 failed" << error.what();
        return {};
    }
}

// A camera stores the sensor's picture and says how to turn it for display.
QImage storedFromUpright(const QImage& upright, int orientation)
{
    return upright.transformed(ExifOrientation::transform(orientation).inverted());
}

} // namespace
#pragma GCC diagnostic pop

SamplePhoneGenerator::SamplePhoneGenerator(const SamplePhoneOptions& options)
    : m_options(options)
{
}

QSize SamplePhoneGenerator::photoSize(bool large)
{
    return large ? QSize(4000, 3000) : QSize(1280, 960);
}

const QStringList& SamplePhoneGenerator::badFiles()
{
    return kBadFiles;
}

bool SamplePhoneGenerator::writeFile(const QString& folder, const QString& relativePath,
    const QByteArray& bytes, const QDateTime& modified)
{
    const QString path = folder + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // Set after the data is out, or the final write would stamp it again.
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    m_files.append(relativePath);
    return true;
}

QString SamplePhoneGenerator::photoName(int index, const QDateTime& date) const
{
    switch (index) {
    case 1:
        return QStringLiteral("Summer holiday.jpg");
    case 2:
        return QStringLiteral("Café crème.jpg");
    case 3:
        return QStringLiteral("Ålesund 한강 Zoë.jpg");
    default:
        return date.toString(QStringLiteral("'IMG_'yyyyMMdd_HHmmss'.jpg'"));
    }
}

bool SamplePhoneGenerator::writePhotos(const QString& folder)
{
    std::mt19937 dice(m_options.seed);
    const int count = qMax(0, m_options.photoCount);
    const int days = count <= 1 ? 1 : qBound(2, count / 6 + 1, 8);
    const int perDay = qMax(1, (count + days - 1) / days);
    const int slot = 12 * 60 / perDay;
    const QDateTime first(QDate(2024, 4, 1).addDays(m_options.seed % 300), QTime(8, 0));
    const QSize landscape = photoSize(m_options.largePhotos);

    struct Picture
    {
        QByteArray jpeg;
        QByteArray preview;
    };
    QHash<int, Picture> pictures;
    for (int i = 0; i < count; ++i) {
        SamplePhoto photo;
        const int key = m_options.distinctPictures > 0 ? i % m_options.distinctPictures : i;
        photo.orientation = m_options.orientations.isEmpty()
            ? kOrientations[key % 6]
            : m_options.orientations.at(key % m_options.orientations.size());
        photo.storedSize = landscape;
        int seconds = 0;
        if (slot > 0) {
            const int minutes = (i % perDay) * slot + int(dice() % quint32(qMax(1, slot / 2)));
            seconds = minutes * 60 + int(dice() % 60);
        } else {
            // Over 720 photos a day: slots of seconds, or names (made of the
            // time) would repeat and overwrite each other.
            const int slotSeconds = qMax(1, 12 * 3600 / perDay);
            seconds = (i % perDay) * slotSeconds + int(dice() % quint32(qMax(1, slotSeconds / 2)));
        }
        photo.shootingDate = first.addDays((i / perDay) * 2).addSecs(seconds);
        if (i % 2 == 0) {
            const int quadrant = (i / 2) % 4;
            const double latitude = 10 + (dice() % 50000) / 1000.0;
            const double longitude = 5 + (dice() % 165000) / 1000.0;
            photo.hasPosition = true;
            photo.latitude = (quadrant & 1) ? -latitude : latitude;
            photo.longitude = (quadrant & 2) ? -longitude : longitude;
        }
        photo.hasPreview = m_options.embedPreview;
        photo.relativePath = QStringLiteral("DCIM/Camera/") + photoName(i, photo.shootingDate);

        if (!pictures.contains(key)) {
            const bool portrait = ExifOrientation::swapsAxes(photo.orientation);
            const QImage upright
                = SamplePicturePainter::photo(portrait ? landscape.transposed() : landscape,
                    m_options.seed * 7919u + quint32(key));
            const QImage stored = storedFromUpright(upright, photo.orientation);
            Picture picture;
            picture.jpeg = encode(stored, "jpeg", m_options.largePhotos ? 85 : 88);
            // Thumbnail-sized by default, as many phones write them: 300 x 225
            // for a landscape picture.
            const int side = m_options.previewSide;
            if (m_options.embedPreview)
                picture.preview = encode(
                    stored.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation),
                    "jpeg", 75);
            pictures.insert(key, picture);
        }
        const Picture& picture = pictures.value(key);
        const QByteArray bytes
            = ExifBlock::insertSegment(picture.jpeg, exifSegment(photo, picture.preview));
        if (picture.jpeg.isEmpty()
            || !writeFile(folder, photo.relativePath, bytes, photo.shootingDate))
            return false;
        m_photos.append(photo);
    }
    return true;
}

bool SamplePhoneGenerator::writeExtras(const QString& folder)
{
    const QDateTime later = m_photos.isEmpty() ? QDateTime(QDate(2024, 6, 1), QTime(12, 0))
                                               : m_photos.last().shootingDate.addDays(1);
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        const QDateTime when = later.addSecs(3600 * i + 17 * i);
        const QImage shot
            = SamplePicturePainter::screenshot(QSize(540, 1170), m_options.seed + 31u * i);
        ok = writeFile(folder,
            when.toString(
                QStringLiteral("'Pictures/Screenshots/Screenshot_'yyyyMMdd-HHmmss'.png'")),
            encode(shot, "png", -1), when);
    }
    const QDateTime download = later.addDays(1);
    QList<QImage> frames;
    for (int frame = 0; frame < 4; ++frame)
        frames.append(SamplePicturePainter::badge(QSize(120, 120), m_options.seed, frame));
    const QString gifFolder = folder + QStringLiteral("/Download");
    QDir().mkpath(gifFolder);
    for (const auto& gif : { qMakePair(QStringLiteral("Download/dancing dots.gif"), frames),
             qMakePair(QStringLiteral("Download/sticker.gif"), frames.mid(0, 1)) }) {
        if (!ok)
            break;
        ok = GifWriter::write(folder + QLatin1Char('/') + gif.first, gif.second, 20);
        if (ok)
            m_files.append(gif.first);
        else
            m_error = QStringLiteral("cannot write %1").arg(gif.first);
    }
    const QImage scan = SamplePicturePainter::photo(QSize(640, 480), m_options.seed + 5u);
    ok = ok
        && writeFile(
            folder, QStringLiteral("Download/scan.tiff"), encode(scan, "tiff", -1), download);
    ok = ok
        && writeFile(folder, QStringLiteral("Download/drawing.bmp"),
            encode(scan.scaled(320, 240), "bmp", -1), download);
    ok = ok
        && writeFile(folder, QStringLiteral("Download/notes.txt"),
            QByteArrayLiteral("Shopping: bread, milk, apples\n"), download);
    ok = ok
        && writeFile(folder, QStringLiteral("Download/Manual 2024.pdf"),
            QByteArrayLiteral("%PDF-1.4\n% not a photo\n"), download);
    ok = ok
        && writeFile(
            folder, QStringLiteral("Music/ringtone.mp3"), QByteArray(2048, '\x55'), download);
    // A photo cut off inside its header, and an empty one.
    QByteArray damaged = m_photos.isEmpty() ? QByteArray("\xFF\xD8\xFF\xE1", 4) : QByteArray();
    if (!m_photos.isEmpty()) {
        QFile source(folder + QLatin1Char('/') + m_photos.first().relativePath);
        if (source.open(QIODevice::ReadOnly))
            damaged = source.read(600);
    }
    ok = ok && writeFile(folder, kBadFiles.at(0), damaged, download);
    ok = ok && writeFile(folder, kBadFiles.at(1), QByteArray(), download);
    return ok;
}

bool SamplePhoneGenerator::generate(const QString& folder)
{
    m_photos.clear();
    m_files.clear();
    m_error.clear();
    if (!QDir().mkpath(folder + QStringLiteral("/DCIM/Camera"))) {
        m_error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    const bool ok = writePhotos(folder) && (!m_options.extras || writeExtras(folder));
    if (ok)
        qCDebug(lcHostDevice) << "SamplePhoneGenerator::generate"
                              << ":" << folder << m_files.size() << "files";
    else
        qCWarning(lcHostDevice) << "SamplePhoneGenerator::generate"
                                << ":" << folder << m_files.size() << "files" << m_error;
    return ok;
}
