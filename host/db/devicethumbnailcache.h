#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class IDBManager;

// A file of a device as the cache knows it: a thumbnail is good only for the
// same path, size and modification time.
struct DeviceFileKey
{
    QString path; // phone path, stored form
    qint64 size = -1;
    qint64 modifiedMs = -1;
    // Read into modifiedMs off the GUI thread when that is -1: a local time
    // costs a time-zone lookup, which for a whole listing is a stall.
    QDateTime modified;
};

// A thumbnail as stored: the bytes as they came (an embedded preview or a
// made one, not turned) and the orientation to show them with. Empty bytes:
// the device has no thumbnail of that file.
struct CachedThumbnail
{
    QByteArray bytes;
    int orientation = 0;
};

// Thumbnails of device files kept in the photo database, per device
// (IDeviceNexaAgent::DeviceIdentity()), so a phone opened again shows its
// unchanged files without asking it. The oldest-used rows go when the total
// passes the cap. Safe from any thread: each thread works on its own
// connection, as the photo database does.
class DeviceThumbnailCache
{
public:
    static constexpr qint64 DefaultCapBytes = 256LL * 1024 * 1024;

    explicit DeviceThumbnailCache(IDBManager* manager, qint64 capBytes = DefaultCapBytes);

    // The thumbnails of those files whose size and time still match, by
    // path; they count as used now.
    QHash<QString, CachedThumbnail> lookup(
        const QString& deviceId, const QList<DeviceFileKey>& files);
    // In one transaction; a file's earlier thumbnail is replaced.
    bool store(const QString& deviceId, const QList<QPair<DeviceFileKey, CachedThumbnail>>& rows);
    // Drops the rows of files no longer listed on the device; how many went.
    int removeMissing(const QString& deviceId, const QSet<QString>& listedPaths);
    qint64 totalBytes();
    qint64 capBytes() const { return m_capBytes; }

private:
    void ensureSchema();
    qint64 nextUse();
    void enforceCap();

    IDBManager* m_manager = nullptr;
    qint64 m_capBytes = DefaultCapBytes;
};
