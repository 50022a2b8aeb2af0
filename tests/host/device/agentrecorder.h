#pragma once

#include "host/contract/ideviceagent.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <functional>

// What a device agent reported through its plain-function callbacks. The
// callbacks run on the agent's threads; tests read the lists on theirs.
struct ItemReport
{
    int code = 0;
    int changeKind = -1;
    QString path, fileName, objectId, type, createdDate, modifiedDate, shootingDate;
    qint64 size = 0;
    int width = 0, height = 0;
};

struct ProgressReport
{
    qint64 current = 0;
    qint64 total = 0;
    int status = 0;
    QString name;
};

struct DeleteNotice
{
    int error = 0;
    int jobId = 0;
    QString path;
};

namespace AgentRecorder {

void reset();
// Runs on the agent's thread inside the callback, before it returns: tests
// use it to hold a job at a known point.
void setItemHook(std::function<void(const ItemReport&)> hook);
void setProgressHook(std::function<void(const ProgressReport&)> hook);
void setDeleteHook(std::function<void(const DeleteNotice&)> hook);

QList<ItemReport> items();
QList<int> thumbnailCodes();
QList<ProgressReport> progress();
QList<QPair<int, int>> completions(); // job id, result
QList<DeleteNotice> deleteNotices();
QList<bool> renameResults();

// Whether the listing has ended (-2 or an error code).
bool listingEnded();

void OC_STDCALL itemLoad(int code, quintptr info);
void OC_STDCALL thumbnail(int error);
void OC_STDCALL transferProgress(qint64 current, qint64 total, int status, CString fileName);
void OC_STDCALL transferDone(int jobId, int result);
void OC_STDCALL deleted(int error, int jobId, QString path, QString reserved);
void OC_STDCALL renamed(bool result);

} // namespace AgentRecorder
