// GPhotoAgent: what its operations and its worker's jobs share.
#pragma once

#include "gphotoagent.h"
#include "gphotolocalfolder.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// A file the listing or an upload found, by its phone path's pathKey().
struct GPhotoKnownFile
{
    QString folder; // the device's folder, "/" separated
    QString name;
    qint64 size = -1;
    qint64 modified = 0; // seconds since the epoch, 0: not known
    QString objectId;
};

struct GPhotoAgent::Job
{
    int id = 0;
    bool isDelete = false;
    std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> finished { false };
};

struct GPhotoAgent::Shared
{
    GPhotoDeviceId device;
    GPhotoLocalFolder local; // pinned when the device opens, read-only after
    GPhotoAgentFaults faults; // read-only after construction
    std::atomic<bool> stopping { false };
    std::atomic<bool> connected { false };
    std::atomic<bool> listing { false };
    std::atomic<bool> stopListing { false };
    std::atomic<PFN_ItemLoadCallback> itemLoadCallback { nullptr };

    mutable QMutex mutex; // guards everything below
    QString name;
    QString identity;
    QString cameraFolder; // where uploads go: a camera folder the walk saw, else DCIM/Camera
    bool cameraFolderSeen = false;
    QList<QString> storageFolders;
    bool canDelete = true;
    bool canUpload = true;
    bool readOnly = false;
    QHash<QString, GPhotoKnownFile> files;
    quint64 nextObjectId = 1;
    // The last thumbnail: a picture, or a device's preview still encoded.
    QImage thumbnail;
    QByteArray thumbnailPreview;
    int thumbnailOrientation = 0; // the file's EXIF code, applied when the preview is decoded
    bool thumbnailInFlight = false;
    ListingReport listingReport;
    QHash<int, std::shared_ptr<Job>> jobs;
    int nextJobId = 1;
    std::function<void()> lostHandler;
    bool lostReported = false;

    bool isConnected() const { return connected.load() && !stopping.load(); }
    // Asks the device whether it is still there, after a failed call: a
    // vanished file fails a call too, and must not count as a lost device.
    bool stillThere(GPhotoCamera& camera);
    // Marks the device gone and tells the host, once.
    void lose(const char* where, int result);
    void report(int code, quintptr info) const;
    void reportEvent(int changeKind, const QString& path, const GPhotoKnownFile& file) const;
    void fillRecord(
        const QString& path, const GPhotoKnownFile& file, DeviceFileRecord* record) const;
    QString remember(const QString& path, GPhotoKnownFile file);
    bool lookUp(const QString& path, GPhotoKnownFile* file) const;
    void forget(const QString& path);
    // The file at a device path, as listed or as the device describes it
    // now; on a disk: port only a regular file inside the served folder.
    // AgentResult::Ok, AgentResult::FileMissing, or AgentResult::AccessDenied for one that no
    // operation may open.
    int find(GPhotoCamera& camera, const QString& devicePath, GPhotoKnownFile* file);
};

// Phone paths and the device's own: "\DCIM\a.jpg" and "/DCIM/a.jpg".
namespace GPhotoPath {
QString devicePath(const QString& phonePath); // "/" separated, cleaned; empty when unusable
QString phonePath(const QString& folder, const QString& name);
QString folderOf(const QString& devicePath);
QString nameOf(const QString& devicePath);
} // namespace GPhotoPath
