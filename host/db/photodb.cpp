#include "photodb.h"

#include "dbmanager.h"
#include "host/contract/idbmanager.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"
#include "photometadatareader.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

const char kRowColumns[]
    = "Path, FileName, Title, FileType, FileSize, AddedDate, ModifiedDate, ShootingDate, "
      "IsThumbnail, ThumbnailBinary, Width, Height, Tag, Direction, ThumbnailOrientation";

// Tables and the columns this program reads and writes in each.
const struct
{
    const char* table;
    const char* columns;
} kSchema[] = {
    { "PhotoItem",
        "Store, PathKey, Path, FileName, Title, FileType, FileSize, AddedDate, ModifiedDate, "
        "ShootingDate, IsThumbnail, ThumbnailBinary, Width, Height, Tag, Direction, "
        "ModifiedMs" },
    { "PlaylistInfo", "ID, Type, Name, Linkwave, ItemType" },
    { "PlaylistItem", "PlaylistID, Position, Path, PathKey" },
};

int userVersion(QSqlDatabase& db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next()
        ? query.value(0).toInt()
        : -1;
}

// True when the table exists without the column; a table made now has it.
bool lacksColumn(QSqlDatabase& db, const char* table, const char* column)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
        return false;
    bool exists = false;
    while (query.next()) {
        exists = true;
        if (query.value(1).toString() == QLatin1String(column))
            return false;
    }
    return exists;
}

QString isoText(const QDateTime& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString positionTag(const PhotoMetadata& data)
{
    if (!data.hasPosition)
        return QString();
    return QStringLiteral("latitude=%1/longitude=%2")
        .arg(data.latitude, 0, 'f', 6)
        .arg(data.longitude, 0, 'f', 6);
}

bool execOrLog(QSqlQuery& query, const char* method)
{
    if (query.exec())
        return true;
    qCWarning(lcHostDb) << method << ": query failed" << query.lastError().text();
    return false;
}

} // namespace

PhotoDB::PhotoDB(IDBManager* manager, int store)
    : m_manager(manager)
    , m_store(store)
{
    PhotoMetadataReader::initialize();
    if (m_manager)
        ensureSchema();
}

PhotoDB::~PhotoDB() = default;

QSqlDatabase PhotoDB::connection() const
{
    return m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
}

QString PhotoDB::schemaProblem(QSqlDatabase& db)
{
    const int version = userVersion(db);
    if (version < 0)
        return QStringLiteral("its version cannot be read");
    if (version > SchemaVersion)
        return QStringLiteral("made by a newer program (schema %1)").arg(version);
    for (const auto& expected : kSchema) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(expected.table))))
            return query.lastError().text();
        QStringList columns;
        while (query.next())
            columns.append(query.value(1).toString());
        if (columns.isEmpty())
            continue; // made when first used
        for (const QString& column :
            QString::fromLatin1(expected.columns).split(QStringLiteral(", "))) {
            if (!columns.contains(column))
                return QStringLiteral("table %1 has no column %2")
                    .arg(QLatin1String(expected.table), column);
        }
    }
    return QString();
}

