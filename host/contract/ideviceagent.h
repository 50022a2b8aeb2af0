#pragma once

#include "cstring.h"
#include "listingreport.h"
#include "ocglobal.h"

#include <QString>
#include <QStringList>

class QPixmap;

// Plain-function callbacks of the device agent. They run on the agent's own
// threads; a pointer travels as quintptr.
typedef void(OC_STDCALL* PFN_ItemLoadCallback)(int code, quintptr info);
typedef void(OC_STDCALL* PFN_ThumbnailCallback)(int error);
typedef void(OC_STDCALL* PFN_UmsMountCallback)(int result);
typedef void(OC_STDCALL* PFN_TransferProgressCallback)(qint64 current, qint64 total, int status,
                                                       CString fileName);
typedef void(OC_STDCALL* PFN_TransferCompletionCallback)(int jobId, int result);
typedef void(OC_STDCALL* PFN_DeleteCallback)(int error, int jobId, QString path, QString reserved);
typedef void(OC_STDCALL* PFN_RenameCallback)(bool result);

// Item-load callback codes.
namespace ItemLoadCode {
enum : int { Item = 0, Started = -1, Finished = -2, Event = -10 };
}

// Connection kinds, as getFileAgentType reports them.
namespace ConnectionKind {
enum : int { MtpBasic = 0x10000, Mtp = 0x40000, MassStorage = 0x80000 };
}

// Transfer progress marker pairs (current, total). Start carries the job
// id in its status, End the result; a report of another pair whose status
// is FileNameReport names the file being written.
namespace TransferMarker {
enum : int { End = -1, Start = -2, EndWithoutResult = -3, FileNameReport = -1 };
}

// The delete callback's notice that the job has begun (its id follows).
namespace DeleteJobNotice {
enum : int { Started = -2 };
}

// What the agent's operations return and its callbacks report: 0 is
// success; the other codes are shown through the host's error box.
namespace AgentResult {
enum : int {
    Ok = 0,
    Busy = 2, // not now; a transfer's end: cancelled
    Refused = 3,
    AccessDenied = 5,
    FileMissing = 6,
    NoThumbnail = 8, // the phone has no thumbnail for the file
    WriteFailed = 11,
    Disconnected = 13,
    SizeMismatch = 14,
    ListingStarted = 24, // StartItemLoad: the item-load callbacks follow
    NotSupported = 33, // the device cannot do this at all (a rename over PTP)
};
}

// The kind of picture RequestThumbnails asks for.
namespace ThumbnailKind {
enum : int { Photo = 2 };
}

// RequestUmsMount's answers besides success (0).
namespace MountResult {
enum : int { Mounted = 0, Refused = 2, Cancelled = 1223 };
}

// The connected phone. Every call may come from the GUI thread while the
// agent's threads run callbacks; an agent never holds its own locks while it
// calls back, because a callback may wait for the GUI thread.
class IDeviceNexaAgent
{
public:
    virtual void CancelTransfer(int jobId) = 0;  // -1 cancels every job
    virtual bool IsBusy() = 0;
    virtual int GetConnectionKind() = 0;
    virtual int GetThumbnailSupport() = 0;  // bit flags, 4: the phone delivers thumbnails
    virtual void GetThumbnailImage(QPixmap* pixmap) = 0;
    // 0 accepted (the callback follows: 0 ready, 8 no thumbnail, other failure), 2 busy.
    virtual int RequestThumbnails(const QString& path, const int& kind,
                                  PFN_ThumbnailCallback callback) = 0;
    // 24 listing started, 0 nothing to list, 2 refused or already listing.
    virtual int StartItemLoad(const QString& root) = 0;
    virtual void StopItemLoad() = 0;
    virtual void SetItemLoadCallback(PFN_ItemLoadCallback callback) = 0;
    virtual bool IsFileExist(const QString& path) = 0;
    virtual int GetLocalPath(QString& path) = 0;
    // direction "toPC" or "toPhone"; 0 started, 2 refused.
    virtual int TransferFiles(const QStringList& sources, const QString& targetFolder,
                              const QString& direction, PFN_TransferProgressCallback progress,
                              PFN_TransferCompletionCallback completion, int reserved1,
                              int reserved2, int reserved3) = 0;
    virtual void CloseTransfer(int jobId) = 0;
    // Sends a PC file to the phone in place of the file at phonePath, under
    // that file's own name and object id: the phone has the old content or
    // the new, whole. Reports as a "toPhone" transfer does, then the file's
    // change (event kind 2); 0 started, 2 refused. An agent that cannot
    // replace refuses, and nothing is sent.
    virtual int ReplaceFile(const QString& source, const QString& phonePath,
                            PFN_TransferProgressCallback progress,
                            PFN_TransferCompletionCallback completion)
    {
        Q_UNUSED(source);
        Q_UNUSED(phonePath);
        Q_UNUSED(progress);
        Q_UNUSED(completion);
        return 2;
    }
    // 0 started, 2 busy, 3 refused by the phone.
    virtual int DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback) = 0;
    virtual void CloseDeleteJob(int jobId) = 0;
    virtual void CancelDeleteJob(int jobId) = 0;
    // 0 started, other refused; the callback reports the result.
    virtual int RenameFile(const QString& path, const QString& newFileName,
                           PFN_RenameCallback callback) = 0;
    virtual int GetDeviceIndex() = 0;  // -1 when no device is connected
    virtual bool IsStorageMounted() = 0;
    virtual void RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback,
                                 int reserved) = 0;
    virtual int GetMemChangeType() = 0;
    virtual QString DeviceName() = 0;
    // The phone folder that files sent to the phone go to (the camera folder);
    // empty lets TransferFiles choose.
    virtual QString GetCameraFolder() { return QString(); }
    // What tells this device from any other, stable across connections: the
    // serial number where the device gives one, the folder for a folder
    // phone. Keys the thumbnail cache and the import ledger; empty when no
    // device is connected.
    virtual QString DeviceIdentity() { return QString(); }
    // The phone path of the storage's top folder; folders are shown relative
    // to it ("DCIM/Camera"). On mass storage the folder the phone is mounted
    // on; empty when a phone path's first folder names the storage, as on
    // media transfer ("\Phone\DCIM").
    virtual QString StorageRoot() { return QString(); }
    // How the last listing went and what it skipped (nothing known by default).
    virtual ListingReport LastListingReport() { return ListingReport(); }
    virtual ~IDeviceNexaAgent() = default;
};
