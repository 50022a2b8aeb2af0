#include "screen/transfercontroller.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QAction>
#include <QCoreApplication>

#include "host/contract/errorboxcode.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocfademenu.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/playlistinforecord.h"
#include "screen/livewidget.h"
#include "screen/photoitemviewwidget.h"
#include "screen/screenshared.h"
#include "screen/viewerdownloadfolder.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int AlbumLabelLength = 20;

QString noticeTitle()
{
    return screenText("Notice");
}

} // namespace

TransferController::TransferController(Screen* screen, PhotoViewerWidget* viewer,
    std::function<IDeviceNexaAgent*()> agent, const Callbacks& callbacks, QWidget* boxParent)
    : QObject(nullptr)
    , m_screen(screen)
    , m_viewer(viewer)
    , m_agent(std::move(agent))
    , m_callbacks(callbacks)
    , m_boxParent(boxParent)
    , m_downloads(std::make_unique<ViewerDownloadFolder>(ViewerDownloadFolder::defaultBase()))
{
}

TransferController::~TransferController()
{
    stopUploadedItems();
}

bool TransferController::isTransferring() const
{
    return m_download == DownloadState::Running || m_upload == UploadState::Running;
}

QString TransferController::viewerCopyOf(const QString& path) const
{
    if (isTransferring() || m_downloadTarget.isEmpty()
        || toStoredPath(m_downloadSource).compare(toStoredPath(path), Qt::CaseInsensitive) != 0)
        return QString();
    return m_downloadTarget;
}

QString TransferController::downloadFolder() const
{
    return m_downloads->sessionFolder();
}

void TransferController::transferToPc(QStringList paths, int playlistId)
{
    if (paths.isEmpty()) {
        OCMsgBox::ShowOCMessageBox(m_boxParent, screenText("Transfer to PC"),
            screenText(
                "No contents are selected. Select contents you want to transfer and click send "
                "button."),
            0, MsgBoxFlag::Ok);
        return;
    }
    removeDuplicateFileName(paths);
    qint64 total = 0;
    for (auto it = paths.begin(); it != paths.end();) {
        const CPhotoDataItem* item = m_list ? m_list->findItem(*it, false) : nullptr;
        if (!item) {
            it = paths.erase(it);
            continue;
        }
        total += item->fileSize();
        ++it;
    }
    qCDebug(lcScreen) << "TransferController::transferToPc: files" << paths.size() << "size"
                      << total << "playlist" << playlistId;
    emit transferToPcRequested(paths, total, playlistId);
}

void TransferController::fillAlbumMenu(
    QAction* entry, QMenu* contextMenu, QObject* receiver, const char* member)
{
    if (!entry->isEnabled()) {
        entry->setMenu(nullptr);
        return;
    }
    if (!m_albumMenu) {
        m_albumMenu = new OCFadeMenu(m_boxParent);
        m_albumMenu->SetParentMenu(contextMenu);
    }
    m_albumMenu->clear();
    const QList<PlaylistInfoRecord> albums
        = m_list ? m_list->loadPlaylists() : QList<PlaylistInfoRecord>();
    for (const PlaylistInfoRecord& album : albums) {
        if (album.itemType == QLatin1String("recent"))
            continue;
        QString label = album.itemType == QLatin1String("favorite") ? screenText("Favorite Photo")
                                                                    : album.name;
        if (label.size() > AlbumLabelLength)
            label = label.left(AlbumLabelLength) + QStringLiteral("...");
        QAction* action = m_albumMenu->addAction(label);
        action->setData(int(album.id));
        connect(action, SIGNAL(triggered()), receiver, member);
    }
    entry->setMenu(m_albumMenu->actions().isEmpty() ? nullptr : m_albumMenu);
    entry->setEnabled(!m_albumMenu->actions().isEmpty());
}

bool TransferController::requestViewerDownload(const QString& path)
{
    if (!isTransferring())
        return startViewerDownload(path);
    // Started when the transfer under way ends: the GUI thread does not wait for it.
    qCDebug(lcScreen) << "TransferController::requestViewerDownload: waits for the transfer"
                      << path;
    m_waitingDownload = path;
    m_viewer->startDownloadImage();
    return true;
}

void TransferController::startWaitingDownload()
{
    if (m_waitingDownload.isEmpty() || isTransferring())
        return;
    const QString path = m_waitingDownload;
    m_waitingDownload.clear();
    startViewerDownload(path);
}

