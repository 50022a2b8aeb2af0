// Deleting the selection from the phone: the question, the competing work
// held back, the host's per-file notices, and the list brought in line with
// what is really gone.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QMutexLocker>

#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/device/devicefunctions.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "screen/livewidget.h"
#include "screen/selectionchecker.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int NoMessage = -1;
const int StartNotice = -2;

// DeleteFilesInPhone's refusals as the error box shows them.
int shownRefusal(int answer)
{
    if (answer == AgentResult::Busy)
        return ErrorBoxCode::PhoneBusy;
    if (answer == AgentResult::Refused)
        return ErrorBoxCode::DeleteRefused;
    return answer;
}

void pauseThread(OCModelInsertThread* thread, bool paused)
{
    if (thread && thread->isRunning())
        thread->pause(paused);
}

} // namespace

void PhotoItemViewWidget::DeleteCallback(
    int error, int nCurThreadID, QString strCurDeletePath, QString strReserved)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        screen->on_delete_callback(error, nCurThreadID, strCurDeletePath, strReserved);
}

bool PhotoItemViewWidget::DeleteRefused() const
{
    const char* reason = nullptr;
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
        reason = " : Loading";
    else if (hostTransferRunning(OCSharedValue::ProcessTransferB))
        reason = " : Transferring";
    else if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessDelete))
        reason = " : Deleting";
    if (reason)
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete" << reason;
    return reason != nullptr;
}

bool PhotoItemViewWidget::ConfirmDelete(const QStringList& files)
{
    const QString text = files.size() == 1
        ? GetQString(tr("Would you like to delete \"%1\" from Phone Library? The original file "
                        "will be deleted."))
              .arg(getFileName(files.first(), true))
        : GetQString(tr("Would you like to delete the selected files from Phone Library? The "
                        "original files will be deleted."));
    MSGBoxOptions options;
    options.buttons = { { MsgBoxFlag::Ok, GetQString(tr("Delete")) },
        { MsgBoxFlag::Cancel, GetQString(tr("Cancel")) } };
    options.defaultButton = MsgBoxFlag::Ok;
    const quint32 answer = OCMsgBox::ShowOCMessageBox(
        this, GetQString(tr("Delete")), text, 0, MsgBoxFlag::Ok | MsgBoxFlag::Cancel, &options);
    return answer & MsgBoxFlag::Ok;
}

void PhotoItemViewWidget::PauseForDelete()
{
    on_pause_patialloading();
    stop_thumbnail_thread();
    StopSelectionCheck();
    m_loading->ShowLoadingWidget();
    pauseThread(m_threadModelLoad, true);
    pauseThread(m_threadModelToPhone, true);
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : stopped other funtion";
}

void PhotoItemViewWidget::ResumeAfterDelete()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : end";
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessDelete);
    on_start_patialloading();
}

void PhotoItemViewWidget::CheckStillThere(const QStringList& paths,
    std::function<void(const QStringList& present, const QStringList& gone)> then)
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (isMediaTransferKind() || !agent || paths.isEmpty()) {
        then(paths, QStringList());
        return;
    }
    m_deleteCheckPaths = paths;
    m_afterDeleteCheck = std::move(then);
    m_deleteChecker->start(QList<QPersistentModelIndex>(), paths, agent);
}

void PhotoItemViewWidget::OnDelete(bool confirm)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : start";
    QStringList files = SelectedPaths(false);
    if (files.isEmpty() || DeleteRefused())
        return;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessDelete);
    if (confirm && !ConfirmDelete(files)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : cancel delete file";
        ResumeAfterDelete();
        return;
    }
    PauseForDelete();
    {
        QMutexLocker lock(&m_deletedMutex);
        m_deletedFiles.clear();
    }
    CheckStillThere(files, [this](const QStringList& present, const QStringList& gone) {
        {
            QMutexLocker lock(&m_deletedMutex);
            m_deletedFiles.append(gone);
        }
        DeleteFromPhone(present);
    });
}

void PhotoItemViewWidget::DeleteFromPhone(const QStringList& files)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : check file exist" << files.size();
    if (files.isEmpty()) {
        on_complete_delete_file(0, -1); // ends the delete
        return;
    }
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    const int answer = DeleteFilesInPhone(
        agent, files, reinterpret_cast<void*>(&PhotoItemViewWidget::DeleteCallback));
    if (answer == AgentResult::Ok) {
        // The flag stays set until the host's end notice.
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnDelete : delete requested" << files.size();
        return;
    }
    qCWarning(lcScreen) << "PhotoItemViewWidget::OnDelete : the phone refused the delete" << answer;
    on_complete_delete_file(shownRefusal(answer), -1); // ends the delete
}

void PhotoItemViewWidget::on_delete_callback(
    int error, int nCurThreadID, const QString& strCurDeletePath, const QString&)
{
    if (error == 0 && !strCurDeletePath.isEmpty()) {
        QMutexLocker lock(&m_deletedMutex);
        m_deletedFiles.append(strCurDeletePath);
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_delete_callback" << strCurDeletePath;
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_delete_callback delete items complete" << error;
    QMetaObject::invokeMethod(this, "on_complete_delete_file", Qt::QueuedConnection,
        Q_ARG(int, error), Q_ARG(int, nCurThreadID));
}

void PhotoItemViewWidget::RemoveDeletedItems(int error)
{
    QStringList deleted;
    {
        QMutexLocker lock(&m_deletedMutex);
        deleted = m_deletedFiles;
        m_deletedFiles.clear();
    }
    // Only what is really gone leaves the list.
    CheckStillThere(deleted, [this, error](const QStringList& present, const QStringList& gone) {
        if (!present.isEmpty())
            qCWarning(lcScreen) << "PhotoItemViewWidget::on_complete_delete_file : still there"
                                << present;
        RemoveGoneItems(isMediaTransferKind() ? present : gone, error);
    });
}

void PhotoItemViewWidget::RemoveGoneItems(const QStringList& gone, int error)
{
    QAbstractItemView* view = viewOf(Current);
    const int page = currentIndex();
    const int scroll = view ? ScrollValue(Current) : 0;
    if (m_model) {
        QStringList removed = gone;
        m_mediaList->removeItems(removed);
        m_model->SetItems(-1, m_mediaList->allItems());
    }
    if (error != NoMessage && error != AgentResult::Busy)
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), error);
    HideLoadingIndicators();
    on_changed_items();
    ApplyCurrentSort();
    start_thumbnail_thread();
    if (page == AlbumMode)
        SetScrollValue(Current, scroll);
    pauseThread(m_threadModelLoad, false);
    pauseThread(m_threadModelToPhone, false);
    ResumeAfterDelete();
}

void PhotoItemViewWidget::on_complete_delete_file(int error, int threadID)
{
    if (!m_mediaList)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_complete_delete_file" << error << threadID;
    if (error == StartNotice) {
        m_deleteJob = threadID;
        return;
    }
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (threadID != -1 && agent)
        agent->CloseDeleteJob(threadID);
    m_deleteJob = -1;
    if (viewOf(Current)) {
        RemoveDeletedItems(error); // resumes once the phone has answered
        return;
    }
    pauseThread(m_threadModelLoad, false);
    pauseThread(m_threadModelToPhone, false);
    ResumeAfterDelete();
}
