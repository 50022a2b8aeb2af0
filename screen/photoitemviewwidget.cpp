// Construction, shut-down and tear-down (device jobs cancelled, the listing
// and the background tasks stopped, each wait bounded), and what the model,
// the insert threads and the other concerns rely on.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/sortsearch/sortsearchcontrol.h"
#include "host/widgets/cexttableview.h"
#include "host/widgets/ocfademenu.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/rotationcontroller.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {
const int StopWaitMs = 3000;
}

PhotoItemViewWidget::PhotoItemViewWidget(QWidget* parent)
    : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("device_photo"));
    PhotoScreenBuilder::buildPages(this, parent);
    g_SharedValue.setState(
        OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::PluginListEmpty, OCSharedValue::PluginState);

    PhotoScreenBuilder::buildViewControllers(this);
    PhotoScreenBuilder::buildControllers(this);
}

PhotoItemViewWidget::~PhotoItemViewWidget()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::~PhotoItemViewWidget : start";
    emit on_signal_messagebox_close();
    emit on_signal_tophone_status(false);
    emit on_signal_topc_status(false);
    m_listings->stopMerging();
    m_transfers->stopUploadedItems();
    StopBackgroundTasks();
    // Its sessions' insert threads go before the list and the model they fill.
    delete m_listings;
    m_listings = nullptr;
    m_hostThumbnails->releaseManager();
    delete m_loading;
    delete m_viewer;
    delete m_albumView;
    delete m_thumbListView;
    delete m_listView;
    if (m_sortSearchId != -1)
        SortSearchControl::GetSortSearchControl()->RemoveItemModel(m_sortSearchId);
    qCDebug(lcScreen) << "PhotoItemViewWidget::~PhotoItemViewWidget : end";
}

void PhotoItemViewWidget::refreshAfterRowChange()
{
    // One refresh per pass of the event loop. The insert threads hand rows
    // over in batches, and a view repaints once per pass by itself, so its
    // paints need no holding back.
    if (!m_rowChangeTimer.isActive())
        m_rowChangeTimer.start();
}

void PhotoItemViewWidget::on_rows_changed()
{
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
}

void PhotoItemViewWidget::repaintCurrentView()
{
    if (QAbstractItemView* view = currentPageView())
        view->viewport()->update();
    else if (QWidget* page = currentWidget())
        page->update();
}

bool PhotoItemViewWidget::showItemOfPath(const QString& path)
{
    if (!m_mediaList || !m_model)
        return false;
    return ViewPlace::showRow(
        currentPageView(), m_model, m_model->IndexOf(m_mediaList->findItem(path, false)));
}

QAbstractItemView* PhotoItemViewWidget::currentPageView() const
{
    QWidget* page = currentWidget();
    if (page && page == m_albumView)
        return m_albumView->View(m_albumView->CurrentMode());
    if (page && page == m_viewer)
        return m_viewer->FilmStrip();
    return qobject_cast<QAbstractItemView*>(page);
}

void PhotoItemViewWidget::hideDropIndicator()
{
    // The host's views draw their own drop indicator and switch it by name.
    QAbstractItemView* view = currentPageView();
    if (view && view->metaObject()->indexOfMethod("setDropVisible(bool)") >= 0)
        QMetaObject::invokeMethod(view, "setDropVisible", Q_ARG(bool, false));
}

void PhotoItemViewWidget::setMediaList(OCMediaItemList* list)
{
    m_mediaList = list;
    ShareItems();
}

void PhotoItemViewWidget::ShareItems()
{
    m_thumbnails->setItems(m_mediaList, m_model);
    m_hostThumbnails->setItems(m_mediaList, m_model, m_thumbnails);
    m_rotation->setItems(m_mediaList, m_model);
    m_locate->setItems(m_mediaList, m_model);
    m_transfers->setItems(m_mediaList, m_model);
    m_viewing->setItems(m_mediaList, m_model);
    m_properties->setItems(m_mediaList);
    m_listings->setItems(m_mediaList, m_model);
}

void PhotoItemViewWidget::setModel(PhotoItemViewModel* model)
{
    m_model = model;
    ShareItems();
    if (!model)
        return;
    SortSearchControl* control = SortSearchControl::GetSortSearchControl();
    m_sortSearchId = control->SetItemModel(this, model, m_sortSearchId);
    m_proxy = control->GetProxyModel(m_sortSearchId);
    m_listView->setModel(m_proxy);
    m_thumbListView->setModel(m_proxy);
    m_albumView->SetModel(m_proxy);
    m_viewer->SetModel(m_proxy);
    model->SetViewMode(currentIndex());
}

bool PhotoItemViewWidget::viewerOpen() const
{
    return m_model && m_model->isViewerOpen();
}

bool PhotoItemViewWidget::hostTransferRunning(quint32 bits) const
{
    return (g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & bits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & bits);
}

CExtTableView* PhotoItemViewWidget::tableOf(int mode) const
{
    switch (mode) {
    case ListMode:
        return m_listView;
    case ThumbListMode:
        return m_thumbListView;
    default:
        return nullptr;
    }
}

QAbstractItemView* PhotoItemViewWidget::viewOf(int mode) const
{
    if (mode == Current)
        mode = viewerOpen() ? int(ViewerMode) : GetViewMode(true);
    switch (mode) {
    case ListMode:
    case ThumbListMode:
        return tableOf(mode);
    case AlbumMode:
        return m_albumView->View(m_albumView->CurrentMode());
    case ViewerMode:
        return m_viewer->FilmStrip();
    default:
        return nullptr;
    }
}

void PhotoItemViewWidget::on_main_close()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_main_close : start";
    emit on_signal_messagebox_close();
    if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr) {
        agent->CancelTransfer(-1);
        m_transfers->cancelJobs();
        m_delete->cancelJob();
    }
    m_listings->stopMerging();
    m_transfers->stopUploadedItems();
    StopBackgroundTasks();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_main_close : end";
}

void PhotoItemViewWidget::on_phoneview_close()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_phoneview_close";
    on_main_close();
}

void PhotoItemViewWidget::StopBackgroundTasks()
{
    stop_thumbnail_thread();
    // The check only asks the agent; the wait gives it the chance to end
    // before the agent goes.
    m_locate->cancelSelectionCheck();
    m_delete->cancelCheck();
    m_locate->waitForSelectionCheck(StopWaitMs);
    m_delete->waitForCheck(StopWaitMs);
    // A turn being saved is not cut off half-way; the job holds only values,
    // so one that outlives the wait touches nothing of the screen.
    if (!m_rotation->waitForEnd(StopWaitMs))
        qCWarning(lcScreen) << "PhotoItemViewWidget::StopBackgroundTasks: the rotation did not end";
    m_listings->abandon();
}
