#include "screen/deleteoperation.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QPersistentModelIndex>

#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/device/devicefunctions.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "screen/screenshared.h"
#include "screen/selectionchecker.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int NoMessage = -1;

// DeleteFilesInPhone's refusals as the error box shows them.
int shownRefusal(int answer)
{
    if (answer == AgentResult::Busy)
        return ErrorBoxCode::PhoneBusy;
    if (answer == AgentResult::Refused)
        return ErrorBoxCode::DeleteRefused;
    return answer;
}

bool hostTransferRunning(quint32 bits)
{
    return (g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & bits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & bits);
}

} // namespace

DeleteOperation::DeleteOperation(Screen* screen, std::function<IDeviceNexaAgent*()> agent,
    std::function<bool()> mediaTransfer, void* deleteCallback, QWidget* boxParent, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_agent(std::move(agent))
    , m_mediaTransfer(std::move(mediaTransfer))
    , m_deleteCallback(deleteCallback)
    , m_boxParent(boxParent)
    , m_checker(new SelectionChecker(this, false))
{
    connect(m_checker, &SelectionChecker::finished, this,
        [this](
            const QList<QPersistentModelIndex>&, const QVector<bool>& found) { onChecked(found); });
}

bool DeleteOperation::refused() const
{
    const char* reason = nullptr;
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
        reason = " : Loading";
    else if (hostTransferRunning(OCSharedValue::ProcessTransferB))
        reason = " : Transferring";
    else if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessDelete))
        reason = " : Deleting";
    if (reason)
        qCDebug(lcScreen) << "DeleteOperation::start" << reason;
    return reason != nullptr;
}

bool DeleteOperation::confirm(const QStringList& files)
{
    const QString question = files.size() == 1
        ? screenText("Would you like to delete \"%1\" from Phone Library? The original file "
                     "will be deleted.")
              .arg(getFileName(files.first(), true))
        : screenText("Would you like to delete the selected files from Phone Library? The "
                     "original files will be deleted.");
    MSGBoxOptions options;
    options.buttons = { { MsgBoxFlag::Ok, screenText("Delete") },
        { MsgBoxFlag::Cancel, screenText("Cancel") } };
    options.defaultButton = MsgBoxFlag::Ok;
    const quint32 answer = OCMsgBox::ShowOCMessageBox(m_boxParent, screenText("Delete"), question,
        0, MsgBoxFlag::Ok | MsgBoxFlag::Cancel, &options);
    return answer & MsgBoxFlag::Ok;
}

void DeleteOperation::start(const QStringList& files, bool ask)
{
    qCDebug(lcScreen) << "DeleteOperation::start : start";
    if (files.isEmpty() || refused())
        return;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessDelete);
    m_state = State::Confirming;
    if (ask && !confirm(files)) {
        qCDebug(lcScreen) << "DeleteOperation::start : cancel delete file";
        end();
        return;
    }
    m_screen->holdWorkForDelete();
    {
        QMutexLocker lock(&m_deletedMutex);
        m_deleted.clear();
    }
    m_state = State::CheckingBefore;
    checkStillThere(files, [this](const QStringList& present, const QStringList& gone) {
        {
            QMutexLocker lock(&m_deletedMutex);
            m_deleted.append(gone);
        }
        deleteFromPhone(present);
    });
}

void DeleteOperation::checkStillThere(const QStringList& paths,
    std::function<void(const QStringList& present, const QStringList& gone)> then)
{
    IDeviceNexaAgent* phone = agent();
    if (m_mediaTransfer() || !phone || paths.isEmpty()) {
        then(paths, QStringList());
        return;
    }
    m_checkPaths = paths;
    m_afterCheck = std::move(then);
    m_checker->start(QList<QPersistentModelIndex>(), paths, phone);
}

void DeleteOperation::onChecked(const QVector<bool>& found)
{
    QStringList present;
    QStringList gone;
    for (int i = 0; i < m_checkPaths.size(); ++i)
        (i < found.size() && !found.at(i) ? gone : present).append(m_checkPaths.at(i));
    m_checkPaths.clear();
    const auto then = std::move(m_afterCheck);
    m_afterCheck = nullptr;
    if (then)
        then(present, gone);
}

void DeleteOperation::deleteFromPhone(const QStringList& files)
{
    qCDebug(lcScreen) << "DeleteOperation::deleteFromPhone: still there" << files.size();
    if (files.isEmpty()) {
        complete(0, -1); // ends the delete
        return;
    }
    m_state = State::Deleting;
    const int answer = DeleteFilesInPhone(agent(), files, m_deleteCallback);
    if (answer == AgentResult::Ok) {
        // The flag stays set until the host's end notice.
        qCDebug(lcScreen) << "DeleteOperation::deleteFromPhone: requested" << files.size();
        return;
    }
    qCWarning(lcScreen) << "DeleteOperation::deleteFromPhone: the phone refused" << answer;
    complete(shownRefusal(answer), -1); // ends the delete
}

void DeleteOperation::report(int error, int jobId, const QString& path)
{
    if (error == 0 && !path.isEmpty()) {
        QMutexLocker lock(&m_deletedMutex);
        m_deleted.append(path);
        qCDebug(lcScreen) << "DeleteOperation::report:" << path;
        return;
    }
    qCDebug(lcScreen) << "DeleteOperation::report: delete items complete" << error;
    QMetaObject::invokeMethod(
        this, [this, error, jobId] { complete(error, jobId); }, Qt::QueuedConnection);
}

void DeleteOperation::complete(int error, int jobId)
{
    qCDebug(lcScreen) << "DeleteOperation::complete" << error << jobId;
    if (error == DeleteJobNotice::Started) {
        m_job = jobId;
        return;
    }
    IDeviceNexaAgent* phone = agent();
    if (jobId != -1 && phone)
        phone->CloseDeleteJob(jobId);
    m_job = -1;
    if (m_screen->hasItemView()) {
        removeDeleted(error); // resumes once the phone has answered
        return;
    }
    m_screen->releaseWorkAfterDelete();
    end();
}

void DeleteOperation::removeDeleted(int error)
{
    QStringList deleted;
    {
        QMutexLocker lock(&m_deletedMutex);
        deleted = m_deleted;
        m_deleted.clear();
    }
    m_state = State::CheckingAfter;
    // Only what is really gone leaves the list.
    checkStillThere(deleted, [this, error](const QStringList& present, const QStringList& gone) {
        if (!present.isEmpty())
            qCWarning(lcScreen) << "DeleteOperation::removeDeleted: still there" << present;
        removeGone(m_mediaTransfer() ? present : gone, error);
    });
}

void DeleteOperation::removeGone(const QStringList& gone, int error)
{
    m_screen->removeDeletedRows(gone);
    if (error != NoMessage && error != AgentResult::Busy)
        OCMsgBox::OCErrorMessageBox(m_boxParent, screenText("Notice"), error);
    m_screen->releaseWorkAfterDelete();
    end();
}

void DeleteOperation::end()
{
    qCDebug(lcScreen) << "DeleteOperation::end : end";
    m_state = State::Idle;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessDelete);
    m_screen->resumePartialLoading();
}

void DeleteOperation::cancelJob()
{
    IDeviceNexaAgent* phone = agent();
    if (phone && g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessDelete)
        && m_job != -1)
        phone->CancelDeleteJob(m_job);
}

void DeleteOperation::cancelCheck()
{
    m_checker->cancel();
}

bool DeleteOperation::waitForCheck(int ms)
{
    return m_checker->waitForIdle(ms);
}
