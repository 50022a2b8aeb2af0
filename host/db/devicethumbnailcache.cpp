#include "devicethumbnailcache.h"

#include "host/contract/idbmanager.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Up to this many files are looked up one by one; more read the device's rows.
const int kPerFileLookupLimit = 64;

bool run(QSqlQuery& query, const char* method)
{
    if (query.exec())
        return true;
    qCWarning(lcHostDb) << method << ": query failed" << query.lastError().text();
    return false;
}

} // namespace

DeviceThumbnailCache::DeviceThumbnailCache(IDBManager* manager, qint64 capBytes)
    : m_manager(manager)
    , m_capBytes(capBytes)
{
    ensureSchema();
}

void DeviceThumbnailCache::ensureSchema()
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen())
        return;
    QSqlQuery query(db);
    for (const char* statement : {
             "CREATE TABLE IF NOT EXISTS DeviceThumbnail (DeviceId TEXT NOT NULL, "
             "PathKey TEXT NOT NULL, FileSize INTEGER, ModifiedMs INTEGER, Orientation INTEGER, "
             "Thumbnail BLOB NOT NULL, Bytes INTEGER NOT NULL, LastUsed INTEGER NOT NULL, "
             "PRIMARY KEY (DeviceId, PathKey))",
             // The cap's sum and order read this index alone: the rows hold
             // the pictures, and a scan of them grew with every batch kept.
             "DROP INDEX IF EXISTS DeviceThumbnailUse",
             "CREATE INDEX IF NOT EXISTS DeviceThumbnailUseBytes ON DeviceThumbnail "
             "(LastUsed, Bytes)",
         }) {
        if (!query.exec(QLatin1String(statement)))
            qCWarning(lcHostDb) << "DeviceThumbnailCache::ensureSchema : failed"
                                << query.lastError().text();
    }
}

// A use counter rather than a clock: uses within one millisecond still
// keep their order.
qint64 DeviceThumbnailCache::nextUse()
{
    QSqlQuery query(m_manager->connectionForCurrentThread());
    if (!query.exec(QStringLiteral("SELECT COALESCE(MAX(LastUsed), 0) FROM DeviceThumbnail"))
        || !query.next())
        return 1;
    return query.value(0).toLongLong() + 1;
}

QHash<QString, CachedThumbnail> DeviceThumbnailCache::lookup(
    const QString& deviceId, const QList<DeviceFileKey>& files)
{
    QHash<QString, CachedThumbnail> found;
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen() || deviceId.isEmpty() || files.isEmpty())
        return found;
    QHash<QString, const DeviceFileKey*> wanted;
    wanted.reserve(files.size());
    for (const DeviceFileKey& file : files)
        wanted.insert(pathKey(toStoredPath(file.path)), &file);
    db.transaction();
    // A whole listing reads the device's rows in one pass: a statement a file
    // kept a reopened phone of 10,000 photos waiting seconds for its thumbnails.
    const bool wholeListing = files.size() > kPerFileLookupLimit;
    QSqlQuery select(db);
    select.setForwardOnly(true);
    select.prepare(QStringLiteral("SELECT PathKey, FileSize, ModifiedMs, Thumbnail, Orientation "
                                  "FROM DeviceThumbnail WHERE DeviceId = ?")
        + (wholeListing ? QString() : QStringLiteral(" AND PathKey = ?")));
    QSqlQuery touch(db);
    touch.prepare(QStringLiteral(
        "UPDATE DeviceThumbnail SET LastUsed = ? WHERE DeviceId = ? AND PathKey = ?"));
    const qint64 use = nextUse();
    const auto take = [&] {
        while (select.next()) {
            const QString key = select.value(0).toString();
            const DeviceFileKey* file = wanted.value(key);
            if (!file || select.value(1).toLongLong() != file->size
                || select.value(2).toLongLong() != file->modifiedMs)
                continue;
            found.insert(file->path, { select.value(3).toByteArray(), select.value(4).toInt() });
            touch.addBindValue(use);
            touch.addBindValue(deviceId);
            touch.addBindValue(key);
            run(touch, "DeviceThumbnailCache::lookup");
        }
        select.finish();
    };
    if (wholeListing) {
        select.addBindValue(deviceId);
        if (run(select, "DeviceThumbnailCache::lookup"))
            take();
    } else {
        for (auto it = wanted.constBegin(); it != wanted.constEnd(); ++it) {
            select.addBindValue(deviceId);
            select.addBindValue(it.key());
            if (run(select, "DeviceThumbnailCache::lookup"))
                take();
        }
    }
    db.commit();
    qCDebug(lcHostDb) << "DeviceThumbnailCache::lookup :" << deviceId << found.size() << "of"
                      << files.size() << "found";
    return found;
}

