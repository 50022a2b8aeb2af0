// Listing the phone: starting it through the device agent (mounting a
// mass-storage phone first), the agent's item-load callbacks routed to the
// GUI thread, the listing and to-phone insert threads, the end of a listing,
// and the device, memory-card and storage changes that restart it.
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QThread>
#include <QTimer>

#include "host/contract/devicefilerecord.h"
#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/device/devicefunctions.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "thumbview/albumviewwidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int RetryMs = 100;
// An abandoned listing that has not reported its end by then never will.
const int AbandonedLimitMs = 3000;
const int StatusModeChange = OCGlobal::ITEM_PC_PHOTO;

} // namespace

void PhotoItemViewWidget::ItemLoadCallback(int code, quintptr info)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        screen->on_listing_callback(code, info);
}

void PhotoItemViewWidget::UmsMountCallback(int result)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::UmsMountCallback : result" << result;
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        QMetaObject::invokeMethod(
            screen, "on_UmsMountResult", Qt::QueuedConnection, Q_ARG(int, result));
}

void PhotoItemViewWidget::on_listing_callback(int nError, quintptr pInfo)
{
    // Runs on the agent's thread: only signals leave here. Called on the
    // GUI thread itself, a blocking connection would deadlock, so the slots
    // run directly.
    const bool here = QThread::currentThread() == thread();
    switch (nError) {
    case ItemLoadCode::Started:
        emit on_signal_callback_startItemLoad();
        break;
    case ItemLoadCode::Event:
        if (here)
            on_itemload_callback_eventItemLoad(pInfo);
        else
            emit on_signal_callback_eventItemLoad(pInfo);
        break;
    case ItemLoadCode::Item:
        if (here)
            on_itemload_callback_insertItemLoad(pInfo);
        else
            emit on_signal_callback_insertItemLoad(pInfo);
        break;
    case ItemLoadCode::Finished:
        emit on_signal_callback_finishItemLoad();
        break;
    default:
        emit on_signal_callback_stopItemLoad(nError);
        break;
    }
}

void PhotoItemViewWidget::on_listing_callback(
    int nError, const QString& path, qint64 size, const QDateTime& time)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_listing_callback : not listed" << nError << path
                      << size << time;
}

void PhotoItemViewWidget::start_loaditems_thread(bool bNeedUMSCheck)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_loaditems_thread : start" << bNeedUMSCheck;
    stop_loaditems_thread();
    if (WaitForAbandonedListing("PhotoItemViewWidget::start_loaditems_thread")) {
        QTimer::singleShot(
            RetryMs, this, [this, bNeedUMSCheck] { start_loaditems_thread(bNeedUMSCheck); });
        return;
    }
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessListing);
    LoadItems(bNeedUMSCheck);
}

void PhotoItemViewWidget::start_loaditems_thread()
{
    start_loaditems_thread(true);
}

void PhotoItemViewWidget::stop_loaditems_thread()
{
    if (!m_agentListing)
        return;
    qCDebug(lcScreen)
        << "PhotoItemViewWidget::stop_loaditems_thread : the phone's listing is given up";
    if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
        agent->StopItemLoad();
    m_agentListing = false;
    m_abandonedListing = true;
    m_abandonedSince.start();
}

bool PhotoItemViewWidget::WaitForAbandonedListing(const char* method)
{
    if (!m_abandonedListing)
        return false;
    if (m_abandonedSince.isValid() && m_abandonedSince.elapsed() > AbandonedLimitMs) {
        qCDebug(lcScreen) << method << ": the abandoned listing never ended";
        m_abandonedListing = false;
        return false;
    }
    qCDebug(lcScreen) << method << ": waiting for the abandoned listing to end";
    return true;
}

void PhotoItemViewWidget::on_finished_loaditems()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_loaditems";
}