bool TransferController::startViewerDownload(const QString& path)
{
    m_downloadSource = path;
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        qCDebug(lcScreen) << "TransferController::startViewerDownload: listing, no download"
                          << path;
        // The listing's end shows the photo; the chains need not wait for it.
        m_thumbnailsHeld = false;
        return false;
    }
    m_viewer->startDownloadImage();
    m_download = DownloadState::Running;
    m_screen->pausePartialLoading();
    m_viewer->SetRotateEnabled(false);
    IDeviceNexaAgent* phone = agent();
    const QString source = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Its own emptied folder: the copy keeps the photo's name, not "name (1)".
    const QString target = m_downloads->folderFor(path);
    const int result = phone && !target.isEmpty()
        ? phone->TransferFiles(QStringList { source }, target, QStringLiteral("toPC"),
            m_callbacks.download, m_callbacks.completion, -1, 1, 0)
        : int(AgentResult::Refused);
    qCDebug(lcScreen) << "TransferController::startViewerDownload: result" << result << path;
    if (result == AgentResult::Ok)
        return true;
    downloadRefused(result, path);
    return false;
}

void TransferController::downloadRefused(int result, const QString& path)
{
    qCWarning(lcScreen) << "TransferController::startViewerDownload: refused" << result << path;
    if (result == AgentResult::Busy)
        OCMsgBox::OCErrorMessageBox(m_boxParent, noticeTitle(), ErrorBoxCode::PhoneBusy);
    m_thumbnailsHeld = false;
    m_viewer->initViewer();
    m_viewer->stopDownloadImage();
    m_download = DownloadState::Idle;
    m_screen->resumePartialLoading();
}

void TransferController::downloadReport(
    qint64 current, qint64 total, int status, const QString& fileName)
{
    qCDebug(lcScreen) << "TransferController::downloadReport:" << current << total << status
                      << fileName;
    if (current == TransferMarker::End && total == TransferMarker::End) {
        downloadEnded(status);
    } else if (current == TransferMarker::Start && total == TransferMarker::Start) {
        g_SharedValue.addState(PhotoType, OCSharedValue::ProcessViewerDownload);
        m_downloadJob = status;
        m_viewer->startDownloadImage();
        m_download = DownloadState::Running;
    } else if (current != TransferMarker::EndWithoutResult
        && status == TransferMarker::FileNameReport) {
        m_downloadTarget = QString(fileName).replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
}

void TransferController::downloadEnded(int status)
{
    closeJob(m_downloadJob);
    m_thumbnailsHeld = false;
    if (status == AgentResult::Ok) {
        m_screen->viewerCopyArrived(m_downloadSource, m_downloadTarget);
        showViewerCopy(m_downloadTarget);
        return;
    }
    if (status == AgentResult::Busy) { // a transfer's end: cancelled
        qCDebug(lcScreen) << "TransferController::downloadReport: cancelled";
        m_viewer->stopDownloadImage();
    } else {
        qCWarning(lcScreen) << "TransferController::downloadReport: failed" << status
                            << m_downloadSource;
        m_viewer->initViewer();
        m_viewer->stopDownloadImage();
        OCMsgBox::OCErrorMessageBox(m_boxParent, noticeTitle(), status);
    }
    finishViewerDownload();
}

void TransferController::showViewerCopy(const QString& path)
{
    qCDebug(lcScreen) << "TransferController::showViewerCopy:" << path;
    m_viewer->loadFile(path);
    // The copy is here: it can be turned and sent back.
    m_viewer->SetRotateEnabled(true);
    finishViewerDownload();
}

void TransferController::finishViewerDownload()
{
    if (g_SharedValue.IsPartialLoading())
        m_viewer->stopDownloadImage();
    m_download = DownloadState::Idle;
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessViewerDownload);
    m_screen->resumePartialLoading();
    m_screen->resumeViewerThumbnails();
    startWaitingDownload();
}

void TransferController::cancelViewerDownload()
{
    m_waitingDownload.clear();
    IDeviceNexaAgent* phone = agent();
    // A turned photo on its way to the phone is let through: the turn was
    // asked for and its saving goes on without the viewer.
    if (m_download != DownloadState::Running || m_downloadJob == -1 || !phone
        || m_upload != UploadState::Idle)
        return;
    qCDebug(lcScreen) << "TransferController::cancelViewerDownload: job" << m_downloadJob;
    phone->CancelTransfer(m_downloadJob);
}

int TransferController::startRotationUpload(const QString& copy, const QString& phonePath)
{
    IDeviceNexaAgent* phone = agent();
    const int started = phone
        ? phone->ReplaceFile(copy, phonePath, m_callbacks.upload, m_callbacks.completion)
        : int(AgentResult::Busy);
    qCDebug(lcScreen) << "TransferController::startRotationUpload: result" << started << phonePath;
    m_upload = started == AgentResult::Ok ? UploadState::Requested : UploadState::Idle;
    return started;
}

