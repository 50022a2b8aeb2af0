#include "model/ocmodelinsertthread.h"

#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/guicall.h"
#include "model/itemevent.h"
#include "model/metatypes.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QSet>

namespace {

// A run that has decided to end only logs and returns.
const int EndWaitMs = 2000;

std::atomic<int> g_running { 0 };

void deleteEvent(ItemEvent* event, bool withItem)
{
    if (!event)
        return;
    if (withItem)
        delete event->item;
    delete event;
}

} // namespace

OCModelInsertThread::OCModelInsertThread(bool loadMode, PhotoItemViewWidget* screen)
    : QThread(screen)
    , m_loadMode(loadMode)
    , m_started(!loadMode)
    , m_modeName(loadMode ? QStringLiteral("load") : QStringLiteral("tophone"))
    , m_screen(screen)
{
    registerPhotoMetaTypes();
}

OCModelInsertThread::~OCModelInsertThread()
{
    if (isRunning()) {
        stop();
        // The worker gives up any call to the GUI thread once stopped.
        if (!wait(3000))
            qDebug() << "device_photo"
                     << "OCModelInsertThread::~OCModelInsertThread"
                     << ": worker did not stop" << m_modeName;
    }
    discardQueue();
}

void OCModelInsertThread::setModel(PhotoItemViewModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &OCModelInsertThread::on_rowsInserted,
        Qt::UniqueConnection);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &OCModelInsertThread::on_rowsRemoved,
        Qt::UniqueConnection);
    connect(model, &QAbstractItemModel::modelReset, this, &OCModelInsertThread::on_modelReset,
        Qt::UniqueConnection);
}

int OCModelInsertThread::runningCount()
{
    return g_running.load();
}

void OCModelInsertThread::ensureRunning()
{
    {
        QMutexLocker lock(&m_queueLock);
        if (isRunning() && !m_exiting)
            return;
    }
    if (isRunning() && !wait(EndWaitMs)) {
        qCWarning(lcModel) << "OCModelInsertThread::ensureRunning:" << m_modeName
                           << "a run that has ended does not finish";
        return;
    }
    {
        QMutexLocker lock(&m_queueLock);
        m_exiting = false;
    }
    qCDebug(lcModel) << "OCModelInsertThread::ensureRunning:" << m_modeName << "started";
    start(QThread::InheritPriority);
}

void OCModelInsertThread::addData(ItemEvent* event)
{
    if (!event)
        return;
    bool ended = false;
    {
        QMutexLocker lock(&m_queueLock);
        enqueue(event);
        ended = m_exiting;
    }
    if (ended)
        ensureRunning();
}

void OCModelInsertThread::enqueue(ItemEvent* event)
{
    if (event->code != ItemEventCode::Removed) {
        m_queue.enqueue(event);
        m_wake.wakeAll();
        return;
    }
    // Removals are applied in one batch: only the first one wakes the worker.
    const bool queueIt = m_removedFiles.isEmpty();
    const QString path = (m_mediaList && event->item)
        ? m_mediaList->pathOfObjectId(event->item->objectId)
        : QString();
    if (!path.isEmpty()) {
        m_removedFiles.append(path);
        qDebug() << "device_photo"
                 << "OCModelInsertThread::addData" << m_modeName
                 << "add remove count = " << m_removedFiles.size() << "path = " << path;
    }
    if (queueIt) {
        m_queue.enqueue(event);
        m_wake.wakeAll();
    } else {
        deleteEvent(event, true);
    }
}

void OCModelInsertThread::exec()
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::exec" << m_modeName;
    QMutexLocker lock(&m_queueLock);
    m_started = true;
    m_wake.wakeAll();
}

void OCModelInsertThread::finish()
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::finish" << m_modeName;
    QMutexLocker lock(&m_queueLock);
    m_finish = true;
    m_wake.wakeAll();
}

void OCModelInsertThread::stop()
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::stop" << m_modeName;
    QMutexLocker lock(&m_queueLock);
    m_stopCalled = true;
    m_stop = true;
    m_wake.wakeAll();
}

int OCModelInsertThread::queueCount() const
{
    QMutexLocker lock(&m_queueLock);
    return m_queue.size();
}

QStringList OCModelInsertThread::removedFiles() const
{
    QMutexLocker lock(&m_queueLock);
    return m_removedFiles;
}

void OCModelInsertThread::pause(bool paused)
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::pause" << m_modeName << " start " << paused;
    if (paused != m_paused) {
        // Short tries: the worker may hold the merge lock while it waits for
        // this very thread, and only the pump between tries lets it finish.
        ++m_pauseRequests;
        bool locked = false;
        for (int attempt = 0; attempt < 1000 && !locked; ++attempt) {
            locked = m_mergeLock.tryLock(10);
            if (!locked) {
                MsgPeekAndPump();
                QThread::msleep(10);
            }
        }
        m_paused = paused;
        if (locked)
            m_mergeLock.unlock();
        --m_pauseRequests;
        QMutexLocker lock(&m_queueLock);
        m_wake.wakeAll();
    }
    qDebug() << "device_photo"
             << "OCModelInsertThread::pause" << m_modeName << " end " << paused;
}

void OCModelInsertThread::on_pause()
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::on_pause"
             << "start";
    pause(true);
    qDebug() << "device_photo"
             << "OCModelInsertThread::on_pause"
             << "end";
}

void OCModelInsertThread::on_resume()
{
    pause(false);
}

