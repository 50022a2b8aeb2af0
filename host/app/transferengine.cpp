#include "host/app/transferengine.h"

#include "host/app/pluginmanager.h"
#include "host/app/transferenginewindow.h"
#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/db/photodb.h"
#include "host/mime/qfilecontentsmimedata.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>

namespace {

// The engine the agent's callbacks report to; read and written on the GUI thread only.
TransferEngine* g_engine = nullptr;

} // namespace

struct TransferEngine::Batch
{
    Direction direction = ToPhone;
    QStringList sources;
    QString target; // drag-out: the file
    qint64 totalSize = 0;
    quintptr callback = 0; // drag-out: reported to once
    std::unique_ptr<QTemporaryDir> staging;
    int next = 0; // the file being copied
    int arrived = 0;
    qint64 doneBytes = 0;
    int error = 0;
    bool cancelled = false;
};

struct TransferEngine::Lane
{
    std::unique_ptr<Batch> current;
    std::deque<std::unique_ptr<Batch>> waiting;
    bool jobRunning = false;
    int jobId = -1; // known from the job's start report
    bool cancelWhenStarted = false;
    QString jobFile; // where the agent writes, as it reports it
    qint64 jobBytes = 0;
};

TransferEngine::TransferEngine(QObject* parent)
    : QObject(parent)
{
    m_lanes[0] = std::make_unique<Lane>();
    m_lanes[1] = std::make_unique<Lane>();
    g_engine = this;
}

TransferEngine::~TransferEngine()
{
    if (g_engine == this)
        g_engine = nullptr;
    for (int lane = 0; lane < 2; ++lane) {
        Lane& l = *m_lanes[lane];
        if (m_agent && l.jobRunning && l.jobId != -1)
            m_agent->CancelTransfer(l.jobId);
        for (auto& batch : l.waiting)
            deliverDragOut(*batch, false);
        if (l.current) {
            deliverDragOut(*l.current, false);
            if (lane == 0 && l.current->direction == ToPhone)
                g_SharedValue.deleteState(
                    OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
        }
    }
    delete m_window;
}

void TransferEngine::connectPluginManager(PluginManager* manager)
{
    m_manager = manager;
    if (!manager)
        return;
    connect(
        manager, &PluginManager::transferToPhoneRequested, this, &TransferEngine::transferToPhone);
    connect(
        manager, &PluginManager::playlistToPhoneRequested, this, &TransferEngine::playlistToPhone);
    connect(manager, &PluginManager::dragOutTransferRequested, this, &TransferEngine::dragOut);
}

void TransferEngine::setDeviceAgent(IDeviceNexaAgent* agent)
{
    if (agent == m_agent)
        return;
    // Jobs of the old phone end without it.
    for (auto& lane : m_lanes) {
        if (lane->current)
            lane->current->cancelled = true;
        lane->jobRunning = false;
    }
    m_agent = agent;
    for (int lane = 0; lane < 2; ++lane)
        QTimer::singleShot(0, this, [this, lane] { startFile(lane); });
}

void TransferEngine::setPhotoDatabase(PhotoDB* database)
{
    m_database = database;
}

void TransferEngine::setWindowParent(QWidget* parent)
{
    m_windowParent = parent;
}

TransferEngineWindow* TransferEngine::progressWindow()
{
    if (!m_window) {
        m_window = new TransferEngineWindow(m_windowParent);
        connect(m_window, &TransferEngineWindow::cancelRequested, this, &TransferEngine::cancel);
    }
    return m_window;
}

bool TransferEngine::isBusy() const
{
    return m_lanes[0]->current || m_lanes[1]->current;
}

int TransferEngine::shownCode(int refusal)
{
    // A phone that is busy or refuses is shown as "the device is busy".
    return refusal == AgentResult::Busy ? int(ErrorBoxCode::PhoneBusy) : refusal;
}

void TransferEngine::transferToPhone(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    auto batch = std::make_unique<Batch>();
    batch->direction = ToPhone;
    batch->sources = paths;
    for (const QString& path : paths)
        batch->totalSize += QFileInfo(toFileSystemPath(path)).size();
    qCDebug(lcHostApp) << "TransferEngine::transferToPhone"
                       << ":" << paths.size() << "files";
    enqueue(std::move(batch));
}

void TransferEngine::playlistToPhone(int playlistId)
{
    QStringList files;
    if (m_database) {
        for (const QString& path : m_database->albumFiles(playlistId)) {
            if (QFileInfo(toFileSystemPath(path)).isFile())
                files.append(path);
        }
    }
    qCDebug(lcHostApp) << "TransferEngine::playlistToPhone"
                       << ": album" << playlistId << files.size() << "files";
    transferToPhone(files);
}

void TransferEngine::dragOut(
    const QString& source, const QString& target, qint64 size, quintptr callback)
{
    auto batch = std::make_unique<Batch>();
    batch->direction = DragOut;
    batch->sources = QStringList { source };
    batch->target = QDir::cleanPath(toFileSystemPath(target));
    batch->totalSize = size;
    batch->callback = callback;
    qCDebug(lcHostApp) << "TransferEngine::dragOut"
                       << ":" << source << "to" << batch->target;
    if (source.isEmpty() || target.isEmpty()) {
        deliverDragOut(*batch, false);
        return;
    }
    enqueue(std::move(batch));
}

void TransferEngine::cancel()
{
    Lane& lane = *m_lanes[0];
    lane.waiting.clear();
    if (!lane.current)
        return;
    qCDebug(lcHostApp) << "TransferEngine::cancel"
                       << ": job" << lane.jobId;
    lane.current->cancelled = true;
    if (!lane.jobRunning)
        return;
    if (lane.jobId != -1 && m_agent)
        m_agent->CancelTransfer(lane.jobId);
    else
        lane.cancelWhenStarted = true;
}

void TransferEngine::enqueue(std::unique_ptr<Batch> batch)
{
    const int lane = batch->direction == DragOut ? 1 : 0;
    m_lanes[lane]->waiting.push_back(std::move(batch));
    startNext(lane);
}

void TransferEngine::startNext(int lane)
{
    Lane& l = *m_lanes[lane];
    if (l.current || l.waiting.empty())
        return;
    l.current = std::move(l.waiting.front());
    l.waiting.pop_front();
    Batch& batch = *l.current;
    if (lane == 0) {
        g_SharedValue.addState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
        if (m_showWindow) {
            progressWindow()->startBatch(
                GetQString(tr("Transferring to phone")), batch.sources.size());
            m_window->show();
        }
        emit progressReported(TransferMarker::Start, TransferMarker::Start, 0, QString());
    } else {
        const QString folder = QFileInfo(batch.target).absolutePath();
        QDir().mkpath(folder);
        batch.staging
            = std::make_unique<QTemporaryDir>(folder + QStringLiteral("/.~dragout-XXXXXX"));
    }
    startFile(lane);
}

// --- one agent job per file ---

namespace {

// Reports of agent threads go to the GUI thread in the order they were made.
template<typename Functor> void toGuiThread(Functor functor)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(functor), Qt::QueuedConnection);
}

} // namespace

