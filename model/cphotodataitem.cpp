#include "model/cphotodataitem.h"

#include "host/contract/devicefilerecord.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/storedthumbnail.h"
#include "host/services/textutils.h"
#include "model/thumbnailcache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QThread>
#include <QTransform>
#include <QVariant>

namespace {

const int kThumbnailEdge = 300;

QDateTime validDate(const QDateTime& date)
{
    // A stored date counts only after 1900; a null input reads year 0.
    return date.date().year() > 1900 ? date : QDateTime();
}

QDateTime parseIsoDate(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

// Name pieces of a stored path; QFileInfo needs "/" separators.
QFileInfo fileInfoOf(const QString& path)
{
    return QFileInfo(toFileSystemPath(path));
}

// value in decimal, padded with zeros to at least width digits. A sort proxy
// asks for keys at every comparison, and QString::arg took most of its time.
void appendPadded(QString& text, quint64 value, int width)
{
    QChar digits[20];
    int count = 0;
    do {
        digits[count++] = QLatin1Char(char('0' + value % 10));
        value /= 10;
    } while (value);
    for (int i = count; i < width; ++i)
        text += QLatin1Char('0');
    while (count > 0)
        text += digits[--count];
}

} // namespace

QByteArray CPhotoDataItem::encodeThumbnail(QImage image)
{
    if (image.width() > kThumbnailEdge || image.height() > kThumbnailEdge)
        image = image.scaled(
            kThumbnailEdge, kThumbnailEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.hasAlphaChannel())
        image.save(&buffer, "PNG");
    else
        image.save(&buffer, "JPG", 85);
    return bytes;
}

CPhotoDataItem::CPhotoDataItem() = default;

CPhotoDataItem::CPhotoDataItem(const QSqlRecord& record)
{
    mediaKind = 2;
    fillFromRecord(record);
}

CPhotoDataItem::CPhotoDataItem(quintptr deviceRecord)
{
    mediaKind = 2;
    fillFromDeviceRecord(deviceRecord);
}

CPhotoDataItem::CPhotoDataItem(const QString& localPath)
{
    fillFromFile(localPath, 0, QDateTime());
    m_listedItem = false;
    m_thumbnailLoaded = false;
}

CPhotoDataItem::CPhotoDataItem(const QString& phonePath, const QString& sourcePath)
{
    mediaKind = 2;
    setPath(phonePath);
    setSourcePath(sourcePath);
    const QFileInfo info = fileInfoOf(path);
    setTitle(info.completeBaseName());
    setAddedDate(QDateTime::currentDateTime());
    m_fileType = info.suffix();
    deriveFolder();
    m_listedItem = false;
    m_thumbnailLoaded = false;
}

CPhotoDataItem::~CPhotoDataItem()
{
    if (m_thumbnailKey)
        ThumbnailCache::instance().remove(m_thumbnailKey);
}

void CPhotoDataItem::setTitle(const QString& newTitle)
{
    if (newTitle.length() > 0)
        title = newTitle;
}

void CPhotoDataItem::setPath(const QString& newPath)
{
    path = toStoredPath(newPath);
}

void CPhotoDataItem::setSourcePath(const QString& newPath)
{
    sourcePath = toStoredPath(newPath);
}

void CPhotoDataItem::setModifiedDate(const QDateTime& date)
{
    m_modifiedDate = validDate(date);
}

void CPhotoDataItem::setAddedDate(const QDateTime& date)
{
    m_addedDate = validDate(date);
}

void CPhotoDataItem::setCreatedDate(const QDateTime& date)
{
    m_createdDate = validDate(date);
}

void CPhotoDataItem::setShootingDate(const QDateTime& date)
{
    m_shootingDate = validDate(date);
}

void CPhotoDataItem::deriveFolder()
{
    m_folder = getFileDir(path);
    if (!m_folder.contains(QLatin1Char('\\')))
        m_folder.append(QLatin1Char('\\'));
}

void CPhotoDataItem::parseTag(const QString& tag)
{
    QString latitude;
    QString longitude;
    const QStringList parts = tag.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        const QStringList pieces = part.split(QLatin1Char('='));
        if (pieces.size() < 2)
            continue;
        if (pieces.at(0).compare(QLatin1String("latitude"), Qt::CaseInsensitive) == 0)
            latitude = pieces.at(1);
        else if (pieces.at(0).compare(QLatin1String("longitude"), Qt::CaseInsensitive) == 0)
            longitude = pieces.at(1);
    }
    m_latitude = latitude;
    m_longitude = longitude;
}

void CPhotoDataItem::setDirection(int value, bool angle)
{
    // Kept as the EXIF code, not as an angle: an angle cannot say "mirrored".
    m_orientation
        = angle ? ExifOrientation::turned(1, value) : (value >= 1 && value <= 8 ? value : 0);
}

