#include "model/ocmediaitemlist.h"

#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/db/photometadatareader.h"
#include "host/services/boundedimage.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

OCMediaItemList::OCMediaItemList(PluginHostContext* context)
    : OCMediaItemList(nullptr, nullptr, context ? context->deviceAgent : nullptr)
{
    if (context && context->dbManager) {
        m_deviceDatabase = new PhotoDB(context->dbManager, 1);
        m_secondDatabase = new PhotoDB(context->dbManager, 2);
    } else {
        qCWarning(lcModel) << "OCMediaItemList::OCMediaItemList : no database manager";
    }
}

OCMediaItemList::OCMediaItemList(
    IPhotoDB* deviceDatabase, IPhotoDB* secondDatabase, IDeviceNexaAgent* agent)
    : m_deviceDatabase(deviceDatabase)
    , m_secondDatabase(secondDatabase)
    , m_agent(agent)
{
    getSupportedExtensions(MediaKind::Photo, m_photoExtensions);
}

OCMediaItemList::~OCMediaItemList()
{
    qDeleteAll(m_byPath);
    qDeleteAll(m_orphans);
    delete m_deviceDatabase;
    delete m_secondDatabase;
}

QString OCMediaItemList::keyOf(const QString& path)
{
    return pathKey(path);
}

void OCMediaItemList::applyRecord(CPhotoDataItem* item, int code, const QSqlRecord& record)
{
    switch (code) {
    case ItemEventCode::TransferredToPhone: {
        const QString ownPath = item->path; // fillFromRecord overwrites it
        item->fillFromRecord(record, ownPath);
        item->isNew = true;
        item->newShown = false;
        break;
    }
    case ItemEventCode::DownloadedForViewer:
        break;
    default:
        item->fillFromRecord(record);
        break;
    }
}

void OCMediaItemList::applyFetchedRow(CPhotoDataItem* item, int code, const QSqlRecord& record)
{
    applyRecord(item, code, record);
    if (g_SharedValue.IsPartialLoading())
        storeThumbnail(item->path,
            PhotoMetadataReader::uprightThumbnailBytes(
                record.value(QStringLiteral("ThumbnailBinary")).toByteArray(),
                record.value(QStringLiteral("ThumbnailOrientation")).toInt()),
            QImage());
}

CPhotoDataItem* OCMediaItemList::updateInsertedItem(ItemEvent& event, bool useDeviceDatabase)
{
    FetchedRow fetched;
    fetched.usesDatabase = event.item && RowFetcher::readsDatabase(event.code);
    IPhotoDB* source = database(useDeviceDatabase);
    if (fetched.usesDatabase && source) {
        const bool bySource = event.code == ItemEventCode::TransferredToPhone
            || event.code == ItemEventCode::DownloadedForViewer;
        fetched.record
            = source->setItemData(bySource ? event.item->sourcePath : event.item->path, true, 13);
    }
    return mergeInsertedItem(event, fetched);
}

CPhotoDataItem* OCMediaItemList::mergeInsertedItem(ItemEvent& event, const FetchedRow& fetched)
{
    QMutexLocker lock(&m_mutex);
    if (!event.item)
        return nullptr;
    CPhotoDataItem* eventItem = event.item.get();
    if (eventItem->path.isEmpty()) {
        qCWarning(lcModel) << "OCMediaItemList::updateInsertedItem : no path, rejected";
        return nullptr;
    }
    const QString eventKey = keyOf(eventItem->path);
    CPhotoDataItem* current = m_byPath.value(eventKey);
    bool known = current != nullptr;
    if (!current)
        current = eventItem;

    switch (event.code) {
    case ItemEventCode::ListedFull:
        if (known)
            return current;
        break;
    case ItemEventCode::ObjectIdAssigned:
        if (known) {
            if (!eventItem->objectId.isEmpty()) {
                if (m_byObjectId.value(current->objectId) == current)
                    m_byObjectId.remove(current->objectId);
                current->objectId = eventItem->objectId;
                m_byObjectId.insert(current->objectId, current);
            }
            return current;
        }
        break;
    case ItemEventCode::Changed: {
        CPhotoDataItem* byId
            = eventItem->objectId.isEmpty() ? nullptr : m_byObjectId.value(eventItem->objectId);
        // A change into a file that is no photo must not alter the listed one.
        if (byId && !isPhotoExtension(eventItem->fileType())) {
            qCDebug(lcModel) << "OCMediaItemList::updateInsertedItem changed into no photo"
                             << eventItem->path;
            return nullptr;
        }
        if (byId) {
            current = byId;
            known = true;
            current->takeChange(eventItem);
        }
        break;
    }
    case ItemEventCode::ListedMinimal: {
        if (known)
            return current;
        const QFileInfo info(toFileSystemPath(current->path));
        current->setFileName(info.fileName());
        current->setTitle(info.completeBaseName());
        current->setFileType(info.suffix());
        current->setExists(true);
        current->setLoadState(0);
        current->deriveFolder();
        current->isChecked = false;
        break;
    }
    default:
        if (!fetched.usesDatabase || fetched.record.isEmpty()) {
            qCWarning(lcModel) << "OCMediaItemList::updateInsertedItem failed not media info"
                               << eventItem->path;
            return nullptr;
        }
        applyFetchedRow(current, event.code, fetched.record);
        break;
    }

    if (!isPhotoExtension(current->fileType())) {
        qCWarning(lcModel) << "OCMediaItemList::updateInsertedItem not supported ext"
                           << eventItem->path;
        return nullptr;
    }

    if (!known) {
        indexNewItem(event.item.release(), eventKey); // a new item keeps the event's path
        return current;
    }
    const QString oldKey = m_keyOfItem.value(current);
    const QString newKey = keyOf(current->path);
    if (oldKey != newKey) {
        rekeyItem(current, oldKey, newKey);
        qCDebug(lcModel) << "OCMediaItemList::updateInsertedItem change item list" << current->path;
    }
    return current;
}

