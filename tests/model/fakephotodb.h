#pragma once

#include "host/contract/iphotodb.h"
#include "host/services/fileutils.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QSqlField>
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
        // A storage that stops answering, until let go (20 s at most).
        if (hold) {
            ++held;
            letGo.tryAcquire(1, 20000);
            --held;
        }
        QMutexLocker lock(&m_mutex);
        m_lookups.append(path);
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

    std::atomic<bool> hold { false };
    std::atomic<int> held { 0 };
    QSemaphore letGo;

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

    mutable QMutex m_mutex;
    QHash<QString, QSqlRecord> m_rows;
    QHash<QString, QByteArray> m_thumbnails;
    QStringList m_lookups;
    QStringList m_deleted;
};
