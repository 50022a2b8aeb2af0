// Pages: switching view modes, reporting them to the host, the host's
// navigation tree, the transfer buttons and the loading overlay.
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QDropEvent>
#include <QResizeEvent>
#include <QTimer>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/device/devicefunctions.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

quint32 pluginStateOfMode(int mode)
{
    switch (mode) {
    case PhotoItemViewWidget::ListMode:
        return OCSharedValue::PluginViewMode0;
    case PhotoItemViewWidget::ThumbListMode:
        return OCSharedValue::PluginViewMode1;
    case PhotoItemViewWidget::AlbumMode:
        return OCSharedValue::PluginViewMode2;
    case PhotoItemViewWidget::ViewerMode:
        return OCSharedValue::PluginViewMode3;
    case PhotoItemViewWidget::NoPage:
        return OCSharedValue::PluginViewMode5;
    default:
        return 0;
    }
}

} // namespace

void PhotoItemViewWidget::SetViewMode(int mode, bool remember)
{
    if (!m_model)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::SetViewMode : start mode :" << mode
                      << "default : " << remember;
    if (viewerOpen() && mode != ViewerMode) {
        ReportViewMode(mode);
        return;
    }
    if (!m_phoneThumbnails && (mode == ThumbListMode || mode == AlbumMode))
        mode = ListMode;
    if (mode < ListMode || mode > ViewerMode) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::SetViewMode : no page for mode" << mode;
        return;
    }
    if (remember)
        m_viewMode = mode;
    if (parentVisible())
        on_selection_Changed(QItemSelection(), QItemSelection());
    ReportViewMode(mode);
    if (currentIndex() != mode) {
        setCurrentIndex(mode);
        m_model->SetViewMode(mode);
        if (mode == AlbumMode)
            ApplySort(AlbumMode, GetSortColumn(AlbumMode), GetSortOrder(AlbumMode));
    }
    if (mode == ThumbListMode || mode == AlbumMode || mode == ViewerMode
        || (mode == ListMode && m_fileAgentType == ConnectionKind::MassStorage))
        start_thumbnail_thread();
    else
        stop_thumbnail_thread();
    g_SharedValue.deleteState(PhotoType,
        OCSharedValue::PluginViewMode0 | OCSharedValue::PluginViewMode1
            | OCSharedValue::PluginViewMode2 | OCSharedValue::PluginViewMode3
            | OCSharedValue::PluginViewMode5,
        OCSharedValue::PluginState);
    if (const quint32 bit = pluginStateOfMode(mode))
        g_SharedValue.addState(PhotoType, bit, OCSharedValue::PluginState);
}

int PhotoItemViewWidget::GetViewMode(bool remembered) const
{
    return remembered ? m_viewMode : currentIndex();
}

void PhotoItemViewWidget::ReportViewMode(int mode)
{
    if (!parentVisible())
        return;
    // Flags name the host's view buttons to disable: 1 list, 2 thumbnail
    // list, 4 albums.
    uint flags = 0;
    if (viewerOpen() && mode != ViewerMode) {
        mode = ViewerMode;
        flags = 7;
    } else if (mode == ViewerMode || mode == Current || !m_phoneThumbnails) {
        flags = 7;
    } else if (isMediaTransferKind() && m_listingState != Listed) {
        flags = 7;
    }
    emit on_signal_changedType_View(mode, flags);
}

void PhotoItemViewWidget::showEvent(QShowEvent* event)
{
    SetViewMode(m_viewMode, false);
    QStackedWidget::showEvent(event);
}

void PhotoItemViewWidget::resizeEvent(QResizeEvent* event)
{
    if (m_loading)
        m_loading->setFixedSize(event->size());
    QStackedWidget::resizeEvent(event);
}

