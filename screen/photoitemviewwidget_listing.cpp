// Listing the phone: one ListingSession per listing does the work; here the
// agent's item-load callbacks are routed to the GUI thread and to the session,
// the screen follows the session's start and end, and the device, memory-card
// and storage changes drop the listing or start a new one.
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
#include "screen/listingsession.h"
#include "screen/livewidget.h"
#include "thumbview/albumviewwidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int RetryMs = 100;
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

ListingSession* PhotoItemViewWidget::listing()
{
    // A given-up listing takes the phone's reports until its end.
    if (m_abandoned)
        return m_abandoned;
    return m_listing ? m_listing : newListing();
}

ListingSession* PhotoItemViewWidget::newListing()
{
    DropListing();
    ListingSession::Setup setup;
    setup.agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    setup.list = m_mediaList;
    setup.model = m_model;
    setup.connectionKind = m_fileAgentType;
    setup.mountCallback = &PhotoItemViewWidget::UmsMountCallback;
    m_listing = new ListingSession(setup, this);
    m_threadModelLoad = m_listing->insertThread();
    ConnectListing(m_listing);
    return m_listing;
}

void PhotoItemViewWidget::DropListing()
{
    if (!m_listing)
        return;
    // It may be the sender of the signal being handled.
    m_listing->disconnect(this);
    m_listing->stopMerging();
    m_listing->deleteLater();
    m_listing = nullptr;
}

void PhotoItemViewWidget::ConnectListing(ListingSession* session)
{
    using S = ListingSession;
    connect(session, &S::stateChanged, this, [this, session](S::State state) {
        if (session == m_listing)
            m_listingState = S::stateCode(state);
    });
    connect(session, &S::preparing, this, &PhotoItemViewWidget::PrepareListing);
    connect(session, &S::started, this, [this] {
        m_albumView->SetControlsEnabled(true);
        SetStatusText(GetQString(tr("Loading...")));
        m_loading->ShowLoadingWidget();
    });
    connect(session, &S::reportsEnded, this, [this] {
        if (m_fileAgentType == ConnectionKind::MassStorage)
            m_loading->HideLoadingWidget();
    });
    connect(session, &S::stopped, this, &PhotoItemViewWidget::EndStoppedListing);
    connect(session, &S::finished, this, &PhotoItemViewWidget::EndFinishedListing);
    connect(session, &S::memoryPressure, this, [this] {
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::OutOfMemory);
    });
    connect(session, &S::busyRefused, this,
        [this] { emit on_signal_errorMsgBox(GetQString(tr("Notice")), ErrorBoxCode::PhoneBusy); });
    connect(session, &S::mountShown, this, [this](bool shown) {
        emit on_signal_showModechangeLoading(shown, ITEM_TYPE(StatusModeChange));
    });
    connect(session, &S::mounted, this, [this] { start_loaditems_thread(false); });
    connect(session, &S::mountFailed, this, &PhotoItemViewWidget::MountFailed);
    connect(session, &S::deviceRefreshFinished, this,
        [this] { emit on_signal_device_refresh_finish(PhotoType); });
    connect(session, &S::itemsChanged, this, &PhotoItemViewWidget::on_signal_changed_items);
    connect(session, &S::loadingEnded, this, &PhotoItemViewWidget::on_signal_hideLoadingWidget);
    connect(session, &S::rowsChanged, this, &PhotoItemViewWidget::refreshAfterRowChange);
    connect(session, &S::locatedItemListed, this, &PhotoItemViewWidget::showItemOfPath);
}

void PhotoItemViewWidget::start_loaditems_thread(bool bNeedUMSCheck)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_loaditems_thread : start" << bNeedUMSCheck;
    stop_loaditems_thread();
    if (m_abandoned) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::start_loaditems_thread : waiting for the "
                             "abandoned listing to end";
        QTimer::singleShot(
            RetryMs, this, [this, bNeedUMSCheck] { start_loaditems_thread(bNeedUMSCheck); });
        return;
    }
    LoadItems(bNeedUMSCheck);
}

void PhotoItemViewWidget::start_loaditems_thread()
{
    start_loaditems_thread(true);
}

void PhotoItemViewWidget::stop_loaditems_thread()
{
    if (!m_listing || !m_listing->abandon())
        return;
    if (m_abandoned) {
        m_abandoned->disconnect(this);
        m_abandoned->deleteLater();
    }
    m_abandoned = m_listing;
    m_listing = nullptr;
    m_abandoned->disconnect(this);
    connect(m_abandoned, &ListingSession::stopped, this, &PhotoItemViewWidget::EndStoppedListing);
    connect(m_abandoned, &ListingSession::cancelled, this, [this] {
        m_abandoned->deleteLater();
        m_abandoned = nullptr;
    });
}

