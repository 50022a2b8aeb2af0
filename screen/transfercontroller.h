#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

#include "host/contract/ideviceagent.h"

struct ItemEvent;
class OCFadeMenu;
class OCMediaItemList;
class OCModelInsertThread;
class PhotoItemViewModel;
class PhotoViewerWidget;
class QAbstractItemView;
class QAction;
class QMenu;
class QWidget;
class ViewerDownloadFolder;

// The screen's transfers. The selection handed to the host for the PC,
// into an album or not. The device agent's transfers of one photo at a time
// that the screen runs itself on connections whose files only the agent
// reaches: the viewer's download of the shown photo into a local copy, and
// the upload of a turned copy that replaces the photo on the phone; each has
// its own state and agent job id, and the agent's reports come back on the
// GUI thread. And the files the host sent to the phone, merged into the list
// by an insert thread of their own.
class TransferController : public QObject
{
    Q_OBJECT

public:
    // What the transfers ask of the screen around them.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        virtual void pausePartialLoading() = 0;
        virtual void resumePartialLoading() = 0;
        virtual void resumeViewerThumbnails() = 0;
        // The viewer's copy of photo is whole at copy (stored path).
        virtual void viewerCopyArrived(const QString& photo, const QString& copy) = 0;
    };

    enum class DownloadState { Idle, Running };
    enum class UploadState { Idle, Requested, Running };

    struct Callbacks
    {
        PFN_TransferProgressCallback download = nullptr;
        PFN_TransferProgressCallback upload = nullptr;
        PFN_TransferCompletionCallback completion = nullptr;
    };

    TransferController(Screen* screen, PhotoViewerWidget* viewer,
        std::function<IDeviceNexaAgent*()> agent, const Callbacks& callbacks, QWidget* boxParent);
    ~TransferController() override;

    // The listed ones of paths, with their total size, go to the host by
    // transferToPcRequested; with none, the user is told.
    void transferToPc(QStringList paths, int playlistId);
    // The "Transfer to album" entry: a submenu of the host's albums, each
    // action triggering member of receiver; disabled when there is none.
    void fillAlbumMenu(QAction* entry, QMenu* contextMenu, QObject* receiver, const char* member);

    // The viewer's download, at once or when the transfer under way has
    // ended (the latest photo asked for). False when it did not start (the
    // listing runs, or the agent refused); the viewer then shows no picture.
    bool requestViewerDownload(const QString& path);
    void downloadReport(qint64 current, qint64 total, int status, const QString& fileName);
    // The copy is here: shown, and it can be turned.
    void showViewerCopy(const QString& path);
    // The viewer closes: its download is given up, a replacing upload is not.
    void cancelViewerDownload();
    // The thumbnail chains wait for the viewer's download, or for its not starting.
    void holdThumbnails() { m_thumbnailsHeld = true; }
    void releaseThumbnailHold() { m_thumbnailsHeld = false; }
    bool thumbnailsHeld() const { return m_thumbnailsHeld; }
    DownloadState downloadState() const { return m_download; }
    // A download or an upload of the viewer's photo runs.
    bool isTransferring() const;
    // The whole local copy of path, or empty.
    QString viewerCopyOf(const QString& path) const;
    QString downloadFolder() const;

    // The turned copy replaces phonePath on the phone: the agent's answer.
    int startRotationUpload(const QString& copy, const QString& phonePath);
    void uploadReport(qint64 current, qint64 total, int status, const QString& fileName);
    UploadState uploadState() const { return m_upload; }

    // Shut-down: every job of the screen is cancelled.
    void cancelJobs();
    // A progress callback's report (agent thread): markers and file names
    // reach slot of the live screen on the GUI thread.
    static void forwardReport(const char* slot, Qt::ConnectionType type, qint64 current,
        qint64 total, int status, const CString& fileName);

    // Paths whose rows are selected once they are listed.
    void addPendingSelection(const QString& path) { m_pendingSelection.append(path); }
    QStringList takePendingSelection() { return std::exchange(m_pendingSelection, {}); }
    void dropPendingSelection() { m_pendingSelection.clear(); }
    // The uploaded items are listed: those pending are selected in view.
    void selectPending(QAbstractItemView* view);
    // Files the host sent to the phone: an item event, or the batch's end.
    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    void addUploadedItem(ItemEvent event);
    void pauseUploadedItems(bool paused);
    // The queue of uploaded items is given up.
    void stopUploadedItems();
    // After uploadedItemsListed: the worker goes unless it runs again or
    // has events.
    void releaseIdleUploadWorker();

signals:
    void transferToPcRequested(const QStringList& paths, qint64 totalSize, int playlistId);
    // The replacing upload ended: AgentResult, or a TransferMarker when the
    // phone went away without an answer.
    void uploadEnded(int status);
    // The uploaded items queued so far are in the list.
    void uploadedItemsListed();
    void uploadedRowsChanged();
    void locatedItemListed(const QString& path);

private:
    IDeviceNexaAgent* agent() const { return m_agent ? m_agent() : nullptr; }
    bool startViewerDownload(const QString& path);
    void startWaitingDownload();
    void downloadRefused(int result, const QString& path);
    void downloadEnded(int status);
    void finishViewerDownload();
    void closeJob(int& job);

    Screen* m_screen;
    PhotoViewerWidget* m_viewer;
    std::function<IDeviceNexaAgent*()> m_agent;
    Callbacks m_callbacks;
    QWidget* m_boxParent;
    std::unique_ptr<ViewerDownloadFolder> m_downloads;
    OCFadeMenu* m_albumMenu = nullptr;

    DownloadState m_download = DownloadState::Idle;
    int m_downloadJob = -1;
    QString m_downloadSource; // phone path of the viewer download
    QString m_downloadTarget; // its local copy, "\\" separators
    QString m_waitingDownload; // asked for while a transfer ran
    bool m_thumbnailsHeld = false;
    UploadState m_upload = UploadState::Idle;
    int m_uploadJob = -1;

    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    OCModelInsertThread* m_uploadedItems = nullptr;
    QStringList m_pendingSelection;
};
