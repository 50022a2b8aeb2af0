#include "screen/localthumbnailprovider.h"

#include <QtConcurrent>

#include "host/contract/ideviceagent.h"
#include "host/contract/iphotodb.h"
#include "host/services/logcategories.h"
#include "host/services/storedthumbnail.h"

LocalThumbnailProvider::LocalThumbnailProvider(
    std::function<IPhotoDB*()> database, std::function<void(int)> answered, QObject* parent)
    : QObject(parent)
    , m_database(std::move(database))
    , m_answered(std::move(answered))
{
    connect(&m_job, &QFutureWatcher<Made>::finished, this, [this] {
        m_made = m_job.result();
        m_answered(m_made.ok ? Ready : NoThumbnail);
    });
}

LocalThumbnailProvider::~LocalThumbnailProvider()
{
    // One picture's decode; the job never waits for this thread.
    m_job.waitForFinished();
}

int LocalThumbnailProvider::request(const QString& path)
{
    IPhotoDB* database = m_database ? m_database() : nullptr;
    if (!database)
        return -1;
    if (m_job.isRunning())
        return AgentResult::Busy;
    m_made = {};
    m_job.setFuture(QtConcurrent::run([database, path] {
        Made made;
        made.ok = database->makeThumbnail(path, &made.thumbnail.bytes, &made.thumbnail.orientation);
        return made;
    }));
    qCDebug(lcScreen) << "LocalThumbnailProvider::request" << path;
    return AgentResult::Ok;
}

QPixmap LocalThumbnailProvider::take()
{
    if (!m_made.ok)
        return QPixmap();
    return QPixmap::fromImage(
        StoredThumbnail::picture(m_made.thumbnail.bytes, m_made.thumbnail.orientation));
}

bool LocalThumbnailProvider::takeStored(CachedThumbnail* stored)
{
    if (!m_made.ok || !stored)
        return false;
    *stored = m_made.thumbnail;
    return true;
}
