// The merge of one event: the database part on the worker, the list and
// model part on the GUI thread.
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
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace {
bool samePath(const QString& a, const QString& b)
{
    return toStoredPath(a).compare(toStoredPath(b), Qt::CaseInsensitive) == 0;
}
} // namespace

bool OCModelInsertThread::insertModelData(ItemEvent* event)
{
    QMutexLocker merge(&m_mergeLock);
    const int code = event ? event->code : -1;
    if (!m_screen || !m_mediaList || !m_model || !event || !event->item || code < 0
        || code > ItemEventCode::Last) {
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData"
                 << ": refused event" << code;
        if (event)
            delete event->item;
        delete event;
        return false;
    }
    CPhotoDataItem* item = event->item;
    const QString path = item->path;
    const QString objectId = item->objectId;
    qDebug() << "device_photo"
             << "OCModelInsertThread::insertModelData"
             << "[MTP_TEST]"
             << "start" << m_modeName << path;

    // The slow part, here on the worker: the row goes into the event's own
    // item, which nobody else sees yet.
    OCMediaItemList::Fetched fetched;
    if (code != ItemEventCode::Removed)
        fetched = m_mediaList->fetchInsertedItem(event, m_loadMode);

    bool result = false;
    bool owned = false; // the list took the event's item
    auto mergeOnGui = [&]() {
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
            result = deleteModelData(QString());
            return;
        }
        CPhotoDataItem* merged = m_mediaList->mergeInsertedItem(event, fetched);
        if (merged == item) {
            owned = true;
            qDebug() << "device_photo"
                     << "OCModelInsertThread::insertModelData" << m_modeName
                     << "successed media info & insert" << path;
            result = m_model->AddItem(item);
        } else if (merged) {
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
            else
                result = deleteModelData(path);
        }
        if (!owned && code == ItemEventCode::Locate)
            m_screen->showItemOfPath(path);
    };
    if (GuiCall::run(m_screen, mergeOnGui, [this] { return m_stop.load(); }) == GuiCall::Cancelled)
        qDebug() << "device_photo"
                 << "OCModelInsertThread::insertModelData" << m_modeName
                 << ": given up, the thread stops" << path;

    if (!owned)
        delete item;
    delete event;
    qDebug() << "device_photo"
             << "OCModelInsertThread::insertModelData"
             << "[MTP_TEST]"
             << "end" << m_modeName << result;
    return result;
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
        // The model lets go of the items before the list deletes them.
        QSet<CPhotoDataItem*> leaving;
        for (const QString& removedPath : qAsConst(removed)) {
            if (CPhotoDataItem* item = m_mediaList->findItem(removedPath, false))
                leaving.insert(item);
        }
        QList<CPhotoDataItem*> remaining = m_mediaList->allItems();
        remaining.erase(std::remove_if(remaining.begin(), remaining.end(),
                            [&](CPhotoDataItem* item) { return leaving.contains(item); }),
            remaining.end());
        m_model->SetItems(-1, remaining);
        m_mediaList->removeItems(removed);
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
        m_screen, [this] { deleteModelData(QString()); }, [this] { return m_stopCalled.load(); });
    for (int step = 0; step < 100 && !m_viewReset && !m_stopCalled; ++step) {
        QThread::msleep(50);
        MsgPeekAndPump();
    }
    m_viewReset = true;
}
