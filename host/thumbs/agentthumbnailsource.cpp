#include "host/thumbs/agentthumbnailsource.h"

#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QPixmap>
#include <QSemaphore>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>

namespace {

constexpr int kStepMs = 10;

std::atomic<int> g_busyRetries { 40 };
std::atomic<int> g_retryDelayMs { 50 };
std::atomic<int> g_answerTimeoutMs { 10000 };

// Held by the fetcher whose request is out, from the request until the
// picture is taken: the agent keeps only its latest thumbnail. The GUI
// thread's part of the fetch (taking the picture) never takes it.
QMutex g_turn;

// The answer of the request that is out. Locked only briefly, never while
// calling the agent or waiting for the GUI thread.
QMutex g_answerMutex;
QWaitCondition g_answered;
bool g_outstanding = false;
bool g_arrived = false;
bool g_abandoned = false; // a fetcher gave up on an answer still to come
int g_code = 0;

// Sleeps in short steps; false when interrupted.
bool pause(int milliseconds, const std::function<bool()>& interrupted)
{
    for (int waited = 0; waited < milliseconds; waited += kStepMs) {
        if (interrupted())
            return false;
        QThread::msleep(kStepMs);
    }
    return !interrupted();
}

// Waits for the answer of the request that is out; false on interruption or
// after timeoutMs, leaving the request marked as abandoned.
bool waitForAnswer(int timeoutMs, const std::function<bool()>& interrupted, int* code)
{
    QElapsedTimer waited;
    waited.start();
    QMutexLocker lock(&g_answerMutex);
    while (!g_arrived) {
        if (interrupted() || waited.elapsed() > timeoutMs) {
            g_abandoned = true;
            return false;
        }
        g_answered.wait(&g_answerMutex, kStepMs);
    }
    *code = g_code;
    g_outstanding = false;
    g_arrived = false;
    g_abandoned = false;
    return true;
}

// The answer to a request that an earlier fetcher gave up on would be taken
// for ours: let it come first (or give up on it after a while).
void drainAbandoned(const std::function<bool()>& interrupted)
{
    {
        QMutexLocker lock(&g_answerMutex);
        if (!g_abandoned)
            return;
    }
    int code = 0;
    if (!waitForAnswer(1000, interrupted, &code))
        qCWarning(lcHostThumbs) << "AgentThumbnailSource::fetch"
                                << ": an abandoned request never answered";
    QMutexLocker lock(&g_answerMutex);
    g_outstanding = false;
    g_arrived = false;
    g_abandoned = false;
}

struct PictureCall
{
    IDeviceNexaAgent* agent = nullptr;
    std::atomic<bool> cancelled { false };
    QSemaphore done;
    QImage picture;
};

// GetThumbnailImage makes a QPixmap, which only the GUI thread may do.
bool takePicture(IDeviceNexaAgent* agent, const std::function<bool()>& interrupted, QImage* picture)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return false;
    if (QThread::currentThread() == application->thread()) {
        QPixmap pixmap;
        agent->GetThumbnailImage(&pixmap);
        *picture = pixmap.toImage();
        return true;
    }
    auto call = std::make_shared<PictureCall>();
    call->agent = agent;
    QMetaObject::invokeMethod(
        application,
        [call] {
            if (call->cancelled)
                return;
            QPixmap pixmap;
            call->agent->GetThumbnailImage(&pixmap);
            call->picture = pixmap.toImage();
            call->done.release();
        },
        Qt::QueuedConnection);
    while (!call->done.tryAcquire(1, kStepMs)) {
        if (interrupted()) {
            // The GUI thread may still run the call; it must not touch the agent then.
            call->cancelled = true;
            if (call->done.tryAcquire(1, 0))
                break;
            return false;
        }
    }
    *picture = call->picture;
    return true;
}

} // namespace

void AgentThumbnailSource::setLimits(int busyRetries, int retryDelayMs, int answerTimeoutMs)
{
    g_busyRetries = qMax(0, busyRetries);
    g_retryDelayMs = qMax(0, retryDelayMs);
    g_answerTimeoutMs = qMax(0, answerTimeoutMs);
}

void AgentThumbnailSource::onThumbnail(int error)
{
    QMutexLocker lock(&g_answerMutex);
    if (!g_outstanding) {
        qCDebug(lcHostThumbs) << "AgentThumbnailSource::onThumbnail"
                              << ": answer nobody asked for" << error;
        return;
    }
    g_code = error;
    g_arrived = true;
    g_answered.wakeAll();
}

int AgentThumbnailSource::fetch(IDeviceNexaAgent* agent, const QString& phonePath,
    const std::function<bool()>& interrupted, QImage* picture)
{
    if (!agent || !picture || phonePath.isEmpty())
        return NoPicture;
    // The fetcher holding the turn may wait for the GUI thread to take its
    // picture; on the GUI thread, keep serving it while waiting for the turn.
    QCoreApplication* application = QCoreApplication::instance();
    const bool onGuiThread = application && QThread::currentThread() == application->thread();
    while (!g_turn.tryLock(kStepMs)) {
        if (interrupted())
            return Interrupted;
        if (onGuiThread)
            QCoreApplication::processEvents(QEventLoop::AllEvents, kStepMs);
    }
    drainAbandoned(interrupted);

    int result = Busy;
    for (int attempt = 0; attempt <= g_busyRetries; ++attempt) {
        if (attempt > 0 && !pause(g_retryDelayMs, interrupted)) {
            result = Interrupted;
            break;
        }
        {
            QMutexLocker lock(&g_answerMutex);
            g_outstanding = true;
            g_arrived = false;
        }
        const int accepted = agent->RequestThumbnails(
            phonePath, ThumbnailKind::Photo, &AgentThumbnailSource::onThumbnail);
        if (accepted == AgentResult::Ok) {
            int code = AgentResult::Ok;
            if (!waitForAnswer(g_answerTimeoutMs, interrupted, &code))
                result = interrupted() ? Interrupted : NoAnswer;
            else if (code != AgentResult::Ok)
                result = code;
            else if (!takePicture(agent, interrupted, picture))
                result = Interrupted;
            else
                result = picture->isNull() ? int(NoPicture) : int(Ok);
            break;
        }
        {
            QMutexLocker lock(&g_answerMutex);
            g_outstanding = false;
        }
        if (accepted != Busy) {
            result = accepted;
            break;
        }
    }
    g_turn.unlock();
    if (result != Ok)
        qCWarning(lcHostThumbs) << "AgentThumbnailSource::fetch"
                                << ": no thumbnail" << phonePath << result;
    return result;
}
