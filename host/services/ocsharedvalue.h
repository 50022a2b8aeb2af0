#pragma once

#include "host/contract/ocglobal.h"

#include <QHash>
#include <QMutex>
#include <QtGlobal>

class QWidget;

// Flags of the host and of every plug-in, kept per item type. Agent callbacks
// and pool jobs read them, so every member is safe from any thread.
class OCSharedValue
{
public:
    enum StateKind { ProcessState, PluginState, PartialDeviceState, PartialGetThumbnailState };

    enum ProcessFlag : quint32 {
        ProcessTransferA = 0x10,
        ProcessTransferB = 0x20,
        ProcessTransferToPhone = 0x40,
        ProcessDelete = 0x80,
        ProcessListing = 0x800,
        ProcessThumbnails = 0x1000,
        ProcessRenameLocate = 0x4000,
        ProcessDeviceInit = 0x100000,
        ProcessViewerDownload = 0x1000000,
        ProcessStorageBusy = 0x800000,  // item type 30: the phone's storage is changing
    };

    enum PluginFlag : quint32 {
        PluginViewerOpen = 0x40,
        PluginListEmpty = 0x200,
        PluginSelectionSome = 0x800,
        PluginSelectionOne = 0x1000,
        PluginSelectionAll = 0x2000,
        PluginViewHasRows = 0x20000,
        PluginSelectionChecked = 0x40000,
        PluginViewMode0 = 0x80000,
        PluginViewMode1 = 0x100000,
        PluginViewMode2 = 0x200000,
        PluginViewMode3 = 0x400000,
        PluginViewMode5 = 0x800000,
    };

    enum PartialDeviceFlag : quint32 {
        PartialIdle = 1,
        PartialRunning = 2,
        PartialPauseRequested = 4,
        PartialPaused = 8,
        PartialStopRequested = 0x10,
    };

    enum PartialThumbnailFlag : quint32 {
        PartialThumbIdle = 1,
        PartialThumbRunning = 2,
        PartialThumbStopRequested = 4,
    };

    void addState(int itemType, quint32 flags, StateKind kind = ProcessState);
    void deleteState(int itemType, quint32 flags, StateKind kind = ProcessState);
    void setState(int itemType, quint32 flags, StateKind kind = ProcessState);
    quint32 getState(int itemType, StateKind kind = PluginState) const;
    quint32 getProcessState(int itemType) const;
    bool hasProcessState(int itemType, quint32 flags) const;

    quint32 GetPartialDeviceState(int itemType = OCGlobal::ITEM_PARTIAL_LOADING) const;
    void SetPartialDeviceState(quint32 state, int itemType = OCGlobal::ITEM_PARTIAL_LOADING);
    quint32 GetPartialGetThumbnailState(int itemType = OCGlobal::ITEM_PARTIAL_LOADING) const;
    void SetPartialGetThumbnailState(quint32 state, int itemType = OCGlobal::ITEM_PARTIAL_LOADING);

    bool IsRTL() const;
    bool IsPartialLoading() const;
    bool IsShowTransferNotiDlg() const;
    bool IsShowToPCWithPlaylist() const;
    bool IsDisplayNewIcon() const;
    int GetCurrentLoadThumbItem() const;

    // True while the host is in a state in which a screen must not open a
    // window of its own: a device being initialised, a host job that holds
    // the phone, or a modal dialog already up.
    bool GetOCState(QWidget* requester, bool checkDeviceInit, bool checkHostJob,
                    bool checkModal) const;

    // Host-side switches.
    void SetRTL(bool on);
    void SetPartialLoading(bool on);
    void SetShowTransferNotiDlg(bool on);
    void SetShowToPCWithPlaylist(bool on);
    void SetDisplayNewIcon(bool on);
    void SetCurrentLoadThumbItem(int itemType);
    void SetHostJobRunning(bool on);

    // Back to the state of a freshly started host (tests).
    void reset();

private:
    static quint64 key(int itemType, StateKind kind) { return (quint64(quint32(itemType)) << 8) | kind; }

    mutable QMutex m_mutex;
    QHash<quint64, quint32> m_states;
    bool m_rtl = false;
    bool m_partialLoading = false;
    bool m_showTransferNotiDlg = false;
    bool m_showToPCWithPlaylist = true;
    bool m_displayNewIcon = false;
    bool m_hostJobRunning = false;
    int m_currentLoadThumbItem = 0;
};

extern OCSharedValue g_SharedValue;
