#pragma once

#include "host/contract/iphotodb.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

class IDBManager;

// One album of the host's photo library (a "PlaylistInfo" row).
struct PhotoAlbum
{
    int id = -1;
    QString type; // "photo"
    QString name;
    bool shared = false;
    QString itemType; // "favorite", "recent", "device" or "" for a user album
};

// The host's photo database on SQLite. Stores 1 and 2 keep separate rows;
// albums are shared by both. Metadata is read with exiv2 (date taken,
// orientation, GPS, embedded preview) and QImageReader (dimensions).
// setItemData keeps a file's row until the file's size or modification time
// changes, so asking again is cheap. Every call is safe from any thread: each
// thread works on its own connection. The `device` flags select nothing;
// a PhotoDB always works on its own store.
class PhotoDB : public IPhotoDB
{
public:
    // 2: paths are keyed as they are, letter case included. 3: thumbnails
    // are stored as the file holds them, shown turned by ThumbnailOrientation.
    static constexpr int SchemaVersion = 3;

    PhotoDB(IDBManager* manager, int store);
    ~PhotoDB() override;

    // IPhotoDB
    QSqlRecord setItemData(const QString& path, bool update, int fields) override;
    void beginWrites() override;
    void endWrites() override;
    bool makeThumbnail(const QString& path, QByteArray* bytes, int* orientation) override;
    bool insertThumbnailItem(const QString& path, const QByteArray& bytes, bool update) override;
    bool getThumbnailFromDB(const QString& path, QByteArray* bytes, bool device) override;
    bool deleteItem(int id, const QStringList& paths, bool device) override;
    bool isExist(const QString& path, bool device) override;
    bool clearDBRecords(bool device) override;
    QSqlQuery getPlaylistData(const QString& filter) override;

    // The host's own use: albums of the PC photo library.
    QList<PhotoAlbum> albums();
    int createAlbum(const QString& name); // its id, -1 on failure
    bool addToAlbum(int albumId, const QStringList& paths);
    bool clearAlbum(int albumId);
    QStringList albumFiles(int albumId);

    int store() const { return m_store; }

    // Why a database cannot be used by this program: empty when it can (its
    // schema is this one, an older one made current when opened, or none).
    static QString schemaProblem(QSqlDatabase& db);

private:
    QSqlDatabase connection() const;
    QSqlQuery* prepared(QSqlDatabase& db, const QString& sql, QSqlQuery* local);
    void ensureSchema();
    QSqlRecord cachedRow(
        QSqlDatabase& db, const QString& key, qint64* size, qint64* modifiedMs, QString* addedDate);
    static QSqlRecord makeRecord(const QVariantList& values);

    IDBManager* m_manager = nullptr;
    int m_store = 1;
};
