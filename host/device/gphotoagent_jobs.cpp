// GPhotoAgent: transfers and deletes.
#include "gphotoagent.h"

#include "gphotoagent_shared.h"
#include "gphotocamera.h"
#include "gphotoworker.h"
#include "host/contract/devicefilerecord.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

namespace {

// "name.ext", then "name (1).ext", "name (2).ext", ... while exists() says taken.
QString freeName(const QString& fileName, const std::function<bool(const QString&)>& exists)
{
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString candidate = fileName;
    for (int n = 1; exists(candidate) && n < 100000; ++n)
        candidate = QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix);
    return candidate;
}

// What the library wrote through the descriptor; QFile keeps its own idea.
qint64 writtenSize(const QFile& file)
{
    struct stat status;
    return ::fstat(file.handle(), &status) == 0 ? qint64(status.st_size) : -1;
}

// A failed call: the device's own answer, or it is gone.
int failure(
    GPhotoAgent::Shared& shared, GPhotoCamera& camera, int result, const char* where, int otherwise)
{
    if (result == GP_ERROR_CANCEL)
        return shared.isConnected() || shared.stopping ? int(AgentResult::Busy)
                                                       : int(AgentResult::Disconnected);
    if (!shared.stillThere(camera)) {
        shared.lose(where, result);
        return AgentResult::Disconnected;
    }
    return otherwise;
}

// Creates the device folder and the ones above it that are missing.
int makeFolders(GPhotoCamera& camera, const QString& folder)
{
    QStringList present;
    const QString parent = GPhotoPath::folderOf(folder);
    if (folder == QLatin1String("/") || camera.listFolders(parent, &present) < GP_OK)
        return GP_OK; // the root, or a parent the walk below creates
    if (present.contains(GPhotoPath::nameOf(folder)))
        return GP_OK;
    const int above = makeFolders(camera, parent);
    return above < GP_OK ? above : camera.makeFolder(parent, GPhotoPath::nameOf(folder));
}

} // namespace

int GPhotoAgent::TransferFiles(const QStringList& sources, const QString& targetFolder,
    const QString& direction, PFN_TransferProgressCallback progress,
    PFN_TransferCompletionCallback completion, int, int, int)
{
    if (!m_shared->isConnected())
        return AgentResult::Disconnected;
    const bool toPhone = direction.compare(QLatin1String("toPhone"), Qt::CaseInsensitive) == 0;
    if (!toPhone && direction.compare(QLatin1String("toPC"), Qt::CaseInsensitive) != 0)
        return AgentResult::Refused;
    QString target = targetFolder;
    if (toPhone) {
        QMutexLocker lock(&m_shared->mutex);
        if (!m_shared->canUpload || m_shared->readOnly)
            return AgentResult::Refused;
        if (target.isEmpty())
            target = m_shared->cameraFolder;
    }
    if (target.isEmpty())
        return AgentResult::Refused;
    std::shared_ptr<Job> job = newJob(false);
    qCDebug(lcHostDevice) << "GPhotoAgent::TransferFiles: job" << job->id << direction
                          << sources.size() << "files to" << target;
    std::shared_ptr<Shared> shared = m_shared;
    const bool queued = m_worker->post(
        GPhotoWorker::Ordered,
        [=](GPhotoCamera& camera) {
            runTransfer(*shared, camera, job, sources, target, toPhone, progress, completion);
        },
        job->cancel);
    return queued ? int(AgentResult::Ok) : int(AgentResult::Disconnected);
}

void GPhotoAgent::runTransfer(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
    const QStringList& sources, const QString& target, bool toPhone,
    PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion)
{
    auto report
        = [&shared, progress](qint64 current, qint64 total, int status, const QString& name) {
              if (progress && !shared.stopping)
                  progress(current, total, status, CString(name));
          };
    report(TransferMarker::Start, TransferMarker::Start, job->id, QString());
    qint64 total = 0;
    for (const QString& source : sources) {
        GPhotoKnownFile known;
        if (toPhone)
            total += QFileInfo(toFileSystemPath(source)).size();
        else if (shared.lookUp(toStoredPath(GPhotoPath::devicePath(source)), &known))
            total += qMax<qint64>(0, known.size);
    }
    qint64 done = 0;
    int result = AgentResult::Ok;
    for (const QString& source : sources) {
        if (*job->cancel || !shared.isConnected()) {
            result = shared.isConnected() || shared.stopping ? int(AgentResult::Busy)
                                                             : int(AgentResult::Disconnected);
            break;
        }
        QString destination;
        auto moved = [&](qint64 bytes) { report(done + bytes, total, -1, destination); };
        qint64 size = 0;
        const int copied = toPhone
            ? upload(shared, camera, source, target, moved, &destination)
            : download(shared, camera, *job, source, target, moved, &destination);
        if (copied == AgentResult::Ok) {
            size = toPhone ? QFileInfo(toFileSystemPath(source)).size()
                           : QFileInfo(destination).size();
            done += size;
            report(done, total, -1, destination);
            continue;
        }
        if (copied == AgentResult::Busy || copied == AgentResult::Disconnected) {
            result = copied;
            break;
        }
        result = result == AgentResult::Ok ? copied : result;
    }
    job->finished = true;
    qCDebug(lcHostDevice) << "GPhotoAgent::runTransfer: job" << job->id << "result" << result;
    if (shared.stopping) {
        // The agent is going away: the job ends without a result.
        report(TransferMarker::EndWithoutResult, TransferMarker::EndWithoutResult, 0, QString());
        return;
    }
    report(TransferMarker::End, TransferMarker::End, result, QString());
    if (completion)
        completion(job->id, result);
}

