#include "gphotoagent.h"

#include "deviceregistry.h"
#include "gphotoagent_shared.h"
#include "gphotocamera.h"
#include "gphotoworker.h"
#include "host/contract/devicefilerecord.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>
#include <QSemaphore>
#include <QThread>

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kStopWaitMs = 5000;
// A device that never opened has nothing to close: a stuck open is left alone.
constexpr int kUnopenedStopWaitMs = 200;

QMutex g_faultsMutex;
GPhotoAgentFaults g_faults;

// Local-time ISO 8601 text; localtime_r is far cheaper than QDateTime per record.
QString localIsoText(qint64 seconds)
{
    const time_t time = time_t(seconds);
    struct tm local
    {
    };
    if (!localtime_r(&time, &local))
        return QString();
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02dT%02d:%02d:%02d",
        local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
        local.tm_sec);
    return QString::fromLatin1(buffer, length);
}

int openError(int result)
{
    switch (result) {
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
        return GPhotoAgent::ErrorHeldByOtherProgram;
    case GP_ERROR_IO_USB_FIND:
        return AgentResult::Disconnected;
    default:
        return GPhotoAgent::ErrorNotOpened;
    }
}

} // namespace

// --- phone paths ---

namespace GPhotoPath {

QString devicePath(const QString& phonePath)
{
    QString path = toFileSystemPath(phonePath);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    path = QDir::cleanPath(path);
    // Never a path that climbs out of the device's tree.
    if (path.contains(QLatin1String("/../")) || path.endsWith(QLatin1String("/..")))
        return QString();
    return path;
}

QString phonePath(const QString& folder, const QString& name)
{
    const QString joined
        = folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
    return toStoredPath(joined);
}

QString folderOf(const QString& devicePath)
{
    const int slash = devicePath.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : devicePath.left(slash);
}

QString nameOf(const QString& devicePath)
{
    return devicePath.mid(devicePath.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace GPhotoPath

// --- what the worker and the agent share ---

bool GPhotoAgent::Shared::stillThere(GPhotoCamera& camera)
{
    if (local.isLocal())
        return local.isSame();
    QList<GPhotoStorage> storages;
    const int result = camera.storages(&storages);
    return !GPhotoCamera::isDisconnect(result);
}

void GPhotoAgent::Shared::lose(const char* where, int result)
{
    std::function<void()> handler;
    {
        QMutexLocker lock(&mutex);
        connected = false;
        stopListing = true;
        for (const std::shared_ptr<Job>& job : qAsConst(jobs))
            *job->cancel = true;
        if (!lostReported)
            handler = lostHandler;
        lostReported = true;
    }
    qCWarning(lcHostDevice) << "GPhotoAgent: device lost in" << where << device.model << device.port
                            << GPhotoLibrary::errorText(result);
    if (handler && !stopping)
        handler();
}

void GPhotoAgent::Shared::report(int code, quintptr info) const
{
    if (stopping)
        return;
    if (PFN_ItemLoadCallback callback = itemLoadCallback.load())
        callback(code, info);
}

void GPhotoAgent::Shared::fillRecord(
    const QString& path, const GPhotoKnownFile& file, DeviceFileRecord* record) const
{
    record->path = CString(path);
    record->fileName = CString(file.name);
    record->objectId = CString(file.objectId);
    const int dot = file.name.lastIndexOf(QLatin1Char('.'));
    record->type = CString(dot >= 0 ? file.name.mid(dot + 1) : QString());
    record->size = qMax<qint64>(0, file.size);
    if (file.modified != 0) {
        // PTP gives an object's capture date as its time (libgphoto2 takes
        // the capture date where the modification date is missing): the
        // best date taken there is without reading every file.
        const CString date(localIsoText(file.modified));
        record->modifiedDate = date;
        record->createdDate = date;
        record->shootingDate = date;
    }
}

void GPhotoAgent::Shared::reportEvent(
    int changeKind, const QString& path, const GPhotoKnownFile& file) const
{
    DeviceFileRecord record;
    fillRecord(path, file, &record);
    record.changeKind = changeKind;
    qCDebug(lcHostDevice) << "GPhotoAgent: event" << changeKind << path;
    report(ItemLoadCode::Event, quintptr(&record));
}

QString GPhotoAgent::Shared::remember(const QString& path, GPhotoKnownFile file)
{
    QMutexLocker lock(&mutex);
    GPhotoKnownFile& known = files[pathKey(path)];
    file.objectId
        = known.objectId.isEmpty() ? QStringLiteral("g%1").arg(nextObjectId++) : known.objectId;
    known = file;
    return file.objectId;
}

bool GPhotoAgent::Shared::lookUp(const QString& path, GPhotoKnownFile* file) const
{
    QMutexLocker lock(&mutex);
    const auto it = files.constFind(pathKey(path));
    if (it == files.constEnd())
        return false;
    if (file)
        *file = it.value();
    return true;
}

void GPhotoAgent::Shared::forget(const QString& path)
{
    QMutexLocker lock(&mutex);
    files.remove(pathKey(path));
}

int GPhotoAgent::Shared::find(
    GPhotoCamera& camera, const QString& devicePath, GPhotoKnownFile* file)
{
    // A file gone with its device is not a missing file.
    auto missing = [this, &camera](int result) {
        if (stillThere(camera))
            return int(AgentResult::FileMissing);
        lose("find", result);
        return int(AgentResult::Disconnected);
    };
    GPhotoFileInfo own;
    const int verdict = local.checkFile(devicePath, &own);
    if (verdict == GPhotoLocalFolder::Missing)
        return missing(GP_ERROR_FILE_NOT_FOUND);
    if (verdict != GPhotoLocalFolder::Passes) {
        qCWarning(lcHostDevice) << "GPhotoAgent::find: refused, reason" << verdict << devicePath;
        return AgentResult::AccessDenied;
    }
    const QString path = toStoredPath(devicePath);
    if (lookUp(path, file))
        return AgentResult::Ok;
    // Not listed (yet): the device is asked.
    GPhotoFileInfo info;
    const QString folder = GPhotoPath::folderOf(devicePath);
    const QString name = GPhotoPath::nameOf(devicePath);
    const int result = camera.fileInfo(folder, name, &info);
    if (result < GP_OK)
        return missing(result);
    if (local.isLocal()) {
        info.size = own.size;
        info.modified = own.modified;
    }
    GPhotoKnownFile found { folder, name, info.size, info.modified, QString() };
    found.objectId = remember(path, found);
    *file = found;
    return AgentResult::Ok;
}

// --- the agent ---

GPhotoAgent::GPhotoAgent(const GPhotoDeviceId& device)
    : m_device(device)
    , m_shared(std::make_shared<Shared>())
    , m_worker(std::make_unique<GPhotoWorker>(device.model + QLatin1Char(' ') + device.port))
{
    m_shared->device = device;
    m_shared->local = GPhotoLocalFolder(device.port);
    {
        QMutexLocker lock(&g_faultsMutex);
        m_shared->faults = g_faults;
    }
    m_shared->name = device.model;
}

GPhotoAgent::~GPhotoAgent()
{
    m_shared->stopping = true;
    m_shared->stopListing = true;
    DeviceRegistry::unregisterAgent(this);
    cancelJobs(false, -1);
    cancelJobs(true, -1);
    const int waitMs = m_shared->connected ? kStopWaitMs : kUnopenedStopWaitMs;
    if (!m_worker->stop(waitMs))
        qCWarning(lcHostDevice) << "GPhotoAgent::~GPhotoAgent: the device did not let go in"
                                << waitMs << "ms" << m_device.model << m_device.port;
    qCDebug(lcHostDevice) << "GPhotoAgent::~GPhotoAgent: closed" << m_device.model << m_device.port;
}

QString GPhotoAgent::errorSentence(int code)
{
    switch (code) {
    case ErrorHeldByOtherProgram:
        return QObject::tr("Another program is using the device, often the desktop's file "
                           "manager, which opens phones and cameras by itself. Close it there "
                           "(eject or unmount the device), then open it again.");
    case ErrorNoStorage:
        return QObject::tr("The device shows no storage: unlock the phone and allow access to "
                           "its data (choose \"File transfer\" or \"PTP\" on the phone).");
    case AgentResult::Disconnected:
        return QObject::tr("The device was disconnected.");
    default:
        return QObject::tr("The device could not be opened.");
    }
}

namespace {

// A slow device for tests: waits, but ends early when cancelled.
void playOpenDelay(const GPhotoAgent::Shared& shared, int delayMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < delayMs && !shared.stopping)
        QThread::msleep(10);
}

} // namespace

void GPhotoAgent::setTestFaults(const GPhotoAgentFaults& faults)
{
    QMutexLocker lock(&g_faultsMutex);
    g_faults = faults;
}

QString GPhotoAgent::noAnswerSentence(int timeoutMs)
{
    return QObject::tr("The device did not answer within %1 s.")
        .arg(qMax(1, (timeoutMs + 999) / 1000));
}

int GPhotoAgent::openOnWorker(Shared& shared, GPhotoCamera& camera, QString* detail)
{
    playOpenDelay(shared, shared.faults.openDelayMs);
    if (shared.stopping)
        return ErrorNotOpened;
    const int opened = camera.open(shared.device);
    if (opened < GP_OK) {
        *detail = QStringLiteral("libgphoto2: ")
            + (camera.lastError().isEmpty() ? GPhotoLibrary::errorText(opened)
                                            : camera.lastError());
        return openError(opened);
    }
    QList<GPhotoStorage> storages;
    const int listed = camera.storages(&storages);
    int code = AgentResult::Ok;
    if (listed == GP_ERROR_NOT_SUPPORTED)
        storages.append(GPhotoStorage { QStringLiteral("/"), QString(), false, true });
    else if (listed < GP_OK || storages.isEmpty())
        code = ErrorNoStorage;
    // A folder served as a camera opens even when it is not there.
    const QString folder = shared.local.folder();
    if (shared.local.isLocal() && !shared.local.pin()) {
        *detail = QStringLiteral("no such folder: ") + folder;
        return ErrorNotOpened;
    }
    if (code != AgentResult::Ok || shared.stopping)
        return code == AgentResult::Ok ? int(ErrorNotOpened) : code;
    const QString serial = folder.isEmpty() ? camera.serialNumber() : QString();
    QMutexLocker lock(&shared.mutex);
    if (!folder.isEmpty()) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        shared.identity = QStringLiteral("folder:")
            + (canonical.isEmpty() ? QDir::cleanPath(folder) : canonical);
        shared.name = shared.device.model + QStringLiteral(" (")
            + QFileInfo(QDir::cleanPath(folder)).fileName() + QLatin1Char(')');
    } else if (!serial.isEmpty()) {
        shared.identity = QStringLiteral("gphoto:%1#%2").arg(shared.device.model, serial);
    } else {
        shared.identity
            = QStringLiteral("gphoto:%1@%2").arg(shared.device.model, shared.device.port);
    }
    shared.canDelete = camera.canDelete();
    shared.canUpload = camera.canUpload();
    shared.readOnly = true;
    const QString first = storages.first().folder;
    shared.cameraFolder
        = toStoredPath((first.endsWith(QLatin1Char('/')) ? first : first + QLatin1Char('/'))
            + QStringLiteral("DCIM/Camera"));
    for (const GPhotoStorage& storage : qAsConst(storages)) {
        shared.storageFolders.append(storage.folder);
        shared.readOnly = shared.readOnly && storage.readOnly;
        shared.canDelete = shared.canDelete && storage.deletable;
    }
    shared.connected = true;
    return AgentResult::Ok;
}

bool GPhotoAgent::startOpen(OpenAnswer answer)
{
    std::shared_ptr<Shared> shared = m_shared;
    return m_worker->post(GPhotoWorker::Urgent, [shared, answer](GPhotoCamera& camera) {
        QString detail;
        const int code = openOnWorker(*shared, camera, &detail);
        QString why;
        if (code != AgentResult::Ok && shared->stopping) {
            qCDebug(lcHostDevice) << "GPhotoAgent::startOpen: let go of while opening"
                                  << shared->device.model << shared->device.port;
        } else if (code != AgentResult::Ok) {
            why = errorSentence(code);
            if (!detail.isEmpty())
                why += QStringLiteral(" (%1)").arg(detail);
            qCWarning(lcHostDevice) << "GPhotoAgent::startOpen: failed" << shared->device.model
                                    << shared->device.port << code << detail;
        }
        answer(code, why);
    });
}

void GPhotoAgent::confirmOpened()
{
    const int index = DeviceRegistry::registerAgent(this);
    qCDebug(lcHostDevice) << "GPhotoAgent::confirmOpened:" << DeviceName() << m_device.port
                          << "index" << index << "identity" << DeviceIdentity();
}

namespace {

struct OpenResult
{
    QSemaphore done;
    int code = 0;
    QString why;
};

} // namespace

int GPhotoAgent::open(int timeoutMs, QString* why)
{
    auto result = std::make_shared<OpenResult>();
    const bool queued = startOpen([result](int code, const QString& sentence) {
        result->code = code;
        result->why = sentence;
        result->done.release();
    });
    if (!queued || !result->done.tryAcquire(1, timeoutMs)) {
        // Stops the open if it still runs; the worker sees it before it
        // marks the device connected.
        m_shared->stopping = true;
        if (why)
            *why = noAnswerSentence(timeoutMs);
        qCWarning(lcHostDevice) << "GPhotoAgent::open: no answer" << m_device.model
                                << m_device.port;
        return ErrorNotOpened;
    }
    if (result->code != AgentResult::Ok) {
        if (why)
            *why = result->why;
        return result->code;
    }
    confirmOpened();
    return AgentResult::Ok;
}

void GPhotoAgent::setLostHandler(std::function<void()> handler)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->lostHandler = std::move(handler);
}

