// Rotating the viewer's photo for good: the work is RotationController's;
// the screen keeps the names the views and the agent's reports reach.
#include "screen/photoitemviewwidget.h"

#include "model/photoroles.h"
#include "screen/rotationcontroller.h"

void PhotoItemViewWidget::RotateProgressCallback(
    qint64 current, qint64 total, int status, CString fileName)
{
    TransferController::forwardReport(
        "on_transfer_status2", Qt::QueuedConnection, current, total, status, fileName);
}

void PhotoItemViewWidget::on_rotate_photoViewer(const QModelIndex& index, int angle)
{
    start_rotate_thread(index.data(PhotoRole::PathRole).toString(), angle);
}

void PhotoItemViewWidget::start_rotate_thread(const QString& path, int angle)
{
    m_rotation->turn(path, angle);
}

void PhotoItemViewWidget::on_finished_rotate()
{
    m_rotation->finishStep();
}

void PhotoItemViewWidget::on_failed_rotate(int err)
{
    m_rotation->showFailure(err);
}