int GPhotoAgent::download(Shared& shared, GPhotoCamera& camera, const Job& job,
    const QString& source, const QString& folder, const std::function<void(qint64)>& moved,
    QString* destination)
{
    const QString device = GPhotoPath::devicePath(source);
    GPhotoKnownFile known;
    const int found
        = device.isEmpty() ? int(AgentResult::FileMissing) : shared.find(camera, device, &known);
    if (found != AgentResult::Ok) {
        qCWarning(lcHostDevice) << "GPhotoAgent::download: not on the device" << source << found;
        return found;
    }
    const QString target = QDir::cleanPath(toFileSystemPath(folder));
    if (target.isEmpty() || !QDir().mkpath(target))
        return AgentResult::WriteFailed;
    *destination = target + QLatin1Char('/') + freeName(known.name, [&target](const QString& name) {
        return QFileInfo::exists(target + QLatin1Char('/') + name);
    });
    // Written under a hidden name beside the target and renamed at the end:
    // a cancelled, failed or cut transfer leaves nothing behind.
    QFile partial(
        QStringLiteral("%1/.~transfer-%2-%3.part").arg(target).arg(job.id).arg(known.objectId));
    if (!partial.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return AgentResult::WriteFailed;
    moved(0);
    GPhotoWorker::setProgress(camera, [&moved, &known](double fraction) {
        moved(qint64(fraction * double(qMax<qint64>(0, known.size))));
    });
    const int result = camera.download(known.folder, known.name, partial.handle());
    GPhotoWorker::setProgress(camera, nullptr);
    int code = AgentResult::Ok;
    if (result < GP_OK || *job.cancel) {
        code = result < GP_OK
            ? failure(shared, camera, result, "download", AgentResult::FileMissing)
            : int(AgentResult::Busy);
    } else if (known.size >= 0 && writtenSize(partial) != known.size) {
        qCWarning(lcHostDevice) << "GPhotoAgent::download: size" << writtenSize(partial) << "listed"
                                << known.size << source;
        code = failure(
            shared, camera, GP_ERROR_CORRUPTED_DATA, "download", AgentResult::SizeMismatch);
    } else if (known.modified != 0) {
        partial.setFileTime(
            QDateTime::fromSecsSinceEpoch(known.modified), QFileDevice::FileModificationTime);
    }
    partial.close();
    if (code == AgentResult::Ok && !QFile::rename(partial.fileName(), *destination))
        code = AgentResult::WriteFailed;
    if (code != AgentResult::Ok) {
        QFile::remove(partial.fileName());
        qCWarning(lcHostDevice) << "GPhotoAgent::download: failed" << source << code;
    }
    return code;
}

int GPhotoAgent::upload(Shared& shared, GPhotoCamera& camera, const QString& source,
    const QString& folder, const std::function<void(qint64)>& moved, QString* destination)
{
    QFile file;
    QString why;
    const QString local = QDir::cleanPath(toFileSystemPath(source));
    if (!SafeFile::openForReading(file, local, &why)) {
        qCWarning(lcHostDevice) << "GPhotoAgent::upload: cannot read" << local << why;
        return AgentResult::FileMissing;
    }
    const QString deviceFolder = GPhotoPath::devicePath(folder);
    if (deviceFolder.isEmpty()
        || shared.local.checkFolder(deviceFolder) != GPhotoLocalFolder::Passes)
        return AgentResult::Refused;
    int result = makeFolders(camera, deviceFolder);
    QStringList present;
    if (result >= GP_OK)
        result = camera.listFiles(deviceFolder, &present);
    if (result < GP_OK)
        return failure(shared, camera, result, "upload", AgentResult::WriteFailed);
    const QString name = freeName(QFileInfo(local).fileName(), [&](const QString& candidate) {
        return present.contains(candidate, Qt::CaseInsensitive)
            || shared.lookUp(GPhotoPath::phonePath(deviceFolder, candidate), nullptr);
    });
    *destination = GPhotoPath::phonePath(deviceFolder, name);
    const qint64 size = file.size();
    moved(0);
    GPhotoWorker::setProgress(
        camera, [&moved, size](double fraction) { moved(qint64(fraction * double(size))); });
    result = camera.upload(deviceFolder, name, file.handle());
    GPhotoWorker::setProgress(camera, nullptr);
    if (result < GP_OK)
        return failure(shared, camera, result, "upload", AgentResult::WriteFailed);
    GPhotoFileInfo info;
    GPhotoKnownFile arrived { deviceFolder, name, size, QDateTime::currentSecsSinceEpoch(), {} };
    if (camera.fileInfo(deviceFolder, name, &info) >= GP_OK) {
        arrived.size = info.size;
        arrived.modified = info.modified;
    }
    arrived.objectId = shared.remember(*destination, arrived);
    shared.reportEvent(DeviceChange::Added, *destination, arrived);
    shared.reportEvent(DeviceChange::ObjectIdAssigned, *destination, arrived);
    return AgentResult::Ok;
}

int GPhotoAgent::DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback)
{
    if (!m_shared->isConnected())
        return AgentResult::Disconnected;
    if (!callback)
        return AgentResult::Refused;
    {
        QMutexLocker lock(&m_shared->mutex);
        if (!m_shared->canDelete || m_shared->readOnly) {
            qCWarning(lcHostDevice)
                << "GPhotoAgent::DeleteFiles: the device allows no delete" << m_device.model;
            return AgentResult::Refused;
        }
        for (const std::shared_ptr<Job>& job : qAsConst(m_shared->jobs)) {
            if (job->isDelete && !job->finished)
                return AgentResult::Busy;
        }
    }
    std::shared_ptr<Job> job = newJob(true);
    qCDebug(lcHostDevice) << "GPhotoAgent::DeleteFiles: job" << job->id << paths.size() << "files";
    std::shared_ptr<Shared> shared = m_shared;
    const bool queued = m_worker->post(
        GPhotoWorker::Ordered,
        [=](GPhotoCamera& camera) { runDelete(*shared, camera, job, paths, callback); },
        job->cancel);
    return queued ? int(AgentResult::Ok) : int(AgentResult::Disconnected);
}

