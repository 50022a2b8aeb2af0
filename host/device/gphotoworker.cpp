#include "gphotoworker.h"

#include "gphotocamera.h"
#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <map>
#include <utility>

struct GPhotoWorker::Queue
{
    struct Request
    {
        Job job;
        CancelToken cancel;
    };
    QMutex mutex;
    QWaitCondition wake;
    // (priority, arrival) -> request: the map's order is the run order.
    std::map<std::pair<int, quint64>, Request> requests;
    quint64 arrivals = 0;
    bool stopping = false;
    CancelToken running; // the running job's token, guarded by mutex
    QString name;
};

GPhotoWorker::GPhotoWorker(const QString& name)
    : m_queue(std::make_shared<Queue>())
{
    m_queue->name = name;
    std::shared_ptr<Queue> queue = m_queue;
    m_thread = QThread::create([queue] { run(queue); });
    m_thread->setObjectName(QStringLiteral("gphoto ") + name);
    m_thread->start();
}

GPhotoWorker::~GPhotoWorker()
{
    if (!stop(5000)) {
        qCWarning(lcHostDevice) << "GPhotoWorker: the device thread did not end, left running"
                                << m_queue->name;
        return; // deleting a running QThread would abort the process
    }
    delete m_thread;
}

bool GPhotoWorker::post(Priority priority, Job job, CancelToken cancel)
{
    QMutexLocker lock(&m_queue->mutex);
    if (m_queue->stopping)
        return false;
    m_queue->requests.emplace(std::make_pair(int(priority), m_queue->arrivals++),
        Queue::Request { std::move(job), std::move(cancel) });
    m_queue->wake.wakeOne();
    return true;
}

bool GPhotoWorker::isStopping() const
{
    QMutexLocker lock(&m_queue->mutex);
    return m_queue->stopping;
}

bool GPhotoWorker::stop(int timeoutMs)
{
    std::map<std::pair<int, quint64>, Queue::Request> dropped;
    {
        QMutexLocker lock(&m_queue->mutex);
        m_queue->stopping = true;
        dropped.swap(m_queue->requests);
        if (m_queue->running)
            *m_queue->running = true;
        m_queue->wake.wakeAll();
    }
    dropped.clear(); // what the jobs hold goes outside the lock
    if (m_thread->isFinished())
        return true;
    // A job may sit in a blocking queued call to this thread: keep its events
    // moving while waiting, or the two would wait for each other.
    const bool pump = QCoreApplication::instance() && QThread::currentThread()->eventDispatcher()
        && QThread::currentThread() != m_thread;
    QElapsedTimer waited;
    waited.start();
    while (!m_thread->wait(pump ? 10 : 50)) {
        if (waited.elapsed() >= timeoutMs)
            return false;
        if (pump)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void GPhotoWorker::setProgress(GPhotoCamera& camera, Progress progress)
{
    camera.setProgress(std::move(progress));
}

namespace {
thread_local GPhotoWorker::Queue* t_queue = nullptr;
} // namespace

bool GPhotoWorker::runMoreUrgent(GPhotoCamera& camera, Priority than)
{
    Queue* queue = t_queue;
    if (!queue)
        return false;
    for (;;) {
        Queue::Request request;
        CancelToken outer;
        {
            QMutexLocker lock(&queue->mutex);
            if (queue->stopping)
                return false;
            auto first = queue->requests.begin();
            if (first == queue->requests.end() || first->first.first >= int(than))
                return true;
            request = std::move(first->second);
            queue->requests.erase(first);
            outer = queue->running;
            queue->running
                = request.cancel ? request.cancel : std::make_shared<std::atomic<bool>>(false);
        }
        request.job(camera);
        camera.setProgress(nullptr);
        request = Queue::Request();
        QMutexLocker lock(&queue->mutex);
        queue->running = outer;
    }
}

void GPhotoWorker::run(std::shared_ptr<Queue> queue)
{
    t_queue = queue.get();
    GPhotoCamera camera;
    camera.setCancelCheck([&queue] {
        QMutexLocker lock(&queue->mutex);
        return queue->stopping || (queue->running && queue->running->load());
    });
    for (;;) {
        Queue::Request request;
        {
            QMutexLocker lock(&queue->mutex);
            while (!queue->stopping && queue->requests.empty())
                queue->wake.wait(&queue->mutex);
            if (queue->stopping)
                break;
            auto first = queue->requests.begin();
            request = std::move(first->second);
            queue->requests.erase(first);
            queue->running
                = request.cancel ? request.cancel : std::make_shared<std::atomic<bool>>(false);
        }
        request.job(camera);
        camera.setProgress(nullptr);
        request = Queue::Request();
        QMutexLocker lock(&queue->mutex);
        queue->running.reset();
    }
    // Closing talks to the device once more; a gone device answers at once.
    camera.close();
}
