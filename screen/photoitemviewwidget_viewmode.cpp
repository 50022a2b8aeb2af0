// Pages: the page switcher, view settings, selection status and context menu
// the screen works through, and what entering and leaving the screen do.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDropEvent>
#include <QResizeEvent>
#include <QTimer>

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

void PhotoItemViewWidget::SetViewMode(int mode, bool remember)
{
    if (!m_model)
        return;
    mode = m_pages->resolve(mode, remember);
    if (mode < 0)
        return;
    if (parentVisible())
        on_selection_Changed(QItemSelection(), QItemSelection());
    if (m_pages->show(mode)) {
        m_model->SetViewMode(mode);
        if (mode == AlbumMode)
            ApplySort(AlbumMode, GetSortColumn(AlbumMode), GetSortOrder(AlbumMode));
    }
    if (mode != ListMode || m_fileAgentType == ConnectionKind::MassStorage)
        start_thumbnail_thread();
    else
        stop_thumbnail_thread();
}

void PhotoItemViewWidget::showEvent(QShowEvent* event)
{
    SetViewMode(GetViewMode(true), false);
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
    if (type == GetViewMode(true)) {
        m_pages->report(type);
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_changed_viewtype :" << type;
    SetViewMode(type, true);
    // The viewer keeps its photo and its film strip's order.
    if (!viewerOpen()) {
        on_make_selections();
        ApplyCurrentSort();
    }
}

void PhotoItemViewWidget::on_leftview_actionsubitem(
    ITEM_TYPE itemtype, const QString& action, const QString&, const QString&, int)
{
    if (!m_model)
        return;
    if (!parentVisible() || itemtype != OCGlobal::ITEM_PHONE_PHOTO) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_leftview_actionsubitem : left for"
                          << itemtype;
        m_lastItemType = itemtype;
        if (QAbstractItemView* view = viewOf(Current))
            view->clearSelection();
        if (m_mediaList) {
            // Leaving the screen: check marks go, and new marks once seen.
            for (CPhotoDataItem* item : m_mediaList->allItems()) {
                item->isChecked = false;
                if (item->isNew && item->newShown)
                    item->isNew = item->newShown = false;
            }
        }
        on_hideLoadingWidget();
        stop_thumbnail_thread();
        if (viewerOpen())
            on_close_photoViewer();
        return;
    }
    if (action != QLatin1String("clicked") || m_lastItemType == itemtype)
        return;
    m_lastItemType = itemtype;
    if (viewerOpen())
        on_close_photoViewer();
    on_changed_viewtype(currentIndex());
    const int mode = GetViewMode(true);
    ApplySort(mode, GetSortColumn(mode), GetSortOrder(mode));
    m_status->updateTransferButtons(itemtype);
    if (g_SharedValue.hasProcessState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessDelete)
        || m_storageSwitching)
        m_loading->ShowLoadingWidget();
    if (m_listingState == Listed) {
        on_changed_items();
    } else {
        m_status->showText(GetQString(tr("Loading...")));
        if (m_listingState == Listing
            || (m_listingState == Merging && m_fileAgentType != ConnectionKind::MassStorage))
            m_loading->ShowLoadingWidget();
        if (m_listingState == NotListed)
            QTimer::singleShot(100, this, [this] { start_loaditems_thread(); });
    }
    emit on_signal_notice_thumbnail(currentIndex());
}

void PhotoItemViewWidget::on_notice_thumbnail(int type)
{
    if (!parentVisible() || !m_mediaList || m_mediaList->pendingThumbnailCount() == 0)
        return;
    if ((type != ThumbListMode && type != AlbumMode) || m_thumbnailNoticeShown)
        return;
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    m_thumbnailNoticeShown = true;
    ShowThumbnailNoticePupup(
        this, OCGlobal::ITEM_PHONE_PHOTO, agent ? agent->GetDeviceIndex() : -1);
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
    if (m_model && isVisible() && event)
        m_model->dropMimeData(event->mimeData(), Qt::CopyAction, 0, 0, QModelIndex());
}
