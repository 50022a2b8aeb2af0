// FolderPhoneAgent: transfers, deletes and renames.
#include "folderphoneagent.h"

#include "host/contract/devicefilerecord.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 kChunk = 1 << 20;

// "name.ext", then "name (1).ext", "name (2).ext", ...
QString freeName(const QString& folder, const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString candidate = folder + QLatin1Char('/') + fileName;
    for (int n = 1; QFileInfo::exists(candidate) && n < 100000; ++n)
        candidate = QStringLiteral("%1/%2 (%3)%4").arg(folder, base).arg(n).arg(suffix);
    return candidate;
}

} // namespace

FolderPhoneAgent::JobPtr FolderPhoneAgent::newJob(bool isDelete)
{
    auto job = std::make_shared<Job>();
    job->isDelete = isDelete;
    QMutexLocker lock(&m_mutex);
    job->id = m_nextJobId++;
    m_jobs.insert(job->id, job);
    return job;
}

void FolderPhoneAgent::forgetJob(int jobId)
{
    QMutexLocker lock(&m_mutex);
    m_jobs.remove(jobId);
}

int FolderPhoneAgent::TransferFiles(const QStringList& sources, const QString& targetFolder,
    const QString& direction, PFN_TransferProgressCallback progress,
    PFN_TransferCompletionCallback completion, int reserved1, int reserved2, int reserved3)
{
    Q_UNUSED(reserved1);
    Q_UNUSED(reserved2);
    Q_UNUSED(reserved3);
    if (!connected())
        return AgentResult::Disconnected;
    const int refusal = faults().transferRefusal;
    if (refusal != AgentResult::Ok)
        return refusal;
    const bool toPhone = direction.compare(QLatin1String("toPhone"), Qt::CaseInsensitive) == 0;
    if (!toPhone && direction.compare(QLatin1String("toPC"), Qt::CaseInsensitive) != 0)
        return AgentResult::Refused;
    JobPtr job = newJob(false);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::TransferFiles"
                          << ": job" << job->id << direction << sources.size() << "files to"
                          << targetFolder;
    startThread([=] { runTransfer(job, sources, targetFolder, toPhone, progress, completion); });
    return AgentResult::Ok;
}

void FolderPhoneAgent::runTransfer(JobPtr job, QStringList sources, QString targetFolder,
    bool toPhone, PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion)
{
    auto report = [progress](qint64 current, qint64 total, int status, const QString& name) {
        if (progress)
            progress(current, total, status, CString(name));
    };
    report(TransferMarker::Start, TransferMarker::Start, job->id, QString());

    QString folder;
    if (toPhone) {
        folder = targetFolder.isEmpty() ? m_root + QStringLiteral("/DCIM/Camera")
                                        : reachablePath(targetFolder);
    } else {
        folder = QDir::cleanPath(toFileSystemPath(targetFolder));
    }
    int result = AgentResult::Ok;
    // Into the phone, a folder link must not carry the files outside it:
    // checked before the folder is made and again once it is there.
    if (folder.isEmpty() || (!toPhone && targetFolder.isEmpty())
        || (toPhone && !resolvesInside(folder)) || !QDir().mkpath(folder)
        || (toPhone && !resolvesInside(folder)))
        result = AgentResult::WriteFailed;

    QStringList files;
    qint64 total = 0;
    for (const QString& source : qAsConst(sources)) {
        const QString file
            = toPhone ? QDir::cleanPath(toFileSystemPath(source)) : readablePathOf(source);
        files.append(file);
        if (!file.isEmpty())
            total += QFileInfo(file).size();
    }

    qint64 done = 0;
    for (int i = 0; result != AgentResult::WriteFailed && i < files.size(); ++i) {
        if (job->cancel || m_stopping) {
            result = connected() || m_stopping ? AgentResult::Busy : AgentResult::Disconnected;
            break;
        }
        const QFileInfo source(files.at(i));
        if (files.at(i).isEmpty() || !SafeFile::isRegularFile(files.at(i))) {
            qCWarning(lcHostDevice) << "FolderPhoneAgent::runTransfer"
                                    << ": source missing" << sources.at(i);
            result = result == AgentResult::Ok ? AgentResult::FileMissing : result;
            continue;
        }
        const QString destination = freeName(folder, source.fileName());
        const QString shown = toPhone ? phonePathOf(destination) : destination;
        report(done, total, TransferMarker::FileNameReport, shown);
        const bool goAway
            = countTowardsDisconnect(&FolderAgentFaults::disconnectAtTransfer, &m_filesCopied);
        const int copied
            = copyOne(*job, source.filePath(), destination, shown, progress, &done, total, goAway);
        if (copied == AgentResult::Busy) {
            result = connected() || m_stopping ? AgentResult::Busy : AgentResult::Disconnected;
            break;
        }
        if (copied != AgentResult::Ok) {
            result = result == AgentResult::Ok ? copied : result;
            continue;
        }
        if (toPhone) {
            reportEvent(DeviceChange::Added, destination);
            reportEvent(DeviceChange::ObjectIdAssigned, destination);
        }
        const int delay = faults().delayPerFileMs;
        if (delay > 0)
            pause(delay, &job->cancel);
    }
    qCDebug(lcHostDevice) << "FolderPhoneAgent::runTransfer"
                          << ": job" << job->id << "result" << result;
    if (m_stopping) {
        // The agent is going away: the job ends without a result.
        report(TransferMarker::EndWithoutResult, TransferMarker::EndWithoutResult, 0, QString());
        return;
    }
    report(TransferMarker::End, TransferMarker::End, result, QString());
    if (completion)
        completion(job->id, result);
}

