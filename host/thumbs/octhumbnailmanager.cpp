#include "host/thumbs/octhumbnailmanager.h"

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/thumbs/thumbnailworker.h"

#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTimer>

#include <atomic>

namespace {

std::atomic<PluginHostContext*> g_context { nullptr };
std::atomic<int> g_cacheLimitKb { 64 * 1024 };

const char kUpdateSlot[] = "on_update_item_thumbnail";
const char kFinishSlot[] = "on_GetThumbnail_Finish";

QString folderTemplate()
{
    const QString base = GetAppPath().isEmpty()
        ? QDir::tempPath()
        : QDir(GetAppPath()).filePath(QStringLiteral("Temp"));
    QDir().mkpath(base);
    return QDir(base).filePath(QStringLiteral("thumbnails-XXXXXX"));
}

bool hasUpdateSlot(const QObject* object)
{
    return object
        && object->metaObject()->indexOfMethod(
               QMetaObject::normalizedSignature("on_update_item_thumbnail(QString,QString)"))
        != -1;
}

} // namespace

OCThumbnailManager::OCThumbnailManager(
    ITEM_TYPE itemType, QObject* receiver, QWidget* parent, QTableView* table)
    : QObject(parent)
    , m_itemType(itemType)
    , m_receiver(receiver)
    , m_table(table)
    , m_folder(folderTemplate())
{
    qRegisterMetaType<QImage>("QImage");
    // The screen may hand itself over as the parent rather than the receiver.
    if (!hasUpdateSlot(receiver) && hasUpdateSlot(parent))
        m_receiver = parent;
    m_cache.setMaxCost(g_cacheLimitKb);
    m_tableUpdate = new QTimer(this);
    m_tableUpdate->setSingleShot(true);
    m_tableUpdate->setInterval(16);
    connect(m_tableUpdate, &QTimer::timeout, this, [this] {
        if (m_table)
            m_table->viewport()->update();
    });
    qCDebug(lcHostThumbs) << "OCThumbnailManager::OCThumbnailManager"
                          << ": item type" << int(itemType) << "receiver"
                          << (m_receiver ? m_receiver->metaObject()->className() : "none")
                          << "folder" << m_folder.path();
}

OCThumbnailManager::~OCThumbnailManager()
{
    stopWorker();
}

void OCThumbnailManager::SetHostContext(PluginHostContext* context)
{
    g_context = context;
}

void OCThumbnailManager::setCacheLimit(int kilobytes)
{
    g_cacheLimitKb = qMax(1, kilobytes);
}

QString OCThumbnailManager::keyOf(const QString& path)
{
    return pathKey(path);
}

IDeviceNexaAgent* OCThumbnailManager::agent() const
{
    if (m_agent)
        return m_agent;
    PluginHostContext* context = g_context.load();
    return context ? context->deviceAgent : nullptr;
}

IPhotoDB* OCThumbnailManager::database() const
{
    if (m_database)
        return m_database;
    PluginHostContext* context = g_context.load();
    return context ? context->photoDatabase : nullptr;
}

ThumbnailWorker* OCThumbnailManager::worker()
{
    IDeviceNexaAgent* phone = agent();
    if (m_worker && m_worker->agent() != phone)
        stopWorker(); // another phone: its requests are void
    if (m_worker || !phone)
        return m_worker;
    m_worker = new ThumbnailWorker(phone, database(), phone->GetConnectionKind(), m_folder.path());
    connect(m_worker, &ThumbnailWorker::thumbnailMade, this, &OCThumbnailManager::onThumbnailMade);
    connect(
        m_worker, &ThumbnailWorker::thumbnailKnown, this, &OCThumbnailManager::onThumbnailKnown);
    connect(
        m_worker, &ThumbnailWorker::thumbnailFailed, this, &OCThumbnailManager::onThumbnailFailed);
    connect(m_worker, &ThumbnailWorker::requestDone, this, &OCThumbnailManager::onRequestDone);
    m_worker->start(QThread::LowPriority);
    return m_worker;
}

void OCThumbnailManager::stopWorker()
{
    for (const auto& cancelled : qAsConst(m_live))
        *cancelled = true;
    m_live.clear();
    m_visibleRequests.clear();
    if (!m_worker)
        return;
    ThumbnailWorker* worker = m_worker;
    m_worker = nullptr;
    worker->disconnect(this);
    worker->requestStop();
    // Every wait of the worker watches the stop flag, so this is short; a
    // worker stuck in a file read is left to end on its own.
    if (worker->wait(3000)) {
        delete worker;
        return;
    }
    qCDebug(lcHostThumbs) << "OCThumbnailManager::stopWorker"
                          << ": worker still running, left to end";
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
}

