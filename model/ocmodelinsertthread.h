#pragma once

#include "model/ocmediaitemlist.h"

#include <QElapsedTimer>
#include <QModelIndex>
#include <QMutex>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <vector>

class CPhotoDataItem;
class PhotoItemViewModel;
class PhotoItemViewWidget;
struct ItemEvent;

// Merges the item events of a listing or of transfers to the phone into the
// media item list and the model. Events are queued from the GUI thread; the
// worker takes the events already queued as a batch, reads the photo
// database for each, and hands the batch's merges and row changes to the GUI
// thread in one blocking call that gives up when the thread is asked to stop.
class OCModelInsertThread : public QThread
{
    Q_OBJECT

public:
    OCModelInsertThread(bool loadMode, PhotoItemViewWidget* screen);
    ~OCModelInsertThread() override;

    void setMediaList(OCMediaItemList* list) { m_mediaList = list; }
    // Also wires the model's row and reset notifications to the slots below.
    void setModel(PhotoItemViewModel* model);

    // Takes the event. A worker that has ended, or has decided to, is
    // started again for it: no event is left behind unmerged.
    void addData(ItemEvent* event);
    // GUI thread: starts the worker, or starts it again once a run that has
    // decided to end is over (it does nothing more, so the wait is short).
    void ensureRunning();
    // Insert threads inside run() in this process, the ones left to end by
    // themselves after a screen went included.
    static int runningCount();
    void exec();
    void finish();
    void stop();
    int queueCount() const;
    void pause(bool paused);

    bool isLoadMode() const { return m_loadMode; }
    bool isStopRequested() const { return m_stop; }
    bool isPaused() const { return m_paused; }
    bool stoppedForMemory() const { return m_memoryStop; }
    QStringList removedFiles() const;

public slots:
    void on_rowsInserted(const QModelIndex& parent, int start, int end);
    void on_rowsRemoved(const QModelIndex& parent, int start, int end);
    void on_modelReset();
    void on_pause();
    void on_resume();

protected:
    void run() override;

private:
    // One event of a batch, from the worker's database read to the GUI's merge.
    struct BatchEntry
    {
        ItemEvent* event = nullptr;
        OCMediaItemList::Fetched fetched;
        bool result = false;
        bool owned = false; // the list took the event's item
    };
    // What ended a batch besides its size and time bounds.
    struct BatchEnd
    {
        bool endMarker = false; // an event of code 0 was taken
        bool memoryFull = false;
    };

    BatchEnd takeBatch(std::vector<BatchEntry>& batch); // worker, under the merge lock
    bool insertModelData(std::vector<BatchEntry>& batch); // worker, under the merge lock
    void mergeOnGui(BatchEntry& entry, QList<CPhotoDataItem*>& newRows); // GUI thread
    bool deleteModelData(const QString& path); // GUI thread
    void clearRemovedFiles();
    void waitForView();
    // Worker: ends the run unless events came since the last look; decided
    // under the queue lock, so addData sees either a worker that takes its
    // event or one that has ended.
    bool endRunIfIdle();
    void enqueue(ItemEvent* event); // under the queue lock
    bool memoryOverflow(); // worker thread
    void stopForMemory(); // worker thread
    // Sleeps up to ms under the queue lock while keepSleeping holds.
    template<typename Predicate> void sleepUnlessWoken(int ms, Predicate keepSleeping);
    void discardQueue();

    const bool m_loadMode;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_stopCalled { false }; // by stop(), not by memory pressure
    QQueue<ItemEvent*> m_queue;

    // Two locks. The queue lock guards only the queue and the removed files
    // and is never held while the worker waits for the GUI thread. The merge
    // lock is held by the worker for each whole batch, whose list and model
    // changes it hands to the GUI thread and waits for; pause (GUI thread)
    // takes it only with tryLock and pumps events between tries.
    // With one lock for both, addData on the GUI thread would wait for a
    // worker that waits for the GUI thread: a deadlock.
    mutable QMutex m_queueLock;
    QMutex m_mergeLock;
    QWaitCondition m_wake; // ends the idle and pause sleeps early

    std::atomic<bool> m_started;
    std::atomic<bool> m_rowsAcknowledged { true };
    std::atomic<bool> m_viewReset { true };
    const QString m_modeName;
    std::atomic<bool> m_paused { false };
    std::atomic<int> m_pauseRequests { 0 };
    std::atomic<bool> m_finish { false };
    std::atomic<bool> m_memoryStop { false };
    bool m_exiting = false; // under the queue lock: the run has ended or decided to
    PhotoItemViewWidget* m_screen = nullptr;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    QElapsedTimer m_memoryCheck; // worker thread
    int m_batchLimit = 256; // worker thread: events per batch at most
    QString m_pendingRemovalPath; // GUI thread
    QStringList m_removedFiles; // under the queue lock
};