bool OCMediaItemList::claimOwnTransfer(const QString& objectId, const QString& path, int code)
{
    // A file sent from the PC keeps its PC source until the phone names it;
    // a listed file's source is the file itself (its database row says so).
    auto sentByUs = [](const CPhotoDataItem* item) {
        return item && !item->sourcePath.isEmpty()
            && toStoredPath(item->sourcePath).compare(toStoredPath(item->path), Qt::CaseInsensitive)
            != 0;
    };
    if (code == ItemEventCode::Removed)
        return sentByUs(findItem(objectId, true));
    if (code != ItemEventCode::ObjectIdAssigned)
        return false;
    CPhotoDataItem* item = findItem(toStoredPath(path), false);
    if (!sentByUs(item))
        return false;
    item->sourcePath.clear();
    setObjectId(item->path, objectId);
    return true;
}

void OCMediaItemList::indexNewItem(CPhotoDataItem* item, const QString& key)
{
    m_byPath.insert(key, item);
    m_keyOfItem.insert(item, key);
    if (!item->objectId.isEmpty())
        m_byObjectId.insert(item->objectId, item);
    m_pending.insert(key, item);
}

void OCMediaItemList::rekeyItem(CPhotoDataItem* item, const QString& oldKey, const QString& newKey)
{
    m_byPath.remove(oldKey);
    m_pending.remove(oldKey);
    // An item already under the new key may still be shown by the model:
    // keep it alive until the list is cleared, only unindexed.
    if (CPhotoDataItem* other = m_byPath.value(newKey); other && other != item) {
        qCDebug(lcModel) << "OCMediaItemList::rekeyItem : replaces" << other->path;
        m_keyOfItem.remove(other);
        if (m_byObjectId.value(other->objectId) == other)
            m_byObjectId.remove(other->objectId);
        m_orphans.append(other);
    }
    m_byPath.insert(newKey, item);
    m_pending.insert(newKey, item); // its thumbnail is fetched again
    m_keyOfItem.insert(item, newKey);
}

CPhotoDataItem* OCMediaItemList::findItem(const QString& key, bool byObjectId) const
{
    if (key.isEmpty())
        return nullptr;
    return byObjectId ? m_byObjectId.value(key) : m_byPath.value(keyOf(key));
}

QList<CPhotoDataItem*> OCMediaItemList::allItems() const
{
    return m_byPath.values();
}

int OCMediaItemList::count() const
{
    return m_byPath.size();
}

CPhotoDataItem* OCMediaItemList::itemAt(int index) const
{
    if (index < 0 || index >= m_byPath.size())
        return nullptr;
    auto it = m_byPath.cbegin();
    std::advance(it, index);
    return it.value();
}

QString OCMediaItemList::pathOfObjectId(const QString& id) const
{
    const CPhotoDataItem* item = findItem(id, true);
    return item ? item->path : QString();
}

bool OCMediaItemList::setObjectId(const QString& path, const QString& id)
{
    CPhotoDataItem* item = findItem(path, false);
    if (!item)
        return false;
    if (m_byObjectId.value(item->objectId) == item)
        m_byObjectId.remove(item->objectId);
    item->objectId = id;
    if (!id.isEmpty())
        m_byObjectId.insert(id, item);
    return true;
}

