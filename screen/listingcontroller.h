#pragma once

#include "host/contract/devicefilerecord.h"
#include "host/contract/ideviceagent.h"
#include "model/itemevent.h"

#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QWaitCondition>

#include <deque>
#include <functional>

class ListingSession;
class OCMediaItemList;
class OCModelInsertThread;
class PhotoItemViewModel;

// The screen's listings of the phone: one ListingSession per listing, and
// the one given up while the phone still reports, which takes the phone's
// reports until its end. The agent's item-load reports arrive on its own
// thread: they are copied into an inbox that the GUI thread empties in the
// agent's order, a slice of a few milliseconds at a time, so the agent does
// not wait for the GUI thread and the GUI thread never stalls on a burst.
// Only a change report waits, bounded, until the GUI thread has taken it.
class ListingController : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        std::function<IDeviceNexaAgent*()> agent;
        std::function<int()> connectionKind;
        PFN_UmsMountCallback mountCallback = nullptr;
        // The phone's change reports and located files outside a listing
        // (the transfer-to-phone insert thread).
        std::function<void(ItemEvent)> changeSink;
    };

    explicit ListingController(Setup setup, QObject* parent = nullptr);
    ~ListingController() override;

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Registers the item-load callback with the agent; null withdraws it.
    void setItemLoadCallback(PFN_ItemLoadCallback callback);
    // The latest listing's state code (0 not listed .. 4 stopped).
    int stateCode() const;
    // The current listing's insert thread; null when there is none.
    OCModelInsertThread* insertThread() const;
    // The phone is still ending a listing that was given up.
    bool endingAbandoned() const { return m_abandoned != nullptr; }

    // Any thread: one report of the agent's item-load callback.
    void report(int code, quintptr info);
    // GUI thread, in the agent's order.
    void startReported();
    void itemReported(quintptr record);
    void changeReported(quintptr record);
    void finishReported();
    void stopReported(int error);
    void mountAnswered(int result);
    void mergeEnded();

    // Starts a listing once a given-up one has ended.
    void start(bool needMountCheck);
    // Starts a listing now: the one a memory-card change prepared, else a new one.
    void load(bool needMountCheck);
    // Gives the running listing up; its reports are dropped from now on.
    void abandon();
    // Forgets the current listing: not listed.
    void drop();
    void stopMerging();
    void addEvent(ItemEvent event);
    // Located files: into the running listing, else after the transfers.
    void locate(const QStringList& paths);
    // A memory card changed: a listing starts once the phone is ready. False
    // when the phone switches its storage itself after a removal: none starts.
    bool cardChanged(bool cardConnected);
    // Lists the phone when it is ready, else tries again shortly; without a
    // device, nothing is listed.
    void startAfterCardChange();

signals:
    void stateChanged(int code);
    void preparing();
    void started();
    void reportsEnded();
    void stopped(int error);
    void finished();
    void memoryPressure();
    void busyRefused();
    void mountShown(bool shown);
    void mountFailed(int result);
    void deviceRefreshFinished();
    void itemsChanged();
    void loadingEnded();
    void rowsChanged();
    void locatedItemListed(const QString& path);
    // The phone reports this file removed.
    void removalReported(const QString& path);

private:
    struct Report
    {
        quint64 number = 0;
        int code = 0;
        bool hasRecord = false;
        DeviceFileRecord record;
    };

    ListingSession* current();
    ListingSession* newListing();
    void dropSession();
    void connectSession(ListingSession* session);
    void deliver(const Report& report);
    void drainInbox();
    IDeviceNexaAgent* agent() const { return m_setup.agent ? m_setup.agent() : nullptr; }
    int connectionKind() const { return m_setup.connectionKind ? m_setup.connectionKind() : 0; }

    Setup m_setup;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    ListingSession* m_listing = nullptr;
    ListingSession* m_abandoned = nullptr;
    int m_stateCode = 0; // the latest listing's

    // Under the mutex.
    QMutex m_inboxMutex;
    QWaitCondition m_taken;
    std::deque<Report> m_inbox;
    bool m_drainPosted = false;
    quint64 m_reported = 0;
    quint64 m_delivered = 0;
};
