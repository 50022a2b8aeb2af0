// Rotating the viewer's photo; built with image rotation.
#include "screen/photoitemviewwidget.h"

#include <QDebug>

void PhotoItemViewWidget::on_rotate_photoViewer(const QModelIndex& index, int angle)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_rotate_photoViewer"
             << ": requested row" << index.row() << "angle" << angle;
}

void PhotoItemViewWidget::start_rotate_thread(const QString& path, int angle)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::start_rotate_thread"
             << ": requested" << path << angle;
}

void PhotoItemViewWidget::on_finished_rotate()
{
}

void PhotoItemViewWidget::on_failed_rotate(int err)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_failed_rotate" << err;
}
