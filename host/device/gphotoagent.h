#pragma once

#include "gphotoagentfaults.h"
#include "gphotolibrary.h"
#include "host/contract/ideviceagent.h"

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class GPhotoCamera;
class GPhotoWorker;
struct DeviceFileRecord;
struct GPhotoFileInfo;
struct GPhotoKnownFile;

// A phone or camera reached over PTP or MTP through libgphoto2 (also
// libgphoto2's "Directory Browse" camera, which serves a folder through the
// same calls). Connection kind 0x40000: full file records; files are reached
// only through the agent. A phone path is the device's own path in stored
// form ("\store_00010001\DCIM\Camera\a.jpg").
//
// One worker thread owns the device and runs every libgphoto2 call; the
// agent's operations only queue work and read what the worker left, so no
// call from the GUI thread waits for the device. Callbacks come from the
// worker, never under a lock. An I/O failure from which the device does not
// answer again ends the running work with AgentResult::Disconnected and marks the
// device gone (GetDeviceIndex -1); the lost handler is then told once.
class GPhotoAgent : public IDeviceNexaAgent
{
public:
    // Results of opening besides the contract's AgentResult codes; the
    // sentence of errorSentence() says what to do.
    enum OpeningError : int {
        ErrorHeldByOtherProgram = 30,
        ErrorNoStorage = 31,
        ErrorNotOpened = 32,
    };

    explicit GPhotoAgent(const GPhotoDeviceId& device);
    ~GPhotoAgent() override;
    GPhotoAgent(const GPhotoAgent&) = delete;
    GPhotoAgent& operator=(const GPhotoAgent&) = delete;

    // Called once on the worker thread with AgentResult::Ok or an error code and a
    // sentence for the user.
    using OpenAnswer = std::function<void(int code, const QString& why)>;

    // Opens the device on the worker and returns at once; false when the
    // worker takes no more work (no answer comes then). On AgentResult::Ok the
    // owner calls confirmOpened() on its own thread.
    bool startOpen(OpenAnswer answer);
    void confirmOpened();
    // startOpen, waiting at most timeoutMs for the answer (the worker never
    // waits for the caller). AgentResult::Ok, or an error code with a sentence for
    // the user in why.
    int open(int timeoutMs, QString* why);
    static QString noAnswerSentence(int timeoutMs);
    static void setTestFaults(const GPhotoAgentFaults& faults);
    const GPhotoDeviceId& device() const { return m_device; }
    // Told once, on the worker thread, when the device stops answering.
    void setLostHandler(std::function<void()> handler);
    // The device went away (unplugged, or lost on an I/O error): jobs end,
    // the device is let go of, GetDeviceIndex gives -1. True the first time.
    bool disconnect();
    // The sentence shown for an error code of this agent.
    static QString errorSentence(int code);

    // IDeviceNexaAgent
    void CancelTransfer(int jobId) override;
    bool IsBusy() override;
    int GetConnectionKind() override { return ConnectionKind::Mtp; }
    int GetThumbnailSupport() override { return 4; }
    void GetThumbnailImage(QPixmap* pixmap) override;
    int RequestThumbnails(
        const QString& path, const int& kind, PFN_ThumbnailCallback callback) override;
    int StartItemLoad(const QString& root) override;
    void StopItemLoad() override;
    void SetItemLoadCallback(PFN_ItemLoadCallback callback) override;
    bool IsFileExist(const QString& path) override;
    int GetLocalPath(QString& path) override;
    int TransferFiles(const QStringList& sources, const QString& targetFolder,
        const QString& direction, PFN_TransferProgressCallback progress,
        PFN_TransferCompletionCallback completion, int reserved1, int reserved2,
        int reserved3) override;
    void CloseTransfer(int jobId) override;
    int DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback) override;
    void CloseDeleteJob(int jobId) override;
    void CancelDeleteJob(int jobId) override;
    int RenameFile(
        const QString& path, const QString& newFileName, PFN_RenameCallback callback) override;
    // Uploads the new content under a second name, checks it, deletes the
    // original, uploads and checks again under the original name, then
    // deletes the second; a failure stops with the photo whole on the
    // device at least once (a copy under the second name is reported as
    // added). AgentResult::NotSupported where the device cannot upload or delete.
    int ReplaceFile(const QString& source, const QString& phonePath,
        PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion) override;
    int GetDeviceIndex() override;
    bool IsStorageMounted() override { return false; }
    void RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int reserved) override;
    int GetMemChangeType() override { return 0; }
    QString DeviceName() override;
    QString GetCameraFolder() override;
    QString DeviceIdentity() override;
    QString StorageRoot() override;
    ListingReport LastListingReport() override;

    // What the worker and the agent share; the worker's jobs hold it, so it
    // outlives an agent whose worker could not be stopped in time.
    struct Shared;
    struct Job;

private:
    std::shared_ptr<Job> newJob(bool isDelete);
    void cancelJobs(bool deletes, int jobId);

    static int openOnWorker(Shared& shared, GPhotoCamera& camera, QString* detail);

    // gphotoagent_listing.cpp
    static void runWalk(Shared& shared, GPhotoCamera& camera);
    static int walkFolder(Shared& shared, GPhotoCamera& camera, const QString& folder,
        QStringList* subfolders, ListingReport* report);
    static QImage decodePreview(QByteArray bytes);
    static void fetchThumbnail(
        Shared& shared, GPhotoCamera& camera, const QString& path, PFN_ThumbnailCallback callback);
    static int orientationOnDevice(GPhotoCamera& camera, const GPhotoKnownFile& known);
    static int fetchPreview(Shared& shared, GPhotoCamera& camera, const GPhotoKnownFile& known,
        QByteArray* preview, QImage* image);

    // gphotoagent_jobs.cpp
    static void runTransfer(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
        const QStringList& sources, const QString& target, bool toPhone,
        PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion);
    static int download(Shared& shared, GPhotoCamera& camera, const Job& job, const QString& source,
        const QString& folder, const std::function<void(qint64)>& moved, QString* destination);
    static int upload(Shared& shared, GPhotoCamera& camera, const QString& source,
        const QString& folder, const std::function<void(qint64)>& moved, QString* destination);
    static void runDelete(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
        const QStringList& paths, PFN_DeleteCallback callback);

    // gphotoagent_replace.cpp
    static void runReplace(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
        const QString& source, const QString& device, PFN_TransferProgressCallback progress,
        PFN_TransferCompletionCallback completion);
    static int replaceOne(Shared& shared, GPhotoCamera& camera, const Job& job,
        const QString& source, const QString& device,
        const std::function<void(qint64, qint64)>& moved);

    const GPhotoDeviceId m_device;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<GPhotoWorker> m_worker;
    bool m_disconnected = false;
};
