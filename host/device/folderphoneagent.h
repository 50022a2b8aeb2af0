#pragma once

#include "folderagentfaults.h"
#include "folderwalk.h"
#include "host/contract/ideviceagent.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;
struct DeviceFileRecord;

// A phone whose storage is a folder of this computer: a mounted phone, a
// camera card or any folder of photos. The connection kind is fixed at
// creation: on mass storage a phone path is the file's PC path in stored
// form; on the media-transfer kinds it is "\Phone\" followed by the path
// inside the storage, and only the agent reaches the file.
//
// The listing runs on a thread of its own, thumbnails, transfers, deletes and
// renames on worker threads. Callbacks are never made while a lock is held.
// Destroying the agent cancels its jobs and joins its threads; on a thread
// with an event loop the join pumps events, since a callback may be waiting
// in a blocking call to that thread.
class FolderPhoneAgent : public IDeviceNexaAgent
{
public:
    static const QString kPhoneRoot; // "\\Phone"

    FolderPhoneAgent(
        const QString& storageFolder, int connectionKind, const QString& deviceName = QString());
    ~FolderPhoneAgent() override;
    FolderPhoneAgent(const FolderPhoneAgent&) = delete;
    FolderPhoneAgent& operator=(const FolderPhoneAgent&) = delete;

    void setFaults(const FolderAgentFaults& faults);
    QString storageFolder() const { return m_root; }
    // The phone path of a file of the storage, and back (empty outside it).
    QString phonePathOf(const QString& fileSystemPath) const;
    QString fileSystemPathOf(const QString& phonePath) const;
    // The file a phone path names for reading: on mass storage also a PC
    // file outside the storage (one the user located); writes never reach
    // outside it.
    QString readablePathOf(const QString& phonePath) const;
    // The file-system path of a phone path whose resolved path (links
    // followed) lies inside the storage; empty for any other. Every
    // operation reaches files through this.
    QString reachablePath(const QString& phonePath) const;
    // The phone goes away: jobs end, GetDeviceIndex gives -1.
    void disconnect();
    // The phone comes back under a new device index; false while its storage
    // folder is gone.
    bool reconnect();

    // IDeviceNexaAgent
    void CancelTransfer(int jobId) override;
    bool IsBusy() override;
    int GetConnectionKind() override { return m_kind; }
    int GetThumbnailSupport() override;
    void GetThumbnailImage(QPixmap* pixmap) override;
    int RequestThumbnails(
        const QString& path, const int& kind, PFN_ThumbnailCallback callback) override;
    int StartItemLoad(const QString& root) override;
    void StopItemLoad() override;
    void SetItemLoadCallback(PFN_ItemLoadCallback callback) override;
    bool IsFileExist(const QString& path) override;
    // Fills path with the file's local path (stored form) and shows it in the
    // file manager; 0 on success.
    int GetLocalPath(QString& path) override;
    int TransferFiles(const QStringList& sources, const QString& targetFolder,
        const QString& direction, PFN_TransferProgressCallback progress,
        PFN_TransferCompletionCallback completion, int reserved1, int reserved2,
        int reserved3) override;
    void CloseTransfer(int jobId) override;
    int ReplaceFile(const QString& source, const QString& phonePath,
        PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion) override;
    int DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback) override;
    void CloseDeleteJob(int jobId) override;
    void CancelDeleteJob(int jobId) override;
    int RenameFile(
        const QString& path, const QString& newFileName, PFN_RenameCallback callback) override;
    int GetDeviceIndex() override;
    bool IsStorageMounted() override;
    void RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int reserved) override;
    int GetMemChangeType() override { return 0; }
    QString DeviceName() override { return m_name; }
    QString GetCameraFolder() override;
    QString DeviceIdentity() override;
    QString StorageRoot() override;
    ListingReport LastListingReport() override;

private:
    struct Job
    {
        int id = 0;
        bool isDelete = false;
        std::atomic<bool> cancel { false };
        std::atomic<bool> finished { false };
    };
    using JobPtr = std::shared_ptr<Job>;

    class LocalDateText
    {
    public:
        QString text(qint64 msecsSinceEpoch);

    private:
        QHash<qint64, int> m_offsets; // quarter hour of file time -> offset from UTC
    };

    bool connected() const { return m_connected.load() && !m_stopping.load(); }
    void startThread(std::function<void()> work);
    void joinThreads();
    FolderAgentFaults faults() const;
    // Counts one more for a disconnect fault; true when this one fails.
    bool countTowardsDisconnect(int FolderAgentFaults::*fault, int* counter);
    QString objectIdFor(const QString& fileSystemPath);
    void moveObjectId(const QString& from, const QString& to);
    bool resolvesInside(const QString& fileSystemPath) const;
    void fillRecord(const FolderWalk::File& file, LocalDateText& dates, DeviceFileRecord* record);
    void setListingReport(const ListingReport& report);
    void reportItem(int code, quintptr info);
    void reportEvent(int changeKind, const QString& fileSystemPath);
    bool pause(int milliseconds, const std::atomic<bool>* cancel) const;
    JobPtr newJob(bool isDelete);
    void forgetJob(int jobId);

    // Bodies of the threads.
    void runListing(FolderAgentFaults faults, QString folder);
    void runThumbnail(QString fileSystemPath, int faultCode, PFN_ThumbnailCallback callback);
    void runTransfer(JobPtr job, QStringList sources, QString targetFolder, bool toPhone,
        PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion);
    int copyOne(const Job& job, const QString& source, const QString& destination,
        const QString& shown, PFN_TransferProgressCallback progress, qint64* done, qint64 total,
        bool goAwayHalfWay);
    void runReplace(JobPtr job, QString source, QString target,
        PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion);
    int replaceOne(const Job& job, const QString& source, const QString& target);
    void runDelete(JobPtr job, QStringList paths, PFN_DeleteCallback callback);
    void runRename(QString from, QString to, PFN_RenameCallback callback);

    const QString m_root;
    const int m_kind;
    const QString m_name;

    mutable QMutex m_mutex; // guards everything below up to the atomics
    FolderAgentFaults m_faults;
    QHash<QString, QString> m_objectIds; // file-system path -> object id
    quint64 m_nextObjectId = 1;
    QImage m_thumbnail;
    bool m_thumbnailInFlight = false;
    bool m_mounted = true;
    QHash<int, JobPtr> m_jobs;
    int m_nextJobId = 1;
    QList<QThread*> m_threads;
    ListingReport m_listingReport;
    // Counted for the disconnect faults since setFaults.
    int m_thumbnailRequests = 0;
    int m_filesCopied = 0;
    int m_filesDeleted = 0;

    std::atomic<bool> m_connected { true };
    std::atomic<bool> m_stopping { false };
    std::atomic<bool> m_listing { false };
    std::atomic<bool> m_stopListing { false };
    std::atomic<PFN_ItemLoadCallback> m_itemLoadCallback { nullptr };
};
