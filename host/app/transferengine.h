#pragma once

#include "host/contract/cstring.h"
#include "host/contract/ocglobal.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class IDeviceNexaAgent;
class PhotoDB;
class PluginManager;
class QTemporaryDir;
class QWidget;
class TransferEngineWindow;

// photo-host's copy engine towards the phone and for drags. It copies
// through the device agent's TransferFiles, one file per agent job, so that
// every file's result is known: PC files and albums into the phone's camera
// folder, and single dragged-out files to the place a drop asked for.
// Photos from the phone to the PC are imported by ImportEngine. Batches run
// one after another; drag-outs run in a lane of their own so a drop never
// waits for a long batch.
//
// The agent writes under a hidden name and renames at the end, so a
// cancelled or failed copy leaves nothing behind; sources are never deleted.
// While a batch to the phone runs, ProcessState 0x40 of item type 16 is set. Each file that
// reaches the phone is announced with the plug-in manager's
// on_signal_pmgr_finished_transfer_tophone(2, phonePath, sourcePath), the end
// of the batch with empty paths. Errors are shown with the host's error box.
// GUI thread only; one engine per process (the agent's callbacks find it).
class TransferEngine : public QObject
{
    Q_OBJECT

public:
    enum Direction { ToPhone, DragOut };

    explicit TransferEngine(QObject* parent = nullptr);
    ~TransferEngine() override;

    // Connects the plug-in manager's requests to the phone and for drags to
    // this engine and announces arrivals on the phone through it.
    void connectPluginManager(PluginManager* manager);
    // The phone to copy with; set null before the agent goes away.
    void setDeviceAgent(IDeviceNexaAgent* agent);
    void setPhotoDatabase(PhotoDB* database); // albums
    // Parent of the progress window and the error boxes.
    void setWindowParent(QWidget* parent);
    // Off: the progress window is never shown (tests, scripted runs).
    void setProgressWindowShown(bool shown) { m_showWindow = shown; }
    TransferEngineWindow* progressWindow();

    bool isBusy() const;

public slots:
    void transferToPhone(const QStringList& paths);
    void playlistToPhone(int playlistId);
    void dragOut(const QString& source, const QString& target, qint64 size, quintptr callback);
    // Ends the running batch after its current file's copy is undone, and
    // drops the batches that wait.
    void cancel();

signals:
    // The agent's convention over a whole batch: -2/-2 at its start,
    // (done, total, -1, file) while it runs, -1/-1 with the result at its end
    // (0 done, 2 cancelled, else the first error).
    void progressReported(qint64 current, qint64 total, int status, const QString& file);
    void fileArrived(int direction, const QString& destination, const QString& source);

private:
    struct Batch;
    struct Lane;

    template<int lane>
    static void OC_STDCALL onProgress(qint64 current, qint64 total, int status, CString file);
    template<int lane> static void OC_STDCALL onCompletion(int jobId, int result);

    void enqueue(std::unique_ptr<Batch> batch);
    void startNext(int lane);
    void startFile(int lane);
    void jobProgress(int lane, qint64 current, qint64 total, int status, const QString& file);
    void jobEnded(int lane, int jobId, int result);
    void fileDone(Lane& lane, const QString& destination);
    void finishBatch(int lane);
    void deliverDragOut(Batch& batch, bool ok);
    void reportProgress(const Batch& batch, qint64 jobBytes, const QString& file);
    static int shownCode(int refusal);

    IDeviceNexaAgent* m_agent = nullptr;
    PhotoDB* m_database = nullptr;
    QPointer<PluginManager> m_manager;
    QPointer<QWidget> m_windowParent;
    bool m_showWindow = true;
    TransferEngineWindow* m_window = nullptr;
    std::unique_ptr<Lane> m_lanes[2]; // batches, drag-outs
};
