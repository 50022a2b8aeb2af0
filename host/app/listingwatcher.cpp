#include "listingwatcher.h"

#include "host/contract/ocglobal.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "pluginmanager.h"

namespace {
constexpr int kPollMs = 50;
constexpr int kQuietPolls = 2;
} // namespace

ListingWatcher::ListingWatcher(
    PluginManager* manager, bool waitForThumbnails, int timeoutMs, QObject* parent)
    : QObject(parent)
    , m_waitForThumbnails(waitForThumbnails)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ListingWatcher::poll);
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &ListingWatcher::onTimeout);
    connect(
        manager, &PluginManager::deviceRefreshFinished, this, &ListingWatcher::onRefreshFinished);
}

void ListingWatcher::start()
{
    m_clock.start();
    m_timeout.start();
}

void ListingWatcher::onRefreshFinished(int itemType)
{
    if (itemType != OCGlobal::ITEM_PHONE_PHOTO || m_ready)
        return;
    qCDebug(lcHostApp) << "ListingWatcher::onRefreshFinished"
                       << ": after" << elapsedMs() << "ms";
    m_refreshed = true;
    m_quietPolls = 0;
    if (!m_poll.isActive())
        m_poll.start();
}

void ListingWatcher::poll()
{
    quint32 busy = OCSharedValue::ProcessListing;
    if (m_waitForThumbnails)
        busy |= OCSharedValue::ProcessThumbnails;
    if (g_SharedValue.hasProcessState(OCGlobal::ITEM_PHONE_PHOTO, busy)) {
        m_quietPolls = 0;
        return;
    }
    if (++m_quietPolls < kQuietPolls)
        return;
    m_poll.stop();
    m_timeout.stop();
    m_ready = true;
    qCDebug(lcHostApp) << "ListingWatcher::poll"
                       << ": ready after" << elapsedMs() << "ms";
    emit ready();
}

void ListingWatcher::onTimeout()
{
    m_poll.stop();
    qCWarning(lcHostApp) << "ListingWatcher::onTimeout"
                         << ": not ready after" << elapsedMs() << "ms, listing report"
                         << m_refreshed;
    emit timedOut();
}