void PhotoDB::ensureSchema()
{
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return;
    QSqlQuery query(db);
    const int version = userVersion(db);
    const QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS PhotoItem ("
                       "Store INTEGER NOT NULL, PathKey TEXT NOT NULL, Path TEXT, FileName TEXT, "
                       "Title TEXT, FileType TEXT, FileSize INTEGER, AddedDate TEXT, "
                       "ModifiedDate TEXT, ShootingDate TEXT, IsThumbnail INTEGER DEFAULT 0, "
                       "ThumbnailBinary BLOB, Width INTEGER DEFAULT 0, Height INTEGER DEFAULT 0, "
                       "Tag TEXT, Direction INTEGER DEFAULT 0, ModifiedMs INTEGER DEFAULT -1, "
                       "ThumbnailOrientation INTEGER DEFAULT 0, PRIMARY KEY (Store, PathKey))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS PlaylistInfo ("
                       "ID INTEGER PRIMARY KEY AUTOINCREMENT, Type TEXT, Name TEXT, "
                       "Linkwave INTEGER DEFAULT 0, ItemType TEXT DEFAULT '')"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS PlaylistItem ("
                       "PlaylistID INTEGER NOT NULL, Position INTEGER NOT NULL, Path TEXT, "
                       "PathKey TEXT, PRIMARY KEY (PlaylistID, Position))"),
        QStringLiteral("INSERT INTO PlaylistInfo (Type, Name, Linkwave, ItemType) "
                       "SELECT 'photo', 'Favorite Photo', 0, 'favorite' WHERE NOT EXISTS "
                       "(SELECT 1 FROM PlaylistInfo WHERE ItemType = 'favorite')"),
        QStringLiteral("INSERT INTO PlaylistInfo (Type, Name, Linkwave, ItemType) "
                       "SELECT 'photo', 'Recently Added', 0, 'recent' WHERE NOT EXISTS "
                       "(SELECT 1 FROM PlaylistInfo WHERE ItemType = 'recent')"),
    };
    // Schema 1 keyed paths in upper case, which made IMG.jpg and img.jpg one
    // file; keys are now the paths as they are.
    const QStringList fromFirstSchema = {
        QStringLiteral("UPDATE PhotoItem SET PathKey = Path WHERE Path IS NOT NULL"),
        QStringLiteral("UPDATE PlaylistItem SET PathKey = Path WHERE Path IS NOT NULL"),
    };
    // Before schema 3 every thumbnail was stored upright: 0 shows it as it is.
    const QStringList fromSecondSchema = {
        QStringLiteral("ALTER TABLE PhotoItem ADD COLUMN ThumbnailOrientation INTEGER DEFAULT 0"),
    };
    QStringList upgrades = version < 2 ? fromFirstSchema : QStringList();
    if (lacksColumn(db, "PhotoItem", "ThumbnailOrientation"))
        upgrades += fromSecondSchema;
    db.transaction();
    bool ok = true;
    for (const QString& statement : statements + upgrades) {
        if (!query.exec(statement)) {
            ok = false;
            qCWarning(lcHostDb) << "PhotoDB::ensureSchema"
                                << ": failed" << query.lastError().text();
        }
    }
    if (ok && version < SchemaVersion)
        ok = query.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion));
    if (ok)
        db.commit();
    else
        db.rollback();
}

QSqlQuery* PhotoDB::prepared(QSqlDatabase& db, const QString& sql, QSqlQuery* local)
{
    // The hot statements are prepared once per thread when the manager keeps them.
    if (auto* manager = dynamic_cast<DBManager*>(m_manager)) {
        if (QSqlQuery* query = manager->statement(sql))
            return query;
    }
    *local = QSqlQuery(db);
    return local->prepare(sql) ? local : nullptr;
}

QSqlRecord PhotoDB::cachedRow(
    QSqlDatabase& db, const QString& key, qint64* size, qint64* modifiedMs, QString* addedDate)
{
    static const QString sql
        = QStringLiteral("SELECT %1, ModifiedMs FROM PhotoItem WHERE Store = ? AND PathKey = ?")
              .arg(QLatin1String(kRowColumns));
    QSqlQuery local;
    QSqlQuery* query = prepared(db, sql, &local);
    if (!query)
        return {};
    query->addBindValue(m_store);
    query->addBindValue(key);
    QSqlRecord record;
    if (execOrLog(*query, "PhotoDB::cachedRow") && query->next()) {
        *size = query->value(QStringLiteral("FileSize")).toLongLong();
        *modifiedMs = query->value(QStringLiteral("ModifiedMs")).toLongLong();
        *addedDate = query->value(QStringLiteral("AddedDate")).toString();
        record = query->record();
        record.remove(record.indexOf(QStringLiteral("ModifiedMs")));
    }
    // A kept statement left open would hold its read snapshot.
    query->finish();
    return record;
}