bool CPhotoDataItem::fillFromRecord(const QSqlRecord& record)
{
    if (record.isEmpty())
        return false;
    setPath(record.value(QStringLiteral("Path")).toString());
    m_fileName = record.value(QStringLiteral("FileName")).toString();
    setTitle(record.value(QStringLiteral("Title")).toString());
    m_fileType = record.value(QStringLiteral("FileType")).toString();
    m_fileSize = qMax<qint64>(0, record.value(QStringLiteral("FileSize")).toLongLong());
    setAddedDate(record.value(QStringLiteral("AddedDate")).toDateTime());
    setModifiedDate(record.value(QStringLiteral("ModifiedDate")).toDateTime());
    setShootingDate(parseIsoDate(record.value(QStringLiteral("ShootingDate")).toString()));
    hasThumbnail = record.value(QStringLiteral("IsThumbnail")).toUInt() != 0;
    m_width = record.value(QStringLiteral("Width")).toInt();
    m_height = record.value(QStringLiteral("Height")).toInt();

    if (g_SharedValue.IsPartialLoading()) {
        // The picture comes later from the host's cache.
        m_thumbnailLoaded = true;
        hasThumbnail = true;
    } else if (hasThumbnail) {
        setThumbnailData(record.value(QStringLiteral("ThumbnailBinary")).toByteArray(),
            record.value(QStringLiteral("ThumbnailOrientation")).toInt());
        m_thumbnailLoaded = true;
    }

    parseTag(record.value(QStringLiteral("Tag")).toString());
    sourcePath = path;
    m_exists = fileInfoOf(path).exists();
    m_loadState = 0;
    setDirection(record.value(QStringLiteral("Direction")).toInt(), false);
    deriveFolder();
    isChecked = false;
    m_listedItem = true;
    return true;
}

bool CPhotoDataItem::fillFromRecord(const QSqlRecord& record, const QString& newPath)
{
    if (!fillFromRecord(record))
        return false;
    setPath(newPath);
    const QFileInfo info = fileInfoOf(path);
    setTitle(info.completeBaseName());
    setAddedDate(QDateTime::currentDateTime());
    m_fileType = info.suffix();
    deriveFolder();
    return true;
}

bool CPhotoDataItem::fillFromDeviceRecord(quintptr deviceRecord)
{
    const auto* record = reinterpret_cast<const DeviceFileRecord*>(deviceRecord);
    if (!record)
        return false;
    objectId = GetCString2QString(record->objectId);
    setPath(GetCString2QString(record->path));
    m_fileName = GetCString2QString(record->fileName);
    setTitle(getFileName(path, false));
    m_fileType = GetCString2QString(record->type);
    m_fileSize = qMax<qint64>(0, record->size);
    setAddedDate(QDateTime::currentDateTime());
    setModifiedDate(parseIsoDate(GetCString2QString(record->modifiedDate)));
    setCreatedDate(parseIsoDate(GetCString2QString(record->createdDate)));
    setShootingDate(parseIsoDate(GetCString2QString(record->shootingDate)));
    m_width = record->width;
    m_height = record->height;
    m_exists = true;
    m_loadState = 0;
    m_orientation = 0;
    deriveFolder();
    isChecked = false;
    m_listedItem = true;
    m_thumbnailLoaded = false;
    return true;
}

bool CPhotoDataItem::fillFromFile(const QString& filePath, qint64 size, const QDateTime& date)
{
    if (filePath.isEmpty())
        return false;
    m_width = 0;
    m_height = 0;
    m_spare = 0;
    m_loadState = 0;
    m_exists = true;
    isChecked = false;

    const QFileInfo info = fileInfoOf(filePath);
    QDateTime fileDate = date;
    if (size <= 0) {
        size = info.size();
        // Not every file system records a birth time.
        fileDate = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
    }
    setPath(filePath);
    m_fileName = info.fileName();
    setTitle(info.completeBaseName());
    m_fileType = info.suffix();
    m_fileSize = qMax<qint64>(0, size);
    setAddedDate(QDateTime::currentDateTime());
    setModifiedDate(fileDate);
    setCreatedDate(fileDate);
    m_orientation = 0;
    deriveFolder();
    return true;
}

bool CPhotoDataItem::copyFrom(const CPhotoDataItem* other)
{
    if (!other || other->path.isEmpty())
        return false;
    objectId = other->objectId;
    setTitle(other->title);
    setPath(other->path);
    sourcePath = other->sourcePath;
    externalId = other->externalId;
    mediaKind = other->mediaKind;
    isChecked = other->isChecked;
    hasThumbnail = other->hasThumbnail;
    m_fileName = other->m_fileName;
    m_fileType = other->m_fileType;
    m_fileSize = other->m_fileSize;
    setModifiedDate(other->m_modifiedDate);
    setAddedDate(other->m_addedDate);
    setCreatedDate(other->m_createdDate);
    setShootingDate(other->m_shootingDate);
    m_width = other->m_width;
    m_height = other->m_height;
    m_exists = other->m_exists;
    m_latitude = other->m_latitude;
    m_longitude = other->m_longitude;
    deriveFolder();
    m_loadState = other->m_loadState;
    m_orientation = other->m_orientation;
    // The encoded picture is what the getter would show; copying the bytes
    // keeps this safe on a worker and avoids a decode.
    setThumbnailData(other->m_thumbnailLoaded ? other->m_thumbnailBytes : QByteArray(),
        other->m_thumbnailOrientation);
    m_thumbnailTurn = other->m_thumbnailTurn;
    m_thumbnailLoaded = other->m_thumbnailLoaded;
    m_listedItem = true;
    isNew = other->isNew;
    newShown = other->newShown;
    return true;
}

