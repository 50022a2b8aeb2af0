// Listing the phone: the ListingController and its sessions do the work;
// here the screen follows a listing's start and end, the device, memory-card
// and storage changes reset the list, and a refresh (F5, Device > Refresh)
// lists again and keeps the selection and the scroll position where the
// files remain.
#include "screen/photoitemviewwidget.h"

#include <QDebug>

#include "host/contract/errorboxcode.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/importledger.h"
#include "host/db/photodb.h"
#include "host/device/devicefunctions.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/importedmark.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "thumbview/albumviewwidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// Work a new listing would collide with.
constexpr quint32 BusyFlags = OCSharedValue::ProcessListing | OCSharedValue::ProcessDelete
    | OCSharedValue::ProcessRenameLocate | OCSharedValue::ProcessDeviceInit
    | OCSharedValue::ProcessTransferToPhone | OCSharedValue::ProcessViewerDownload;

static_assert(PhotoRole::ImportedRole == ImportedMark::Role, "the views read the model's role");

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

void PhotoItemViewWidget::ShowListingBusy()
{
    m_status->showText(GetQString(tr("Loading...")));
    m_loading->ShowLoadingWidget();
}

void PhotoItemViewWidget::EndStoppedListing(int error)
{
    if (error != 0 && isVisible())
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), error);
    m_loading->HideLoadingWidget();
    on_changed_items();
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
    if (!m_refreshPlace.isEmpty())
        m_refreshPlace.restoreIn(currentPageView());
    m_refreshPlace = ViewPlace();
    LoadImportedMarks();
}

void PhotoItemViewWidget::ResetListing()
{
    // The viewer goes back to its page without asking thumbnails for this list.
    m_listings->drop();
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
    // The views' selections went without a signal: flags and texts follow here.
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
    if (m_listings->cardChanged(bIsConnected))
        ShowListingBusy();
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
    m_listings->drop();
}

void PhotoItemViewWidget::on_device_init(int nItemType)
{
    if (nItemType != PhotoType)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_init start!!!";
    g_SharedValue.setState(PhotoType, OCSharedValue::ProcessDeviceInit);
    on_main_close();
    ResetListing();
    // The phone's entry lists it again when chosen next, even if shown now.
    m_lastItemType = OCGlobal::ITEM_NONE;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessDeviceInit);
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_init end!!!";
}

void PhotoItemViewWidget::on_import_finished(int nItemType)
{
    if (nItemType == PhotoType)
        LoadImportedMarks();
}

void PhotoItemViewWidget::on_device_refresh(int nItemType)
{
    if (nItemType != PhotoType)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_refresh : start";
    RefreshListing();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_device_refresh : end";
}

void PhotoItemViewWidget::LoadImportedMarks()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!m_model || !agent || !m_hostContext->dbManager)
        return;
    const QSet<QString> imported
        = ImportLedger(m_hostContext->dbManager).importedPathKeys(ImportLedger::deviceKeyOf(agent));
    qCDebug(lcScreen) << "PhotoItemViewWidget::LoadImportedMarks :" << imported.size();
    m_model->SetImportedPaths(imported);
}

void PhotoItemViewWidget::RefreshListing()
{
    if (g_SharedValue.hasProcessState(PhotoType, BusyFlags) || m_listingState == Listing
        || m_listingState == Merging) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::RefreshListing : busy, not refreshed"
                          << m_listingState;
        return;
    }
    if (!isVisible()) {
        // Listed again when the screen is shown next.
        ResetListing();
        m_lastItemType = OCGlobal::ITEM_NONE;
        return;
    }
    QAbstractItemView* view = currentPageView();
    m_refreshPlace = ViewPlace::of(view, view ? selectedRowIndexes(view) : QModelIndexList());
    qCDebug(lcScreen) << "PhotoItemViewWidget::RefreshListing :" << m_refreshPlace.selectedCount()
                      << "selected, top" << m_refreshPlace.topPath();
    ResetListing();
    m_listings->start(true);
}
