#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class GPhotoCamera;
class QThread;

// The one thread that talks to a device. It owns the GPhotoCamera (and so
// libgphoto2's Camera and GPContext) and runs queued jobs on it one at a time:
// the most urgent first, jobs of one priority in the order they came. A job's
// cancel token, and stopping the worker, cancel the libgphoto2 call that runs
// through the context's cancel callback.
class GPhotoWorker
{
public:
    enum Priority : int {
        Urgent = 0, // opening the device
        Interactive = 1, // a thumbnail the screen waits for
        Ordered = 2, // transfers and deletes, in order
        Background = 3, // the listing's walk, one folder a job
    };
    using Job = std::function<void(GPhotoCamera& camera)>;
    using CancelToken = std::shared_ptr<std::atomic<bool>>;
    // Progress of the running job's call, 0 to 1; set by the job, run on the worker.
    using Progress = std::function<void(double fraction)>;

    explicit GPhotoWorker(const QString& name);
    // Stops the thread if stop() was not called; a thread that does not end
    // in time is left to end alone (it keeps only what its jobs hold).
    ~GPhotoWorker();
    GPhotoWorker(const GPhotoWorker&) = delete;
    GPhotoWorker& operator=(const GPhotoWorker&) = delete;

    // False once stopping: the job is dropped.
    bool post(Priority priority, Job job, CancelToken cancel = {});
    // For the running job: progress of its libgphoto2 calls.
    static void setProgress(GPhotoCamera& camera, Progress progress);
    // From inside a long job (the listing's walk): runs the queued jobs more
    // urgent than its own priority now, so a thumbnail or a transfer does not
    // wait for the whole walk. False once the worker is stopping.
    static bool runMoreUrgent(GPhotoCamera& camera, Priority than);
    // Drops the queued jobs and cancels the running one, then waits at most
    // timeoutMs for the thread, pumping events on a thread that has a loop
    // (a job may be in a blocking call to it). True when the thread ended.
    bool stop(int timeoutMs);
    bool isStopping() const;

    struct Queue; // the thread's queue; shared with the thread

private:
    static void run(std::shared_ptr<Queue> queue);

    std::shared_ptr<Queue> m_queue;
    QThread* m_thread = nullptr;
};
