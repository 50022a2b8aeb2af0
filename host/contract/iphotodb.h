#pragma once

#include <QByteArray>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

// The part of the host's photo database that the plug-in calls. Paths may use
// either separator. Every call is safe from any thread.
class IPhotoDB
{
public:
    // A bit of setItemData's fields: a picture without an embedded preview
    // is not decoded now; its row has no thumbnail until makeThumbnail().
    static constexpr int DecodeLater = 0x100;

    virtual ~IPhotoDB() = default;

    // The photo's row: "Path", "FileName", "Title", "FileType", "FileSize",
    // "AddedDate", "ModifiedDate", "ShootingDate", "IsThumbnail",
    // "ThumbnailBinary", "Width", "Height", "Tag", "Direction". Empty when the
    // file is not usable media.
    virtual QSqlRecord setItemData(const QString& path, bool update, int fields) = 0;
    // Rows written on this thread between the two share one transaction.
    virtual void beginWrites() { }
    virtual void endWrites() { }
    // Makes the thumbnail of a row kept without one and stores it: the bytes
    // as the file holds them and the EXIF orientation to show them by.
    // False when the file has no picture to make one of.
    virtual bool makeThumbnail(const QString& path, QByteArray* bytes, int* orientation)
    {
        Q_UNUSED(path)
        Q_UNUSED(bytes)
        Q_UNUSED(orientation)
        return false;
    }
    virtual bool insertThumbnailItem(const QString& path, const QByteArray& bytes, bool update) = 0;
    virtual bool getThumbnailFromDB(const QString& path, QByteArray* bytes, bool device) = 0;
    virtual bool deleteItem(int id, const QStringList& paths, bool device) = 0;
    virtual bool isExist(const QString& path, bool device) = 0;
    virtual bool clearDBRecords(bool device) = 0;
    // Rows of "PlaylistInfo": "ID", "Type", "Name", "Linkwave", "ItemType".
    virtual QSqlQuery getPlaylistData(const QString& filter) = 0;
};
