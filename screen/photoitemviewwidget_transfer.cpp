// Transfers: the work is TransferController's; the screen routes the host's
// commands and the agent's reports to it, and brings its pages in line.
#include "screen/photoitemviewwidget.h"

#include <QAction>
#include <QTimer>

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/thumbs/octhumnailmaker.h"
#include "host/widgets/ocfademenu.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "viewer/photoviewerwidget.h"

void PhotoItemViewWidget::TransferSelectionToPC(int playlistId)
{
    m_transfers->transferToPc(
        m_status->selectedPaths(!g_SharedValue.IsShowTransferNotiDlg()), playlistId);
}

void PhotoItemViewWidget::UpdateAlbumSubmenu(QAction* entry)
{
    m_transfers->fillAlbumMenu(
        entry, m_menu->menu(), this, SLOT(on_clicked_contextmenu_transfertopcplaylist()));
}

void PhotoItemViewWidget::on_clicked_contextmenu_transfertopcplaylist()
{
    if (const auto* action = qobject_cast<QAction*>(sender())) {
        const int playlistId = action->data().toInt();
        // After the menu has closed, like every menu command.
        QTimer::singleShot(0, this, [this, playlistId] { TransferSelectionToPC(playlistId); });
    }
}

void PhotoItemViewWidget::on_topc_click()
{
    if (parentVisible())
        TransferSelectionToPC(-1);
}

void PhotoItemViewWidget::AddTransferredItem(const QString& path, const QString& source, int code)
{
    ItemEvent event; // no path: the batch's end
    if (!path.isEmpty())
        event = ItemEvent(code, std::make_unique<CPhotoDataItem>(path, source));
    if (event.item && m_listingState == Listing)
        addThreadModelDataWithLoading(std::move(event));
    else
        addThreadModelDataWithToPhone(std::move(event));
    if (m_listingState == Merging)
        g_SharedValue.deleteState(
            OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
}

void PhotoItemViewWidget::addThreadModelDataWithToPhone(ItemEvent event)
{
    m_transfers->addUploadedItem(std::move(event));
}

void PhotoItemViewWidget::on_finished_transfer()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_transfer : start";
    if (g_SharedValue.hasProcessState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing))
        m_status->showText(GetQString(tr("Loading...")));
    m_transfers->selectPending(viewOf(Current));
    on_changed_items();
    ApplyCurrentSort();
    start_thumbnail_thread();
    m_transfers->releaseIdleUploadWorker();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_transfer : end";
}

void PhotoItemViewWidget::DownloadProgressCallback(
    qint64 current, qint64 total, int status, CString fileName)
{
    TransferController::forwardReport(
        "on_transfer_status", Qt::AutoConnection, current, total, status, fileName);
}

void PhotoItemViewWidget::on_transfer_status(
    qint64 current, qint64 total, int status, const QString& strCurFileName)
{
    m_transfers->downloadReport(current, total, status, strCurFileName);
}

void PhotoItemViewWidget::on_transfer_status2(
    qint64 current, qint64 total, int status, const QString& strCurFileName)
{
    m_transfers->uploadReport(current, total, status, strCurFileName);
}

void PhotoItemViewWidget::on_update_item_with_downloadviewer(const QString& path)
{
    m_transfers->showViewerCopy(path);
}

void PhotoItemViewWidget::viewerCopyArrived(const QString& photo, const QString& copy)
{
    // A photo no longer listed (the list was reset meanwhile) gets no row.
    if (CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(photo, false) : nullptr) {
        AddTransferredItem(photo, copy, ItemEventCode::DownloadedForViewer);
        if (OCThumnailMaker* maker = m_hostThumbnails->maker())
            item->setDirection(maker->getOrientation(copy), false);
    }
}

void PhotoItemViewWidget::on_wait_cancel_download()
{
    if (!m_transfers->isTransferring())
        return;
    m_viewer->startDownloadImage();
    // A download of a large photo over a slow connection takes long.
    const int limitMs = 60000;
    PartialLoadingControl::waitPumping(
        "PhotoItemViewWidget::on_wait_cancel_download", "wait download",
        [this] { return !m_transfers->isTransferring(); }, limitMs);
}
