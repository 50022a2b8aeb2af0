#pragma once

#include "host/contract/ideviceagent.h"

// The agent photo-host hands the plug-in when no phone is open: it reports no
// device (GetDeviceIndex -1), so the screen loads, lists nothing and says so,
// instead of every caller having to guard against a null agent.
class NoPhoneAgent : public IDeviceNexaAgent
{
public:
    void CancelTransfer(int) override { }
    bool IsBusy() override { return false; }
    int GetConnectionKind() override { return 0; }
    int GetThumbnailSupport() override { return 0; }
    void GetThumbnailImage(QPixmap*) override { }
    int RequestThumbnails(const QString&, const int&, PFN_ThumbnailCallback) override;
    int StartItemLoad(const QString& root) override;
    void StopItemLoad() override { }
    void SetItemLoadCallback(PFN_ItemLoadCallback) override { }
    bool IsFileExist(const QString&) override { return false; }
    int GetLocalPath(QString&) override { return AgentResult::FileMissing; }
    int TransferFiles(const QStringList& sources, const QString& targetFolder,
        const QString& direction, PFN_TransferProgressCallback progress,
        PFN_TransferCompletionCallback completion, int reserved1, int reserved2,
        int reserved3) override;
    void CloseTransfer(int) override { }
    int DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback) override;
    void CloseDeleteJob(int) override { }
    void CancelDeleteJob(int) override { }
    int RenameFile(
        const QString& path, const QString& newFileName, PFN_RenameCallback callback) override;
    int GetDeviceIndex() override { return -1; }
    bool IsStorageMounted() override { return false; }
    void RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int reserved) override;
    int GetMemChangeType() override { return 0; }
    QString DeviceName() override { return QString(); }
};
