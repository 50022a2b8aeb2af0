#pragma once

#include "model/playlistinforecord.h"
#include "model/rowfetcher.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

class CPhotoDataItem;
class IDeviceNexaAgent;
class IPhotoDB;
class OCThumbnailManager;
struct ItemEvent;
struct PluginHostContext;

// Owns every photo item of the current device listing and indexes it by
// path, by device object id and as a queue of items still waiting for a
// thumbnail.
//
// The indexes and the items are read and changed on the GUI thread only. The
// slow part of an item event, its database row, is read by a RowFetcher on
// a thread of its own; the merge into the indexes (mergeInsertedItem) runs
// on the GUI thread.
class OCMediaItemList
{
public:
    explicit OCMediaItemList(PluginHostContext* context);
    // Takes both databases (either may be null); tests hand in their own.
    OCMediaItemList(IPhotoDB* deviceDatabase, IPhotoDB* secondDatabase, IDeviceNexaAgent* agent);
    ~OCMediaItemList();
    OCMediaItemList(const OCMediaItemList&) = delete;
    OCMediaItemList& operator=(const OCMediaItemList&) = delete;

    // Merges an event and its database row. Returns the item that now
    // stands for the file, or null when the event was rejected. When the
    // event's own item is new, the list takes it: event.item is null after.
    CPhotoDataItem* mergeInsertedItem(ItemEvent& event, const FetchedRow& fetched);
    // Reads the row and merges in one go, on the calling (GUI) thread.
    CPhotoDataItem* updateInsertedItem(ItemEvent& event, bool useDeviceDatabase);
    // The database the rows of a listing (device) or of transfers are read from.
    IPhotoDB* database(bool device) const { return device ? m_deviceDatabase : m_secondDatabase; }

    // True when an event is about a file this plug-in itself sent to the
    // phone: its removal (code 9) is not shown, and its new object id
    // (code 7) only re-indexes the item.
    bool claimOwnTransfer(const QString& objectId, const QString& path, int code);

    CPhotoDataItem* findItem(const QString& key, bool byObjectId) const;
    QList<CPhotoDataItem*> allItems() const;
    int count() const;
    CPhotoDataItem* itemAt(int index) const;
    QString pathOfObjectId(const QString& id) const;
    bool setObjectId(const QString& path, const QString& id);
    void clear();

    // The photo database's row of path is stale (the file was rewritten):
    // it goes, and the next listing reads the file again.
    void forgetStoredRow(const QString& path);
    bool renameItem(const QString& oldPath, const QString& newPath);
    // Deletes the items of the given paths; paths is reduced to those found.
    bool removeItems(QStringList& paths);

    void setThumbnailPending(const QString& path, bool done);
    CPhotoDataItem* nextPendingThumbnail() const;
    int pendingThumbnailCount() const { return m_pending.size(); }
    // Partial loading only: the bytes go to the device database. A missing
    // picture is decoded from the bytes, missing bytes are encoded from it.
    void storeThumbnail(const QString& path, const QByteArray& bytes, const QImage& picture);

    QList<PlaylistInfoRecord> loadPlaylists();

    void setThumbnailManager(OCThumbnailManager* manager) { m_thumbnailManager = manager; }
    IPhotoDB* deviceDatabase() const { return m_deviceDatabase; }
    const QStringList& photoExtensions() const { return m_photoExtensions; }

private:
    static QString keyOf(const QString& path);
    static void applyRecord(CPhotoDataItem* item, int code, const QSqlRecord& record);
    void applyFetchedRow(CPhotoDataItem* item, int code, const QSqlRecord& record);
    void indexNewItem(CPhotoDataItem* item, const QString& key);
    void rekeyItem(CPhotoDataItem* item, const QString& oldKey, const QString& newKey);

    IPhotoDB* m_deviceDatabase = nullptr;
    IPhotoDB* m_secondDatabase = nullptr;
    IDeviceNexaAgent* m_agent = nullptr;
    QHash<QString, CPhotoDataItem*> m_byPath; // owning index
    QHash<QString, CPhotoDataItem*> m_byObjectId;
    QHash<QString, CPhotoDataItem*> m_pending;
    QHash<CPhotoDataItem*, QString> m_keyOfItem; // the path key each item is stored under
    QList<CPhotoDataItem*> m_orphans; // displaced by a rename onto their path
    QMutex m_mutex;
    QStringList m_photoExtensions;
    OCThumbnailManager* m_thumbnailManager = nullptr;
};