void TransferController::uploadReport(
    qint64 current, qint64 total, int status, const QString& fileName)
{
    qCDebug(lcScreen) << "TransferController::uploadReport:" << current << total << status
                      << fileName;
    if (current != total)
        return;
    if (current == TransferMarker::Start) {
        m_uploadJob = status;
        m_viewer->startDownloadImage();
        m_upload = UploadState::Running;
        return;
    }
    if (current != TransferMarker::End && current != TransferMarker::EndWithoutResult)
        return;
    closeJob(m_uploadJob);
    if (status == AgentResult::Busy) // a transfer's end: cancelled
        qCDebug(lcScreen) << "TransferController::uploadReport: cancelled";
    // The picture shown stays: a photo that could not be replaced is turned
    // back in its copy, and the viewer never showed it turned.
    m_viewer->stopDownloadImage();
    m_upload = UploadState::Idle;
    m_screen->resumePartialLoading();
    m_screen->resumeViewerThumbnails();
    // -3/-3: the phone went away without an answer.
    emit uploadEnded(current == TransferMarker::End ? status : TransferMarker::EndWithoutResult);
    startWaitingDownload();
}

void TransferController::closeJob(int& job)
{
    if (job == -1)
        return;
    qCDebug(lcScreen) << "TransferController::closeJob: close transfer job" << job;
    if (IDeviceNexaAgent* phone = agent())
        phone->CloseTransfer(job);
    job = -1;
}

void TransferController::forwardReport(const char* slot, Qt::ConnectionType type, qint64 current,
    qint64 total, int status, const CString& fileName)
{
    const bool marker = current == total
        && (current == TransferMarker::Start || current == TransferMarker::End
            || current == TransferMarker::EndWithoutResult);
    // Plain progress is not wanted: only the markers and the file's name.
    if (!marker && status != TransferMarker::FileNameReport)
        return;
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        QMetaObject::invokeMethod(screen, slot, type, Q_ARG(qint64, current), Q_ARG(qint64, total),
            Q_ARG(int, status), Q_ARG(QString, GetCString2QString(fileName)));
}

void TransferController::cancelJobs()
{
    IDeviceNexaAgent* phone = agent();
    if (!phone)
        return;
    for (int job : { m_downloadJob, m_uploadJob })
        if (job != -1)
            phone->CancelTransfer(job);
}

void TransferController::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

void TransferController::addUploadedItem(ItemEvent event)
{
    if (!m_list || !m_model)
        return;
    qCDebug(lcScreen) << "TransferController::addUploadedItem: code" << event.code
                      << (event.item ? event.item->path : QString());
    if (!m_uploadedItems) {
        qCDebug(lcScreen) << "TransferController::addUploadedItem: new thread";
        m_uploadedItems = new OCModelInsertThread(false, this);
        m_uploadedItems->setMediaList(m_list);
        m_uploadedItems->setModel(m_model);
        // Queued: the worker may go in the handler, and it emits from its own code.
        connect(m_uploadedItems, &OCModelInsertThread::finished, this,
            &TransferController::uploadedItemsListed, Qt::QueuedConnection);
        connect(m_uploadedItems, &OCModelInsertThread::rowsChanged, this,
            &TransferController::uploadedRowsChanged);
        connect(m_uploadedItems, &OCModelInsertThread::locatedItemListed, this,
            &TransferController::locatedItemListed);
    }
    if (event.code == ItemEventCode::EndOfBatch)
        m_uploadedItems->finish();
    else
        m_uploadedItems->addData(std::move(event));
}

void TransferController::pauseUploadedItems(bool paused)
{
    if (m_uploadedItems && m_uploadedItems->isRunning())
        m_uploadedItems->pause(paused);
}

void TransferController::stopUploadedItems()
{
    if (!m_uploadedItems)
        return;
    // Its row fetcher is never waited for longer than a database read takes.
    m_uploadedItems->stop();
    qCDebug(lcScreen) << "TransferController::stopUploadedItems";
    delete m_uploadedItems;
    m_uploadedItems = nullptr;
}

void TransferController::selectPending(QAbstractItemView* view)
{
    const QStringList paths = takePendingSelection();
    QItemSelectionModel* selection = view && m_list && m_model ? view->selectionModel() : nullptr;
    const auto* proxy = view ? qobject_cast<const QAbstractProxyModel*>(view->model()) : nullptr;
    if (!selection || !proxy || proxy->sourceModel() != m_model)
        return;
    for (const QString& path : paths) {
        const int row = m_model->IndexOf(m_list->findItem(path, false));
        if (row >= 0)
            selection->select(proxy->mapFromSource(m_model->index(row, 0)),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TransferController::releaseIdleUploadWorker()
{
    // A worker started again meanwhile (new events came after it ended) is
    // working on them: it reports its own end again later.
    if (!m_uploadedItems || m_uploadedItems->isRunning() || m_uploadedItems->queueCount() > 0)
        return;
    delete m_uploadedItems;
    m_uploadedItems = nullptr;
}
