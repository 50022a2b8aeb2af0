#pragma once

#include "host/contract/iphotodb.h"
#include "host/services/fileutils.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlField>
#include <QThread>
#include <QVariantMap>

#include <atomic>

// A photo database that answers from rows set by the test and records what
// it was asked. Safe from any thread, like the real one.
class FakePhotoDB : public IPhotoDB
{
public:
    static QSqlRecord row(const QString& path, const QVariantMap& values = {})
    {
        static const QStringList columns = { "Path", "FileName", "Title", "FileType", "FileSize",
            "AddedDate", "ModifiedDate", "ShootingDate", "IsThumbnail", "ThumbnailBinary", "Width",
            "Height", "Tag", "Direction" };
        QVariantMap all = values;
        const QString stored = toStoredPath(path);
        const QString name = stored.mid(stored.lastIndexOf('\\') + 1);
        all.insert("Path", path);
        if (!all.contains("FileName"))
            all.insert("FileName", name);
        if (!all.contains("Title"))
            all.insert("Title", name.left(name.lastIndexOf('.')));
        if (!all.contains("FileType"))
            all.insert("FileType", name.mid(name.lastIndexOf('.') + 1));
        QSqlRecord record;
        for (const QString& column : columns) {
            QSqlField field(column, QVariant::String);
            field.setValue(all.value(column));
            record.append(field);
        }
        return record;
    }

    void addRow(const QString& path, const QVariantMap& values = {})
    {
        QMutexLocker lock(&m_mutex);
        m_rows.insert(key(path), row(path, values));
    }

    QSqlRecord setItemData(const QString& path, bool, int) override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_lookups.append(path);
        }
        holdWhileAsked();
        QMutexLocker lock(&m_mutex);
        return m_rows.value(key(path));
    }
    bool insertThumbnailItem(const QString& path, const QByteArray& bytes, bool) override
    {
        QMutexLocker lock(&m_mutex);
        m_thumbnails.insert(key(path), bytes);
        return true;
    }
    bool getThumbnailFromDB(const QString& path, QByteArray* bytes, bool) override
    {
        QMutexLocker lock(&m_mutex);
        if (!bytes || !m_thumbnails.contains(key(path)))
            return false;
        *bytes = m_thumbnails.value(key(path));
        return true;
    }
    bool deleteItem(int, const QStringList& paths, bool) override
    {
        QMutexLocker lock(&m_mutex);
        for (const QString& path : paths) {
            m_deleted.append(path);
            m_rows.remove(key(path));
            m_thumbnails.remove(key(path));
        }
        return true;
    }
    bool isExist(const QString& path, bool) override
    {
        QMutexLocker lock(&m_mutex);
        return m_rows.contains(key(path));
    }
    bool clearDBRecords(bool) override
    {
        QMutexLocker lock(&m_mutex);
        m_rows.clear();
        return true;
    }
    QSqlQuery getPlaylistData(const QString&) override { return QSqlQuery(); }

    // A storage that stops answering: lookups wait until let go (20 s at
    // most, so that a failing test ends).
    void holdLookups(bool hold) { m_hold = hold; }
    int heldLookups() const { return m_held; }

    QStringList lookups() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lookups;
    }
    QStringList deleted() const
    {
        QMutexLocker lock(&m_mutex);
        return m_deleted;
    }
    QByteArray thumbnail(const QString& path) const
    {
        QMutexLocker lock(&m_mutex);
        return m_thumbnails.value(key(path));
    }

private:
    static QString key(const QString& path) { return toStoredPath(path).toUpper(); }
    void holdWhileAsked()
    {
        if (!m_hold)
            return;
        ++m_held;
        QElapsedTimer held;
        held.start();
        while (m_hold && held.elapsed() < 20000)
            QThread::msleep(5);
        --m_held;
    }

    std::atomic<bool> m_hold { false };
    std::atomic<int> m_held { 0 };

    mutable QMutex m_mutex;
    QHash<QString, QSqlRecord> m_rows;
    QHash<QString, QByteArray> m_thumbnails;
    QStringList m_lookups;
    QStringList m_deleted;
};
