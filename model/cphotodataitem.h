#pragma once

#include "cdataitem.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QPixmap>
#include <QSqlRecord>
#include <QString>

struct DeviceFileRecord;

// One photo file. Items shown by the model are read and changed on the GUI
// thread only; a worker may build and fill an item that nobody else sees yet.
//
// The thumbnail is kept encoded (JPEG or PNG bytes, at most 300 x 300) and
// decoded for display on the GUI thread through a bounded cache, so a listing
// of tens of thousands of photos does not hold them all decoded.
class CPhotoDataItem : public CDataItem
{
public:
    CPhotoDataItem();
    explicit CPhotoDataItem(const QSqlRecord& record);
    explicit CPhotoDataItem(quintptr deviceRecord); // a DeviceFileRecord*
    explicit CPhotoDataItem(const QString& localPath);
    CPhotoDataItem(const QString& phonePath, const QString& sourcePath);
    ~CPhotoDataItem() override;

    // A picture as items keep it: at most 300 pixels a side, JPEG (PNG with
    // transparency).
    static QByteArray encodeThumbnail(QImage image);

    bool fillFromRecord(const QSqlRecord& record);
    bool fillFromRecord(const QSqlRecord& record, const QString& path); // then re-points to path
    bool fillFromDeviceRecord(quintptr deviceRecord);
    bool fillFromFile(const QString& path, qint64 size, const QDateTime& date);
    bool copyFrom(const CPhotoDataItem* other);
    // Takes the phone's report of a change to this file (renamed, rewritten):
    // its name and file facts. What the report leaves empty, it keeps: date
    // taken, position, orientation, size in pixels, thumbnail, marks.
    bool takeChange(const CPhotoDataItem* changed);

    // IMediaItem fields with rules.
    void setTitle(const QString& title); // an empty title keeps the old one
    void setPath(const QString& path); // stored with "\\" separators
    void setSourcePath(const QString& path);

    QString folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& type) { m_fileType = type; }
    qint64 fileSize() const { return m_fileSize; }
    void setFileSize(qint64 size) { m_fileSize = size; }

    // Dates before 1901 are stored as null.
    QDateTime modifiedDate() const { return m_modifiedDate; }
    void setModifiedDate(const QDateTime& date);
    QDateTime addedDate() const { return m_addedDate; }
    void setAddedDate(const QDateTime& date);
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& date);
    QDateTime shootingDate() const { return m_shootingDate; }
    void setShootingDate(const QDateTime& date);

    // The decoded thumbnail when one is loaded, else a null pixmap (GUI thread).
    QPixmap thumbnail() const;
    // Stores a picture as the thumbnail (GUI thread): scaled to at most
    // 300 x 300 and encoded once, JPEG or PNG when it has alpha.
    void setThumbnail(const QPixmap& pixmap);
    // Stores encoded image bytes as the thumbnail (any thread, on an unshared
    // item), shown turned by the EXIF orientation code (the photo database's
    // "ThumbnailOrientation"; 0: as they are).
    void setThumbnailData(const QByteArray& bytes, int orientation = 0);
    QByteArray thumbnailBytes() const { return m_thumbnailBytes; }
    int thumbnailOrientation() const { return m_thumbnailOrientation; }
    QImage thumbnailImage() const; // decoded on the calling thread
    void clearThumbnail();

    qint32 width() const { return m_width; }
    void setWidth(qint32 width) { m_width = width; }
    qint32 height() const { return m_height; }
    void setHeight(qint32 height) { m_height = height; }
    bool exists() const { return m_exists; }
    void setExists(bool exists) { m_exists = exists; }
    qint32 loadState() const { return m_loadState; }
    void setLoadState(qint32 state) { m_loadState = state; }
    bool thumbnailLoaded() const { return m_thumbnailLoaded; }
    void setThumbnailLoaded(bool loaded) { m_thumbnailLoaded = loaded; }
    bool listedItem() const { return m_listedItem; }
    void setListedItem(bool listed) { m_listedItem = listed; }
    QString latitude() const { return m_latitude; }
    void setLatitude(const QString& latitude) { m_latitude = latitude; }
    QString longitude() const { return m_longitude; }
    void setLongitude(const QString& longitude) { m_longitude = longitude; }
    // The EXIF orientation code (1-8; 0 when the file has none) the picture
    // is shown with.
    qint32 orientation() const { return m_orientation; }
    // angle true: value in degrees clockwise; false: an EXIF orientation code.
    void setDirection(int value, bool angle);

    QString resolutionText() const; // "1920x1080", empty without a size
    QString resolutionSortKey() const; // "01920x01080"
    QString sizeSortKey() const; // "0000000512"

    // Shows the thumbnail turned further by angle degrees clockwise (a
    // multiple of 90): the encoded picture stays as it is, so turning it
    // again and again loses nothing.
    void rotateThumbnail(int angle);

    // True when the item still has no usable thumbnail.
    bool needsThumbnail() const;

    // "latitude=…/longitude=…" into the two position texts.
    void parseTag(const QString& tag);

    // folder = directory part of path, with a "\\" appended when it holds none.
    void deriveFolder();

private:
    QString m_folder;
    QString m_fileName;
    QString m_fileType;
    qint64 m_fileSize = 0;
    QDateTime m_modifiedDate;
    QDateTime m_addedDate;
    QDateTime m_createdDate;
    QDateTime m_shootingDate;
    QByteArray m_thumbnailBytes;
    quint64 m_thumbnailKey = 0; // cache key, new on every change
    qint32 m_thumbnailTurn = 0; // degrees clockwise the encoded picture is shown turned
    qint32 m_thumbnailOrientation
        = 0; // EXIF code the encoded picture is shown with, before the turn
    qint32 m_width = 0;
    qint32 m_height = 0;
    qint32 m_spare = 0;
    bool m_exists = false;
    qint32 m_loadState = 0;
    bool m_thumbnailLoaded = false;
    bool m_listedItem = false;
    QString m_latitude;
    QString m_longitude;
    qint32 m_orientation = 0;
};
