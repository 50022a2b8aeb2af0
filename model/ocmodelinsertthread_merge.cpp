// The merge of a batch of events: the database part on the worker, the list
// and model part on the GUI thread.
#include "model/ocmodelinsertthread.h"

#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "model/cphotodataitem.h"
#include "model/guicall.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace {

// A batch takes what is already queued, up to this many events or this much
// time reading the database, so that the GUI thread's share stays short and
// rows keep appearing while a slow listing is read.
const int MaxBatchEvents = 256;
const int MaxBatchFetchMs = 8;
// When rows land all over a sorted view, a proxy and its views pay for each
// of them: the batch shrinks while its GUI part takes longer than this, and
// grows back when it is quick, so that the GUI thread keeps its pace.
const int SlowGuiBatchMs = 20;
const int QuickGuiBatchMs = 5;
const int MinBatchEvents = 64;

bool samePath(const QString& a, const QString& b)
{
    return toStoredPath(a).compare(toStoredPath(b), Qt::CaseInsensitive) == 0;
}

// The rows of new items wait here until something else touches the model, so
// that consecutive new items cost one insertion.
void addNewRows(PhotoItemViewModel* model, QList<CPhotoDataItem*>& newRows)
{
    if (newRows.isEmpty())
        return;
    model->AddItems(newRows);
    newRows.clear();
}

} // namespace

OCModelInsertThread::BatchEnd OCModelInsertThread::takeBatch(std::vector<BatchEntry>& batch)
{
    BatchEnd end;
    qint64 fetchNs = 0; // time spent reading the database
    while (int(batch.size()) < m_batchLimit) {
        if (!batch.empty()) {
            if (m_stop || m_paused || m_pauseRequests > 0 || fetchNs >= MaxBatchFetchMs * 1000000)
                break;
            // Looked at before every event, as when events went one by one:
            // what was taken is merged, what is still queued is discarded.
            if (memoryOverflow()) {
                end.memoryFull = true;
                break;
            }
        }
        if (!m_queueLock.tryLock(1000))
            break;
        ItemEvent* event = m_queue.isEmpty() ? nullptr : m_queue.dequeue();
        m_queueLock.unlock();
        if (!event)
            break;
        if (event->code == ItemEventCode::EndOfBatch) {
            delete event->item;
            delete event;
            end.endMarker = true;
            break;
        }
        const int code = event->code;
        if (!m_screen || !m_mediaList || !m_model || !event->item || code < 0
            || code > ItemEventCode::Last) {
            qDebug() << "device_photo"
                     << "OCModelInsertThread::insertModelData"
                     << ": refused event" << code;
            delete event->item;
            delete event;
            continue;
        }
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData"
                 << "[MTP_TEST]"
                 << "start" << m_modeName << event->item->path;
        BatchEntry entry;
        entry.event = event;
        // The slow part, here on the worker: the row goes into the event's
        // own item, which nobody else sees yet.
        if (code != ItemEventCode::Removed) {
            QElapsedTimer fetchTime;
            fetchTime.start();
            entry.fetched = m_mediaList->fetchInsertedItem(event, m_loadMode);
            if (entry.fetched.usesDatabase)
                fetchNs += fetchTime.nsecsElapsed();
        }
        batch.push_back(entry);
        // Events after a removal batch read the database once it is applied,
        // as they did when events went one by one.
        if (code == ItemEventCode::Removed)
            break;
    }
    return end;
}

bool OCModelInsertThread::insertModelData(std::vector<BatchEntry>& batch)
{
    if (batch.empty())
        return false;
    // One hand-over for the whole batch, merged in order. Log lines stay per
    // event; the "start" lines of a batch now come before its merges.
    qint64 guiNs = 0;
    auto mergeBatch = [&]() {
        // Stopped (the screen may be going): nothing of it is touched.
        if (m_stopCalled)
            return;
        QElapsedTimer guiTime;
        guiTime.start();
        QList<CPhotoDataItem*> newRows;
        for (BatchEntry& entry : batch)
            mergeOnGui(entry, newRows);
        addNewRows(m_model, newRows);
        guiNs = guiTime.nsecsElapsed();
    };
    // The thread object, not the screen, carries the call: it is never
    // destroyed while this runs, and the screen may be.
    if (GuiCall::run(this, mergeBatch, [this] { return m_stop.load(); }) == GuiCall::Cancelled)
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName
                 << ": given up, the thread stops" << batch.size();
    if (guiNs > SlowGuiBatchMs * 1000000LL)
        m_batchLimit = qMax(MinBatchEvents, m_batchLimit / 2);
    else if (guiNs < QuickGuiBatchMs * 1000000LL)
        m_batchLimit = qMin(MaxBatchEvents, m_batchLimit * 2);

    bool anyResult = false;
    for (BatchEntry& entry : batch) {
        if (!entry.owned)
            delete entry.event->item;
        delete entry.event;
        anyResult = anyResult || entry.result;
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData"
                 << "[MTP_TEST]"
                 << "end" << m_modeName << entry.result;
    }
    batch.clear();
    return anyResult;
}

