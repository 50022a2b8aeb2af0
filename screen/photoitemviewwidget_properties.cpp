// Single-item commands: properties and rename, and showing the file in the
// file manager.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QPointer>

#include "dialogs/filenamecheck.h"
#include "dialogs/propertydialog.h"
#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/device/devicefunctions.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

CPhotoDataItem* itemOf(const QModelIndex& index)
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}

} // namespace

QModelIndex PhotoItemViewWidget::CommandIndex() const
{
    QAbstractItemView* view = viewOf(Current);
    if (!view || !view->selectionModel())
        return QModelIndex();
    const QModelIndex current = view->currentIndex();
    if (current.isValid())
        return current;
    const QModelIndexList selected = selectedRowIndexes(view);
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void PhotoItemViewWidget::OnProperty()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : start";
    const QModelIndex current = CommandIndex();
    CPhotoDataItem* item = current.isValid() ? itemOf(current) : nullptr;
    if (!m_mediaList || !item) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : no current item";
        return;
    }
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessRenameLocate);
    const QString oldPath = item->path;
    m_propertyPath = oldPath;

    QPointer<PhotoItemViewWidget> self(this);
    QPointer<PropertyDialog> dialog = new PropertyDialog(this, item);
    if (g_SharedValue.IsPartialLoading()) {
        const QMetaObject::Connection thumbnail
            = connect(this, &PhotoItemViewWidget::on_siganl_finished_getthumbnail, dialog,
                &PropertyDialog::on_update_thumbnail);
        // Known to the database: it was announced at once, nothing more comes.
        if (!FetchUnknownThumbnail(oldPath, true))
            disconnect(thumbnail);
    } else if (item->thumbnail().isNull()) {
        dialog->on_update_thumbnail();
    }
    connect(this, &PhotoItemViewWidget::on_signal_devicechange, dialog, &QDialog::reject);
    connect(dialog, &PropertyDialog::on_signal_showinwindows, this,
        &PhotoItemViewWidget::on_showinwindows);

    m_renameFiles.clear();
    bool ok = true;
    const int answer = dialog->exec();
    if (!self)
        return;
    if (answer == QDialog::Accepted && dialog) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : accepted";
        // The dialog ran an event loop: the item may have gone meanwhile.
        if (CPhotoDataItem* still = m_mediaList ? m_mediaList->findItem(oldPath, false) : nullptr)
            RenameFromDialog(still, dialog->GetTitle(), ok);
    }
    m_propertyPath.clear();
    if (m_renameFiles.size() != 2)
        on_complete_renamefile(ok);
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : end";
    delete dialog;
}

void PhotoItemViewWidget::RenameFromDialog(CPhotoDataItem* item, const QString& newName, bool& ok)
{
    if (newName == item->title) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : same title";
        return;
    }
    const QString oldPath = item->path;
    const QString ext = item->fileType();
    const QString refusal = FileNameCheck::refusal(newName, ext);
    if (!refusal.isEmpty()) {
        qCWarning(lcScreen) << "PhotoItemViewWidget::OnProperty : name refused" << newName
                            << refusal;
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")), refusal, 0, MsgBoxFlag::Ok);
        return;
    }
    const QString fileName = ext.isEmpty() ? newName : newName + QLatin1Char('.') + ext;
    const QString newPath = getFileDir(oldPath) + QLatin1Char('\\') + fileName;
    CPhotoDataItem* taken = m_mediaList->findItem(newPath, false);
    // Lookups ignore case, so a change of case only finds the item itself.
    if (taken && taken != item) {
        qCWarning(lcScreen) << "PhotoItemViewWidget::OnProperty : name taken" << newPath;
        ok = false;
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnProperty : rename file" << oldPath << "->"
                      << fileName;
    on_pause_patialloading();
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    const int result = RenameFileInPhone(agent, oldPath, fileName,
        reinterpret_cast<void*>(&PhotoItemViewWidget::RenameFileCallback));
    if (result == AgentResult::Ok) {
        m_renameFiles = QStringList { oldPath, newPath };
    } else if (result == AgentResult::NotSupported) {
        // Not the name's fault: no name would do on this device.
        qCWarning(lcScreen) << "PhotoItemViewWidget::OnProperty : the device cannot rename";
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
            GetQString(tr("This device cannot rename files.")), 0, MsgBoxFlag::Ok);
    } else {
        qCWarning(lcScreen) << "PhotoItemViewWidget::OnProperty : refused" << result;
        ok = false;
    }
}

void PhotoItemViewWidget::RenameFileCallback(bool result)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        QMetaObject::invokeMethod(
            screen, "on_complete_renamefile", Qt::QueuedConnection, Q_ARG(bool, result));
}

void PhotoItemViewWidget::on_complete_renamefile(bool result)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_complete_renamefile : start" << result;
    if (!result) {
        OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), ErrorBoxCode::RenameFailed);
    } else if (m_renameFiles.size() == 2 && m_mediaList) {
        const QString oldPath = m_renameFiles.at(0);
        if (m_mediaList->findItem(oldPath, false)) {
            m_mediaList->renameItem(oldPath, m_renameFiles.at(1));
            qCDebug(lcScreen) << "PhotoItemViewWidget::on_complete_renamefile sorting";
            ApplyCurrentSort();
            repaintCurrentView();
        }
    }
    m_renameFiles.clear();
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
    on_start_patialloading();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_complete_renamefile : end";
}

void PhotoItemViewWidget::OnShowInWindows()
{
    if (m_fileAgentType == ConnectionKind::MtpBasic)
        return;
    const QModelIndex current = CommandIndex();
    if (!current.isValid())
        return;
    QString path = current.data(PhotoRole::PathRole).toString();
    qCDebug(lcScreen) << "PhotoItemViewWidget::OnShowInWindows" << path;
    bool shown = false;
    if (m_fileAgentType == ConnectionKind::MassStorage) {
        shown = OpenWindowExplorer(path);
    } else if (m_fileAgentType == ConnectionKind::Mtp) {
        if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
            shown = agent->GetLocalPath(path) == 0;
    }
    // Nothing answering is no reason to stay silent.
    if (!shown)
        OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Show in file manager")),
            GetQString(tr("No file manager could show the folder of this photo.")), 0,
            MsgBoxFlag::Ok);
}

QString PhotoItemViewWidget::storageRoot() const
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    return agent ? agent->StorageRoot() : QString();
}
