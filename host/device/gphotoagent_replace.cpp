// GPhotoAgent: a file replaced by a PC file (a photo turned in the viewer).
// PTP and MTP have no rename and no overwrite, so the new content goes up
// under a second name first; at every step the photo is on the device at
// least once, whole.
#include "gphotoagent.h"

#include "gphotoagent_shared.h"
#include "gphotocamera.h"
#include "gphotoworker.h"
#include "host/contract/devicefilerecord.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <unistd.h>

namespace {

// The steps, in order; a test fault names one to fail.
enum Step : int {
    UploadTurned = 1,
    CheckTurned,
    DeleteOriginal,
    UploadOriginal,
    CheckOriginal,
    DeleteTurned,
};

// A visible name, so that a copy left by a failure is listed and not lost.
QString turnedName(const QString& name, const QStringList& present)
{
    const QFileInfo info(name);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString candidate = info.completeBaseName() + QStringLiteral(" (turned)") + suffix;
    for (int n = 2; present.contains(candidate, Qt::CaseInsensitive) && n < 1000; ++n)
        candidate
            = QStringLiteral("%1 (turned %2)%3").arg(info.completeBaseName()).arg(n).arg(suffix);
    return candidate;
}

class Replacement
{
public:
    Replacement(GPhotoAgent::Shared& shared, GPhotoCamera& camera, QFile& source,
        const GPhotoKnownFile& original)
        : m_shared(shared)
        , m_camera(camera)
        , m_source(source)
        , m_original(original)
    {
    }

    int run();
    const QString& keptAs() const { return m_keptAs; }

private:
    bool fails(Step step) const { return m_shared.faults.failReplaceAtStep == step; }
    int put(Step step, const QString& name);
    int check(Step step, const QString& name);
    int remove(Step step, const QString& name);
    int failed(int result, Step step, int otherwise);
    void cleanUp(const QString& name);

    GPhotoAgent::Shared& m_shared;
    GPhotoCamera& m_camera;
    QFile& m_source;
    GPhotoKnownFile m_original;
    QString m_keptAs; // where the photo is after a failure, when not under its own name
};

int Replacement::run()
{
    QStringList present;
    int result = m_camera.listFiles(m_original.folder, &present);
    if (result < GP_OK)
        return failed(result, UploadTurned, AgentResult::WriteFailed);
    const QString turned = turnedName(m_original.name, present);
    int code = put(UploadTurned, turned);
    if (code == AgentResult::Ok)
        code = check(CheckTurned, turned);
    if (code == AgentResult::Ok)
        code = remove(DeleteOriginal, m_original.name);
    if (code != AgentResult::Ok) {
        // The original is there as it was.
        cleanUp(turned);
        return code;
    }
    code = put(UploadOriginal, m_original.name);
    if (code == AgentResult::Ok)
        code = check(CheckOriginal, m_original.name);
    if (code != AgentResult::Ok) {
        // The turned photo, checked, is the one left.
        cleanUp(m_original.name);
        m_keptAs = turned;
        return code;
    }
    if (remove(DeleteTurned, turned) != AgentResult::Ok)
        m_keptAs = turned; // there twice: the second copy is shown, not lost
    return AgentResult::Ok;
}

int Replacement::failed(int result, Step step, int otherwise)
{
    qCWarning(lcHostDevice) << "GPhotoAgent::ReplaceFile: step" << step << "failed for"
                            << m_original.folder << m_original.name
                            << GPhotoLibrary::errorText(result);
    if (result == GP_ERROR_CANCEL)
        return m_shared.isConnected() ? int(AgentResult::Busy) : int(AgentResult::Disconnected);
    if (!m_shared.stillThere(m_camera)) {
        m_shared.lose("replace", result);
        return AgentResult::Disconnected;
    }
    return otherwise;
}

int Replacement::put(Step step, const QString& name)
{
    if (::lseek(m_source.handle(), 0, SEEK_SET) != 0)
        return AgentResult::FileMissing;
    const int result = fails(step) ? GP_ERROR_IO_WRITE
                                   : m_camera.upload(m_original.folder, name, m_source.handle());
    return result < GP_OK ? failed(result, step, AgentResult::WriteFailed) : int(AgentResult::Ok);
}

int Replacement::check(Step step, const QString& name)
{
    GPhotoFileInfo info;
    const int result = m_camera.fileInfo(m_original.folder, name, &info);
    if (result < GP_OK)
        return failed(result, step, AgentResult::WriteFailed);
    // A device that gives no size cannot be checked; the upload said it went.
    if (fails(step) || (info.size >= 0 && info.size != m_source.size())) {
        qCWarning(lcHostDevice) << "GPhotoAgent::ReplaceFile: size" << info.size << "sent"
                                << m_source.size() << name;
        // Not AgentResult::SizeMismatch: the screen tells that one as a download's.
        return failed(GP_ERROR_CORRUPTED_DATA, step, AgentResult::WriteFailed);
    }
    return AgentResult::Ok;
}

int Replacement::remove(Step step, const QString& name)
{
    const int result
        = fails(step) ? GP_ERROR_FILE_EXISTS : m_camera.remove(m_original.folder, name);
    return result < GP_OK ? failed(result, step, AgentResult::AccessDenied) : int(AgentResult::Ok);
}

void Replacement::cleanUp(const QString& name)
{
    // Only a file the failed step may have left; nothing else has this name.
    GPhotoFileInfo info;
    if (m_shared.isConnected() && m_camera.fileInfo(m_original.folder, name, &info) >= GP_OK
        && m_camera.remove(m_original.folder, name) < GP_OK)
        qCWarning(lcHostDevice) << "GPhotoAgent::ReplaceFile: left on the device"
                                << m_original.folder << name;
}

} // namespace