QSqlRecord PhotoDB::setItemData(const QString& path, bool update, int fields)
{
    // Every caller wants the whole row; a listing may want it without a decode.
    const bool decode = !(fields & DecodeLater);
    const QString stored = toStoredPath(path);
    const QString key = pathKey(stored);
    const QFileInfo info(toFileSystemPath(path));
    QSqlDatabase db = connection();
    if (stored.isEmpty() || !db.isOpen())
        return {};

    qint64 cachedSize = -1;
    qint64 cachedModified = -1;
    QString addedDate;
    const QSqlRecord cached = cachedRow(db, key, &cachedSize, &cachedModified, &addedDate);
    const bool isFile = info.isFile();
    const qint64 modifiedMs = isFile ? info.lastModified().toMSecsSinceEpoch() : -1;
    if (!cached.isEmpty() && isFile
        && (!update || (cachedSize == info.size() && cachedModified == modifiedMs)))
        return cached;

    if (!isFile || info.size() <= 0 || !isPhotoExtension(info.suffix())) {
        if (!cached.isEmpty())
            deleteItem(-1, { stored }, true);
        return {};
    }
    const PhotoMetadata data = PhotoMetadataReader::read(info.filePath(), true, decode);
    if (!data.usable) {
        if (!cached.isEmpty())
            deleteItem(-1, { stored }, true);
        return {};
    }

    const QByteArray thumbnail = PhotoMetadataReader::thumbnailBytes(data);
    if (addedDate.isEmpty())
        addedDate = isoText(QDateTime::currentDateTime());
    const QVariantList values = {
        stored, info.fileName(), info.completeBaseName(), info.suffix(), info.size(), addedDate,
        isoText(info.lastModified()), isoText(data.shootingDate), thumbnail.isEmpty() ? 0 : 1,
        thumbnail, data.size.width(), data.size.height(), positionTag(data), data.orientation,
        data.orientation, // the thumbnail is as the file stores it
    };
    static const QString sql
        = QStringLiteral("INSERT OR REPLACE INTO PhotoItem (Store, PathKey, %1, ModifiedMs) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
              .arg(QLatin1String(kRowColumns));
    QSqlQuery local;
    QSqlQuery* insert = prepared(db, sql, &local);
    if (!insert)
        return {};
    insert->addBindValue(m_store);
    insert->addBindValue(key);
    for (const QVariant& value : values)
        insert->addBindValue(value);
    insert->addBindValue(modifiedMs);
    execOrLog(*insert, "PhotoDB::setItemData");
    insert->finish();

    return makeRecord(values);
}

QSqlRecord PhotoDB::makeRecord(const QVariantList& values)
{
    static const QStringList names = QString::fromLatin1(kRowColumns).split(QStringLiteral(", "));
    QSqlRecord record;
    for (int i = 0; i < names.size() && i < values.size(); ++i) {
        QSqlField field(names.at(i), values.at(i).type());
        field.setValue(values.at(i));
        record.append(field);
    }
    return record;
}

namespace {
thread_local bool t_writing = false; // this thread's connection is in beginWrites
}

void PhotoDB::beginWrites()
{
    QSqlDatabase db = connection();
    t_writing = db.isOpen() && db.transaction();
}

void PhotoDB::endWrites()
{
    if (!t_writing)
        return;
    t_writing = false;
    QSqlDatabase db = connection();
    if (!db.commit())
        qCWarning(lcHostDb) << "PhotoDB::endWrites : commit failed" << db.lastError().text();
}

bool PhotoDB::makeThumbnail(const QString& path, QByteArray* bytes, int* orientation)
{
    const QString stored = toStoredPath(path);
    QSqlDatabase db = connection();
    if (stored.isEmpty() || !bytes || !orientation || !db.isOpen())
        return false;
    const PhotoMetadata data = PhotoMetadataReader::read(toFileSystemPath(path), true);
    *bytes = data.usable ? PhotoMetadataReader::thumbnailBytes(data) : QByteArray();
    *orientation = data.orientation;
    if (bytes->isEmpty()) {
        qCWarning(lcHostDb) << "PhotoDB::makeThumbnail : no picture" << path;
        return false;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE PhotoItem SET IsThumbnail = 1, ThumbnailBinary = ?, "
                                 "ThumbnailOrientation = ? WHERE Store = ? AND PathKey = ?"));
    query.addBindValue(*bytes);
    query.addBindValue(*orientation);
    query.addBindValue(m_store);
    query.addBindValue(pathKey(stored));
    execOrLog(query, "PhotoDB::makeThumbnail");
    return true;
}

