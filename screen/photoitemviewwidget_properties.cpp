// Single-item commands: properties and rename, show in the file manager,
// locating a missing file, and the existence of files.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/fileutils.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

namespace {
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
}

void PhotoItemViewWidget::OnProperty()
{
    QAbstractItemView* view = viewOf(Current);
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::OnProperty"
             << ": requested"
             << (view ? view->currentIndex().data(PhotoRole::PathRole).toString() : QString());
}

void PhotoItemViewWidget::on_complete_renamefile(bool result)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_complete_renamefile"
             << ": start " << result;
}

bool PhotoItemViewWidget::SetFileLocate(const QModelIndex& index)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::SetFileLocate"
             << ": requested" << index.data(PhotoRole::PathRole).toString();
    return false;
}

void PhotoItemViewWidget::OnShowInWindows()
{
    if (m_fileAgentType == ConnectionKind::MtpBasic)
        return;
    QAbstractItemView* view = viewOf(Current);
    const QModelIndex current = view ? view->currentIndex() : QModelIndex();
    if (!current.isValid())
        return;
    QString path = current.data(PhotoRole::PathRole).toString();
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::OnShowInWindows" << path;
    if (m_fileAgentType == ConnectionKind::MassStorage) {
        OpenWindowExplorer(path);
    } else if (m_fileAgentType == ConnectionKind::Mtp) {
        if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
            agent->GetLocalPath(path);
    }
}

bool PhotoItemViewWidget::checkFileExist(const QModelIndex& index, bool ask)
{
    if (!index.isValid())
        return false;
    const bool exists = index.data(PhotoRole::ExistsRole).toBool();
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::checkFileExist"
                 << " : Loading";
        return exists;
    }
    if (hostTransferRunning(OCSharedValue::ProcessTransferB)) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::checkFileExist"
                 << " : Transferring";
        return exists;
    }
    if (!exists && ask) {
        const QString path = index.data(PhotoRole::PathRole).toString();
        MSGBoxOptions options;
        options.buttons = { { MsgBoxFlag::Ok, GetQString(tr("Locate")) },
            { MsgBoxFlag::Cancel, GetQString(tr("Cancel")) } };
        options.defaultButton = MsgBoxFlag::Ok;
        const QString text = GetQString(tr("Can not find the original file of \"%1\"\n"))
                                 .arg(getFileName(path, true))
            + GetQString(tr("Do you want to find the original file?"));
        const quint32 answer
            = OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Locate the original")), text, 0,
                MsgBoxFlag::Ok | MsgBoxFlag::Cancel, &options);
        if (answer & MsgBoxFlag::Ok)
            SetFileLocate(index);
    }
    return exists;
}

bool PhotoItemViewWidget::on_check_file_exist(const QModelIndex& index)
{
    if (!m_model)
        return false;
    if (isMediaTransferKind())
        return true;
    const QString path = index.data(PhotoRole::PathRole).toString();
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    const bool exists = !agent || agent->IsFileExist(path);
    QAbstractItemModel* model = nullptr;
    if (index.model() == m_proxy)
        model = m_proxy;
    else if (index.model() == m_model)
        model = m_model;
    if (model)
        model->setData(index, exists, PhotoRole::ExistsRole);
    return exists;
}