void OCModelInsertThread::mergeOnGui(BatchEntry& entry, QList<CPhotoDataItem*>& newRows)
{
    ItemEvent* event = entry.event;
    CPhotoDataItem* item = event->item;
    const int code = event->code;
    const QString path = item->path;
    const QString objectId = item->objectId;

    if (m_screen->isOwnTransferEvent(objectId, path, code)) {
        QMutexLocker lock(&m_queueLock);
        for (int i = m_removedFiles.size() - 1; i >= 0; --i) {
            if (samePath(m_removedFiles.at(i), path))
                m_removedFiles.removeAt(i);
        }
        return;
    }
    if (code == ItemEventCode::Removed) {
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName << "removed event"
                 << objectId;
        addNewRows(m_model, newRows);
        entry.result = deleteModelData(QString());
        return;
    }
    CPhotoDataItem* merged = m_mediaList->mergeInsertedItem(event, entry.fetched);
    if (merged == item) {
        entry.owned = true;
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName
                 << "successed media info & insert" << path;
        newRows.append(item);
        entry.result = true; // a new item has no row yet
        return;
    }
    if (merged) {
        const bool listing = code == ItemEventCode::Listed || code == ItemEventCode::ListedFull
            || code == ItemEventCode::ListedMinimal;
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName
                 << (listing ? "contains file & listing data" : "update & refresh") << path;
        m_screen->repaintCurrentView();
    } else {
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName
                 << "failed insert model data" << path;
        if (code == ItemEventCode::DownloadedForViewer)
            qDebug() << "device_photo"
                     << "OCModelInsertThread::insertModelData"
                     << "failed download&viewer and get image info..";
        else {
            addNewRows(m_model, newRows); // the rows it looks for come first
            entry.result = deleteModelData(path);
        }
    }
    if (code == ItemEventCode::Locate) {
        addNewRows(m_model, newRows);
        m_screen->showItemOfPath(path);
    }
}

bool OCModelInsertThread::deleteModelData(const QString& path)
{
    QStringList removed;
    {
        QMutexLocker lock(&m_queueLock);
        removed.swap(m_removedFiles);
    }
    if (!removed.isEmpty()) {
        m_viewReset = false;
        if (!path.isEmpty())
            removed.append(path);
        qDebug() << "device_photo"
                 << "OCModelInsertThread::deleteModelData" << m_modeName
                 << " count=" << removed.size();
        m_model->RemoveListedItems(m_mediaList, removed);
        return true;
    }

    qDebug() << "device_photo"
             << "OCModelInsertThread::deleteModelData" << m_modeName << " path =" << path;
    CPhotoDataItem* item = m_mediaList->findItem(path, false);
    if (!item)
        return false;
    if (m_model->IndexOf(item) < 0) {
        // No row to wait for: the item goes at once.
        QStringList paths { path };
        m_mediaList->removeItems(paths);
        return false;
    }
    m_pendingRemovalPath = path;
    m_model->DeleteItem(item);
    return true;
}

void OCModelInsertThread::clearRemovedFiles()
{
    const int removedCount = removedFiles().size();
    if (removedCount == 0)
        return;
    qDebug() << "device_photo"
             << "OCModelInsertThread::clearRemovedFiles" << m_modeName
             << "end run queue count=" << queueCount() << "stop=" << m_stop.load()
             << "remove count=" << removedCount;
    // Applied even after a memory stop; only stop() gives the call up.
    GuiCall::run(
        this,
        [this] {
            if (!m_stopCalled)
                deleteModelData(QString());
        },
        [this] { return m_stopCalled.load(); });
    for (int step = 0; step < 100 && !m_viewReset && !m_stopCalled; ++step) {
        QThread::msleep(50);
        MsgPeekAndPump();
    }
    m_viewReset = true;
}
