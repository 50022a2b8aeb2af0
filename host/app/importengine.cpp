#include "importengine.h"

#include "host/contract/ideviceagent.h"
#include "host/services/devicepath.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

namespace {

// The import the agent's callbacks report to; used on the engine's thread only.
ImportEngine* g_running = nullptr;

template<typename Functor> void toEngineThread(Functor functor)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(functor), Qt::QueuedConnection);
}

QString fileNameOf(const QString& phonePath)
{
    return QFileInfo(toFileSystemPath(phonePath)).fileName();
}

// The one file the agent left in a folder, whatever it named it.
QString onlyFileIn(const QString& folder)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    return it.hasNext() ? it.next() : QString();
}

void emptyFolder(const QString& folder)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext())
        QFile::remove(it.next());
}

} // namespace

ImportEngine::ImportEngine(IDeviceNexaAgent* agent, IDBManager* database, QObject* parent)
    : QObject(parent)
    , m_agent(agent)
    , m_ledger(database)
{
    qRegisterMetaType<ImportProgress>("ImportProgress");
    qRegisterMetaType<ImportSummary>("ImportSummary");
    connect(
        &m_placing, &QFutureWatcher<ImportPlacer::Result>::finished, this, &ImportEngine::placed);
    connect(&m_comparing, &QFutureWatcher<bool>::finished, this, &ImportEngine::compared);
}

ImportEngine::~ImportEngine()
{
    if (!m_running)
        return;
    if (m_agent && m_jobId != -1) {
        if (m_job == Job::Delete)
            m_agent->CancelDeleteJob(m_jobId);
        else
            m_agent->CancelTransfer(m_jobId);
    }
    // Hashing a file does not wait for this thread: the wait ends.
    m_placing.waitForFinished();
    m_comparing.waitForFinished();
    if (g_running == this)
        g_running = nullptr;
    g_SharedValue.deleteState(OCGlobal::ITEM_PC_PHOTO, OCSharedValue::ProcessTransferB);
}

QString ImportEngine::deviceId() const
{
    return ImportLedger::deviceKeyOf(m_agent);
}

ImportPreview ImportEngine::preview(
    const QList<ImportSource>& sources, const QString& destination, bool includeImported) const
{
    ImportPreview preview;
    preview.photos = sources.size();
    const QString device = deviceId();
    for (const ImportSource& source : sources) {
        const QList<ImportRecord> records = m_ledger.recordsOf(device, source.phonePath);
        bool imported = false;
        for (const ImportRecord& record : records) {
            const bool sameFacts = source.size < 0 || !source.deviceDate.isValid()
                || (record.size == source.size
                    && ImportLedger::dateKey(record.deviceDate)
                        == ImportLedger::dateKey(source.deviceDate));
            imported = imported || sameFacts;
        }
        if (imported)
            ++preview.imported;
        if ((includeImported || !imported) && source.size > 0)
            preview.bytesNeeded += source.size;
    }
    QString existing = QDir::cleanPath(destination);
    while (!existing.isEmpty() && !QFileInfo(existing).isDir() && existing != QLatin1String("/"))
        existing = QFileInfo(existing).path();
    const QStorageInfo storage(existing);
    preview.bytesFree = m_spaceLimit >= 0 ? m_spaceLimit
        : storage.isValid()               ? storage.bytesAvailable()
                                          : -1;
    return preview;
}

