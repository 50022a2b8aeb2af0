// Transfers: the selection to the PC (optionally into an album), files the
// host copied to the phone into the list, and the viewer's download reports.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDebug>
#include <QItemSelectionModel>
#include <QTimer>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/thumbs/octhumnailmaker.h"
#include "host/widgets/ocfademenu.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "screen/photocontextmenu.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int AlbumLabelLength = 20;

} // namespace

void PhotoItemViewWidget::TransferSelectionToPC(int playlistId)
{
    QStringList paths = SelectedPaths(!g_SharedValue.IsShowTransferNotiDlg());
    if (paths.isEmpty()) {
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Transfer to PC")),
            GetQString(tr("No contents are selected. Select contents you want to transfer and "
                          "click send button.")),
            0, MsgBoxFlag::Ok);
        return;
    }
    removeDuplicateFileName(paths);
    qint64 total = 0;
    for (auto it = paths.begin(); it != paths.end();) {
        const CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(*it, false) : nullptr;
        if (!item) {
            it = paths.erase(it);
            continue;
        }
        total += item->fileSize();
        ++it;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::TransferSelectionToPC : files" << paths.size()
                      << "size" << total << "playlist" << playlistId;
    emit transferToPcRequested(paths, total, playlistId);
}

void PhotoItemViewWidget::UpdateAlbumSubmenu(QAction* entry)
{
    if (!entry->isEnabled()) {
        entry->setMenu(nullptr);
        return;
    }
    if (!m_albumMenu) {
        m_albumMenu = new OCFadeMenu(this);
        m_albumMenu->SetParentMenu(m_menu->menu());
    }
    m_albumMenu->clear();
    const QList<PlaylistInfoRecord> albums
        = m_mediaList ? m_mediaList->loadPlaylists() : QList<PlaylistInfoRecord>();
    for (const PlaylistInfoRecord& album : albums) {
        if (album.itemType == QLatin1String("recent"))
            continue;
        QString label = album.itemType == QLatin1String("favorite")
            ? GetQString(tr("Favorite Photo"))
            : album.name;
        if (label.size() > AlbumLabelLength)
            label = label.left(AlbumLabelLength) + QStringLiteral("...");
        QAction* action = m_albumMenu->addAction(label);
        action->setData(int(album.id));
        connect(action, &QAction::triggered, this,
            &PhotoItemViewWidget::on_clicked_contextmenu_transfertopcplaylist);
    }
    if (m_albumMenu->actions().isEmpty()) {
        entry->setMenu(nullptr);
        entry->setEnabled(false);
        return;
    }
    entry->setMenu(m_albumMenu);
}

void PhotoItemViewWidget::on_clicked_contextmenu_transfertopcplaylist()
{
    const auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const int playlistId = action->data().toInt();
    // After the menu has closed, like every menu command.
    QTimer::singleShot(0, this, [this, playlistId] { TransferSelectionToPC(playlistId); });
}

void PhotoItemViewWidget::on_topc_click()
{
    if (parentVisible())
        TransferSelectionToPC(-1);
}

void PhotoItemViewWidget::AddTransferredItem(const QString& path, const QString& source, int code)
{
    if (path.isEmpty()) {
        addThreadModelDataWithToPhone(ItemEvent());
    } else {
        ItemEvent event(code, std::make_unique<CPhotoDataItem>(path, source));
        if (m_listingState == Listing)
            addThreadModelDataWithLoading(std::move(event));
        else
            addThreadModelDataWithToPhone(std::move(event));
    }
    if (m_listingState == Merging)
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessTransferToPhone);
}

void PhotoItemViewWidget::addThreadModelDataWithToPhone(ItemEvent event)
{
    m_transfers->addUploadedItem(std::move(event));
}

void PhotoItemViewWidget::on_finished_transfer()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_transfer : start";
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
        SetStatusText(GetQString(tr("Loading...")));
    QAbstractItemView* view = viewOf(Current);
    if (view && view->selectionModel() && m_mediaList && m_model) {
        for (const QString& path : qAsConst(m_pendingSelection)) {
            const int row = m_model->IndexOf(m_mediaList->findItem(path, false));
            if (row < 0 || !m_proxy || view->model() != m_proxy)
                continue;
            const QModelIndex index = m_proxy->mapFromSource(m_model->index(row, 0));
            if (index.isValid())
                view->selectionModel()->select(
                    index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    m_pendingSelection.clear();
    on_changed_items();
    ApplyCurrentSort();
    start_thumbnail_thread();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_transfer safe delete thread";
    m_transfers->releaseIdleUploadWorker();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_transfer : end";
}

// Viewer downloads and rotation uploads on connections whose files only the
// device agent reaches.

void PhotoItemViewWidget::DownloadProgressCallback(
    qint64 current, qint64 total, int status, CString fileName)
{
    const bool marker = current == total
        && (current == TransferMarker::Start || current == TransferMarker::End
            || current == TransferMarker::EndWithoutResult);
    if (!marker && status != -1)
        return;
    const LiveWidget::Lease live = LiveWidget::acquire();
    PhotoItemViewWidget* screen = live.screen();
    if (!screen)
        return;
    QMetaObject::invokeMethod(screen, "on_transfer_status", Qt::AutoConnection,
        Q_ARG(qint64, current), Q_ARG(qint64, total), Q_ARG(int, status),
        Q_ARG(QString, GetCString2QString(fileName)));
}

void PhotoItemViewWidget::TransferCompletionCallback(int, int)
{
    // The results come with the progress reports' end marker.
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
    CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(photo, false) : nullptr;
    // A photo no longer listed (the list was reset meanwhile) gets no row.
    if (!item)
        return;
    AddTransferredItem(photo, copy, ItemEventCode::DownloadedForViewer);
    if (m_thumbnailMaker)
        item->setDirection(m_thumbnailMaker->getOrientation(copy), false);
}