int FolderPhoneAgent::copyOne(const Job& job, const QString& source, const QString& destination,
    const QString& shown, PFN_TransferProgressCallback progress, qint64* done, qint64 total,
    bool goAwayHalfWay)
{
    QFile in;
    QString why;
    if (!SafeFile::openForReading(in, source, &why)) {
        qCWarning(lcHostDevice) << "FolderPhoneAgent::copyOne"
                                << ": cannot read" << source << why;
        return AgentResult::FileMissing;
    }
    const QString folder = QFileInfo(destination).path();
    // Written under a hidden name and renamed at the end, so a cancelled or
    // failed copy never leaves a partial file behind.
    QFile out(
        QStringLiteral("%1/.~transfer-%2-%3.part").arg(folder).arg(job.id).arg(quintptr(&in)));
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return AgentResult::WriteFailed;
    int result = AgentResult::Ok;
    QByteArray buffer;
    while (result == AgentResult::Ok && !in.atEnd()) {
        if (job.cancel || m_stopping) {
            result = AgentResult::Busy;
            break;
        }
        buffer = in.read(kChunk);
        if (goAwayHalfWay)
            buffer.truncate(buffer.size() / 2);
        if (in.error() != QFileDevice::NoError || (buffer.isEmpty() && !in.atEnd())) {
            result = AgentResult::FileMissing;
        } else if (out.write(buffer) != buffer.size()) {
            result = AgentResult::WriteFailed;
        } else {
            *done += buffer.size();
            if (progress)
                progress(*done, total, TransferMarker::FileNameReport, CString(shown));
        }
        if (goAwayHalfWay) {
            goAwayHalfWay = false;
            out.flush();
            disconnect();
        }
    }
    // A cancel after the last chunk still undoes the copy: the file never
    // got its name, so it was never on the other side.
    if (result == AgentResult::Ok && (job.cancel || m_stopping))
        result = AgentResult::Busy;
    if (result == AgentResult::Ok) {
        // Stamp after the data is out, or the last write would change it again.
        if (!out.flush())
            result = AgentResult::WriteFailed;
        else
            out.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
    }
    out.close();
    if (result == AgentResult::Ok && !QFile::rename(out.fileName(), destination)) {
        // Someone took the name meanwhile: take the next free one.
        if (!QFile::rename(out.fileName(), freeName(folder, QFileInfo(destination).fileName())))
            result = AgentResult::WriteFailed;
    }
    if (result != AgentResult::Ok)
        QFile::remove(out.fileName());
    return result;
}

