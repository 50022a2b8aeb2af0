#pragma once

#include <QElapsedTimer>
#include <QModelIndex>
#include <QMutex>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class OCMediaItemList;
class PhotoItemViewModel;
class PhotoItemViewWidget;
struct ItemEvent;

// Merges the item events of a listing or of transfers to the phone into the
// media item list and the model. Events are queued from the GUI thread; the
// worker reads the photo database for each event and hands the merge and the
// row change to the GUI thread in one blocking call that gives up when the
// thread is asked to stop.
class OCModelInsertThread : public QThread
{
    Q_OBJECT

public:
    OCModelInsertThread(bool loadMode, PhotoItemViewWidget* screen);
    ~OCModelInsertThread() override;

    void setMediaList(OCMediaItemList* list) { m_mediaList = list; }
    // Also wires the model's row and reset notifications to the slots below.
    void setModel(PhotoItemViewModel* model);

    void addData(ItemEvent* event); // takes the event
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
    bool insertModelData(ItemEvent* event);
    bool deleteModelData(const QString& path); // GUI thread
    void clearRemovedFiles();
    void waitForView();
    bool memoryOverflow(); // worker thread
    // Sleeps up to ms under the queue lock while keepSleeping holds.
    template<typename Predicate> void sleepUnlessWoken(int ms, Predicate keepSleeping);
    void discardQueue();

    const bool m_loadMode;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_stopCalled { false }; // by stop(), not by memory pressure
    QQueue<ItemEvent*> m_queue;

    // Two locks. The queue lock guards only the queue and the removed files
    // and is never held while the worker waits for the GUI thread. The merge
    // lock is held by the worker for each whole insertModelData, which hands
    // its list and model changes to the GUI thread and waits for them; pause
    // (GUI thread) takes it only with tryLock and pumps events between tries.
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
    PhotoItemViewWidget* m_screen = nullptr;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    QElapsedTimer m_memoryCheck; // worker thread
    QString m_pendingRemovalPath; // GUI thread
    QStringList m_removedFiles; // under the queue lock
};
