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
    virtual ~IPhotoDB() = default;

    // The photo's row: "Path", "FileName", "Title", "FileType", "FileSize",
    // "AddedDate", "ModifiedDate", "ShootingDate", "IsThumbnail",
    // "ThumbnailBinary", "Width", "Height", "Tag", "Direction". Empty when the
    // file is not usable media.
    virtual QSqlRecord setItemData(const QString& path, bool update, int fields) = 0;
    virtual bool insertThumbnailItem(const QString& path, const QByteArray& bytes, bool update) = 0;
    virtual bool getThumbnailFromDB(const QString& path, QByteArray* bytes, bool device) = 0;
    virtual bool deleteItem(int id, const QStringList& paths, bool device) = 0;
    virtual bool isExist(const QString& path, bool device) = 0;
    virtual bool clearDBRecords(bool device) = 0;
    // Rows of "PlaylistInfo": "ID", "Type", "Name", "Linkwave", "ItemType".
    virtual QSqlQuery getPlaylistData(const QString& filter) = 0;
};