void FolderPhoneAgent::CancelTransfer(int jobId)
{
    qCDebug(lcHostDevice) << "FolderPhoneAgent::CancelTransfer"
                          << ": job" << jobId;
    QMutexLocker lock(&m_mutex);
    for (const JobPtr& job : qAsConst(m_jobs)) {
        if (!job->isDelete && (jobId == -1 || job->id == jobId))
            job->cancel = true;
    }
}

void FolderPhoneAgent::CloseTransfer(int jobId)
{
    forgetJob(jobId);
}

int FolderPhoneAgent::ReplaceFile(const QString& source, const QString& phonePath,
    PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion)
{
    if (!connected())
        return AgentResult::Disconnected;
    const int refusal = faults().transferRefusal;
    if (refusal != AgentResult::Ok)
        return refusal;
    // Written over in place: a link that leads outside the phone is refused.
    const QString target = reachablePath(phonePath);
    const QString file = QDir::cleanPath(toFileSystemPath(source));
    // Only a file the phone has is replaced; a new one is sent with TransferFiles.
    if (target.isEmpty() || !QFileInfo(target).isFile() || !SafeFile::isRegularFile(file)) {
        qCWarning(lcHostDevice) << "FolderPhoneAgent::ReplaceFile: refused" << source << phonePath;
        return AgentResult::Refused;
    }
    JobPtr job = newJob(false);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::ReplaceFile: job" << job->id << source << "->"
                          << phonePath;
    startThread([=] { runReplace(job, file, target, progress, completion); });
    return AgentResult::Ok;
}

void FolderPhoneAgent::runReplace(JobPtr job, QString source, QString target,
    PFN_TransferProgressCallback progress, PFN_TransferCompletionCallback completion)
{
    auto report = [progress](qint64 current, qint64 total, int status, const QString& name) {
        if (progress)
            progress(current, total, status, CString(name));
    };
    report(TransferMarker::Start, TransferMarker::Start, job->id, QString());
    report(0, QFileInfo(source).size(), TransferMarker::FileNameReport, phonePathOf(target));
    const int result = replaceOne(*job, source, target);
    if (result == AgentResult::Ok)
        reportEvent(DeviceChange::Changed, target);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::runReplace: job" << job->id << "result" << result;
    if (m_stopping) {
        report(TransferMarker::EndWithoutResult, TransferMarker::EndWithoutResult, 0, QString());
        return;
    }
    report(TransferMarker::End, TransferMarker::End, result, QString());
    if (completion)
        completion(job->id, result);
}

int FolderPhoneAgent::replaceOne(const Job& job, const QString& source, const QString& target)
{
    QFile in;
    if (!SafeFile::openForReading(in, source))
        return AgentResult::FileMissing;
    // Written beside the old file and renamed over it: the phone has the old
    // content or the new, never a part.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return AgentResult::WriteFailed;
    int result = AgentResult::Ok;
    while (result == AgentResult::Ok && !in.atEnd()) {
        const QByteArray buffer = in.read(kChunk);
        if (job.cancel || m_stopping)
            result = connected() || m_stopping ? AgentResult::Busy : AgentResult::Disconnected;
        else if (in.error() != QFileDevice::NoError)
            result = AgentResult::FileMissing;
        else if (out.write(buffer) != buffer.size())
            result = AgentResult::WriteFailed;
    }
    if (result == AgentResult::Ok && !out.flush())
        result = AgentResult::WriteFailed;
    if (result != AgentResult::Ok) {
        out.cancelWriting();
        return result;
    }
    out.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
    return out.commit() ? AgentResult::Ok : AgentResult::WriteFailed;
}

