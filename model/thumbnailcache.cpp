#include "model/thumbnailcache.h"

#include "host/services/logcategories.h"
#include "host/services/storedthumbnail.h"

#include <QCoreApplication>
#include <QThread>
#include <QTransform>

#include <atomic>

namespace {
// Room for roughly a thousand 300 x 300 thumbnails.
const int kDefaultLimitKb = 80 * 1024;
// Thumbnails are at most this; stored bytes that claim more are shown smaller.
const QSize kLargestThumbnail(300, 300);

int costKb(const QPixmap& pixmap)
{
    const qint64 bytes = qint64(pixmap.width()) * pixmap.height() * qMax(pixmap.depth(), 8) / 8;
    return int(qMax<qint64>(1, bytes / 1024));
}
} // namespace

ThumbnailCache::ThumbnailCache()
{
    m_cache.setMaxCost(kDefaultLimitKb);
}

ThumbnailCache& ThumbnailCache::instance()
{
    static ThumbnailCache cache;
    return cache;
}

bool ThumbnailCache::onGuiThread()
{
    return QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread();
}

quint64 ThumbnailCache::nextKey()
{
    static std::atomic<quint64> next { 1 };
    return next++;
}

QPixmap ThumbnailCache::pixmap(quint64 key, const QByteArray& bytes, int turn, int orientation)
{
    if (!onGuiThread()) {
        qCWarning(lcModel) << "ThumbnailCache::pixmap"
                           << ": not on the GUI thread";
        return QPixmap();
    }
    if (const QPixmap* cached = m_cache.object(key))
        return *cached;
    QPixmap decoded;
    QString why;
    if (!bytes.isEmpty())
        decoded = QPixmap::fromImage(
            StoredThumbnail::picture(bytes, orientation, kLargestThumbnail, &why));
    if (!bytes.isEmpty() && decoded.isNull())
        qCWarning(lcModel) << "ThumbnailCache::pixmap"
                           << ": undecodable thumbnail" << bytes.size() << why;
    if (!decoded.isNull() && turn % 360 != 0)
        decoded = decoded.transformed(QTransform().rotate(turn));
    // A picture that cannot be decoded is remembered as null, so it is not
    // decoded again on every paint.
    m_cache.insert(key, new QPixmap(decoded), costKb(decoded));
    return decoded;
}

void ThumbnailCache::insert(quint64 key, const QPixmap& pixmap)
{
    if (!onGuiThread())
        return;
    m_cache.insert(key, new QPixmap(pixmap), costKb(pixmap));
}

void ThumbnailCache::remove(quint64 key)
{
    if (onGuiThread())
        m_cache.remove(key);
}

void ThumbnailCache::clear()
{
    if (onGuiThread())
        m_cache.clear();
}

void ThumbnailCache::setLimitKb(int kilobytes)
{
    if (onGuiThread())
        m_cache.setMaxCost(qMax(1, kilobytes));
}

int ThumbnailCache::limitKb() const
{
    return m_cache.maxCost();
}

int ThumbnailCache::usedKb() const
{
    return m_cache.totalCost();
}
