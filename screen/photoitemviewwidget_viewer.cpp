// The viewer page: opening it on a photo, loading the photos it asks for,
// and closing it back to the page it was opened from.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "viewer/photoviewerwidget.h"

namespace {
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
}

void PhotoItemViewWidget::OpenViewer(const QModelIndex& index)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::OpenViewer this :" << this;
    if (viewerOpen() || !m_model || !index.isValid())
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::OpenViewer : start";
    if (isMediaTransferKind()
        && hostTransferRunning(OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB)) {
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
            GetQString(tr("Viewing is impossible while transferring another multimedia contents. "
                          "Please try again later.")),
            0, MsgBoxFlag::Ok);
        return;
    }
    if (g_SharedValue.GetOCState(this, true, false, true))
        return;
    // The sort below moves rows; the photo is followed by a persistent index.
    const QPersistentModelIndex photo(index.sibling(index.row(), 0));
    m_heldForViewerDownload = isMediaTransferKind();
    on_stop_patialloading();
    g_SharedValue.addState(PhotoType, OCSharedValue::PluginViewerOpen, OCSharedValue::PluginState);
    m_model->setViewerOpen(true);
    UpdateTransferButtons(OCGlobal::ITEM_PHONE_PHOTO);
    m_viewerScroll = ScrollValue(GetViewMode(true));
    ApplyCurrentSort();
    SetViewMode(ViewerMode, false);
    m_viewer->reSetCurrentIndex(photo);
    qCDebug(lcScreen) << "PhotoItemViewWidget::OpenViewer : end";
}

void PhotoItemViewWidget::on_item_double_clicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // On mass storage a missing file is offered to be located instead.
    if (m_fileAgentType == ConnectionKind::MassStorage && !checkFileExist(index, true))
        return;
    OpenViewer(index);
}

void PhotoItemViewWidget::on_load_photoViewer(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    on_load_photoViewer(index.data(PhotoRole::PathRole).toString());
}

void PhotoItemViewWidget::on_load_photoViewer(const QString& path)
{
    if (path.isEmpty())
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_load_photoViewer viewmode :" << currentIndex()
                      << "path : " << path;
    bool shown = true;
    if (isMediaTransferKind()) {
        if (m_transfers->isTransferring())
            on_wait_cancel_download();
        shown = m_transfers->startViewerDownload(path);
    } else {
        m_viewer->SetRotateEnabled(true);
        m_viewer->loadFile(path);
    }
    if (shown && m_mediaList) {
        if (CPhotoDataItem* item = m_mediaList->findItem(path, false))
            item->setModifiedDate(QDateTime::currentDateTime());
    }
}

void PhotoItemViewWidget::on_close_photoViewer()
{
    if (!m_model)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_close_photoViewer : start";
    m_transfers->cancelViewerDownload();
    g_SharedValue.deleteState(
        PhotoType, OCSharedValue::PluginViewerOpen, OCSharedValue::PluginState);
    UpdateTransferButtons(OCGlobal::ITEM_PHONE_PHOTO);
    m_heldForViewerDownload = false;
    m_model->setViewerOpen(false);
    SetViewMode(GetViewMode(true), false);
    on_selection_Changed(QItemSelection(), QItemSelection());
    emit on_signal_closed_photoviewer();
    if (g_SharedValue.IsDisplayNewIcon())
        ApplyCurrentSort();
    SetScrollValue(GetViewMode(true), m_viewerScroll);
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_close_photoViewer : end";
}
