// PhotoDB: the albums ("PlaylistInfo" rows) of the host's photo library.
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "photodb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QSqlQuery PhotoDB::getPlaylistData(const QString& filter)
{
    QSqlDatabase db = connection();
    QSqlQuery query(db);
    if (!db.isOpen())
        return query;
    if (filter.isEmpty()) {
        query.prepare(QStringLiteral(
            "SELECT ID, Type, Name, Linkwave, ItemType FROM PlaylistInfo ORDER BY ID"));
    } else {
        query.prepare(QStringLiteral("SELECT ID, Type, Name, Linkwave, ItemType FROM PlaylistInfo "
                                     "WHERE ItemType = ? ORDER BY ID"));
        query.addBindValue(filter);
    }
    if (!query.exec())
        qCWarning(lcHostDb) << "PhotoDB::getPlaylistData"
                            << ": failed" << query.lastError().text();
    return query;
}

QList<PhotoAlbum> PhotoDB::albums()
{
    QList<PhotoAlbum> result;
    QSqlQuery query = getPlaylistData(QString());
    while (query.next()) {
        PhotoAlbum album;
        album.id = query.value(0).toInt();
        album.type = query.value(1).toString();
        album.name = query.value(2).toString();
        album.shared = query.value(3).toUInt() != 0;
        album.itemType = query.value(4).toString();
        result.append(album);
    }
    return result;
}

int PhotoDB::createAlbum(const QString& name)
{
    const QString trimmed = name.trimmed();
    QSqlDatabase db = connection();
    if (trimmed.isEmpty() || !db.isOpen())
        return -1;
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO PlaylistInfo (Type, Name, Linkwave, ItemType) VALUES ('photo', ?, 0, '')"));
    query.addBindValue(trimmed);
    if (!query.exec()) {
        qCWarning(lcHostDb) << "PhotoDB::createAlbum"
                            << ": failed" << query.lastError().text();
        return -1;
    }
    return query.lastInsertId().toInt();
}

bool PhotoDB::addToAlbum(int albumId, const QStringList& paths)
{
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    db.transaction();
    query.prepare(QStringLiteral("SELECT COALESCE((SELECT MAX(Position) FROM PlaylistItem "
                                 "WHERE PlaylistID = ?), -1) FROM PlaylistInfo WHERE ID = ?"));
    query.addBindValue(albumId);
    query.addBindValue(albumId);
    if (!query.exec() || !query.next()) {
        db.rollback();
        qCWarning(lcHostDb) << "PhotoDB::addToAlbum"
                            << ": no album" << albumId;
        return false;
    }
    int position = query.value(0).toInt();
    query.finish();
    QSqlQuery existing(db);
    existing.prepare(
        QStringLiteral("SELECT 1 FROM PlaylistItem WHERE PlaylistID = ? AND PathKey = ?"));
    query.prepare(QStringLiteral(
        "INSERT INTO PlaylistItem (PlaylistID, Position, Path, PathKey) VALUES (?, ?, ?, ?)"));
    bool ok = true;
    for (const QString& path : paths) {
        const QString stored = toStoredPath(path);
        if (stored.isEmpty())
            continue;
        // An album holds a file once.
        existing.addBindValue(albumId);
        existing.addBindValue(pathKey(stored));
        if (existing.exec() && existing.next())
            continue;
        query.addBindValue(albumId);
        query.addBindValue(++position);
        query.addBindValue(stored);
        query.addBindValue(pathKey(stored));
        ok = query.exec() && ok;
    }
    return db.commit() && ok;
}

bool PhotoDB::clearAlbum(int albumId)
{
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM PlaylistItem WHERE PlaylistID = ?"));
    query.addBindValue(albumId);
    if (query.exec())
        return true;
    qCWarning(lcHostDb) << "PhotoDB::clearAlbum : failed" << query.lastError().text();
    return false;
}

QStringList PhotoDB::albumFiles(int albumId)
{
    QStringList files;
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return files;
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("SELECT Path FROM PlaylistItem WHERE PlaylistID = ? ORDER BY Position"));
    query.addBindValue(albumId);
    if (query.exec()) {
        while (query.next())
            files.append(query.value(0).toString());
    }
    return files;
}