void PhotoItemViewWidget::LoadItems(bool bNeedUMSCheck)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::LoadItems : start";
    SetStatusText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
    on_stop_patialloading();
    if (g_SharedValue.IsPartialLoading() && m_hostContext && m_hostContext->photoDatabase)
        m_hostContext->photoDatabase->clearDBRecords(true);
    m_memoryStopped = false;
    m_listingEvents = false;

    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    const int deviceIndex = agent ? agent->GetDeviceIndex() : -1;
    if (deviceIndex == -1) {
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
        m_listingState = NotListed;
        emit on_signal_device_refresh_finish(PhotoType);
        emit on_signal_changed_items();
        emit on_signal_hideLoadingWidget();
        qCWarning(lcScreen) << "PhotoItemViewWidget::LoadItems get device failed";
        return;
    }
    if (m_fileAgentType == ConnectionKind::MassStorage && IsConnectedPhone(agent)
        && !IsUMSAvailable(deviceIndex) && bNeedUMSCheck) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::LoadItems : mount the phone's storage first";
        agent->RequestUmsMount(deviceIndex, &PhotoItemViewWidget::UmsMountCallback, 0);
        emit on_signal_showModechangeLoading(true, ITEM_TYPE(StatusModeChange));
        return;
    }

    const int status = agent->StartItemLoad(QStringLiteral("ROOT"));
    qCDebug(lcScreen) << "PhotoItemViewWidget::LoadItems : StartItemLoad" << status;
    if (status == AgentResult::ListingStarted) {
        g_SharedValue.addState(PhotoType, OCSharedValue::ProcessListing);
        m_listingState = Listing;
        m_agentListing = true;
    } else if (status == AgentResult::Ok) {
        // Nothing to report: the listing is over, and empty.
        m_listingState = Listing;
        on_itemload_callback_finishItemLoad();
    } else {
        if (m_listingState != Listing)
            emit on_signal_changed_items();
        if (status == AgentResult::Busy)
            emit on_signal_errorMsgBox(GetQString(tr("Notice")), ErrorBoxCode::PhoneBusy);
        if (m_listingState != Listing)
            emit on_signal_hideLoadingWidget();
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
        m_listingState = NotListed;
        emit on_signal_device_refresh_finish(PhotoType);
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::LoadItems end" << m_listingState;
}

void PhotoItemViewWidget::LoadItems(const QStringList& paths)
{
    const bool listing = m_listingState == Listing;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        ItemEvent event(ItemEventCode::Locate, std::make_unique<CPhotoDataItem>(path));
        if (listing)
            addThreadModelDataWithLoading(std::move(event));
        else
            addThreadModelDataWithToPhone(std::move(event));
    }
    if (!listing)
        addThreadModelDataWithToPhone(ItemEvent());
}

void PhotoItemViewWidget::on_UmsMountResult(int nResult)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_UmsMountResult : result" << nResult;
    emit on_signal_showModechangeLoading(false, ITEM_TYPE(StatusModeChange));
    if (nResult == MountResult::Mounted) {
        // The drive is there now: list it, without asking for it again.
        start_loaditems_thread(false);
        return;
    }
    m_listingState = NotListed;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
    emit on_signal_device_refresh_finish(PhotoType);
    if (nResult != MountResult::Refused && nResult != MountResult::Cancelled && isVisible())
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::StorageNotOpened);
    emit on_signal_hideLoadingWidget();
    UpdateStatusText();
}

int PhotoItemViewWidget::InsertEventCode() const
{
    switch (m_fileAgentType) {
    case ConnectionKind::Mtp:
        return ItemEventCode::ListedFull;
    case ConnectionKind::MtpBasic:
        return ItemEventCode::ListedMinimal;
    default:
        return ItemEventCode::Listed;
    }
}

void PhotoItemViewWidget::on_itemload_callback_startItemLoad()
{
    if (m_abandonedListing) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_startItemLoad : abandoned "
                             "listing, dropped";
        return;
    }
    m_albumView->SetControlsEnabled(true);
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessListing);
    m_listingState = Listing;
    SetStatusText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
}

void PhotoItemViewWidget::on_itemload_callback_insertItemLoad(quintptr pInfo)
{
    if (!pInfo) {
        qCWarning(lcScreen)
            << "PhotoItemViewWidget::on_itemload_callback_insertItemLoad : info is null";
        return;
    }
    if (m_abandonedListing || m_listingState != Listing) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_insertItemLoad : no "
                             "listing under way, dropped"
                          << m_listingState;
        return;
    }
    auto item = std::make_unique<CPhotoDataItem>(pInfo);
    const QString path = item->path;
    addThreadModelDataWithLoading(ItemEvent(InsertEventCode(), std::move(item)));
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_insertItemLoad" << path;
}