int GPhotoAgent::ReplaceFile(const QString& source, const QString& phonePath,
    PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion)
{
    if (!m_shared->isConnected())
        return AgentResult::Disconnected;
    {
        QMutexLocker lock(&m_shared->mutex);
        if (!m_shared->canUpload || !m_shared->canDelete || m_shared->readOnly) {
            qCWarning(lcHostDevice) << "GPhotoAgent::ReplaceFile: the device cannot"
                                    << "upload and delete" << m_device.model;
            return AgentResult::NotSupported;
        }
    }
    const QString device = GPhotoPath::devicePath(phonePath);
    const QString file = QDir::cleanPath(toFileSystemPath(source));
    if (device.isEmpty() || !SafeFile::isRegularFile(file)) {
        qCWarning(lcHostDevice) << "GPhotoAgent::ReplaceFile: refused" << source << phonePath;
        return AgentResult::Refused;
    }
    std::shared_ptr<Job> job = newJob(false);
    qCDebug(lcHostDevice) << "GPhotoAgent::ReplaceFile: job" << job->id << source << "->"
                          << phonePath;
    std::shared_ptr<Shared> shared = m_shared;
    const bool queued = m_worker->post(
        GPhotoWorker::Ordered,
        [=](GPhotoCamera& camera) {
            runReplace(*shared, camera, job, file, device, progress, completion);
        },
        job->cancel);
    return queued ? int(AgentResult::Ok) : int(AgentResult::Disconnected);
}

void GPhotoAgent::runReplace(Shared& shared, GPhotoCamera& camera, const std::shared_ptr<Job>& job,
    const QString& source, const QString& device, PFN_TransferProgressCallback progress,
    PFN_TransferCompletionCallback completion)
{
    auto report
        = [&shared, progress](qint64 current, qint64 total, int status, const QString& name) {
              if (progress && !shared.stopping)
                  progress(current, total, status, CString(name));
          };
    report(TransferMarker::Start, TransferMarker::Start, job->id, QString());
    const int result = replaceOne(shared, camera, *job, source, device,
        [&](qint64 sent, qint64 total) { report(sent, total, -1, toStoredPath(device)); });
    job->finished = true;
    qCDebug(lcHostDevice) << "GPhotoAgent::runReplace: job" << job->id << "result" << result;
    if (shared.stopping) {
        report(TransferMarker::EndWithoutResult, TransferMarker::EndWithoutResult, 0, QString());
        return;
    }
    report(TransferMarker::End, TransferMarker::End, result, QString());
    if (completion)
        completion(job->id, result);
}

int GPhotoAgent::replaceOne(Shared& shared, GPhotoCamera& camera, const Job& job,
    const QString& source, const QString& device, const std::function<void(qint64, qint64)>& moved)
{
    QFile file;
    QString why;
    if (!SafeFile::openForReading(file, source, &why)) {
        qCWarning(lcHostDevice) << "GPhotoAgent::replaceOne: cannot read" << source << why;
        return AgentResult::FileMissing;
    }
    GPhotoKnownFile original;
    const int found = shared.find(camera, device, &original);
    if (found != AgentResult::Ok)
        return found;
    if (*job.cancel)
        return AgentResult::Busy;
    moved(0, file.size());
    Replacement replacement(shared, camera, file, original);
    const int result = replacement.run();
    const QString path = toStoredPath(device);
    if (!replacement.keptAs().isEmpty()) {
        // The photo is under another name now, or under both: the list shows it.
        const QString kept = GPhotoPath::phonePath(original.folder, replacement.keptAs());
        GPhotoKnownFile copy { original.folder, replacement.keptAs(), file.size(), 0, QString() };
        copy.objectId = shared.remember(kept, copy);
        qCWarning(lcHostDevice) << "GPhotoAgent::replaceOne: the photo is kept as" << kept;
        shared.reportEvent(DeviceChange::Added, kept, copy);
        shared.reportEvent(DeviceChange::ObjectIdAssigned, kept, copy);
    }
    if (result != AgentResult::Ok) {
        if (!replacement.keptAs().isEmpty()) {
            shared.forget(path);
            shared.reportEvent(DeviceChange::Removed, path, original);
        }
        return result;
    }
    GPhotoFileInfo info;
    if (camera.fileInfo(original.folder, original.name, &info) >= GP_OK)
        original.modified = info.modified;
    original.size = file.size();
    shared.remember(path, original);
    moved(file.size(), file.size());
    shared.reportEvent(DeviceChange::Changed, path, original);
    return AgentResult::Ok;
}
