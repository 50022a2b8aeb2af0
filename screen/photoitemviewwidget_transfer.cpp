// Transfers: the selection to the PC (optionally into an album), files the
// host copied to the phone into the list, and the viewer's download reports.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDebug>
#include <QItemSelectionModel>
#include <QTimer>

#include "host/contract/errorboxcode.h"
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
#include "screen/viewerdownloadfolder.h"
#include "viewer/photoviewerwidget.h"

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
        m_albumMenu->SetParentMenu(m_contextMenu);
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
    if (!m_mediaList || !m_model)
        return;
    const int code = event.code;
    qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithToPhone start type=" << code;
    qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithToPhone start path= finished"
                      << (event.item ? event.item->path : QString());
    if (!m_threadModelToPhone) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithToPhone new thread";
        m_threadModelToPhone = new OCModelInsertThread(false, this);
        m_threadModelToPhone->setMediaList(m_mediaList);
        m_threadModelToPhone->setModel(m_model);
        // Queued: the worker may go in the handler, and it emits from its own code.
        connect(m_threadModelToPhone, &OCModelInsertThread::finished, this,
            &PhotoItemViewWidget::on_finished_transfer, Qt::QueuedConnection);
        connect(m_threadModelToPhone, &OCModelInsertThread::rowsChanged, this,
            &PhotoItemViewWidget::refreshAfterRowChange);
        connect(m_threadModelToPhone, &OCModelInsertThread::locatedItemListed, this,
            &PhotoItemViewWidget::showItemOfPath);
    }
    if (code == ItemEventCode::EndOfBatch)
        m_threadModelToPhone->finish();
    else
        m_threadModelToPhone->addData(std::move(event));
    qCDebug(lcScreen) << "PhotoItemViewWidget::addThreadModelDataWithToPhone end";
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
    ReleaseIdleWorker(m_threadModelToPhone);
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

bool PhotoItemViewWidget::StartViewerDownload(const QString& path)
{
    if (m_downloading)
        on_wait_cancel_download();
    m_downloadSource = path;
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::StartViewerDownload: listing, no download"
                          << path;
        // The listing's end shows the photo; the chains need not wait for it.
        m_heldForViewerDownload = false;
        return false;
    }
    m_viewer->startDownloadImage();
    m_downloading = true;
    on_pause_patialloading();
    m_viewer->SetRotateEnabled(false);
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    const QString source = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Its own emptied folder: the copy keeps the photo's name, not "name (1)".
    const QString target = m_viewerDownloads->folderFor(path);
    const int result = agent && !target.isEmpty()
        ? agent->TransferFiles(QStringList { source }, target, QStringLiteral("toPC"),
            &PhotoItemViewWidget::DownloadProgressCallback,
            &PhotoItemViewWidget::TransferCompletionCallback, -1, 1, 0)
        : int(AgentResult::Refused);
    qCDebug(lcScreen) << "PhotoItemViewWidget::StartViewerDownload : result" << result << path;
    if (result == AgentResult::Ok)
        return true;
    qCWarning(lcScreen) << "PhotoItemViewWidget::StartViewerDownload: refused" << result << path;
    if (result == AgentResult::Busy)
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::PhoneBusy);
    m_heldForViewerDownload = false;
    m_viewer->initViewer();
    m_viewer->stopDownloadImage();
    m_downloading = false;
    on_start_patialloading();
    return false;
}

void PhotoItemViewWidget::EndViewerDownload()
{
    if (g_SharedValue.IsPartialLoading())
        m_viewer->stopDownloadImage();
    m_downloading = false;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessViewerDownload);
    on_start_patialloading();
    start_thumbnail_thread2();
}

void PhotoItemViewWidget::on_transfer_status(
    qint64 current, qint64 total, int status, const QString& strCurFileName)
{
    qCDebug(lcScreen)
        << "PhotoItemViewWidget::on_transfer_status photo_on_transfer_status :"
        << QStringLiteral("%1, %2, %3, %4").arg(current).arg(total).arg(status).arg(strCurFileName);
    if (current == TransferMarker::End && total == TransferMarker::End) {
        IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
        if (m_downloadJob != -1) {
            qCDebug(lcScreen) << "PhotoItemViewWidget::on_transfer_status close transfer job"
                              << m_downloadJob;
            if (agent)
                agent->CloseTransfer(m_downloadJob);
            m_downloadJob = -1;
        }
        m_heldForViewerDownload = false;
        if (status == AgentResult::Ok) {
            CPhotoDataItem* item
                = m_mediaList ? m_mediaList->findItem(m_downloadSource, false) : nullptr;
            // A photo no longer listed (the list was reset meanwhile) gets no row.
            if (item)
                AddTransferredItem(
                    m_downloadSource, m_downloadTarget, ItemEventCode::DownloadedForViewer);
            if (m_thumbnailMaker && item)
                item->setDirection(m_thumbnailMaker->getOrientation(m_downloadTarget), false);
            on_update_item_with_downloadviewer(m_downloadTarget);
            return;
        }
        if (status == AgentResult::Busy) { // a transfer's end: cancelled
            qCDebug(lcScreen) << "PhotoItemViewWidget::on_transfer_status cancel transfer";
            m_viewer->stopDownloadImage();
        } else {
            m_viewer->initViewer();
            m_viewer->stopDownloadImage();
            qCDebug(lcScreen)
                << "PhotoItemViewWidget::on_transfer_status photo_on_transfer_status this :"
                << this;
            OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), status);
        }
        EndViewerDownload();
    } else if (current == TransferMarker::Start && total == TransferMarker::Start) {
        g_SharedValue.addState(PhotoType, OCSharedValue::ProcessViewerDownload);
        m_downloadJob = status;
        m_viewer->startDownloadImage();
        m_downloading = true;
    } else if (current != TransferMarker::EndWithoutResult
        && status == TransferMarker::FileNameReport) {
        m_downloadTarget = QString(strCurFileName).replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
}

void PhotoItemViewWidget::on_transfer_status2(
    qint64 current, qint64 total, int status, const QString& strCurFileName)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_transfer_status2: photo_on_transfer_status2 : "
                      << current << total << status << strCurFileName;
    if (current != total)
        return;
    if (current == TransferMarker::Start) {
        m_downloadJob = status;
        m_viewer->startDownloadImage();
        m_downloading = true;
        return;
    }
    if (current != TransferMarker::End && current != TransferMarker::EndWithoutResult)
        return;
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (m_downloadJob != -1 && agent)
        agent->CloseTransfer(m_downloadJob);
    m_downloadJob = -1;
    if (status == AgentResult::Busy) // a transfer's end: cancelled
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_transfer_status2: cancel transfer";
    // The picture shown stays: a photo that could not be replaced is turned
    // back in its copy, and the viewer never showed it turned.
    m_viewer->stopDownloadImage();
    m_downloading = false;
    on_start_patialloading();
    start_thumbnail_thread2();
    // -3/-3: the phone went away without an answer.
    RotationUploadEnded(current == TransferMarker::End ? status : TransferMarker::EndWithoutResult);
}

void PhotoItemViewWidget::on_update_item_with_downloadviewer(const QString& path)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_update_item_with_downloadviewer start" << path;
    m_viewer->loadFile(path);
    // The copy is here: it can be turned and sent back.
    m_viewer->SetRotateEnabled(true);
    EndViewerDownload();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_update_item_with_downloadviewer end";
}