void GPhotoAgent::runDelete(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
    const QStringList& paths, PFN_DeleteCallback callback)
{
    auto notify = [&shared, callback, &job](int error, const QString& path) {
        if (!shared.stopping)
            callback(error, job->id, path, QString());
    };
    notify(DeleteJobNotice::Started, QString());
    int result = AgentResult::Ok;
    for (const QString& path : paths) {
        if (*job->cancel || !shared.isConnected()) {
            result = shared.isConnected() || shared.stopping ? int(AgentResult::Busy)
                                                             : int(AgentResult::Disconnected);
            break;
        }
        const QString device = GPhotoPath::devicePath(path);
        const QString stored = toStoredPath(device);
        GPhotoKnownFile known;
        const int found = device.isEmpty() ? int(AgentResult::FileMissing)
                                           : shared.find(camera, device, &known);
        if (found == AgentResult::FileMissing) {
            // Not on the device (any more): as deleted as it gets.
            notify(AgentResult::Ok, path);
            continue;
        }
        if (found != AgentResult::Ok) {
            result = result == AgentResult::Ok ? found : result;
            if (found == AgentResult::Disconnected)
                break;
            continue;
        }
        const int deleted = camera.remove(known.folder, known.name);
        if (deleted < GP_OK) {
            const int code = failure(shared, camera, deleted, "delete", AgentResult::AccessDenied);
            qCWarning(lcHostDevice) << "GPhotoAgent::runDelete: not deleted" << path
                                    << GPhotoLibrary::errorText(deleted);
            result = result == AgentResult::Ok ? code : result;
            if (code == AgentResult::Disconnected || code == AgentResult::Busy)
                break;
            continue;
        }
        shared.forget(stored);
        notify(AgentResult::Ok, path);
        shared.reportEvent(DeviceChange::Removed, stored, known);
    }
    job->finished = true;
    qCDebug(lcHostDevice) << "GPhotoAgent::runDelete: job" << job->id << "result" << result;
    notify(result, QString());
}
