// Shut-down: device jobs cancelled, worker threads stopped with a bounded
// wait, background tasks cancelled and waited for.
#include "screen/photoitemviewwidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "screen/listingsession.h"
#include "screen/rotationcontroller.h"

namespace {
const int StopWaitMs = 3000;
}

void PhotoItemViewWidget::on_main_close()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_main_close : start";
    emit on_signal_messagebox_close();
    CancelDeviceJobs();
    if (m_listing)
        m_listing->stopMerging();
    m_transfers->stopUploadedItems();
    StopBackgroundTasks();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_main_close : end";
}

void PhotoItemViewWidget::on_phoneview_close()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_phoneview_close";
    on_main_close();
}

void PhotoItemViewWidget::CancelDeviceJobs()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent)
        return;
    agent->CancelTransfer(-1);
    m_transfers->cancelJobs();
    m_delete->cancelJob();
}

void PhotoItemViewWidget::StopBackgroundTasks()
{
    stop_thumbnail_thread();
    // The check only asks the agent; the wait gives it the chance to end
    // before the agent goes.
    m_locate->cancelSelectionCheck();
    m_delete->cancelCheck();
    m_locate->waitForSelectionCheck(StopWaitMs);
    m_delete->waitForCheck(StopWaitMs);
    // A turn being saved is not cut off half-way; the job holds only values,
    // so one that outlives the wait touches nothing of the screen.
    if (!m_rotation->waitForEnd(StopWaitMs))
        qCWarning(lcScreen) << "PhotoItemViewWidget::StopBackgroundTasks: the rotation did not end";
    stop_loaditems_thread();
}
