#pragma once

#include "host/contract/cstring.h"
#include "host/contract/ocglobal.h"
#include "host/db/importledger.h"
#include "importlayout.h"
#include "importplacer.h"
#include "importsummary.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class IDBManager;
class IDeviceNexaAgent;
class QTemporaryDir;

// One photo to import: its phone path and what the phone said of it.
struct ImportSource
{
    QString phonePath;
    qint64 size = -1; // -1: unknown
    QDateTime deviceDate; // the file's time on the phone; invalid: unknown
};

Q_DECLARE_METATYPE(ImportSource)

struct ImportRequest
{
    QList<ImportSource> sources;
    QString destination;
    ImportLayout::Kind layout = ImportLayout::ByDate;
    bool deleteAfter = false;
    bool includeImported = false; // copy again what was imported before
};

struct ImportProgress
{
    enum Phase { Copying, Checking, Deleting };
    Phase phase = Copying;
    int file = 0; // 1-based, of files
    int files = 0;
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0; // grows when the phone did not tell a size
    QString name;
};

Q_DECLARE_METATYPE(ImportProgress)

// What the import dialog shows before an import.
struct ImportPreview
{
    int photos = 0;
    int imported = 0; // imported before
    qint64 bytesNeeded = 0; // of the photos not imported before whose size is known
    qint64 bytesFree = -1; // at the destination; -1 unknown
};

// Copies photos from the phone into a destination folder, through the
// device agent only, so any agent will do. Each photo is written by the
// agent into a hidden staging folder inside the destination, then checked
// and moved into its place by ImportPlacer on a worker thread: a cancel or a
// failure never leaves part of a file under a photo's name. Every copy is
// written to the import ledger; what the ledger knows is skipped unless
// asked, identical content at the destination is never copied again.
//
// With deleteAfter, every photo that is safe on the PC is read again from
// the phone, and deleted there only when that reading and the PC copy have
// the same SHA-256.
//
// Lives on the thread that runs the event loop (the GUI thread); one import
// runs at a time in a process (the agent's callbacks find it).
class ImportEngine : public QObject
{
    Q_OBJECT

public:
    ImportEngine(IDeviceNexaAgent* agent, IDBManager* database, QObject* parent = nullptr);
    ~ImportEngine() override;

    // Where the phone's photos are read again before a delete (the host's
    // temporary folder); cleaned after each.
    void setCheckFolder(const QString& folder) { m_checkFolder = folder; }
    // The destination takes at most this many more bytes (tests fake a full
    // disk with it); -1: the disk's own free space.
    void setSpaceLimit(qint64 bytes) { m_spaceLimit = bytes; }

    ImportPreview preview(
        const QList<ImportSource>& sources, const QString& destination, bool includeImported) const;
    // False when an import runs already; otherwise finished() follows.
    bool start(const ImportRequest& request);
    bool isRunning() const { return m_running; }
    QString deviceId() const;

public slots:
    // The photo being copied is dropped, nothing more is copied or deleted.
    void cancel();

signals:
    void progressChanged(const ImportProgress& progress);
    void finished(const ImportSummary& summary);

private:
    struct Entry
    {
        ImportSource source;
        ImportPlacer::Result::Outcome outcome = ImportPlacer::Result::Failed;
        bool done = false;
        QString pcPath;
        QByteArray sha256;
    };
    enum class Job { None, Copy, Check, Delete };

    static void OC_STDCALL onProgress(qint64 current, qint64 total, int status, CString file);
    static void OC_STDCALL onCompletion(int jobId, int result);
    static void OC_STDCALL onDeleted(int error, int jobId, QString path, QString reserved);

    // importengine.cpp: copying
    void nextFile();
    bool skipImportedBefore(Entry& entry, const QList<ImportRecord>& records);
    void advance();
    // 0 when the agent took the job, else its refusal.
    int download(Job job, const QString& phonePath, const QString& folder);
    void jobProgress(qint64 current, qint64 total, int status, const QString& file);
    void jobEnded(int jobId, int result);
    void copied(int result);
    void placed();
    void fail(Entry& entry, const QString& reason);
    qint64 spaceLeft() const;
    void reportProgress(qint64 fileBytes = 0);
    void finishRun();
    static QString agentReason(int code);

    // importengine_delete.cpp: checking and deleting
    void startChecks();
    void nextCheck();
    void advanceCheck();
    void checked(int result);
    void compared();
    void keep(Entry& entry, const QString& reason);
    void startDelete();
    void deleteReported(int error, int jobId, const QString& path);

    IDeviceNexaAgent* m_agent = nullptr;
    ImportLedger m_ledger;
    QString m_checkFolder;
    qint64 m_spaceLimit = -1;

    bool m_running = false;
    ImportRequest m_request;
    QString m_deviceId;
    QList<Entry> m_entries;
    int m_index = 0;
    ImportSummary m_summary;
    std::unique_ptr<QTemporaryDir> m_staging; // in the destination
    std::unique_ptr<QTemporaryDir> m_checking; // in the check folder
    ImportProgress::Phase m_phase = ImportProgress::Copying;
    bool m_cancelled = false;
    bool m_outOfSpace = false;
    bool m_disconnected = false;
    qint64 m_bytesDone = 0;
    qint64 m_bytesTotal = 0;
    qint64 m_written = 0; // by this import, against the space limit

    Job m_job = Job::None;
    int m_jobId = -1;
    bool m_cancelWhenStarted = false;
    QString m_jobFile;
    QFutureWatcher<ImportPlacer::Result> m_placing;
    QFutureWatcher<bool> m_comparing;
    QList<int> m_toDelete; // entries that passed the check, in the delete job
    QSet<QString> m_deletedKeys;
};