void OCMediaItemList::clear()
{
    QMutexLocker lock(&m_mutex);
    m_byObjectId.clear();
    m_pending.clear();
    m_keyOfItem.clear();
    qDeleteAll(m_byPath);
    m_byPath.clear();
    qDeleteAll(m_orphans);
    m_orphans.clear();
}

bool OCMediaItemList::renameItem(const QString& oldPath, const QString& newPath)
{
    const QString oldKey = keyOf(oldPath);
    CPhotoDataItem* item = m_byPath.value(oldKey);
    if (!item)
        return false;
    item->setPath(newPath);
    const QFileInfo info(toFileSystemPath(item->path));
    item->setTitle(info.completeBaseName());
    item->setFileName(info.fileName());
    rekeyItem(item, oldKey, keyOf(item->path));

    if (g_SharedValue.IsPartialLoading() && m_deviceDatabase) {
        QByteArray bytes;
        m_deviceDatabase->getThumbnailFromDB(oldPath, &bytes, true);
        storeThumbnail(item->path, bytes, QImage());
        m_deviceDatabase->deleteItem(-1, QStringList { oldPath }, true);
    }
    return true;
}

void OCMediaItemList::forgetStoredRow(const QString& path)
{
    for (IPhotoDB* database : { m_deviceDatabase, m_secondDatabase }) {
        if (database)
            database->deleteItem(-1, QStringList { path }, true);
    }
}

bool OCMediaItemList::removeItems(QStringList& paths)
{
    QMutexLocker lock(&m_mutex);
    QStringList kept;
    for (const QString& path : qAsConst(paths)) {
        const QString key = keyOf(path);
        CPhotoDataItem* item = m_byPath.value(key);
        if (!item)
            continue;
        kept.append(path);
        if (m_byObjectId.value(item->objectId) == item)
            m_byObjectId.remove(item->objectId);
        m_pending.remove(key);
        m_keyOfItem.remove(item);
        m_byPath.remove(key);
        delete item;
    }
    paths = kept;
    if (g_SharedValue.IsPartialLoading() && m_deviceDatabase && !paths.isEmpty())
        m_deviceDatabase->deleteItem(-1, paths, true);
    return true;
}

void OCMediaItemList::setThumbnailPending(const QString& path, bool done)
{
    if (path.isEmpty())
        return;
    const QString key = keyOf(path);
    if (done) {
        m_pending.remove(key);
        return;
    }
    if (m_pending.contains(key))
        return;
    if (CPhotoDataItem* item = m_byPath.value(key))
        m_pending.insert(key, item);
}

CPhotoDataItem* OCMediaItemList::nextPendingThumbnail() const
{
    return m_pending.isEmpty() ? nullptr : m_pending.cbegin().value();
}

void OCMediaItemList::storeThumbnail(
    const QString& path, const QByteArray& bytes, const QImage& picture)
{
    if (path.isEmpty() || !g_SharedValue.IsPartialLoading())
        return;
    QImage image = picture;
    QByteArray encoded = bytes;
    if (image.isNull() && !encoded.isEmpty())
        image = BoundedImage::readData(encoded, QSize(300, 300));
    if (encoded.isEmpty() && !image.isNull()) {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
    }
    if (encoded.isEmpty() && image.isNull())
        return;
    if (m_deviceDatabase)
        m_deviceDatabase->insertThumbnailItem(path, encoded, true);
    // The manager's cache is the GUI thread's; a worker's picture reaches it
    // through the database.
    const bool guiThread = QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread();
    if (m_thumbnailManager && guiThread && !image.isNull())
        m_thumbnailManager->SetThumbnail(path, QPixmap::fromImage(image));
}

QList<PlaylistInfoRecord> OCMediaItemList::loadPlaylists()
{
    QList<PlaylistInfoRecord> playlists;
    if (!m_deviceDatabase)
        return playlists;
    QSqlQuery query = m_deviceDatabase->getPlaylistData(QString());
    while (query.next()) {
        PlaylistInfoRecord record;
        record.id = query.value(QStringLiteral("ID")).toUInt();
        record.type = query.value(QStringLiteral("Type")).toString();
        record.name = query.value(QStringLiteral("Name")).toString();
        record.shared = query.value(QStringLiteral("Linkwave")).toUInt() != 0;
        record.itemType = query.value(QStringLiteral("ItemType")).toString();
        record.builtIn = record.itemType == QLatin1String("recent")
            || record.itemType == QLatin1String("favorite");
        if (record.itemType == QLatin1String("recent")
            || record.itemType == QLatin1String("device"))
            continue;
        playlists.append(record);
    }
    query.finish();
    return playlists;
}