bool GPhotoAgent::disconnect()
{
    if (m_disconnected)
        return false;
    m_disconnected = true;
    m_shared->connected = false;
    m_shared->stopListing = true;
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->lostReported = true; // the host knows already
    }
    DeviceRegistry::unregisterAgent(this);
    cancelJobs(false, -1);
    cancelJobs(true, -1);
    // The device is gone: let go of it now, not when the agent goes.
    if (!m_worker->stop(kStopWaitMs))
        qCWarning(lcHostDevice) << "GPhotoAgent::disconnect: the device did not let go in"
                                << kStopWaitMs << "ms" << m_device.model;
    qCDebug(lcHostDevice) << "GPhotoAgent::disconnect:" << m_device.model << m_device.port;
    return true;
}

std::shared_ptr<GPhotoAgent::Job> GPhotoAgent::newJob(bool isDelete)
{
    auto job = std::make_shared<Job>();
    job->isDelete = isDelete;
    QMutexLocker lock(&m_shared->mutex);
    job->id = m_shared->nextJobId++;
    m_shared->jobs.insert(job->id, job);
    return job;
}

void GPhotoAgent::cancelJobs(bool deletes, int jobId)
{
    QMutexLocker lock(&m_shared->mutex);
    for (const std::shared_ptr<Job>& job : qAsConst(m_shared->jobs)) {
        if (job->isDelete == deletes && (jobId == -1 || job->id == jobId))
            *job->cancel = true;
    }
}