void PhotoItemViewWidget::on_itemload_callback_eventItemLoad(quintptr pInfo)
{
    const auto* record = reinterpret_cast<const DeviceFileRecord*>(pInfo);
    if (!record) {
        qCWarning(lcScreen)
            << "PhotoItemViewWidget::on_itemload_callback_eventItemLoad : info is null";
        return;
    }
    int code = 0;
    switch (record->changeKind) {
    case DeviceChange::Added:
        code = InsertEventCode();
        break;
    case DeviceChange::ObjectIdAssigned:
        code = ItemEventCode::ObjectIdAssigned;
        break;
    case DeviceChange::Changed:
        code = ItemEventCode::Changed;
        break;
    case DeviceChange::Removed:
        code = ItemEventCode::Removed;
        break;
    default:
        qCDebug(lcScreen)
            << "PhotoItemViewWidget::on_itemload_callback_eventItemLoad : change ignored"
            << record->changeKind;
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_eventItemLoad : change"
                      << record->changeKind << GetCString2QString(record->path);
    // The photo whose properties are shown went away: close the dialog.
    if (record->changeKind == DeviceChange::Removed && !m_propertyPath.isEmpty()
        && toStoredPath(GetCString2QString(record->path))
                .compare(toStoredPath(m_propertyPath), Qt::CaseInsensitive)
            == 0)
        emit on_signal_devicechange(false);
    addThreadModelDataWithToPhone(ItemEvent(code, std::make_unique<CPhotoDataItem>(pInfo)));
    if (record->changeKind != 0)
        addThreadModelDataWithToPhone(ItemEvent());
}

void PhotoItemViewWidget::on_itemload_callback_finishItemLoad()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_finishItemLoad : state"
                      << m_listingState;
    m_agentListing = false;
    if (m_abandonedListing) {
        m_abandonedListing = false;
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_finishItemLoad : end of an "
                             "abandoned listing";
        return;
    }
    if (m_fileAgentType == ConnectionKind::MassStorage)
        m_loading->HideLoadingWidget();
    if (m_listingState == ListingStopped) {
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
        m_listingState = NotListed;
        emit on_signal_device_refresh_finish(PhotoType);
        return;
    }
    if (m_listingState != Listing) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_finishItemLoad : no "
                             "listing under way, dropped";
        return;
    }
    m_listingState = Merging;
    addThreadModelDataWithLoading(ItemEvent());
}

void PhotoItemViewWidget::on_itemload_callback_stopItemLoad(int error)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_stopItemLoad error =" << error;
    if (error != 0) {
        m_agentListing = false;
        if (m_abandonedListing) {
            m_abandonedListing = false;
            qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_callback_stopItemLoad : end of "
                                 "an abandoned listing";
            return;
        }
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
        m_listingState = ListingStopped;
        emit on_signal_device_refresh_finish(PhotoType);
        if (isVisible())
            OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), error);
    }
    m_loading->HideLoadingWidget();
    on_changed_items();
}

void PhotoItemViewWidget::addThreadModelDataWithLoading(ItemEvent event)
{
    // Mass storage merges the whole listing at its end, the other kinds row by row.
    const bool loadMode = !isMediaTransferKind();
    if (!m_mediaList || !m_model)
        return;
    if (!m_threadModelLoad) {
        m_threadModelLoad = new OCModelInsertThread(loadMode, this);
        m_threadModelLoad->setMediaList(m_mediaList);
        m_threadModelLoad->setModel(m_model);
        // Queued: the worker may go in the handler, and it emits from its own code.
        connect(m_threadModelLoad, &OCModelInsertThread::finished, this,
            &PhotoItemViewWidget::on_itemload_finishItemLoad, Qt::QueuedConnection);
        connect(m_threadModelLoad, &OCModelInsertThread::rowsChanged, this,
            &PhotoItemViewWidget::refreshAfterRowChange);
        connect(m_threadModelLoad, &OCModelInsertThread::locatedItemListed, this,
            &PhotoItemViewWidget::showItemOfPath);
    } else if (m_threadModelLoad->stoppedForMemory()) {
        // Its last run ended so; how is forgotten once it runs again.
        m_memoryStopped = true;
    }
    if (event.code != ItemEventCode::EndOfBatch) {
        m_listingEvents = true;
        m_threadModelLoad->addData(std::move(event));
        return;
    }
    if (!m_listingEvents && m_threadModelLoad->queueCount() == 0) {
        // Nothing was ever queued, so nothing is being merged either.
        qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithLoading : no item";
        m_threadModelLoad->stop();
        on_itemload_finishItemLoad();
    } else if (loadMode) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithLoading : execute";
        m_threadModelLoad->exec();
    } else {
        // The thread ends once its queue is merged, the last row included.
        qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithLoading : finish";
        m_threadModelLoad->finish();
    }
}

