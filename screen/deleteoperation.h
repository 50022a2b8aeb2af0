#pragma once

#include <QMutex>
#include <QObject>
#include <QStringList>

#include <functional>

class IDeviceNexaAgent;
class OCMediaItemList;
class PhotoItemViewModel;
class QWidget;
class SelectionChecker;

// Deletes files from the phone: the question, the competing work held back,
// the host's per-file notices (on its delete thread), and the list brought
// in line with what is really gone. Which files are still there is asked of
// the phone off the GUI thread, before and after the delete: its storage
// may hang.
class DeleteOperation : public QObject
{
    Q_OBJECT

public:
    // What the delete asks of the screen around it.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        // Partial loading, thumbnails, the selection's check and the insert
        // threads wait while files go; the loading overlay shows.
        virtual void holdWorkForDelete() = 0;
        // The insert threads go on.
        virtual void releaseWorkAfterDelete() = 0;
        virtual void resumePartialLoading() = 0;
        // A page with an item view is shown: its rows follow the delete.
        virtual bool hasItemView() const = 0;
        // The rows of these paths leave the list and the model.
        virtual void removeDeletedRows(const QStringList& gone) = 0;
    };

    enum class State { Idle, Confirming, CheckingBefore, Deleting, CheckingAfter };

    DeleteOperation(Screen* screen, std::function<IDeviceNexaAgent*()> agent,
        std::function<bool()> mediaTransfer, void* deleteCallback, QWidget* boxParent,
        QObject* parent = nullptr);

    // Deletes files (after asking, with confirm) unless a listing, a
    // transfer or another delete runs.
    void start(const QStringList& files, bool confirm);
    // The host's delete thread: a file gone, or the job's start or end.
    // Any thread.
    void report(int error, int jobId, const QString& path);
    // The job's start notice, or its end: the list follows.
    void complete(int error, int jobId);
    State state() const { return m_state; }

    // Shut-down.
    void cancelJob();
    void cancelCheck();
    bool waitForCheck(int ms);

private:
    IDeviceNexaAgent* agent() const { return m_agent ? m_agent() : nullptr; }
    bool refused() const;
    bool confirm(const QStringList& files);
    void checkStillThere(const QStringList& paths,
        std::function<void(const QStringList& present, const QStringList& gone)> then);
    void onChecked(const QVector<bool>& found);
    void deleteFromPhone(const QStringList& files);
    void removeDeleted(int error);
    void removeGone(const QStringList& gone, int error);
    void end();

    Screen* m_screen;
    std::function<IDeviceNexaAgent*()> m_agent;
    std::function<bool()> m_mediaTransfer;
    void* m_deleteCallback;
    QWidget* m_boxParent;
    SelectionChecker* m_checker;
    State m_state = State::Idle;
    int m_job = -1;
    // Paths known gone; the host's delete thread appends while a delete runs.
    QStringList m_deleted;
    QMutex m_deletedMutex;
    QStringList m_checkPaths;
    std::function<void(const QStringList&, const QStringList&)> m_afterCheck;
};
