// The host's background partial loading: paused or stopped while the screen
// needs the phone for itself, and resumed afterwards. The waits pump events,
// since the loader may need this thread to reach its next state.
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QDir>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PollMs = 40;

// Partial loading that the screen may hold back on this connection.
bool controlsPartialLoading(int connectionKind)
{
    if (!g_SharedValue.IsPartialLoading() || connectionKind == ConnectionKind::MassStorage)
        return false;
    return !(connectionKind == ConnectionKind::Mtp
        && g_SharedValue.GetCurrentLoadThumbItem() == OCGlobal::ITEM_PHONE_THUMBNAIL);
}

template<typename Done> void pumpUntil(const char* method, const char* message, Done done)
{
    while (!done()) {
        MsgPeekAndPump();
        QThread::msleep(PollMs);
        qDebug() << "device_photo" << method << message;
    }
}

} // namespace

void PhotoItemViewWidget::on_pause_patialloading()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_pause_patialloading"
             << "get patialloading state" << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialPauseRequested);
    pumpUntil("PhotoItemViewWidget::on_pause_patialloading", "wait pause patialloading", [] {
        const quint32 now = g_SharedValue.GetPartialDeviceState();
        return now == OCSharedValue::PartialPaused || now == OCSharedValue::PartialIdle;
    });
}

void PhotoItemViewWidget::on_stop_patialloading()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_stop_patialloading"
             << "get patialloading state" << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialStopRequested);
    pumpUntil("PhotoItemViewWidget::on_stop_patialloading", "wait stop patialloading",
        [] { return g_SharedValue.GetPartialDeviceState() == OCSharedValue::PartialIdle; });
}

void PhotoItemViewWidget::on_start_patialloading()
{
    if (!g_SharedValue.IsPartialLoading())
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_start_patialloading"
             << "get patialloading state" << state;
    if (state == OCSharedValue::PartialPaused)
        g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialRunning);
    else
        on_start_thumbLoad();
}

void PhotoItemViewWidget::on_stop_patialloading_getthumbnail()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialGetThumbnailState();
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_stop_patialloading_getthumbnail"
             << "get patialloading getthumbnail state" << state;
    if (state != OCSharedValue::PartialThumbRunning)
        return;
    g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbStopRequested);
    pumpUntil("PhotoItemViewWidget::on_stop_patialloading_getthumbnail",
        "wait stop patialloading getthumbnail", [] {
            return g_SharedValue.GetPartialGetThumbnailState() == OCSharedValue::PartialThumbIdle;
        });
}

void PhotoItemViewWidget::on_wait_cancel_download()
{
    if (!m_downloading)
        return;
    m_viewer->startDownloadImage();
    pumpUntil("PhotoItemViewWidget::on_wait_cancel_download", "wait download",
        [this] { return !m_downloading; });
}

QString PhotoItemViewWidget::DownloadFolder()
{
    QString folder = GetAppPath();
    folder = folder.isEmpty() ? QDir::tempPath() : folder + QStringLiteral("/Temp");
    return folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
