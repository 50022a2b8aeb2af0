#include "host/thumbs/partialloader.h"

#include "host/contract/ideviceagent.h"
#include "host/contract/iphotodb.h"
#include "host/db/photometadatareader.h"
#include "host/device/folderphoneagent.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/agentthumbnailsource.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <atomic>

namespace {

constexpr int kStepMs = 10;

} // namespace

struct PartialLoader::Job
{
    IDeviceNexaAgent* agent = nullptr;
    IPhotoDB* database = nullptr;
    QStringList paths;
    int pacingMs = 0;
    std::atomic<bool> stop { false };
    std::atomic<int> done { 0 };
};

PartialLoader::PartialLoader(QObject* parent)
    : QObject(parent)
{
}

PartialLoader::~PartialLoader()
{
    stop();
}

bool PartialLoader::isRunning() const
{
    return m_thread && !m_thread->isFinished();
}

int PartialLoader::filesDone() const
{
    return m_job ? m_job->done.load() : 0;
}

bool PartialLoader::start(
    IDeviceNexaAgent* agent, IPhotoDB* database, const QStringList& phonePaths)
{
    if (!g_SharedValue.IsPartialLoading() || !agent || !database || isRunning()) {
        qCWarning(lcHostThumbs) << "PartialLoader::start"
                                << ": refused, partial loading" << g_SharedValue.IsPartialLoading()
                                << "running" << isRunning();
        return false;
    }
    stop(); // collects the thread of an earlier job
    m_job = std::make_shared<Job>();
    m_job->agent = agent;
    m_job->database = database;
    m_job->paths = phonePaths;
    m_job->pacingMs = m_pacingMs;
    // Running before the thread starts: a screen that looks now must see it.
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialRunning);
    g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbIdle);
    std::shared_ptr<Job> job = m_job;
    m_thread = QThread::create([job] { run(job); });
    connect(m_thread, &QThread::finished, this, &PartialLoader::finished);
    m_thread->start(QThread::LowPriority);
    qCDebug(lcHostThumbs) << "PartialLoader::start"
                          << ": kind" << Qt::hex << agent->GetConnectionKind() << Qt::dec << "paths"
                          << phonePaths.size();
    return true;
}

bool PartialLoader::stop(int timeoutMs)
{
    if (!m_thread)
        return true;
    m_job->stop = true;
    QElapsedTimer waited;
    waited.start();
    while (!m_thread->wait(kStepMs)) {
        if (waited.elapsed() > timeoutMs) {
            qCDebug(lcHostThumbs) << "PartialLoader::stop"
                                  << ": still running, left to end";
            m_thread->disconnect(this);
            connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
            m_thread = nullptr;
            return false;
        }
        // The job may wait for the GUI thread to take a picture from the phone.
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, kStepMs);
    }
    // Delivered now, while the object still listens.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    delete m_thread;
    m_thread = nullptr;
    return true;
}

QStringList PartialLoader::photosOf(IDeviceNexaAgent* agent)
{
    QStringList paths;
    auto* folder = dynamic_cast<FolderPhoneAgent*>(agent);
    if (!folder)
        return paths;
    QDirIterator it(folder->storageFolder(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        if (name.contains(QLatin1Char('\\')) || name.startsWith(QLatin1String(".~transfer-"))
            || !isPhotoExtension(QFileInfo(name).suffix()))
            continue;
        const QString phonePath = folder->phonePathOf(path);
        if (!phonePath.isEmpty())
            paths.append(phonePath);
    }
    paths.sort();
    return paths;
}

// Answers the screens' requests; false when the job is to end.
bool PartialLoader::checkpoint(Job& job)
{
    bool pausedLogged = false;
    for (;;) {
        const quint32 device = g_SharedValue.GetPartialDeviceState();
        const quint32 fetch = g_SharedValue.GetPartialGetThumbnailState();
        if (job.stop || device == OCSharedValue::PartialStopRequested)
            return false;
        const bool pausing = device == OCSharedValue::PartialPauseRequested
            || device == OCSharedValue::PartialPaused;
        if (fetch == OCSharedValue::PartialThumbStopRequested) {
            g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbIdle);
            // Outside a pause, a screen that stops the fetch wants the phone for good.
            if (!pausing)
                return false;
        }
        if (device == OCSharedValue::PartialPauseRequested) {
            // No fetch runs while paused.
            if (fetch == OCSharedValue::PartialThumbRunning)
                g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbIdle);
            g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialPaused);
            continue;
        }
        if (device == OCSharedValue::PartialPaused) {
            if (!pausedLogged)
                qCDebug(lcHostThumbs) << "PartialLoader::checkpoint"
                                      << ": paused after" << job.done.load() << "files";
            pausedLogged = true;
            QThread::msleep(kStepMs);
            continue;
        }
        return true;
    }
}

void PartialLoader::run(const std::shared_ptr<Job>& job)
{
    const QStringList paths = job->paths.isEmpty() ? photosOf(job->agent) : job->paths;
    const bool massStorage = job->agent->GetConnectionKind() == ConnectionKind::MassStorage;
    qCDebug(lcHostThumbs) << "PartialLoader::run"
                          << ": start" << paths.size() << "photos, mass storage" << massStorage;
    auto interrupted = [&job] {
        const quint32 device = g_SharedValue.GetPartialDeviceState();
        return job->stop || device == OCSharedValue::PartialPauseRequested
            || device == OCSharedValue::PartialStopRequested
            || g_SharedValue.GetPartialGetThumbnailState()
            == OCSharedValue::PartialThumbStopRequested;
    };
    for (int i = 0; i < paths.size();) {
        if (!checkpoint(*job))
            break;
        const QString& path = paths.at(i);
        QByteArray bytes;
        if (massStorage) {
            // A row already made is only looked up.
            job->database->setItemData(path, false, 13);
        } else if (!job->database->getThumbnailFromDB(path, &bytes, true)) {
            if (g_SharedValue.GetPartialGetThumbnailState() == OCSharedValue::PartialThumbIdle)
                g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbRunning);
            QImage picture;
            const int code = AgentThumbnailSource::fetch(job->agent, path, interrupted, &picture);
            if (code == AgentThumbnailSource::Interrupted)
                continue; // the checkpoint answers; this file again afterwards
            if (code == AgentThumbnailSource::Ok) {
                const int side = PhotoMetadataReader::kThumbnailSide;
                if (picture.width() > side || picture.height() > side)
                    picture
                        = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                // A thumbnail a screen stored meanwhile stays.
                job->database->insertThumbnailItem(
                    path, PhotoMetadataReader::encodeThumbnail(picture), false);
            }
        }
        ++i;
        ++job->done;
        for (int rested = 0; rested < job->pacingMs && !interrupted(); rested += kStepMs)
            QThread::msleep(kStepMs);
    }
    g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbIdle);
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialIdle);
    qCDebug(lcHostThumbs) << "PartialLoader::run"
                          << ": end after" << job->done.load() << "of" << paths.size() << "files";
}