bool CPhotoDataItem::takeChange(const CPhotoDataItem* changed)
{
    const QDateTime taken = m_shootingDate;
    const QString latitude = m_latitude;
    const QString longitude = m_longitude;
    const QSize pixels(m_width, m_height);
    const qint32 orientation = m_orientation;
    const QByteArray thumbnail = m_thumbnailLoaded ? m_thumbnailBytes : QByteArray();
    const qint32 turn = m_thumbnailTurn;
    const qint32 thumbnailOrientation = m_thumbnailOrientation;
    const bool hadThumbnail = hasThumbnail;
    const bool checked = isChecked;
    const bool wasNew = isNew;
    const bool wasShown = newShown;
    if (!copyFrom(changed))
        return false;
    if (!m_shootingDate.isValid())
        m_shootingDate = taken;
    if (m_latitude.isEmpty() && m_longitude.isEmpty()) {
        m_latitude = latitude;
        m_longitude = longitude;
    }
    if (m_width <= 0 || m_height <= 0) {
        m_width = pixels.width();
        m_height = pixels.height();
    }
    if (m_orientation == 0)
        m_orientation = orientation;
    if (!m_thumbnailLoaded && !thumbnail.isEmpty()) {
        setThumbnailData(thumbnail, thumbnailOrientation);
        m_thumbnailTurn = turn;
        m_thumbnailLoaded = true;
        hasThumbnail = hadThumbnail;
    }
    isChecked = checked;
    isNew = wasNew;
    newShown = wasShown;
    return true;
}

QPixmap CPhotoDataItem::thumbnail() const
{
    if (!m_thumbnailLoaded || m_thumbnailBytes.isEmpty())
        return QPixmap();
    return ThumbnailCache::instance().pixmap(
        m_thumbnailKey, m_thumbnailBytes, m_thumbnailTurn, m_thumbnailOrientation);
}

void CPhotoDataItem::setThumbnail(const QPixmap& pixmap)
{
    if (pixmap.isNull()) {
        setThumbnailData(QByteArray());
        return;
    }
    const QByteArray bytes = encodeThumbnail(pixmap.toImage());
    setThumbnailData(bytes);
    // The shown picture is the decoded one, so every reader sees the same.
    QPixmap shown;
    if (shown.loadFromData(bytes))
        ThumbnailCache::instance().insert(m_thumbnailKey, shown);
}

void CPhotoDataItem::setThumbnailData(const QByteArray& bytes, int orientation)
{
    // Only the GUI thread may touch the cache; a worker fills unshared items,
    // which were never drawn and so have nothing cached.
    const bool guiThread = QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread();
    if (m_thumbnailKey && guiThread)
        ThumbnailCache::instance().remove(m_thumbnailKey);
    m_thumbnailBytes = bytes;
    m_thumbnailKey = ThumbnailCache::nextKey();
    m_thumbnailTurn = 0;
    m_thumbnailOrientation = orientation;
}

QImage CPhotoDataItem::thumbnailImage() const
{
    if (!m_thumbnailLoaded || m_thumbnailBytes.isEmpty())
        return QImage();
    const QImage decoded = StoredThumbnail::picture(
        m_thumbnailBytes, m_thumbnailOrientation, QSize(kThumbnailEdge, kThumbnailEdge));
    return m_thumbnailTurn == 0 ? decoded
                                : decoded.transformed(QTransform().rotate(m_thumbnailTurn));
}

void CPhotoDataItem::clearThumbnail()
{
    setThumbnailData(QByteArray());
    m_thumbnailLoaded = false;
}

QString CPhotoDataItem::resolutionText() const
{
    if (m_width > 0 && m_height > 0)
        return QStringLiteral("%1x%2").arg(m_width).arg(m_height);
    return QString();
}

QString CPhotoDataItem::resolutionSortKey() const
{
    QString key;
    key.reserve(11);
    appendPadded(key, quint32(m_width), 5);
    key += QLatin1Char('x');
    appendPadded(key, quint32(m_height), 5);
    return key;
}

QString CPhotoDataItem::sizeSortKey() const
{
    QString key;
    // Wide enough for any 64-bit size: files of 4 GB and more sort right.
    key.reserve(19);
    appendPadded(key, quint64(m_fileSize), 19);
    return key;
}

void CPhotoDataItem::rotateThumbnail(int angle)
{
    qCDebug(lcModel) << "CPhotoDataItem::rotateThumbnail: successed rotate save" << path << angle;
    const bool guiThread = QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread();
    if (m_thumbnailKey && guiThread)
        ThumbnailCache::instance().remove(m_thumbnailKey);
    m_thumbnailKey = ThumbnailCache::nextKey();
    m_thumbnailTurn = ((m_thumbnailTurn + angle) % 360 + 360) % 360;
}

bool CPhotoDataItem::needsThumbnail() const
{
    return !m_thumbnailLoaded;
}
