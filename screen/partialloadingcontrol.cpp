#include "screen/partialloadingcontrol.h"

#include <QElapsedTimer>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "host/services/appservices.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"

namespace {

const int PollMs = 40;
const int WaitLimitMs = 10000;

} // namespace

PartialLoadingControl::PartialLoadingControl(std::function<int()> connectionKind)
    : m_connectionKind(std::move(connectionKind))
{
}

bool PartialLoadingControl::controlled() const
{
    const int kind = m_connectionKind();
    if (!g_SharedValue.IsPartialLoading() || kind == ConnectionKind::MassStorage)
        return false;
    return !(kind == ConnectionKind::Mtp
        && g_SharedValue.GetCurrentLoadThumbItem() == OCGlobal::ITEM_PHONE_THUMBNAIL);
}

void PartialLoadingControl::waitPumping(
    const char* method, const char* message, const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > limitMs) {
            qCWarning(lcScreen) << method << ": gave up waiting after" << limitMs << "ms";
            return;
        }
        MsgPeekAndPump();
        QThread::msleep(PollMs);
        qCDebug(lcScreen) << method << message;
    }
}

void PartialLoadingControl::pause()
{
    if (!controlled())
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PartialLoadingControl::pause: state" << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialPauseRequested);
    waitPumping(
        "PartialLoadingControl::pause", "wait pause patialloading",
        [] {
            const quint32 now = g_SharedValue.GetPartialDeviceState();
            return now == OCSharedValue::PartialPaused || now == OCSharedValue::PartialIdle;
        },
        WaitLimitMs);
}

void PartialLoadingControl::stop()
{
    if (!controlled())
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PartialLoadingControl::stop: state" << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialStopRequested);
    waitPumping(
        "PartialLoadingControl::stop", "wait stop patialloading",
        [] { return g_SharedValue.GetPartialDeviceState() == OCSharedValue::PartialIdle; },
        WaitLimitMs);
}

bool PartialLoadingControl::resume()
{
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PartialLoadingControl::resume: state" << state;
    if (state != OCSharedValue::PartialPaused)
        return false;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialRunning);
    return true;
}

void PartialLoadingControl::stopThumbnailFetch()
{
    if (!controlled())
        return;
    const quint32 state = g_SharedValue.GetPartialGetThumbnailState();
    qCDebug(lcScreen) << "PartialLoadingControl::stopThumbnailFetch: get patialloading "
                         "getthumbnail state"
                      << state;
    if (state != OCSharedValue::PartialThumbRunning)
        return;
    g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbStopRequested);
    waitPumping(
        "PartialLoadingControl::stopThumbnailFetch", "wait stop patialloading getthumbnail",
        [] {
            return g_SharedValue.GetPartialGetThumbnailState() == OCSharedValue::PartialThumbIdle;
        },
        WaitLimitMs);
}