void GPhotoAgent::CancelTransfer(int jobId)
{
    qCDebug(lcHostDevice) << "GPhotoAgent::CancelTransfer: job" << jobId;
    cancelJobs(false, jobId);
}

void GPhotoAgent::CloseTransfer(int jobId)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->jobs.remove(jobId);
}

void GPhotoAgent::CancelDeleteJob(int jobId)
{
    cancelJobs(true, jobId);
}

void GPhotoAgent::CloseDeleteJob(int jobId)
{
    CloseTransfer(jobId);
}

bool GPhotoAgent::IsBusy()
{
    return m_shared->listing.load();
}

void GPhotoAgent::GetThumbnailImage(QPixmap* pixmap)
{
    if (!pixmap)
        return;
    QImage image;
    QByteArray preview;
    int orientation = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        image = m_shared->thumbnail;
        preview = m_shared->thumbnailPreview;
        orientation = m_shared->thumbnailOrientation;
    }
    // A device's preview is decoded when it is taken, as the screen shows
    // it: the worker is free for the next request meanwhile. The pixmap is
    // made on the caller's (GUI) thread.
    if (image.isNull() && !preview.isEmpty())
        image = ExifOrientation::upright(decodePreview(preview), orientation);
    *pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

void GPhotoAgent::SetItemLoadCallback(PFN_ItemLoadCallback callback)
{
    m_shared->itemLoadCallback = callback;
}