bool DeviceThumbnailCache::store(
    const QString& deviceId, const QList<QPair<DeviceFileKey, CachedThumbnail>>& rows)
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen() || deviceId.isEmpty())
        return false;
    db.transaction();
    const qint64 use = nextUse();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO DeviceThumbnail (DeviceId, PathKey, FileSize, ModifiedMs, "
        "Orientation, Thumbnail, Bytes, LastUsed) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    bool ok = true;
    for (const auto& row : rows) {
        insert.addBindValue(deviceId);
        insert.addBindValue(pathKey(toStoredPath(row.first.path)));
        insert.addBindValue(row.first.size);
        insert.addBindValue(row.first.modifiedMs);
        insert.addBindValue(row.second.orientation);
        // Empty bytes are kept too: the device has no thumbnail of that file.
        insert.addBindValue(row.second.bytes.isNull() ? QByteArray("") : row.second.bytes);
        insert.addBindValue(row.second.bytes.size());
        insert.addBindValue(use);
        ok = run(insert, "DeviceThumbnailCache::store") && ok;
    }
    if (!db.commit()) {
        qCWarning(lcHostDb) << "DeviceThumbnailCache::store : commit failed"
                            << db.lastError().text();
        db.rollback();
        return false;
    }
    enforceCap();
    return ok;
}

int DeviceThumbnailCache::removeMissing(const QString& deviceId, const QSet<QString>& listedPaths)
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen() || deviceId.isEmpty())
        return 0;
    QSet<QString> listedKeys;
    listedKeys.reserve(listedPaths.size());
    for (const QString& path : listedPaths)
        listedKeys.insert(pathKey(toStoredPath(path)));
    db.transaction();
    QSqlQuery select(db);
    select.prepare(QStringLiteral("SELECT PathKey FROM DeviceThumbnail WHERE DeviceId = ?"));
    select.addBindValue(deviceId);
    QStringList gone;
    if (run(select, "DeviceThumbnailCache::removeMissing")) {
        while (select.next()) {
            const QString key = select.value(0).toString();
            if (!listedKeys.contains(key))
                gone.append(key);
        }
    }
    QSqlQuery remove(db);
    remove.prepare(
        QStringLiteral("DELETE FROM DeviceThumbnail WHERE DeviceId = ? AND PathKey = ?"));
    for (const QString& key : gone) {
        remove.addBindValue(deviceId);
        remove.addBindValue(key);
        run(remove, "DeviceThumbnailCache::removeMissing");
    }
    db.commit();
    qCDebug(lcHostDb) << "DeviceThumbnailCache::removeMissing :" << deviceId << gone.size()
                      << "removed";
    return gone.size();
}

qint64 DeviceThumbnailCache::totalBytes()
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    QSqlQuery query(db);
    if (!db.isOpen()
        || !query.exec(QStringLiteral("SELECT COALESCE(SUM(Bytes), 0) FROM DeviceThumbnail"))
        || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

// Over the cap, the least recently used rows of every device go first.
void DeviceThumbnailCache::enforceCap()
{
    const qint64 total = totalBytes();
    if (total <= m_capBytes)
        return;
    QSqlDatabase db = m_manager->connectionForCurrentThread();
    db.transaction();
    QSqlQuery oldest(db);
    oldest.prepare(
        QStringLiteral("SELECT rowid, Bytes FROM DeviceThumbnail ORDER BY LastUsed, rowid"));
    QVariantList rowIds;
    qint64 left = total;
    if (run(oldest, "DeviceThumbnailCache::enforceCap")) {
        while (left > m_capBytes && oldest.next()) {
            rowIds.append(oldest.value(0));
            left -= oldest.value(1).toLongLong();
        }
    }
    oldest.finish();
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM DeviceThumbnail WHERE rowid = ?"));
    for (const QVariant& rowId : rowIds) {
        remove.addBindValue(rowId);
        run(remove, "DeviceThumbnailCache::enforceCap");
    }
    db.commit();
    qCDebug(lcHostDb) << "DeviceThumbnailCache::enforceCap :" << rowIds.size() << "rows out,"
                      << total << "->" << left << "bytes";
}
