// ImportEngine: reading each photo again from the phone, comparing it with
// its copy, and deleting from the phone what matches.
#include "importengine.h"

#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

namespace {

QString onlyFile(const QString& folder)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    return it.hasNext() ? it.next() : QString();
}

// True when the phone's reading, the PC copy and what the ledger recorded
// are one content.
bool sameContent(const QString& phoneCopy, const QString& pcCopy, const QByteArray& recorded)
{
    const QByteArray phone = ImportPlacer::sha256Of(phoneCopy);
    QFile::remove(phoneCopy);
    if (phone.isEmpty())
        return false;
    const QByteArray pc = ImportPlacer::sha256Of(pcCopy);
    return phone == pc && (recorded.isEmpty() || recorded == phone);
}

} // namespace

void ImportEngine::startChecks()
{
    m_phase = ImportProgress::Checking;
    m_index = 0;
    m_toDelete.clear();
    m_deletedKeys.clear();
    m_bytesDone = 0;
    m_bytesTotal = 0;
    for (const Entry& entry : qAsConst(m_entries)) {
        if (entry.outcome != ImportPlacer::Result::Failed)
            m_bytesTotal += qMax<qint64>(0, entry.source.size);
    }
    const QString base = m_checkFolder.isEmpty() ? QDir::tempPath() : m_checkFolder;
    QDir().mkpath(base);
    m_checking = std::make_unique<QTemporaryDir>(
        QDir(base).filePath(QStringLiteral("import-check-XXXXXX")));
    nextCheck();
}

void ImportEngine::nextCheck()
{
    if (!m_running || m_job != Job::None || m_comparing.isRunning())
        return;
    if (m_cancelled) {
        finishRun();
        return;
    }
    if (m_index >= m_entries.size()) {
        startDelete();
        return;
    }
    Entry& entry = m_entries[m_index];
    // A photo that was not copied stays on the phone; the copy's failure says why.
    if (entry.outcome == ImportPlacer::Result::Failed) {
        advanceCheck();
        return;
    }
    if (entry.pcPath.isEmpty() || !QFileInfo(entry.pcPath).isFile()) {
        keep(entry, tr("its copy on this computer is gone"));
        advanceCheck();
        return;
    }
    if (m_disconnected || !m_checking || !m_checking->isValid()) {
        keep(entry,
            m_disconnected ? agentReason(13) : tr("there is no temporary folder to read it into"));
        advanceCheck();
        return;
    }
    reportProgress();
    const int refusal = download(Job::Check, entry.source.phonePath, m_checking->path());
    if (refusal != AgentResult::Ok) {
        keep(entry, tr("the phone's photo cannot be read again: %1").arg(agentReason(refusal)));
        advanceCheck();
    }
}

void ImportEngine::advanceCheck()
{
    ++m_index;
    QTimer::singleShot(0, this, &ImportEngine::nextCheck);
}

void ImportEngine::checked(int result)
{
    Entry& entry = m_entries[m_index];
    const QString phoneCopy = QFileInfo(m_jobFile).isFile()
            && m_jobFile.startsWith(m_checking->path() + QLatin1Char('/'))
        ? m_jobFile
        : onlyFile(m_checking->path());
    if (result != AgentResult::Ok || phoneCopy.isEmpty()) {
        if (!phoneCopy.isEmpty())
            QFile::remove(phoneCopy);
        if (m_cancelled) {
            finishRun();
            return;
        }
        keep(entry, tr("the phone's photo cannot be read again: %1").arg(agentReason(result)));
        advanceCheck();
        return;
    }
    const QString pcCopy = entry.pcPath;
    const QByteArray recorded = entry.sha256;
    m_comparing.setFuture(QtConcurrent::run(
        [phoneCopy, pcCopy, recorded] { return sameContent(phoneCopy, pcCopy, recorded); }));
}

void ImportEngine::compared()
{
    if (!m_running || m_index >= m_entries.size())
        return;
    Entry& entry = m_entries[m_index];
    m_bytesDone += qMax<qint64>(0, entry.source.size);
    if (m_comparing.result())
        m_toDelete.append(m_index);
    else
        keep(entry, tr("its copy on this computer differs from the photo on the phone"));
    if (m_cancelled) {
        finishRun();
        return;
    }
    advanceCheck();
}

void ImportEngine::keep(Entry& entry, const QString& reason)
{
    m_summary.kept.append({ entry.source.phonePath, reason });
    qCWarning(lcHostApp) << "ImportEngine : kept on the phone" << entry.source.phonePath << reason;
}

void ImportEngine::startDelete()
{
    m_checking.reset();
    if (m_toDelete.isEmpty()) {
        finishRun();
        return;
    }
    m_phase = ImportProgress::Deleting;
    reportProgress();
    QStringList paths;
    for (int index : qAsConst(m_toDelete))
        paths.append(m_entries.at(index).source.phonePath);
    m_job = Job::Delete;
    m_jobId = -1;
    const int started = m_agent->DeleteFiles(paths, &ImportEngine::onDeleted);
    if (started == AgentResult::Ok)
        return;
    m_job = Job::None;
    for (int index : qAsConst(m_toDelete))
        keep(m_entries[index], tr("the phone refused to delete it: %1").arg(agentReason(started)));
    finishRun();
}

void ImportEngine::deleteReported(int error, int jobId, const QString& path)
{
    if (m_job != Job::Delete)
        return;
    if (error == DeleteJobNotice::Started) {
        m_jobId = jobId;
        if (m_cancelled && m_agent)
            m_agent->CancelDeleteJob(jobId);
        return;
    }
    if (!path.isEmpty()) {
        if (error == AgentResult::Ok && !m_deletedKeys.contains(pathKey(path))) {
            m_deletedKeys.insert(pathKey(path));
            ++m_summary.deleted;
        }
        return;
    }
    if (m_agent)
        m_agent->CloseDeleteJob(jobId);
    m_job = Job::None;
    m_jobId = -1;
    for (int index : qAsConst(m_toDelete)) {
        Entry& entry = m_entries[index];
        if (m_deletedKeys.contains(pathKey(entry.source.phonePath)))
            continue;
        keep(entry,
            error == AgentResult::Ok
                ? tr("the phone did not delete it")
                : tr("the phone did not delete it: %1").arg(agentReason(error)));
    }
    finishRun();
}