void PhotoItemViewWidget::on_changed_viewtype(int type)
{
    if (!parentVisible())
        return;
    if (type == m_viewMode) {
        ReportViewMode(m_viewMode);
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_changed_viewtype : start" << type;
    SetViewMode(type, true);
    // The viewer keeps its photo and its film strip's order.
    if (!viewerOpen()) {
        on_make_selections();
        ApplySort(m_viewMode, GetSortColumn(m_viewMode), GetSortOrder(m_viewMode));
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_changed_viewtype : end";
}

void PhotoItemViewWidget::on_changed_viewtype1(int type)
{
    qCDebug(lcScreen)
        << "PhotoItemViewWidget::on_changed_viewtype1 changed view type with albumview type"
        << type;
    on_make_selections();
}

void PhotoItemViewWidget::on_leftview_actionsubitem(
    ITEM_TYPE itemtype, const QString& action, const QString&, const QString&, int)
{
    if (!m_model)
        return;
    if (!parentVisible() || itemtype != OCGlobal::ITEM_PHONE_PHOTO) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_leftview_actionsubitem : visible false"
                          << itemtype;
        m_lastItemType = itemtype;
        ClearSelection();
        if (m_mediaList) {
            // Leaving the screen: check marks go, and new marks once seen.
            for (CPhotoDataItem* item : m_mediaList->allItems()) {
                item->isChecked = false;
                if (item->isNew && item->newShown) {
                    item->isNew = false;
                    item->newShown = false;
                }
            }
        }
        m_loading->HideLoadingWidget();
        m_viewer->stopDownloadImage();
        stop_thumbnail_thread();
        if (viewerOpen())
            on_close_photoViewer();
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_leftview_actionsubitem : start" << action;
    if (action != QLatin1String("clicked"))
        return;
    if (m_lastItemType == itemtype)
        return;
    m_lastItemType = itemtype;
    if (viewerOpen())
        on_close_photoViewer();
    on_changed_viewtype(currentIndex());
    ApplySort(m_viewMode, GetSortColumn(m_viewMode), GetSortOrder(m_viewMode));
    UpdateTransferButtons(itemtype);
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessDelete)
        || m_storageSwitching)
        m_loading->ShowLoadingWidget();
    if (m_listingState != Listed) {
        SetStatusText(GetQString(tr("Loading...")));
        if (m_listingState == Listing
            || (m_listingState == Merging && m_fileAgentType != ConnectionKind::MassStorage))
            m_loading->ShowLoadingWidget();
        if (m_listingState == NotListed)
            QTimer::singleShot(100, this, [this] { start_loaditems_thread(); });
    } else {
        on_changed_items();
    }
    emit on_signal_notice_thumbnail(currentIndex());
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_leftview_actionsubitem : end";
}

void PhotoItemViewWidget::UpdateTransferButtons(ITEM_TYPE itemType)
{
    if (itemType != OCGlobal::ITEM_PHONE_PHOTO || !parentVisible())
        return;
    const bool busy = g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO)
        & (OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB);
    const bool viewer = g_SharedValue.getState(PhotoType, OCSharedValue::PluginState)
        & OCSharedValue::PluginViewerOpen;
    emit on_signal_tophone_status(false);
    emit on_signal_topc_status(!busy && !viewer);
}

void PhotoItemViewWidget::on_notice_thumbnail(int type)
{
    if (!parentVisible() || !m_mediaList || m_mediaList->pendingThumbnailCount() == 0)
        return;
    if ((type != ThumbListMode && type != AlbumMode) || m_thumbnailNoticeShown)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_notice_thumbnail : type" << type;
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    m_thumbnailNoticeShown = true;
    ShowThumbnailNoticePupup(this, PhotoType, agent ? agent->GetDeviceIndex() : -1);
}

void PhotoItemViewWidget::on_showLoadingWidget()
{
    m_loading->ShowLoadingWidget();
}

void PhotoItemViewWidget::on_hideLoadingWidget()
{
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
}

void PhotoItemViewWidget::on_errorMsgBox(const QString& title, int status)
{
    OCMsgBox::OCErrorMessageBox(this, title, status);
}

void PhotoItemViewWidget::on_plugin_pairwidget(ITEM_TYPE type, QWidget*)
{
    if (type == OCGlobal::ITEM_PHONE_PHOTO)
        emit on_signal_plugin_pairwidget(OCGlobal::ITEM_PC_PHOTO, this);
}

void PhotoItemViewWidget::on_drop_event(QDropEvent* event)
{
    if (!m_model || !isVisible() || !event)
        return;
    m_model->dropMimeData(event->mimeData(), Qt::CopyAction, 0, 0, QModelIndex());
}
