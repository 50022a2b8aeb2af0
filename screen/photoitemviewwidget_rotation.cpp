// Rotating the viewer's photo. On connections whose files only the agent
// reaches, the thumbnail turns and the viewer's copy goes back to the phone;
// otherwise a pool job checks size and write access before the viewer turns
// the picture.
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/fileutils.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/livewidget.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int OverSize = 0;
const int ReadOnly = 1;
const int RegistryRoot = 1;
const char* const PluginId = "device_photo";

QString dontShowKey()
{
    return QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0") + QStringLiteral("\\Preference")
        + QStringLiteral("\\DontShow");
}

QString dontShowValue()
{
    return QStringLiteral("Advanced_Dialog_Readonly");
}

} // namespace

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
    const QModelIndex source = m_model->index(row, 0);
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_rotate_photoViewer"
             << ": row" << row << "angle" << angle;
    if (!isMediaTransferKind()) {
        start_rotate_thread(source.data(PhotoRole::PathRole).toString(), angle);
        return;
    }
    auto* item = reinterpret_cast<CPhotoDataItem*>(
        source.data(PhotoRole::ItemPointerRole).value<quintptr>());
    if (!item)
        return;
    // Stored paths use "\\"; the agent takes "/" as the downloads do.
    const QString phonePath = QString(item->path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    item->rotateThumbnail(angle);
    m_model->setData(QModelIndex(), QVariant(), Qt::DecorationRole);
    const QString folder = phonePath.left(phonePath.lastIndexOf(QLatin1Char('/')));
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent)
        return;
    const int result = agent->TransferFiles(QStringList { m_downloadTarget }, folder,
        QStringLiteral("toPhone"), &PhotoItemViewWidget::RotateProgressCallback,
        &PhotoItemViewWidget::TransferCompletionCallback, -1, 1, 0);
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_rotate_photoViewer"
             << "result : " << result;
}

void PhotoItemViewWidget::start_rotate_thread(const QString& path, int angle)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::start_rotate_thread" << path << angle;
    // One job at a time: the next turn starts from the picture the last one left.
    if (!CancelAndWait(m_rotateWatcher))
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::start_rotate_thread"
                 << ": the previous rotation did not end";
    m_rotateWatcher.setFuture(
        QtConcurrent::run(this, &PhotoItemViewWidget::RotateImage, path, angle));
}

void PhotoItemViewWidget::RotateImage(const QString& path, int angle)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::RotateImage"
             << "start" << path;
    const CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(path, false) : nullptr;
    if (!item)
        return;
    if (qint64(item->fileSize()) > PhotoItemViewModel::kMaxRotateSize) {
        emit on_signal_failed_rotate(OverSize);
        return;
    }
    if (!QFileInfo(toFileSystemPath(path)).isWritable()) {
        emit on_signal_failed_rotate(ReadOnly);
        return;
    }
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::RotateImage"
             << "start rotate image";
    m_viewer->RotateView(path, angle);
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::RotateImage"
             << "end";
}

void PhotoItemViewWidget::on_finished_rotate()
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_finished_rotate";
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
}

void PhotoItemViewWidget::ShowReadOnlyNotice()
{
    const QString stored = GetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue());
    if (stored.contains(QLatin1String(PluginId), Qt::CaseInsensitive)) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::on_failed_rotate"
                 << "don't show again";
        return;
    }
    MSGBoxOptions options;
    options.checkBoxText = GetQString(tr("Don't show again"));
    options.buttons = { { MsgBoxFlag::Ok, GetQString(tr("OK")) } };
    options.defaultButton = MsgBoxFlag::Ok;
    const quint32 answer = OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
        GetQString(tr("Cannot rotate read-only files.")), 0, MsgBoxFlag::Ok, &options);
    if ((answer & MsgBoxFlag::Checked) && (answer & MsgBoxFlag::Ok))
        SetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue(),
            stored + QLatin1String(PluginId) + QLatin1Char(';'));
}

void PhotoItemViewWidget::on_failed_rotate(int err)
{
    if (err == OverSize) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::on_failed_rotate"
                 << "failed rotate : over size";
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
            GetQString(tr("The more than 100 MB photo files do not support rotation.")), 0,
            MsgBoxFlag::Ok);
    } else if (err == ReadOnly) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::on_failed_rotate"
                 << "failed rotate : read only";
        ShowReadOnlyNotice();
    }
}