template<int lane>
void TransferEngine::onProgress(qint64 current, qint64 total, int status, CString file)
{
    const QString name = GetCString2QString(file);
    toGuiThread([=] {
        if (g_engine)
            g_engine->jobProgress(lane, current, total, status, name);
    });
}

template<int lane> void TransferEngine::onCompletion(int jobId, int result)
{
    toGuiThread([=] {
        if (g_engine)
            g_engine->jobEnded(lane, jobId, result);
    });
}

void TransferEngine::startFile(int lane)
{
    Lane& l = *m_lanes[lane];
    Batch* batch = l.current.get();
    if (!batch) {
        startNext(lane);
        return;
    }
    if (l.jobRunning)
        return;
    if (batch->cancelled || batch->next >= batch->sources.size()) {
        finishBatch(lane);
        return;
    }
    if (!m_agent) {
        batch->error = AgentResult::Disconnected;
        finishBatch(lane);
        return;
    }
    QString folder;
    switch (batch->direction) {
    case ToPhone:
        folder = m_agent->GetCameraFolder();
        break;
    case DragOut:
        folder = batch->staging && batch->staging->isValid() ? batch->staging->path() : QString();
        break;
    }
    if (folder.isEmpty() && batch->direction != ToPhone) {
        batch->error = 11; // nowhere to write
        finishBatch(lane);
        return;
    }
    l.jobRunning = true;
    l.jobId = -1;
    l.cancelWhenStarted = false;
    l.jobFile.clear();
    l.jobBytes = 0;
    const QString source = batch->sources.at(batch->next);
    const int started = m_agent->TransferFiles({ source }, folder,
        batch->direction == ToPhone ? QStringLiteral("toPhone") : QStringLiteral("toPC"),
        lane == 0 ? &TransferEngine::onProgress<0> : &TransferEngine::onProgress<1>,
        lane == 0 ? &TransferEngine::onCompletion<0> : &TransferEngine::onCompletion<1>, -1, 1, 0);
    if (started == AgentResult::Ok)
        return;
    // A refusal holds for the rest of the batch too.
    qCWarning(lcHostApp) << "TransferEngine::startFile"
                         << ": refused" << started << source;
    l.jobRunning = false;
    batch->error = shownCode(started);
    finishBatch(lane);
}

