#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "host/db/devicethumbnailcache.h"
#include "screen/thumbnailprovider.h"

class IDBManager;
class IDeviceNexaAgent;

// Thumbnails kept per device in the photo database, in front of the
// phone's own provider: a listing's unchanged files are recalled without
// asking the phone, and what the phone answers is kept for the next time.
class CachedThumbnailProvider : public QObject, public ThumbnailProvider
{
    Q_OBJECT

public:
    struct Sources
    {
        std::function<IDeviceNexaAgent*()> agent; // keys the cache by its identity
        std::function<IDBManager*()> database;
        // The listed file's size and modification time; an empty path when
        // they are unknown and its thumbnail cannot be kept.
        std::function<DeviceFileKey(const QString&)> fileOf;
    };

    CachedThumbnailProvider(
        std::unique_ptr<ThumbnailProvider> phone, Sources sources, QObject* parent = nullptr);
    ~CachedThumbnailProvider() override;

    int request(const QString& path) override;
    QPixmap take() override;
    void takeNone() override;
    bool recall(const QList<DeviceFileKey>& files, std::function<void(Recalled)> found) override;

    // Hands the answers not yet kept to the writer thread.
    void flush();

private:
    DeviceThumbnailCache* cache();
    QString deviceIdentity() const;
    void keep(const QImage& picture);

    std::unique_ptr<ThumbnailProvider> m_phone;
    Sources m_sources;
    std::optional<DeviceThumbnailCache> m_cache;
    IDBManager* m_cacheDatabase = nullptr;
    QString m_asked; // the request that is out
    QString m_pendingDevice;
    // Answers waiting to be written; a null picture: the phone has none.
    QList<QPair<DeviceFileKey, QImage>> m_pending;
    // One thread encodes and writes the answers in order, off the GUI thread.
    QThreadPool m_writer;
    QTimer m_flushTimer;
    QFutureWatcher<Recalled> m_recall;
    std::function<void(Recalled)> m_found;
};