bool ImportEngine::start(const ImportRequest& request)
{
    if (m_running || g_running) {
        qCWarning(lcHostApp) << "ImportEngine::start : an import runs already";
        return false;
    }
    m_running = true;
    g_running = this;
    m_request = request;
    m_request.destination = QDir::cleanPath(QFileInfo(request.destination).absoluteFilePath());
    m_deviceId = deviceId();
    m_entries.clear();
    for (const ImportSource& source : request.sources) {
        Entry entry;
        entry.source = source;
        m_entries.append(entry);
    }
    m_index = 0;
    m_summary = ImportSummary();
    m_summary.destination = m_request.destination;
    m_summary.photos = m_entries.size();
    m_summary.deleteAfter = request.deleteAfter;
    m_cancelled = m_outOfSpace = m_disconnected = false;
    m_bytesDone = m_written = 0;
    m_bytesTotal = 0;
    for (const Entry& entry : qAsConst(m_entries))
        m_bytesTotal += qMax<qint64>(0, entry.source.size);
    m_job = Job::None;
    m_jobId = -1;
    m_phase = ImportProgress::Copying;
    g_SharedValue.addState(OCGlobal::ITEM_PC_PHOTO, OCSharedValue::ProcessTransferB);
    qCDebug(lcHostApp) << "ImportEngine::start :" << m_entries.size() << "photos of" << m_deviceId
                       << "to" << m_request.destination << ImportLayout::name(m_request.layout)
                       << "delete after" << m_request.deleteAfter;

    // The staging folder sits in the destination, so moving a photo into
    // its place is a rename on one file system.
    if (QDir().mkpath(m_request.destination)) {
        m_staging = std::make_unique<QTemporaryDir>(
            QDir(m_request.destination).filePath(QStringLiteral(".photo-host-import-XXXXXX")));
    }
    if (!m_staging || !m_staging->isValid()) {
        const QString reason = tr("cannot write to the destination %1").arg(m_request.destination);
        for (Entry& entry : m_entries)
            fail(entry, reason);
        m_index = m_entries.size();
    }
    if (!m_agent) {
        for (Entry& entry : m_entries) {
            if (!entry.done)
                fail(entry, tr("no phone is connected"));
        }
        m_index = m_entries.size();
    }
    reportProgress();
    QTimer::singleShot(0, this, &ImportEngine::nextFile);
    return true;
}

void ImportEngine::cancel()
{
    if (!m_running || m_cancelled)
        return;
    qCDebug(lcHostApp) << "ImportEngine::cancel : job" << m_jobId;
    m_cancelled = true;
    m_summary.cancelled = true;
    if (m_job == Job::Copy || m_job == Job::Check) {
        if (m_jobId != -1 && m_agent)
            m_agent->CancelTransfer(m_jobId);
        else
            m_cancelWhenStarted = true;
    } else if (m_job == Job::Delete && m_jobId != -1 && m_agent) {
        m_agent->CancelDeleteJob(m_jobId);
    }
}

// --- copying ---

void ImportEngine::nextFile()
{
    if (!m_running || m_job != Job::None || m_placing.isRunning())
        return;
    if (m_cancelled) {
        finishRun();
        return;
    }
    if (m_index >= m_entries.size()) {
        if (m_request.deleteAfter)
            startChecks();
        else
            finishRun();
        return;
    }
    Entry& entry = m_entries[m_index];
    if (entry.done) {
        advance();
        return;
    }
    const QList<ImportRecord> records = m_ledger.recordsOf(m_deviceId, entry.source.phonePath);
    if (!m_request.includeImported && skipImportedBefore(entry, records)) {
        advance();
        return;
    }
    if (m_disconnected) {
        fail(entry, agentReason(AgentResult::Disconnected));
        advance();
        return;
    }
    const qint64 left = spaceLeft();
    if (m_outOfSpace || (left >= 0 && entry.source.size > left)) {
        m_outOfSpace = true;
        fail(entry, tr("not enough free space at the destination"));
        advance();
        return;
    }
    reportProgress();
    emptyFolder(m_staging->path());
    const int refusal = download(Job::Copy, entry.source.phonePath, m_staging->path());
    if (refusal != AgentResult::Ok) {
        fail(entry, agentReason(refusal));
        advance();
    }
}

bool ImportEngine::skipImportedBefore(Entry& entry, const QList<ImportRecord>& records)
{
    // Without a size and a date from the phone, only the content can tell;
    // ImportPlacer compares it once the photo is read.
    if (entry.source.size < 0 || !entry.source.deviceDate.isValid())
        return false;
    for (const ImportRecord& record : records) {
        if (record.size == entry.source.size
            && ImportLedger::dateKey(record.deviceDate)
                == ImportLedger::dateKey(entry.source.deviceDate)) {
            entry.done = true;
            entry.outcome = ImportPlacer::Result::ImportedBefore;
            entry.pcPath = toFileSystemPath(record.pcPath);
            entry.sha256 = record.sha256;
            ++m_summary.alreadyThere;
            m_bytesDone += qMax<qint64>(0, entry.source.size);
            return true;
        }
    }
    return false;
}

void ImportEngine::advance()
{
    ++m_index;
    QTimer::singleShot(0, this, &ImportEngine::nextFile);
}