void TransferEngine::jobProgress(
    int lane, qint64 current, qint64 total, int status, const QString& file)
{
    Lane& l = *m_lanes[lane];
    if (!l.jobRunning || !l.current)
        return;
    if (current == TransferMarker::Start && total == TransferMarker::Start) {
        l.jobId = status;
        if (l.cancelWhenStarted && m_agent)
            m_agent->CancelTransfer(status);
    } else if (current == TransferMarker::EndWithoutResult
        && total == TransferMarker::EndWithoutResult) {
        // The agent went away under the job; no completion will come.
        jobEnded(lane, l.jobId, AgentResult::Disconnected);
    } else if (status == TransferMarker::FileNameReport && current >= 0) {
        l.jobFile = file;
        l.jobBytes = current;
        if (lane == 0)
            reportProgress(*l.current, current, file);
    }
}

void TransferEngine::jobEnded(int lane, int jobId, int result)
{
    Lane& l = *m_lanes[lane];
    if (!l.jobRunning || !l.current || (l.jobId != -1 && jobId != l.jobId))
        return;
    l.jobRunning = false;
    if (m_agent && jobId > 0)
        m_agent->CloseTransfer(jobId);
    l.jobId = -1;
    Batch& batch = *l.current;
    if (result == AgentResult::Ok || result == AgentResult::Busy)
        qCDebug(lcHostApp) << "TransferEngine::jobEnded"
                           << ": file" << batch.next + 1 << "of" << batch.sources.size() << "result"
                           << result;
    else
        qCWarning(lcHostApp) << "TransferEngine::jobEnded"
                             << ": file" << batch.next + 1 << "of" << batch.sources.size()
                             << "failed, result" << result;
    if (result == AgentResult::Ok) {
        batch.doneBytes += l.jobBytes;
        fileDone(l, l.jobFile);
    } else if (result == AgentResult::Busy) { // cancelled
        batch.cancelled = true;
    } else {
        if (batch.error == AgentResult::Ok)
            batch.error = result;
        if (result == AgentResult::Disconnected)
            batch.next = batch.sources.size();
    }
    ++batch.next;
    QTimer::singleShot(0, this, [this, lane] { startFile(lane); });
}

void TransferEngine::fileDone(Lane& lane, const QString& destination)
{
    Batch& batch = *lane.current;
    const QString source = batch.sources.at(batch.next);
    ++batch.arrived;
    switch (batch.direction) {
    case ToPhone:
        if (m_manager)
            emit m_manager->on_signal_pmgr_finished_transfer_tophone(2, destination, source);
        break;
    case DragOut: {
        // The drop asked for this very name; the agent wrote the file beside it.
        const bool moved = !destination.isEmpty() && !QFileInfo::exists(batch.target)
            && QFile::rename(destination, batch.target);
        if (!moved)
            QFile::remove(destination);
        deliverDragOut(batch, moved);
        break;
    }
    }
    emit fileArrived(batch.direction, destination, source);
}

void TransferEngine::finishBatch(int lane)
{
    Lane& l = *m_lanes[lane];
    std::unique_ptr<Batch> batch = std::move(l.current);
    if (!batch)
        return;
    const int result = batch->cancelled ? AgentResult::Busy : batch->error;
    qCDebug(lcHostApp) << "TransferEngine::finishBatch"
                       << ":" << batch->arrived << "of" << batch->sources.size() << "files, result"
                       << result;
    QTimer::singleShot(0, this, [this, lane] { startNext(lane); });
    if (lane == 1) {
        deliverDragOut(*batch, false);
        return;
    }
    if (m_manager)
        emit m_manager->on_signal_pmgr_finished_transfer_tophone(2, QString(), QString());
    g_SharedValue.deleteState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
    if (m_window)
        m_window->hide();
    emit progressReported(TransferMarker::End, TransferMarker::End, result, QString());
    if (result != AgentResult::Ok && result != AgentResult::Busy)
        OCMsgBox::OCErrorMessageBox(m_windowParent, GetQString(tr("Notice")), result);
}

void TransferEngine::deliverDragOut(Batch& batch, bool ok)
{
    const quintptr callback = batch.callback;
    batch.callback = 0;
    if (batch.direction != DragOut || callback == 0)
        return;
    // The value crossed the plug-in as an integer: call it only when it is the
    // drag data's own delivery function, never an unknown address.
    if (callback != reinterpret_cast<quintptr>(&QFileContentsMimeData::FileContentsDelivered)) {
        qCWarning(lcHostApp) << "TransferEngine::deliverDragOut"
                             << ": unknown callback, not called" << batch.target;
        return;
    }
    reinterpret_cast<PFN_FileContentsDelivered>(callback)(batch.target, ok);
}

void TransferEngine::reportProgress(const Batch& batch, qint64 jobBytes, const QString& file)
{
    const qint64 done = batch.doneBytes + jobBytes;
    const qint64 total = qMax(batch.totalSize, done);
    emit progressReported(done, total, TransferMarker::FileNameReport, file);
    if (m_window && m_window->isVisible())
        m_window->showProgress(done, total, file, batch.next + 1);
}