void OCModelInsertThread::on_rowsInserted(const QModelIndex&, int, int)
{
    m_rowsAcknowledged = true;
    if (m_screen)
        m_screen->refreshAfterRowChange();
}

void OCModelInsertThread::on_rowsRemoved(const QModelIndex& parent, int start, int end)
{
    // The row is gone from every view: now the item itself may go.
    if (!m_pendingRemovalPath.isEmpty() && m_mediaList
        && m_mediaList->findItem(m_pendingRemovalPath, false)) {
        QStringList paths { m_pendingRemovalPath };
        m_mediaList->removeItems(paths);
    }
    m_pendingRemovalPath.clear();
    on_rowsInserted(parent, start, end);
}

void OCModelInsertThread::on_modelReset()
{
    if (m_screen)
        m_screen->refreshAfterRowChange();
    m_rowsAcknowledged = true;
    m_viewReset = true;
}

template<typename Predicate>
void OCModelInsertThread::sleepUnlessWoken(int ms, Predicate keepSleeping)
{
    QMutexLocker lock(&m_queueLock);
    if (keepSleeping())
        m_wake.wait(&m_queueLock, ms);
}

void OCModelInsertThread::discardQueue()
{
    QMutexLocker lock(&m_queueLock);
    while (!m_queue.isEmpty())
        deleteEvent(m_queue.dequeue(), true);
}

void OCModelInsertThread::run()
{
    ++g_running;
    const auto running = qScopeGuard([] { --g_running; });
    if (!m_screen) {
        endRunIfIdle();
        return;
    }
    qDebug() << "device_photo"
             << "OCModelInsertThread::run" << m_modeName << "start";
    m_memoryStop = false;
    m_rowsAcknowledged = true;
    m_memoryCheck.invalidate();

    while (!m_stop) {
        bool done = false;
        for (;;) {
            {
                QMutexLocker lock(&m_queueLock);
                if (m_queue.isEmpty() || m_stop || !m_started)
                    break;
            }
            if (m_pauseRequests > 0) {
                // pause() is waiting for the merge lock: let it have it.
                sleepUnlessWoken(10, [this] { return m_pauseRequests > 0 && !m_stop; });
                continue;
            }
            if (m_paused) {
                qDebug() << "device_photo"
                         << "OCModelInsertThread::run" << m_modeName << "Pause";
                for (int step = 0; step < 1000 && m_paused && !m_stop; ++step) {
                    sleepUnlessWoken(100, [this] { return m_paused && !m_stop; });
                    qDebug() << "device_photo"
                             << "OCModelInsertThread::run" << m_modeName
                             << "m_bPause=" << m_paused.load() << "wait!!!";
                    MsgPeekAndPump();
                }
            }
            if (memoryOverflow()) {
                stopForMemory();
                break;
            }
            std::vector<BatchEntry> batch;
            BatchEnd batchEnd;
            bool merged = false;
            {
                QMutexLocker merge(&m_mergeLock);
                batchEnd = takeBatch(batch);
                if (!batch.empty()) {
                    merged = true;
                    m_rowsAcknowledged = false;
                    if (!insertModelData(batch))
                        m_rowsAcknowledged = true;
                }
            }
            if (batchEnd.memoryFull) {
                stopForMemory();
                break;
            }
            if (merged) {
                if (m_loadMode && queueCount() == 0) {
                    done = true;
                    break;
                }
                waitForView();
                if (!m_loadMode)
                    g_SharedValue.deleteState(
                        OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
            }
            if (batchEnd.endMarker) {
                qDebug() << "device_photo"
                         << "OCModelInsertThread::run" << m_modeName << "finished item";
                done = true;
                break;
            }
        }
        if (done || m_stop || m_finish) {
            clearRemovedFiles();
            if (endRunIfIdle())
                break;
            continue;
        }
        sleepUnlessWoken(
            500, [this] { return (m_queue.isEmpty() || !m_started) && !m_stop && !m_finish; });
    }
    qDebug() << "device_photo"
             << "OCModelInsertThread::run" << m_modeName << "end";
}

bool OCModelInsertThread::endRunIfIdle()
{
    QMutexLocker lock(&m_queueLock);
    // Only a stop leaves queued events behind: the screen has given them up.
    if (!m_stop && m_started && !m_queue.isEmpty()) {
        qCDebug(lcModel) << "OCModelInsertThread::run:" << m_modeName << "events came meanwhile";
        return false;
    }
    m_exiting = true;
    // Cleared on the way out rather than at the start, so a stop, finish or
    // pause asked for between start() and the first loop is not lost.
    m_stop = false;
    m_stopCalled = false;
    m_finish = false;
    m_paused = false;
    return true;
}

void OCModelInsertThread::stopForMemory()
{
    qDebug() << "device_photo"
             << "OCModelInsertThread::run" << m_modeName << "memory overflow!!";
    discardQueue();
    m_stop = true;
    m_memoryStop = true;
}

bool OCModelInsertThread::memoryOverflow()
{
    // Reading the process's memory use costs more than merging an event;
    // memory does not grow that fast, so a few milliseconds between looks do.
    if (m_memoryCheck.isValid() && m_memoryCheck.elapsed() < 20)
        return false;
    m_memoryCheck.start();
    return IsMemoryOverflow();
}

void OCModelInsertThread::waitForView()
{
    for (int step = 0; step < 100 && !m_viewReset && !m_stop; ++step) {
        qDebug() << "device_photo"
                 << "OCModelInsertThread::run" << m_modeName << "reset update view";
        QThread::msleep(50);
        MsgPeekAndPump();
    }
    m_viewReset = true;
}
