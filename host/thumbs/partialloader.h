#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class IDeviceNexaAgent;
class IPhotoDB;
class QThread;

// The host's partial loader: in partial-loading mode it fills the photo
// database for the phone's photos in the background, so that screens find
// rows and thumbnails there. On mass storage it makes the rows (with their
// thumbnails) from the files; on the other kinds it fetches the thumbnails
// through the device agent.
//
// Its states are shared under item type 99 of g_SharedValue:
// PartialDeviceState 2 while it runs; a screen sets 4 to pause it (it answers
// 8, and goes on when the screen sets 2 again) or 0x10 to stop it (it answers
// 1). PartialGetThumbnailState is 2 while it fetches a thumbnail through the
// agent; a screen sets 4 to stop that fetch (it answers 1; outside a pause the
// job then ends). It looks at the states between files and every 10 ms while
// it waits, so answers come promptly.
class PartialLoader : public QObject
{
    Q_OBJECT

public:
    explicit PartialLoader(QObject* parent = nullptr);
    ~PartialLoader() override;

    // false when partial loading is off, the agent or the database is
    // missing, or a job runs already. Without phonePaths it takes every photo
    // of a FolderPhoneAgent's storage.
    bool start(IDeviceNexaAgent* agent, IPhotoDB* database, const QStringList& phonePaths = {});
    // Ends the job and waits for it at most timeoutMs, pumping events (the job
    // may be waiting for the GUI thread); true when it has ended.
    bool stop(int timeoutMs = 5000);
    bool isRunning() const;
    int filesDone() const;
    // A rest between files that leaves the phone and the disk to the screen.
    void setPacing(int milliseconds) { m_pacingMs = qMax(0, milliseconds); }

signals:
    void finished(); // the job has ended, by itself or when asked

private:
    struct Job;
    static void run(const std::shared_ptr<Job>& job);
    static bool checkpoint(Job& job);
    static QStringList photosOf(IDeviceNexaAgent* agent);

    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    int m_pacingMs = 0;
};
