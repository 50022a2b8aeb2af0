// Rotating the viewer's photo for good: the work is RotationController's;
// the screen keeps the names the views and the agent's reports reach.
#include "screen/photoitemviewwidget.h"

#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "host/services/textutils.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "screen/rotationcontroller.h"

void PhotoItemViewWidget::RotateProgressCallback(
    qint64 current, qint64 total, int status, CString fileName)
{
    const bool marker = current == total
        && (current == TransferMarker::Start || current == TransferMarker::End
            || current == TransferMarker::EndWithoutResult);
    if (!marker)
        return;
    const LiveWidget::Lease live = LiveWidget::acquire();
    PhotoItemViewWidget* screen = live.screen();
    if (!screen)
        return;
    QMetaObject::invokeMethod(screen, "on_transfer_status2", Qt::QueuedConnection,
        Q_ARG(qint64, current), Q_ARG(qint64, total), Q_ARG(int, status),
        Q_ARG(QString, GetCString2QString(fileName)));
}

void PhotoItemViewWidget::on_rotate_photoViewer(const QModelIndex& index, int angle)
{
    if (!m_model)
        return;
    const int row = index.data(PhotoRole::RowRole).toInt();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_rotate_photoViewer: row" << row << "angle"
                      << angle;
    start_rotate_thread(m_model->index(row, 0).data(PhotoRole::PathRole).toString(), angle);
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
