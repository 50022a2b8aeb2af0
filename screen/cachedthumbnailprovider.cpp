#include "screen/cachedthumbnailprovider.h"

#include <QSet>
#include <QtConcurrent>

#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "model/cphotodataitem.h"

namespace {

const int BatchRows = 32;
const int FlushDelayMs = 1000;

} // namespace

CachedThumbnailProvider::CachedThumbnailProvider(
    std::unique_ptr<ThumbnailProvider> phone, Sources sources, QObject* parent)
    : QObject(parent)
    , m_phone(std::move(phone))
    , m_sources(std::move(sources))
{
    m_writer.setMaxThreadCount(1);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CachedThumbnailProvider::flush);
    connect(&m_recall, &QFutureWatcher<Recalled>::finished, this, [this] {
        if (m_found && !m_recall.isCanceled())
            m_found(m_recall.result());
    });
}

CachedThumbnailProvider::~CachedThumbnailProvider()
{
    flush();
    m_writer.waitForDone();
    // The lookup reads the photo database, which goes after the screen; it
    // never waits for this thread.
    m_recall.waitForFinished();
}

DeviceThumbnailCache* CachedThumbnailProvider::cache()
{
    IDBManager* database = m_sources.database ? m_sources.database() : nullptr;
    if (!database)
        return nullptr;
    if (!m_cache || m_cacheDatabase != database) {
        m_cache.emplace(database);
        m_cacheDatabase = database;
    }
    return &*m_cache;
}

QString CachedThumbnailProvider::deviceIdentity() const
{
    IDeviceNexaAgent* agent = m_sources.agent ? m_sources.agent() : nullptr;
    return agent ? agent->DeviceIdentity() : QString();
}

int CachedThumbnailProvider::request(const QString& path)
{
    m_asked = path;
    return m_phone->request(path);
}

QPixmap CachedThumbnailProvider::take()
{
    const QPixmap pixmap = m_phone->take();
    // Pictures from the phone are upright: no orientation to keep.
    if (!pixmap.isNull())
        keep(pixmap.toImage());
    return pixmap;
}

void CachedThumbnailProvider::takeNone()
{
    m_phone->takeNone();
    keep(QImage());
}

void CachedThumbnailProvider::keep(const QImage& picture)
{
    const DeviceFileKey file = m_sources.fileOf(m_asked);
    const QString device = deviceIdentity();
    if (file.path.isEmpty() || device.isEmpty() || !cache())
        return;
    if (device != m_pendingDevice)
        flush();
    m_pendingDevice = device;
    m_pending.append({ file, picture });
    if (m_pending.size() >= BatchRows)
        flush();
    else
        m_flushTimer.start();
}

void CachedThumbnailProvider::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    // The cache made when the answers came: at the end the screen that
    // knows the database may be gone.
    if (!m_cache) {
        qCWarning(lcScreen) << "CachedThumbnailProvider::flush: not kept" << m_pending.size();
        m_pending.clear();
        return;
    }
    QtConcurrent::run(&m_writer,
        [store = *m_cache, device = m_pendingDevice,
            pending = std::exchange(m_pending, {})]() mutable {
            QList<QPair<DeviceFileKey, CachedThumbnail>> rows;
            rows.reserve(pending.size());
            for (const auto& answer : pending) {
                // Empty bytes are kept too: the phone has no thumbnail of that file.
                const QByteArray bytes = answer.second.isNull()
                    ? QByteArray("")
                    : CPhotoDataItem::encodeThumbnail(answer.second);
                rows.append({ answer.first, { bytes, 0 } });
            }
            if (!store.store(device, rows))
                qCWarning(lcScreen) << "CachedThumbnailProvider::flush: not kept" << rows.size();
        });
}

bool CachedThumbnailProvider::recall(
    const QList<DeviceFileKey>& files, std::function<void(Recalled)> found)
{
    flush();
    const QString device = deviceIdentity();
    DeviceThumbnailCache* store = cache();
    if (device.isEmpty() || !store)
        return false;
    m_found = std::move(found);
    DeviceThumbnailCache lookup = *store;
    m_recall.setFuture(QtConcurrent::run(
        &m_writer, [lookup, device, files = QList<DeviceFileKey>(files)]() mutable {
            QSet<QString> listed;
            listed.reserve(files.size());
            for (DeviceFileKey& file : files) {
                if (file.modifiedMs < 0 && file.modified.isValid())
                    file.modifiedMs = file.modified.toMSecsSinceEpoch();
                listed.insert(file.path);
            }
            lookup.removeMissing(device, listed);
            return lookup.lookup(device, files);
        }));
    qCDebug(lcScreen) << "CachedThumbnailProvider::recall:" << device << files.size() << "files";
    return true;
}