quint64 OCThumbnailManager::submit(QList<_tagIdxInfo> entries, bool visibleRows)
{
    ThumbnailWorker* thread = worker();
    if (!thread) {
        qCWarning(lcHostThumbs) << "OCThumbnailManager::submit"
                                << ": no phone";
        return 0;
    }
    ThumbnailRequest request;
    request.id = m_nextRequest++;
    request.visibleRows = visibleRows;
    request.entries = entries;
    m_live.insert(request.id, request.cancelled);
    if (visibleRows)
        m_visibleRequests.insert(request.id);
    thread->add(request);
    return request.id;
}

void OCThumbnailManager::StartGetThumbnail(QList<_tagIdxInfo>& list)
{
    QList<_tagIdxInfo> entries;
    for (const _tagIdxInfo& info : qAsConst(list)) {
        if (!info.path.isEmpty())
            entries.append(info);
    }
    qCDebug(lcHostThumbs) << "OCThumbnailManager::StartGetThumbnail"
                          << ":" << entries.size() << "paths";
    if (!entries.isEmpty())
        submit(entries, false);
}

void OCThumbnailManager::StartLoadThumbnail(QList<_tagIdxInfo>& list)
{
    QList<_tagIdxInfo> entries;
    for (const _tagIdxInfo& info : qAsConst(list)) {
        const QString key = keyOf(info.path);
        if (!info.path.isEmpty() && !m_cache.contains(key) && !m_failed.contains(key))
            entries.append(info);
    }
    // Rows the cache can serve need only a repaint; and no end report, since
    // the screen answers an end by asking for its visible rows again.
    if (entries.isEmpty()) {
        scheduleTableUpdate();
        return;
    }
    for (const quint64 id : qAsConst(m_visibleRequests)) {
        if (auto cancelled = m_live.take(id))
            *cancelled = true;
    }
    m_visibleRequests.clear();
    const quint64 id = submit(entries, true);
    qCDebug(lcHostThumbs) << "OCThumbnailManager::StartLoadThumbnail"
                          << ":" << entries.size() << "of" << list.size() << "rows, request" << id;
}

QPixmap OCThumbnailManager::GetThumbnail(const QString& path)
{
    if (const QPixmap* pixmap = m_cache.object(keyOf(path)))
        return *pixmap;
    return QPixmap();
}

bool OCThumbnailManager::HasFailed(const QString& path) const
{
    return m_failed.contains(keyOf(path));
}

void OCThumbnailManager::SetThumbnail(const QString& path, const QPixmap& pixmap)
{
    const QString key = keyOf(path);
    if (key.isEmpty())
        return;
    if (pixmap.isNull()) {
        m_cache.remove(key);
        return;
    }
    m_failed.remove(key);
    const int cost = qMax(1, int(qint64(pixmap.width()) * pixmap.height() * 4 / 1024));
    m_cache.insert(key, new QPixmap(pixmap), cost);
}

void OCThumbnailManager::cache(const QString& path, const QImage& picture)
{
    SetThumbnail(path, QPixmap::fromImage(picture));
    scheduleTableUpdate();
}

void OCThumbnailManager::scheduleTableUpdate()
{
    if (m_table && !m_tableUpdate->isActive())
        m_tableUpdate->start();
}

void OCThumbnailManager::onThumbnailMade(
    quint64 request, const QString& path, const QString& file, const QImage& picture)
{
    if (!m_live.contains(request)) {
        QFile::remove(file);
        return;
    }
    cache(path, picture);
    if (!m_receiver) {
        QFile::remove(file);
        return;
    }
    QMetaObject::invokeMethod(
        m_receiver, kUpdateSlot, Qt::QueuedConnection, Q_ARG(QString, path), Q_ARG(QString, file));
    // Posted after the slot's call, so it runs once the receiver has read the file.
    QMetaObject::invokeMethod(
        this, [file] { QFile::remove(file); }, Qt::QueuedConnection);
}

void OCThumbnailManager::onThumbnailKnown(
    quint64 request, const QString& path, const QImage& picture)
{
    if (m_live.contains(request))
        cache(path, picture);
}

void OCThumbnailManager::onThumbnailFailed(quint64 request, const QString& path, bool permanent)
{
    Q_UNUSED(request);
    if (permanent)
        m_failed.insert(keyOf(path));
}

void OCThumbnailManager::onRequestDone(quint64 request)
{
    if (!m_live.remove(request))
        return;
    m_visibleRequests.remove(request);
    qCDebug(lcHostThumbs) << "OCThumbnailManager::onRequestDone"
                          << ": request" << request;
    if (m_receiver)
        QMetaObject::invokeMethod(m_receiver, kFinishSlot, Qt::QueuedConnection);
}
