#pragma once

#include "host/contract/ideviceagent.h"
#include "model/itemevent.h"

#include <QObject>
#include <QTimer>

class OCMediaItemList;
class OCModelInsertThread;
class PhotoItemViewModel;

// One listing of the phone: starts it through the device agent (mounting a
// mass-storage phone first), turns the agent's reports into item events for
// its own insert thread, and tells the screen how it ends. A session that is
// given up while the phone still reports drops the late reports and says
// cancelled() once the phone has ended, or after a bound.
//
// Process-state flag 0x800 of item type 16 follows the state, set and
// cleared only in setState().
class ListingSession : public QObject
{
    Q_OBJECT

public:
    enum class State {
        NotListed, // never started, or failed to start
        Starting, // asking the agent
        Mounting, // waiting for the mass-storage drive
        Waiting, // a memory card changed: the listing starts shortly
        Listing, // the phone reports files
        Merging, // the phone has ended, events are still being merged
        Listed,
        Stopped, // the phone stopped with an error, its end report follows
        Abandoned, // given up: the phone's late reports are dropped
        Cancelled // given up, and the phone has ended
    };

    struct Setup
    {
        IDeviceNexaAgent* agent = nullptr;
        OCMediaItemList* list = nullptr;
        PhotoItemViewModel* model = nullptr;
        int connectionKind = 0;
        PFN_UmsMountCallback mountCallback = nullptr;
    };

    explicit ListingSession(const Setup& setup, QObject* parent = nullptr);
    ~ListingSession() override;

    State state() const { return m_state; }
    // The screen's listing-state value (0 not listed .. 4 stopped).
    static int stateCode(State state);
    // The item-event code of a listed file on a connection kind.
    static int insertEventCode(int connectionKind);
    // The item-event code of a change the phone reports; EndOfBatch for
    // kinds of change that are not merged.
    static int changeEventCode(int changeKind, int connectionKind);
    OCModelInsertThread* insertThread() const { return m_thread; }

    void start(bool needMountCheck);
    void mountAnswered(int result);
    void cardChanged();
    // Gives the phone's listing up; false when the phone was not reporting.
    bool abandon();
    // Drops the queue of the insert thread; the session ends as it stands.
    void stopMerging();

    // The agent's reports, on the GUI thread.
    void startReported();
    void itemReported(quintptr record);
    void finishReported();
    void stopReported(int error);

    // Queues an event on the insert thread; an end event ends the merge.
    void addEvent(ItemEvent event);
    // The insert thread ended, or had nothing to merge.
    void mergeEnded();

signals:
    void stateChanged(ListingSession::State state);
    void preparing();
    void started();
    void reportsEnded();
    void stopped(int error);
    void finished();
    void cancelled();
    void memoryPressure();
    void busyRefused();
    void mountShown(bool shown);
    void mounted();
    void mountFailed(int result);
    void deviceRefreshFinished();
    void itemsChanged();
    void loadingEnded();
    void rowsChanged();
    void locatedItemListed(const QString& path);

private:
    void setState(State state);
    void startFailed(int status);
    // A given-up session's first end report cancels it; later reports are ignored.
    bool givenUp(const char* method);

    Setup m_setup;
    State m_state = State::NotListed;
    OCModelInsertThread* m_thread = nullptr; // a child, made with the session
    bool m_gotEvents = false; // the insert thread got an event in this listing
    bool m_memoryStopped = false; // the insert thread stopped for memory meanwhile
    QTimer m_abandonLimit;
};
