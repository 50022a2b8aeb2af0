// Deleting the selection from the phone; built with the delete command.
#include "screen/photoitemviewwidget.h"

#include <QDebug>

void PhotoItemViewWidget::OnDelete(bool confirm)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::OnDelete"
             << ": requested" << confirm << "files" << SelectedPaths(false).size();
}

void PhotoItemViewWidget::on_delete_callback(
    int error, int nCurThreadID, const QString& strCurDeletePath, const QString&)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_delete_callback" << error << nCurThreadID
             << strCurDeletePath;
}

void PhotoItemViewWidget::on_complete_delete_file(int error, int threadID)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_complete_delete_file" << error << threadID;
}