int ImportEngine::download(Job job, const QString& phonePath, const QString& folder)
{
    m_job = job;
    m_jobId = -1;
    m_cancelWhenStarted = false;
    m_jobFile.clear();
    const int started = m_agent->TransferFiles({ phonePath }, folder, QStringLiteral("toPC"),
        &ImportEngine::onProgress, &ImportEngine::onCompletion, -1, 1, 0);
    if (started == AgentResult::Ok)
        return AgentResult::Ok;
    qCWarning(lcHostApp) << "ImportEngine::download : refused" << started << phonePath;
    m_job = Job::None;
    if (started == AgentResult::Disconnected)
        m_disconnected = true;
    return started;
}

void ImportEngine::onProgress(qint64 current, qint64 total, int status, CString file)
{
    const QString name = GetCString2QString(file);
    toEngineThread([=] {
        if (g_running)
            g_running->jobProgress(current, total, status, name);
    });
}

void ImportEngine::onCompletion(int jobId, int result)
{
    toEngineThread([=] {
        if (g_running)
            g_running->jobEnded(jobId, result);
    });
}

void ImportEngine::onDeleted(int error, int jobId, QString path, QString reserved)
{
    Q_UNUSED(reserved);
    toEngineThread([=] {
        if (g_running)
            g_running->deleteReported(error, jobId, path);
    });
}

void ImportEngine::jobProgress(qint64 current, qint64 total, int status, const QString& file)
{
    if (m_job != Job::Copy && m_job != Job::Check)
        return;
    if (current == TransferMarker::Start && total == TransferMarker::Start) {
        m_jobId = status;
        if (m_cancelWhenStarted && m_agent)
            m_agent->CancelTransfer(status);
    } else if (current == TransferMarker::EndWithoutResult) {
        // The agent went away under the job; no completion will come.
        jobEnded(m_jobId, AgentResult::Disconnected);
    } else if (status == TransferMarker::FileNameReport && current >= 0) {
        m_jobFile = toFileSystemPath(file);
        if (m_job == Job::Copy)
            reportProgress(current);
    }
}

void ImportEngine::jobEnded(int jobId, int result)
{
    if (m_job == Job::None || m_job == Job::Delete || (m_jobId != -1 && jobId != m_jobId))
        return;
    if (m_agent && jobId > 0)
        m_agent->CloseTransfer(jobId);
    const Job job = m_job;
    m_job = Job::None;
    m_jobId = -1;
    if (result == AgentResult::Disconnected)
        m_disconnected = true;
    if (job == Job::Copy)
        copied(result);
    else
        checked(result);
}

void ImportEngine::copied(int result)
{
    Entry& entry = m_entries[m_index];
    if (result != AgentResult::Ok) {
        emptyFolder(m_staging->path());
        if (m_cancelled) {
            finishRun();
            return;
        }
        fail(entry, agentReason(result));
        advance();
        return;
    }
    ImportPlacer::Plan plan;
    plan.stagedFile = QFileInfo(m_jobFile).isFile() && m_jobFile.startsWith(m_staging->path())
        ? m_jobFile
        : onlyFileIn(m_staging->path());
    plan.destination = m_request.destination;
    plan.layout = m_request.layout;
    plan.phoneFolder = DevicePath::relativeFolder(
        toStoredPath(QFileInfo(toFileSystemPath(entry.source.phonePath)).path()),
        m_agent->StorageRoot());
    plan.fileName = fileNameOf(entry.source.phonePath);
    plan.expectedSize = entry.source.size;
    plan.deviceDate = entry.source.deviceDate;
    plan.spaceLeft = spaceLeft();
    if (!m_request.includeImported) {
        for (const ImportRecord& record : m_ledger.recordsOf(m_deviceId, entry.source.phonePath))
            plan.importedContents.append(record.sha256);
    }
    const ImportLedger* ledger = &m_ledger;
    m_placing.setFuture(
        QtConcurrent::run([plan, ledger] { return ImportPlacer::place(plan, ledger); }));
}