bool GPhotoAgent::IsFileExist(const QString& path)
{
    const QString device = GPhotoPath::devicePath(path);
    return m_shared->isConnected() && !device.isEmpty()
        && m_shared->lookUp(toStoredPath(device), nullptr);
}

int GPhotoAgent::GetLocalPath(QString& path)
{
    // Only a folder served as a camera has files on this computer.
    const GPhotoLocalFolder& local = m_shared->local;
    const QString device = GPhotoPath::devicePath(path);
    if (!local.isLocal() || device.isEmpty() || !m_shared->isConnected())
        return AgentResult::Refused;
    if (local.checkFile(device) != GPhotoLocalFolder::Passes)
        return AgentResult::FileMissing;
    path = toStoredPath(QDir::cleanPath(local.localPath(device)));
    OpenWindowExplorer(path);
    return AgentResult::Ok;
}

int GPhotoAgent::RenameFile(const QString& path, const QString& newFileName, PFN_RenameCallback)
{
    // PTP and MTP have no rename, nor has libgphoto2 for any device.
    qCWarning(lcHostDevice) << "GPhotoAgent::RenameFile: the device cannot rename" << path << "->"
                            << newFileName;
    return m_shared->isConnected() ? int(AgentResult::NotSupported)
                                   : int(AgentResult::Disconnected);
}

int GPhotoAgent::GetDeviceIndex()
{
    return m_shared->isConnected() ? DeviceRegistry::indexOf(this) : -1;
}

void GPhotoAgent::RequestUmsMount(int, PFN_UmsMountCallback callback, int)
{
    // Not mass storage: nothing to mount. Answered at once, as refused.
    if (callback)
        callback(MountResult::Refused);
}

ListingReport GPhotoAgent::LastListingReport()
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->listingReport;
}

QString GPhotoAgent::DeviceName()
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->name;
}

QString GPhotoAgent::DeviceIdentity()
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->isConnected() ? m_shared->identity : QString();
}

QString GPhotoAgent::StorageRoot()
{
    // A device of one storage at "/" (a folder served as a camera) shows its
    // folders from there; otherwise each path starts with its storage, which
    // the empty root drops.
    QMutexLocker lock(&m_shared->mutex);
    const bool rootOnly = m_shared->storageFolders.size() == 1
        && m_shared->storageFolders.first() == QLatin1String("/");
    return rootOnly ? QStringLiteral("\\") : QString();
}

QString GPhotoAgent::GetCameraFolder()
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->cameraFolder;
}
