#include "agentrecorder.h"

#include "host/contract/devicefilerecord.h"

#include <QMutexLocker>

namespace {

QMutex g_mutex;
QList<ItemReport> g_items;
QList<int> g_thumbnails;
QList<ProgressReport> g_progress;
QList<QPair<int, int>> g_completions;
QList<DeleteNotice> g_deletes;
QList<bool> g_renames;
std::function<void(const ItemReport&)> g_itemHook;
std::function<void(const ProgressReport&)> g_progressHook;
std::function<void(const DeleteNotice&)> g_deleteHook;

template<typename T> QList<T> copyOf(const QList<T>& list)
{
    QMutexLocker lock(&g_mutex);
    return list;
}

} // namespace

namespace AgentRecorder {

void reset()
{
    QMutexLocker lock(&g_mutex);
    g_items.clear();
    g_thumbnails.clear();
    g_progress.clear();
    g_completions.clear();
    g_deletes.clear();
    g_renames.clear();
    g_itemHook = nullptr;
    g_progressHook = nullptr;
    g_deleteHook = nullptr;
}

void setItemHook(std::function<void(const ItemReport&)> hook)
{
    QMutexLocker lock(&g_mutex);
    g_itemHook = std::move(hook);
}

void setProgressHook(std::function<void(const ProgressReport&)> hook)
{
    QMutexLocker lock(&g_mutex);
    g_progressHook = std::move(hook);
}

void setDeleteHook(std::function<void(const DeleteNotice&)> hook)
{
    QMutexLocker lock(&g_mutex);
    g_deleteHook = std::move(hook);
}

QList<ItemReport> items()
{
    return copyOf(g_items);
}
QList<int> thumbnailCodes()
{
    return copyOf(g_thumbnails);
}
QList<ProgressReport> progress()
{
    return copyOf(g_progress);
}
QList<QPair<int, int>> completions()
{
    return copyOf(g_completions);
}
QList<DeleteNotice> deleteNotices()
{
    return copyOf(g_deletes);
}
QList<bool> renameResults()
{
    return copyOf(g_renames);
}
bool listingEnded()
{
    QMutexLocker lock(&g_mutex);
    for (const ItemReport& report : qAsConst(g_items)) {
        if (report.code != ItemLoadCode::Item && report.code != ItemLoadCode::Started
            && report.code != ItemLoadCode::Event)
            return true;
    }
    return false;
}

void OC_STDCALL itemLoad(int code, quintptr info)
{
    ItemReport report;
    report.code = code;
    if (info != 0 && (code == ItemLoadCode::Item || code == ItemLoadCode::Event)) {
        // The record lives only for the duration of the call: copy it now.
        const auto* record = reinterpret_cast<const DeviceFileRecord*>(info);
        report.changeKind = record->changeKind;
        report.path = GetCString2QString(record->path);
        report.fileName = GetCString2QString(record->fileName);
        report.objectId = GetCString2QString(record->objectId);
        report.type = GetCString2QString(record->type);
        report.createdDate = GetCString2QString(record->createdDate);
        report.modifiedDate = GetCString2QString(record->modifiedDate);
        report.shootingDate = GetCString2QString(record->shootingDate);
        report.size = record->size;
        report.width = record->width;
        report.height = record->height;
    }
    std::function<void(const ItemReport&)> hook;
    {
        QMutexLocker lock(&g_mutex);
        g_items.append(report);
        hook = g_itemHook;
    }
    if (hook)
        hook(report);
}

void OC_STDCALL thumbnail(int error)
{
    QMutexLocker lock(&g_mutex);
    g_thumbnails.append(error);
}

void OC_STDCALL transferProgress(qint64 current, qint64 total, int status, CString fileName)
{
    const ProgressReport report { current, total, status, GetCString2QString(fileName) };
    std::function<void(const ProgressReport&)> hook;
    {
        QMutexLocker lock(&g_mutex);
        g_progress.append(report);
        hook = g_progressHook;
    }
    if (hook)
        hook(report);
}

void OC_STDCALL transferDone(int jobId, int result)
{
    QMutexLocker lock(&g_mutex);
    g_completions.append(qMakePair(jobId, result));
}

void OC_STDCALL deleted(int error, int jobId, QString path, QString reserved)
{
    Q_UNUSED(reserved);
    const DeleteNotice notice { error, jobId, path };
    std::function<void(const DeleteNotice&)> hook;
    {
        QMutexLocker lock(&g_mutex);
        g_deletes.append(notice);
        hook = g_deleteHook;
    }
    if (hook)
        hook(notice);
}

void OC_STDCALL renamed(bool result)
{
    QMutexLocker lock(&g_mutex);
    g_renames.append(result);
}

} // namespace AgentRecorder
