#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <deque>
#include <vector>

#include "model/itemevent.h"
#include "model/rowfetcher.h"

class CPhotoDataItem;
class OCMediaItemList;
class PhotoItemViewModel;
class QModelIndex;
class QThread;

// Merges the item events of a listing, or of transfers to the phone and the
// phone's change reports, into the media item list and the model.
//
// Events wait in a queue on the GUI thread. A RowFetcher on a thread of its
// own reads their database rows one batch at a time; the batch comes back by
// a queued signal and is merged here, in the events' order, with consecutive
// new rows added in one insertion. Nothing waits: the GUI thread never
// blocks on the fetcher, nor the fetcher on the GUI thread. stop() moves on
// to a new generation, so a batch fetched for the old one is dropped.
//
// In load mode (mass storage) the queue is merged only after exec(), and a
// run ends once it is empty; otherwise events merge as they come, and a run
// ends after finish() once the queue is empty. finished() tells the end.
class OCModelInsertThread : public QObject
{
    Q_OBJECT

public:
    explicit OCModelInsertThread(bool loadMode, QObject* parent = nullptr);
    ~OCModelInsertThread() override;

    void setMediaList(OCMediaItemList* list);
    // Also wires the model's row and reset notifications to the slots below.
    void setModel(PhotoItemViewModel* model);

    // Takes the event and starts a run when none is under way. An event
    // without item or with an unknown code is dropped.
    void addData(ItemEvent event);
    void exec();
    void finish();
    // Gives up the queue and the batch being fetched; no finished().
    void stop();
    int queueCount() const;
    // Holds merging back until resumed; a batch that arrives meanwhile waits.
    void pause(bool paused);

    bool isRunning() const { return m_running; }
    bool isLoadMode() const { return m_loadMode; }
    bool isPaused() const { return m_paused; }
    bool stoppedForMemory() const { return m_memoryStop; }
    QStringList removedFiles() const { return m_removedFiles; }

    // Fetchers still reading the database, those of destroyed threads
    // included: the database must outlive them.
    static int runningCount();

signals:
    void finished();
    // Rows were inserted, removed or reset.
    void rowsChanged();
    // A located file (code 5) that was listed already: its row is there.
    void locatedItemListed(const QString& path);

public slots:
    void on_rowsInserted(const QModelIndex& parent, int start, int end);
    void on_rowsRemoved(const QModelIndex& parent, int start, int end);
    void on_modelReset();
    void on_pause();
    void on_resume();

private slots:
    void onFetched(const FetchedBatch& batch);

private:
    void startRun();
    void scheduleStep();
    void step();
    void requestBatch();
    void mergeBatch(const FetchedBatch& batch);
    void mergeEvent(ItemEvent& event, const FetchedRow& row, QList<CPhotoDataItem*>& newRows);
    bool deleteModelData(const QString& path);
    // The listed path a removal report stands for; empty when none.
    QString removedPathOf(const CPhotoDataItem& reported) const;
    void endRun();
    void discardQueue();
    void stopFetcher();
    bool runMayEnd() const;
    bool memoryOverflow();

    const bool m_loadMode;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewModel* m_model = nullptr;

    QThread* m_thread = nullptr;
    RowFetcher* m_fetcher = nullptr;
    quint64 m_generation = 1;

    std::deque<ItemEvent> m_queue;
    std::vector<ItemEvent> m_inFlight; // sent to the fetcher, in order
    bool m_fetchOut = false;
    bool m_heldBack = false; // a batch came while paused
    FetchedBatch m_held;
    bool m_stepDue = false;

    bool m_running = false;
    bool m_started; // load mode: exec() was called
    bool m_finish = false;
    bool m_endMarker = false;
    bool m_paused = false;
    bool m_memoryStop = false;
    QTimer m_pauseLimit; // a pause nobody ends gives way after a while
    int m_batchLimit = 256;
    QElapsedTimer m_memoryCheck;
    QString m_pendingRemovalPath; // its item goes once its row has gone
    QStringList m_removedFiles; // applied together, in one reset
};