void PhotoItemViewWidget::on_itemload_finishItemLoad()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_itemload_finishItemLoad : state"
                      << m_listingState;
    if (m_threadModelLoad && m_threadModelLoad->stoppedForMemory())
        m_memoryStopped = true;
    // Only the end of the merge counts: the thread also ends when memory runs
    // short while the phone still reports, or when a reset stops it.
    if (m_listingState != Merging)
        return;
    if (m_memoryStopped)
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::OutOfMemory);
    m_memoryStopped = false;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
    m_listingState = Listed;
    emit on_signal_device_refresh_finish(PhotoType);

    if (m_fileAgentType == ConnectionKind::Mtp && currentIndex() == ViewerMode) {
        const QString shown
            = m_viewer->FilmStrip()->currentIndex().data(PhotoRole::PathRole).toString();
        if (!shown.isEmpty())
            on_load_photoViewer(shown);
    }
    if (m_fileAgentType == ConnectionKind::MassStorage && g_SharedValue.IsPartialLoading())
        m_loading->HideLoadingWidget();
    if (!g_SharedValue.hasProcessState(
            PhotoType, OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB)) {
        if (m_model->rowCount() == 0) {
            on_itemload_callback_stopItemLoad(0);
        } else {
            start_thumbnail_thread();
            on_changed_items();
            ApplyCurrentSort();
        }
    }
    for (const QString& path : qAsConst(m_pendingSelection))
        showItemOfPath(path);
    m_pendingSelection.clear();
    RestoreAfterRefresh();
    LoadImportedMarks();

    ReleaseIdleWorker(m_threadModelLoad);
}

void PhotoItemViewWidget::ResetListing()
{
    // Nothing is left to show: the viewer goes back to the page it came from,
    // without starting thumbnail requests for the list about to go.
    m_listingState = NotListed;
    if (viewerOpen())
        on_close_photoViewer();
    stop_thumbnail_thread();
    m_thumbnails->reset();
    m_heldForViewerDownload = false;
    // The model lets go of the items before the list deletes them.
    if (m_model)
        m_model->SetItems(-1, QList<CPhotoDataItem*>());
    if (m_mediaList)
        m_mediaList->clear();
    for (int mode : { ListMode, ThumbListMode, AlbumMode, NoPage }) {
        m_prevSortColumn.insert(mode, PhotoColumn::Path);
        m_prevSortOrder.insert(mode, Qt::AscendingOrder);
    }
    m_pendingSelection.clear();
    setWaitBeforeListing(PhotoType, false);
    m_listingState = NotListed;
    // Emptying the model clears the views' selections without a signal: the
    // host's flags, the check-all boxes and the status text follow here.
    on_selection_Changed(QItemSelection(), QItemSelection());
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
}

void PhotoItemViewWidget::on_SDCardchange(bool bIsConnected, const QString& driveName)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_SDCardchange start" << bIsConnected << driveName;
    emit on_signal_devicechange(false);
    on_main_close();
    ResetListing();
    if (!isVisible()) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_SDCardchange no visible end1";
        return;
    }
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!bIsConnected && agent && GetMemChangeType(agent->GetDeviceIndex()) != 0
        && g_SharedValue.hasProcessState(
            OCGlobal::ITEM_DEVICE, OCSharedValue::ProcessStorageBusy)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_SDCardchange : the phone changes its storage "
                             "itself, no listing";
        return;
    }
    m_listingState = Listing;
    SetStatusText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
    QTimer::singleShot(RetryMs, this, &PhotoItemViewWidget::on_load_fromSDcardChange);
}

void PhotoItemViewWidget::on_load_fromSDcardChange()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent || agent->GetDeviceIndex() == -1) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_load_fromSDcardChange : no device";
        m_listingState = NotListed;
        m_loading->HideLoadingWidget();
        return;
    }
    if (agent->IsBusy() || !isReadyForListing()
        || WaitForAbandonedListing("PhotoItemViewWidget::on_load_fromSDcardChange")) {
        QTimer::singleShot(RetryMs, this, &PhotoItemViewWidget::on_load_fromSDcardChange);
        return;
    }
    start_loaditems_thread(false);
}

void PhotoItemViewWidget::on_memcombo_changeStart()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_memcombo_changeStart";
    m_storageSwitching = true;
    m_loading->ShowLoadingWidget();
}

void PhotoItemViewWidget::on_memcombo_changeEnd(bool result)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_memcombo_changeEnd : result" << result;
    m_storageSwitching = false;
    m_loading->HideLoadingWidget();
    m_listingState = NotListed;
}

void PhotoItemViewWidget::on_device_init(int nItemType)
{
    if (nItemType != PhotoType)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_init start!!!";
    g_SharedValue.setState(PhotoType, OCSharedValue::ProcessDeviceInit);
    on_main_close();
    ResetListing();
    // The phone's entry lists it again when it is chosen next, even if it
    // is the entry shown now.
    m_lastItemType = OCGlobal::ITEM_NONE;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessDeviceInit);
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_init end!!!";
}

void PhotoItemViewWidget::on_device_refresh(int nItemType)
{
    if (nItemType != PhotoType)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_refresh : start";
    RefreshListing();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_refresh : end";
}
