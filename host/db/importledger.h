#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantList>

class IDBManager;
class IDeviceNexaAgent;

// One photo copied from a device: which device and file it came from, what it
// held and where the copy went.
struct ImportRecord
{
    QString deviceId; // IDeviceNexaAgent::DeviceIdentity()
    QString phonePath; // stored form
    qint64 size = -1; // -1: the device did not say
    QDateTime deviceDate; // the file's time on the device; invalid when unknown
    QByteArray sha256; // of the copy, raw bytes
    QString pcPath; // stored form
    QDateTime importedAt;
};

// The import ledger: a table of the photo database that remembers every
// photo imported, so a later import takes only what is new and a delete from
// the phone can check the copy first. Safe from any thread (one connection
// per thread, as the photo database).
class ImportLedger
{
public:
    explicit ImportLedger(IDBManager* manager);

    bool add(const ImportRecord& record);
    // Every copy made of the file at that phone path of that device, newest first.
    QList<ImportRecord> recordsOf(const QString& deviceId, const QString& phonePath) const;
    // Every copy with this content, newest first.
    QList<ImportRecord> recordsWithContent(const QByteArray& sha256) const;
    // The path keys (pathKey()) of a device's phone paths imported at least once.
    QSet<QString> importedPathKeys(const QString& deviceId) const;

    // What the ledger knows a device by: its identity, else its name.
    static QString deviceKeyOf(IDeviceNexaAgent* agent);
    // A device time as the ledger compares it: whole seconds, UTC.
    static qint64 dateKey(const QDateTime& date);

private:
    void ensureSchema();
    QList<ImportRecord> select(const QString& where, const QVariantList& values) const;

    IDBManager* m_manager = nullptr;
};
