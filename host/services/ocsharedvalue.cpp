#include "ocsharedvalue.h"

#include <QApplication>
#include <QMutexLocker>
#include <QThread>
#include <QWidget>

OCSharedValue g_SharedValue;

void OCSharedValue::addState(int itemType, quint32 flags, StateKind kind)
{
    QMutexLocker lock(&m_mutex);
    m_states[key(itemType, kind)] |= flags;
}

void OCSharedValue::deleteState(int itemType, quint32 flags, StateKind kind)
{
    QMutexLocker lock(&m_mutex);
    m_states[key(itemType, kind)] &= ~flags;
}

void OCSharedValue::setState(int itemType, quint32 flags, StateKind kind)
{
    QMutexLocker lock(&m_mutex);
    m_states[key(itemType, kind)] = flags;
}

quint32 OCSharedValue::getState(int itemType, StateKind kind) const
{
    QMutexLocker lock(&m_mutex);
    return m_states.value(key(itemType, kind), 0);
}

quint32 OCSharedValue::getProcessState(int itemType) const
{
    return getState(itemType, ProcessState);
}

bool OCSharedValue::hasProcessState(int itemType, quint32 flags) const
{
    return (getProcessState(itemType) & flags) != 0;
}

quint32 OCSharedValue::GetPartialDeviceState(int itemType) const
{
    const quint32 state = getState(itemType, PartialDeviceState);
    return state ? state : quint32(PartialIdle);
}

void OCSharedValue::SetPartialDeviceState(quint32 state, int itemType)
{
    setState(itemType, state, PartialDeviceState);
}

quint32 OCSharedValue::GetPartialGetThumbnailState(int itemType) const
{
    const quint32 state = getState(itemType, PartialGetThumbnailState);
    return state ? state : quint32(PartialThumbIdle);
}

void OCSharedValue::SetPartialGetThumbnailState(quint32 state, int itemType)
{
    setState(itemType, state, PartialGetThumbnailState);
}

bool OCSharedValue::IsRTL() const
{
    QMutexLocker lock(&m_mutex);
    return m_rtl;
}

bool OCSharedValue::IsPartialLoading() const
{
    QMutexLocker lock(&m_mutex);
    return m_partialLoading;
}

bool OCSharedValue::IsShowTransferNotiDlg() const
{
    QMutexLocker lock(&m_mutex);
    return m_showTransferNotiDlg;
}

bool OCSharedValue::IsShowToPCWithPlaylist() const
{
    QMutexLocker lock(&m_mutex);
    return m_showToPCWithPlaylist;
}

bool OCSharedValue::IsDisplayNewIcon() const
{
    QMutexLocker lock(&m_mutex);
    return m_displayNewIcon;
}

int OCSharedValue::GetCurrentLoadThumbItem() const
{
    QMutexLocker lock(&m_mutex);
    return m_currentLoadThumbItem;
}

bool OCSharedValue::GetOCState(QWidget* requester, bool checkDeviceInit, bool checkHostJob,
                               bool checkModal) const
{
    if (checkDeviceInit) {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_states.cbegin(); it != m_states.cend(); ++it) {
            const bool isProcess = (it.key() & 0xff) == ProcessState;
            if (isProcess && (it.value() & ProcessDeviceInit))
                return true;
        }
    }
    if (checkHostJob) {
        QMutexLocker lock(&m_mutex);
        if (m_hostJobRunning)
            return true;
    }
    // Widgets may only be inspected on the GUI thread.
    if (checkModal && qApp && QThread::currentThread() == qApp->thread()) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != requester && modal->isVisible())
            return true;
    }
    return false;
}

void OCSharedValue::SetRTL(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_rtl = on;
}

void OCSharedValue::SetPartialLoading(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_partialLoading = on;
}

void OCSharedValue::SetShowTransferNotiDlg(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_showTransferNotiDlg = on;
}

void OCSharedValue::SetShowToPCWithPlaylist(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_showToPCWithPlaylist = on;
}

void OCSharedValue::SetDisplayNewIcon(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_displayNewIcon = on;
}

void OCSharedValue::SetCurrentLoadThumbItem(int itemType)
{
    QMutexLocker lock(&m_mutex);
    m_currentLoadThumbItem = itemType;
}

void OCSharedValue::SetHostJobRunning(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_hostJobRunning = on;
}

void OCSharedValue::reset()
{
    QMutexLocker lock(&m_mutex);
    m_states.clear();
    m_rtl = false;
    m_partialLoading = false;
    m_showTransferNotiDlg = false;
    m_showToPCWithPlaylist = true;
    m_displayNewIcon = false;
    m_hostJobRunning = false;
    m_currentLoadThumbItem = 0;
}