void PhotoItemViewWidget::on_finished_loaditems()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_loaditems";
}

void PhotoItemViewWidget::LoadItems(bool bNeedUMSCheck)
{
    // A card change made its session already: the listing is the one it waits for.
    ListingSession* session = m_listing && m_listing->state() == ListingSession::State::Waiting
        ? m_listing
        : newListing();
    session->start(bNeedUMSCheck);
}

void PhotoItemViewWidget::PrepareListing()
{
    SetStatusText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
    on_stop_patialloading();
    if (g_SharedValue.IsPartialLoading() && m_hostContext && m_hostContext->photoDatabase)
        m_hostContext->photoDatabase->clearDBRecords(true);
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
    listing()->mountAnswered(nResult);
}

void PhotoItemViewWidget::MountFailed(int result)
{
    if (result != MountResult::Refused && result != MountResult::Cancelled && isVisible())
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::StorageNotOpened);
    emit on_signal_hideLoadingWidget();
    UpdateStatusText();
}

void PhotoItemViewWidget::on_itemload_callback_startItemLoad()
{
    listing()->startReported();
}

void PhotoItemViewWidget::on_itemload_callback_insertItemLoad(quintptr pInfo)
{
    listing()->itemReported(pInfo);
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
        code = ListingSession::insertEventCode(m_fileAgentType);
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
    if (record->changeKind == DeviceChange::Removed && !propertyPath().isEmpty()
        && toStoredPath(GetCString2QString(record->path))
                .compare(toStoredPath(propertyPath()), Qt::CaseInsensitive)
            == 0)
        emit on_signal_devicechange(false);
    addThreadModelDataWithToPhone(ItemEvent(code, std::make_unique<CPhotoDataItem>(pInfo)));
    if (record->changeKind != 0)
        addThreadModelDataWithToPhone(ItemEvent());
}

void PhotoItemViewWidget::on_itemload_callback_finishItemLoad()
{
    listing()->finishReported();
}

void PhotoItemViewWidget::on_itemload_callback_stopItemLoad(int error)
{
    listing()->stopReported(error);
}

void PhotoItemViewWidget::EndStoppedListing(int error)
{
    if (error != 0 && isVisible())
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), error);
    m_loading->HideLoadingWidget();
    on_changed_items();
}

void PhotoItemViewWidget::addThreadModelDataWithLoading(ItemEvent event)
{
    (m_listing ? m_listing : newListing())->addEvent(std::move(event));
}

void PhotoItemViewWidget::on_itemload_finishItemLoad()
{
    listing()->mergeEnded();
}

void PhotoItemViewWidget::EndFinishedListing()
{
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
            EndStoppedListing(0);
        } else {
            start_thumbnail_thread();
            on_changed_items();
            ApplyCurrentSort();
        }
    }
    for (const QString& path : m_transfers->takePendingSelection())
        showItemOfPath(path);
    RestoreAfterRefresh();
    LoadImportedMarks();
}

void PhotoItemViewWidget::ResetListing()
{
    // Nothing is left to show: the viewer goes back to the page it came from,
    // without starting thumbnail requests for the list about to go.
    DropListing();
    m_listingState = NotListed;
    if (viewerOpen())
        on_close_photoViewer();
    stop_thumbnail_thread();
    m_thumbnails->reset();
    m_transfers->releaseThumbnailHold();
    // The model lets go of the items before the list deletes them.
    if (m_model)
        m_model->SetItems(-1, QList<CPhotoDataItem*>());
    if (m_mediaList)
        m_mediaList->clear();
    m_transfers->dropPendingSelection();
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
    newListing()->cardChanged();
    SetStatusText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
    QTimer::singleShot(RetryMs, this, &PhotoItemViewWidget::on_load_fromSDcardChange);
}

void PhotoItemViewWidget::on_load_fromSDcardChange()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent || agent->GetDeviceIndex() == -1) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_load_fromSDcardChange : no device";
        DropListing();
        m_listingState = NotListed;
        m_loading->HideLoadingWidget();
        return;
    }
    // A given-up listing still reports its end: no new listing before it.
    if (agent->IsBusy() || !isReadyForListing() || m_abandoned) {
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
    DropListing();
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