int FolderPhoneAgent::DeleteFiles(const QStringList& paths, PFN_DeleteCallback callback)
{
    if (!connected())
        return AgentResult::Disconnected;
    const int refusal = faults().deleteRefusal;
    if (refusal != AgentResult::Ok)
        return refusal;
    if (!callback)
        return AgentResult::Refused;
    {
        QMutexLocker lock(&m_mutex);
        for (const JobPtr& job : qAsConst(m_jobs)) {
            if (job->isDelete && !job->finished)
                return AgentResult::Busy;
        }
    }
    JobPtr job = newJob(true);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::DeleteFiles"
                          << ": job" << job->id << paths.size() << "files";
    startThread([=] { runDelete(job, paths, callback); });
    return AgentResult::Ok;
}

void FolderPhoneAgent::runDelete(JobPtr job, QStringList paths, PFN_DeleteCallback callback)
{
    callback(DeleteJobNotice::Started, job->id, QString(), QString());
    int result = AgentResult::Ok;
    const int delay = faults().delayPerFileMs;
    for (const QString& path : qAsConst(paths)) {
        if (countTowardsDisconnect(&FolderAgentFaults::disconnectAtDelete, &m_filesDeleted))
            disconnect();
        if (job->cancel || m_stopping) {
            result = connected() || m_stopping ? AgentResult::Busy : AgentResult::Disconnected;
            break;
        }
        const QString file = reachablePath(path);
        const QFileInfo info(file);
        if (file.isEmpty() || info.isDir()) {
            qCWarning(lcHostDevice) << "FolderPhoneAgent::runDelete"
                                    << ": refused" << path;
            result = AgentResult::Refused;
            continue;
        }
        if (!info.exists()) {
            // Already gone: as deleted as it gets.
            callback(AgentResult::Ok, job->id, path, QString());
            continue;
        }
        if (!QFile::remove(file)) {
            qCWarning(lcHostDevice) << "FolderPhoneAgent::runDelete"
                                    << ": cannot delete" << path;
            result = AgentResult::AccessDenied;
            continue;
        }
        callback(AgentResult::Ok, job->id, path, QString());
        reportEvent(DeviceChange::Removed, file);
        {
            QMutexLocker lock(&m_mutex);
            m_objectIds.remove(file);
        }
        if (delay > 0)
            pause(delay, &job->cancel);
    }
    job->finished = true;
    qCDebug(lcHostDevice) << "FolderPhoneAgent::runDelete"
                          << ": job" << job->id << "result" << result;
    callback(result, job->id, QString(), QString());
}

void FolderPhoneAgent::CancelDeleteJob(int jobId)
{
    QMutexLocker lock(&m_mutex);
    for (const JobPtr& job : qAsConst(m_jobs)) {
        if (job->isDelete && (jobId == -1 || job->id == jobId))
            job->cancel = true;
    }
}

void FolderPhoneAgent::CloseDeleteJob(int jobId)
{
    forgetJob(jobId);
}

int FolderPhoneAgent::RenameFile(
    const QString& path, const QString& newFileName, PFN_RenameCallback callback)
{
    if (!connected())
        return AgentResult::Disconnected;
    const int refusal = faults().renameRefusal;
    if (refusal != AgentResult::Ok)
        return refusal;
    const QString from = reachablePath(path);
    if (from.isEmpty() || !QFileInfo(from).isFile())
        return AgentResult::FileMissing;
    const QString name = newFileName.trimmed();
    if (!callback || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return AgentResult::Refused;
    const QString to = QFileInfo(from).path() + QLatin1Char('/') + name;
    if (to != from && QFileInfo::exists(to))
        return AgentResult::Refused;
    startThread([=] { runRename(from, to, callback); });
    return AgentResult::Ok;
}

void FolderPhoneAgent::runRename(QString from, QString to, PFN_RenameCallback callback)
{
    bool ok = from == to;
    if (!ok && QFile::rename(from, to)) {
        ok = true;
        moveObjectId(from, to);
        reportEvent(DeviceChange::Changed, to);
    }
    qCDebug(lcHostDevice) << "FolderPhoneAgent::runRename"
                          << ":" << from << "->" << to << ok;
    if (!m_stopping)
        callback(ok);
}