bool PhotoDB::insertThumbnailItem(const QString& path, const QByteArray& bytes, bool update)
{
    const QString stored = toStoredPath(path);
    QSqlDatabase db = connection();
    if (stored.isEmpty() || bytes.isEmpty() || !db.isOpen())
        return false;
    const QFileInfo info(toFileSystemPath(path));
    // A row that exists keeps its data; one made here only knows the path.
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO PhotoItem (Store, PathKey, Path, FileName, Title, FileType, "
        "AddedDate) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(m_store);
    query.addBindValue(pathKey(stored));
    query.addBindValue(stored);
    query.addBindValue(info.fileName());
    query.addBindValue(info.completeBaseName());
    query.addBindValue(info.suffix());
    query.addBindValue(isoText(QDateTime::currentDateTime()));
    if (!execOrLog(query, "PhotoDB::insertThumbnailItem"))
        return false;
    // Thumbnails handed in are upright.
    query.prepare(QStringLiteral("UPDATE PhotoItem SET IsThumbnail = 1, ThumbnailBinary = ?, "
                                 "ThumbnailOrientation = 0 WHERE Store = ? AND PathKey = ?%1")
                      .arg(update ? QString() : QStringLiteral(" AND IsThumbnail = 0")));
    query.addBindValue(bytes);
    query.addBindValue(m_store);
    query.addBindValue(pathKey(stored));
    return execOrLog(query, "PhotoDB::insertThumbnailItem");
}

bool PhotoDB::getThumbnailFromDB(const QString& path, QByteArray* bytes, bool device)
{
    Q_UNUSED(device);
    QSqlDatabase db = connection();
    if (!bytes || path.isEmpty() || !db.isOpen())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ThumbnailBinary, ThumbnailOrientation FROM PhotoItem "
                                 "WHERE Store = ? AND PathKey = ? AND IsThumbnail <> 0"));
    query.addBindValue(m_store);
    query.addBindValue(pathKey(path));
    if (!execOrLog(query, "PhotoDB::getThumbnailFromDB") || !query.next())
        return false;
    // Callers of this one take the bytes as they are to show.
    *bytes = PhotoMetadataReader::uprightThumbnailBytes(
        query.value(0).toByteArray(), query.value(1).toInt());
    return !bytes->isEmpty();
}

bool PhotoDB::deleteItem(int id, const QStringList& paths, bool device)
{
    Q_UNUSED(device);
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (id >= 0) {
        query.prepare(QStringLiteral("DELETE FROM PhotoItem WHERE Store = ? AND rowid = ?"));
        query.addBindValue(m_store);
        query.addBindValue(id);
        return execOrLog(query, "PhotoDB::deleteItem");
    }
    // Inside a caller's transaction (beginWrites) the caller commits.
    const bool own = db.transaction();
    query.prepare(QStringLiteral("DELETE FROM PhotoItem WHERE Store = ? AND PathKey = ?"));
    bool ok = true;
    for (const QString& path : paths) {
        query.addBindValue(m_store);
        query.addBindValue(pathKey(path));
        ok = execOrLog(query, "PhotoDB::deleteItem") && ok;
    }
    return (!own || db.commit()) && ok;
}

bool PhotoDB::isExist(const QString& path, bool device)
{
    Q_UNUSED(device);
    QSqlDatabase db = connection();
    if (path.isEmpty() || !db.isOpen())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM PhotoItem WHERE Store = ? AND PathKey = ?"));
    query.addBindValue(m_store);
    query.addBindValue(pathKey(path));
    return execOrLog(query, "PhotoDB::isExist") && query.next();
}

bool PhotoDB::clearDBRecords(bool device)
{
    Q_UNUSED(device);
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM PhotoItem WHERE Store = ?"));
    query.addBindValue(m_store);
    return execOrLog(query, "PhotoDB::clearDBRecords");
}
