#include "importledger.h"

#include "host/contract/idbmanager.h"
#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

bool run(QSqlQuery& query, const char* method)
{
    if (query.exec())
        return true;
    qCWarning(lcHostDb) << method << ": query failed" << query.lastError().text();
    return false;
}

} // namespace

ImportLedger::ImportLedger(IDBManager* manager)
    : m_manager(manager)
{
    ensureSchema();
}

QString ImportLedger::deviceKeyOf(IDeviceNexaAgent* agent)
{
    if (!agent)
        return QString();
    const QString identity = agent->DeviceIdentity();
    return identity.isEmpty() ? QStringLiteral("name:") + agent->DeviceName() : identity;
}

qint64 ImportLedger::dateKey(const QDateTime& date)
{
    return date.isValid() ? date.toSecsSinceEpoch() : -1;
}

void ImportLedger::ensureSchema()
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen())
        return;
    QSqlQuery query(db);
    // A phone file may be imported more than once when its content changed
    // (a camera that starts its numbering again): one row per content.
    for (const char* statement : {
             "CREATE TABLE IF NOT EXISTS ImportLedger (DeviceId TEXT NOT NULL, "
             "PathKey TEXT NOT NULL, PhonePath TEXT, FileSize INTEGER, DeviceDate INTEGER, "
             "Sha256 BLOB NOT NULL, PcPath TEXT, ImportedAt TEXT, "
             "PRIMARY KEY (DeviceId, PathKey, Sha256))",
             "CREATE INDEX IF NOT EXISTS ImportLedgerContent ON ImportLedger (Sha256)",
         }) {
        if (!query.exec(QLatin1String(statement)))
            qCWarning(lcHostDb) << "ImportLedger::ensureSchema : failed"
                                << query.lastError().text();
    }
}

bool ImportLedger::add(const ImportRecord& record)
{
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen() || record.deviceId.isEmpty() || record.sha256.isEmpty())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO ImportLedger (DeviceId, PathKey, PhonePath, FileSize, DeviceDate, "
        "Sha256, PcPath, ImportedAt) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(record.deviceId);
    query.addBindValue(pathKey(record.phonePath));
    query.addBindValue(toStoredPath(record.phonePath));
    query.addBindValue(record.size);
    query.addBindValue(dateKey(record.deviceDate));
    query.addBindValue(record.sha256);
    query.addBindValue(toStoredPath(record.pcPath));
    const QDateTime at
        = record.importedAt.isValid() ? record.importedAt : QDateTime::currentDateTime();
    query.addBindValue(at.toString(Qt::ISODate));
    return run(query, "ImportLedger::add");
}

QList<ImportRecord> ImportLedger::select(const QString& where, const QVariantList& values) const
{
    QList<ImportRecord> records;
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen())
        return records;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT DeviceId, PhonePath, FileSize, DeviceDate, Sha256, "
                                 "PcPath, ImportedAt FROM ImportLedger WHERE %1 "
                                 "ORDER BY ImportedAt DESC, rowid DESC")
                      .arg(where));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!run(query, "ImportLedger::select"))
        return records;
    while (query.next()) {
        ImportRecord record;
        record.deviceId = query.value(0).toString();
        record.phonePath = query.value(1).toString();
        record.size = query.value(2).toLongLong();
        const qint64 date = query.value(3).toLongLong();
        if (date >= 0)
            record.deviceDate = QDateTime::fromSecsSinceEpoch(date, Qt::UTC);
        record.sha256 = query.value(4).toByteArray();
        record.pcPath = query.value(5).toString();
        record.importedAt = QDateTime::fromString(query.value(6).toString(), Qt::ISODate);
        records.append(record);
    }
    return records;
}

QList<ImportRecord> ImportLedger::recordsOf(const QString& deviceId, const QString& phonePath) const
{
    return select(QStringLiteral("DeviceId = ? AND PathKey = ?"), { deviceId, pathKey(phonePath) });
}

QList<ImportRecord> ImportLedger::recordsWithContent(const QByteArray& sha256) const
{
    return select(QStringLiteral("Sha256 = ?"), { sha256 });
}

QSet<QString> ImportLedger::importedPathKeys(const QString& deviceId) const
{
    QSet<QString> keys;
    QSqlDatabase db = m_manager ? m_manager->connectionForCurrentThread() : QSqlDatabase();
    if (!db.isOpen() || deviceId.isEmpty())
        return keys;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT DISTINCT PathKey FROM ImportLedger WHERE DeviceId = ?"));
    query.addBindValue(deviceId);
    if (run(query, "ImportLedger::importedPathKeys")) {
        while (query.next())
            keys.insert(query.value(0).toString());
    }
    return keys;
}