void ImportEngine::placed()
{
    if (!m_running || m_index >= m_entries.size())
        return;
    const ImportPlacer::Result result = m_placing.result();
    Entry& entry = m_entries[m_index];
    entry.done = true;
    entry.outcome = result.outcome;
    entry.sha256 = result.sha256;
    entry.pcPath = result.pcPath;
    if (entry.source.size < 0 && result.size >= 0)
        m_bytesTotal += result.size;
    m_bytesDone += qMax<qint64>(0, result.size);
    switch (result.outcome) {
    case ImportPlacer::Result::Copied:
        ++m_summary.copied;
        m_summary.bytesCopied += result.size;
        m_written += result.size;
        m_summary.copiedFiles.append(result.pcPath);
        break;
    case ImportPlacer::Result::AlreadyThere:
        ++m_summary.alreadyThere;
        break;
    case ImportPlacer::Result::ImportedBefore:
        ++m_summary.alreadyThere;
        for (const ImportRecord& record : m_ledger.recordsOf(m_deviceId, entry.source.phonePath)) {
            if (record.sha256 == result.sha256)
                entry.pcPath = toFileSystemPath(record.pcPath);
        }
        break;
    case ImportPlacer::Result::Failed:
        m_outOfSpace = m_outOfSpace || result.outOfSpace;
        entry.done = false;
        fail(entry, result.reason);
        break;
    }
    if (result.outcome == ImportPlacer::Result::Copied
        || result.outcome == ImportPlacer::Result::AlreadyThere) {
        ImportRecord record;
        record.deviceId = m_deviceId;
        record.phonePath = entry.source.phonePath;
        record.size = result.size;
        record.deviceDate = result.deviceDate;
        record.sha256 = result.sha256;
        record.pcPath = result.pcPath;
        if (!m_ledger.add(record))
            qCWarning(lcHostApp) << "ImportEngine::placed : not in the ledger" << result.pcPath;
    }
    if (!entry.pcPath.isEmpty())
        m_summary.safeFiles.append(entry.pcPath);
    qCDebug(lcHostApp) << "ImportEngine::placed :" << entry.source.phonePath << "outcome"
                       << result.outcome << entry.pcPath << result.reason;
    if (m_cancelled) {
        finishRun();
        return;
    }
    advance();
}

void ImportEngine::fail(Entry& entry, const QString& reason)
{
    entry.done = true;
    entry.outcome = ImportPlacer::Result::Failed;
    m_summary.failed.append({ entry.source.phonePath, reason });
    qCWarning(lcHostApp) << "ImportEngine : not copied" << entry.source.phonePath << reason;
}

qint64 ImportEngine::spaceLeft() const
{
    if (m_spaceLimit >= 0)
        return qMax<qint64>(0, m_spaceLimit - m_written);
    const QStorageInfo storage(m_request.destination);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void ImportEngine::reportProgress(qint64 fileBytes)
{
    ImportProgress progress;
    progress.phase = m_phase;
    progress.files = m_entries.size();
    progress.file = qMin(m_index + 1, m_entries.size());
    progress.bytesDone = m_bytesDone + fileBytes;
    progress.bytesTotal = qMax(m_bytesTotal, progress.bytesDone);
    if (m_index < m_entries.size())
        progress.name = fileNameOf(m_entries.at(m_index).source.phonePath);
    emit progressChanged(progress);
}

void ImportEngine::finishRun()
{
    if (!m_running)
        return;
    // Photos never reached count as not copied.
    if (m_cancelled) {
        for (Entry& entry : m_entries) {
            if (!entry.done)
                entry.done = true;
        }
    }
    m_staging.reset();
    m_checking.reset();
    m_running = false;
    m_job = Job::None;
    if (g_running == this)
        g_running = nullptr;
    g_SharedValue.deleteState(OCGlobal::ITEM_PC_PHOTO, OCSharedValue::ProcessTransferB);
    qCDebug(lcHostApp) << "ImportEngine::finishRun :" << m_summary.copied << "copied,"
                       << m_summary.alreadyThere << "already there," << m_summary.failed.size()
                       << "failed," << m_summary.deleted << "deleted," << m_summary.kept.size()
                       << "kept, cancelled" << m_summary.cancelled;
    emit finished(m_summary);
}

QString ImportEngine::agentReason(int code)
{
    switch (code) {
    case AgentResult::Busy:
        return tr("the phone was busy");
    case AgentResult::AccessDenied:
        return tr("the phone denied access to the photo");
    case AgentResult::FileMissing:
        return tr("the photo is no longer on the phone");
    case AgentResult::WriteFailed:
        return tr("the copy could not be written (the destination may be full)");
    case AgentResult::Disconnected:
        return tr("the phone was disconnected");
    default:
        return tr("the phone reported error %1").arg(code);
    }
}
