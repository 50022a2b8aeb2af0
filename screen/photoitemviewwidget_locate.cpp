// Existence of files: the cached flag of each row, the background check of
// the selection, and locating a missing file on the PC.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QSet>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/selectionchecker.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

CPhotoDataItem* itemOf(const QModelIndex& index)
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}

void pauseThread(OCModelInsertThread* thread, bool paused)
{
    if (thread && thread->isRunning())
        thread->pause(paused);
}

} // namespace

bool PhotoItemViewWidget::SetFileLocate(const QModelIndex& index)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : start";
    if (!m_mediaList || !m_model || !index.isValid())
        return false;
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : Loading";
        return false;
    }
    if (hostTransferRunning(OCSharedValue::ProcessTransferB)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : Transferring";
        return false;
    }
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessRenameLocate);
    const QString path = index.data(PhotoRole::PathRole).toString();
    QStringList patterns;
    for (const QString& extension : m_mediaList->photoExtensions())
        patterns << QStringLiteral("*.") + extension;
    const QString chosen
        = QFileDialog::getOpenFileName(this, GetQString(tr("Import file to library")),
            GetDefaultOpenDialogPath(PhotoType, path), patterns.join(QLatin1Char(' ')));
    if (chosen.isEmpty()) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : end (empty path)";
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
        return false;
    }

    pauseThread(m_threadModelLoad, true);
    pauseThread(m_threadModelToPhone, true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RelinkLocatedFiles(path, chosen);
    QApplication::restoreOverrideCursor();
    pauseThread(m_threadModelLoad, false);
    pauseThread(m_threadModelToPhone, false);
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
    qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : end" << path << "->" << chosen;
    return true;
}

void PhotoItemViewWidget::RelinkLocatedFiles(const QString& path, const QString& chosen)
{
    const QString folder = toStoredPath(QFileInfo(chosen).absolutePath());
    m_locatedFiles.clear();
    QStringList pairs { path };
    m_locatedFiles << toStoredPath(chosen);
    // Other missing files of the same name in the chosen folder moved with it.
    for (int row = 0; row < m_model->rowCount(); ++row) {
        CPhotoDataItem* item = itemOf(m_model->index(row, 0));
        if (!item)
            continue;
        item->setExists(QFile::exists(toFileSystemPath(item->path)));
        if (item->exists() || item->path == path)
            continue;
        const QString candidate = QStringLiteral("%1\\%2").arg(folder, item->fileName());
        const QFileInfo info(toFileSystemPath(candidate));
        if (info.exists() && info.isFile() && !info.isHidden()
            && !m_locatedFiles.contains(candidate)) {
            pairs << item->path;
            m_locatedFiles << candidate;
        }
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::SetFileLocate : located" << m_locatedFiles;

    m_model->RemoveListedItems(m_mediaList, pairs);
    LoadItems(m_locatedFiles);

    start_thumbnail_thread();
    UpdateViewHasRows();
    ApplyCurrentSort();
}

bool PhotoItemViewWidget::checkFileExist(const QModelIndex& index, bool ask)
{
    if (!index.isValid())
        return false;
    const bool exists = index.data(PhotoRole::ExistsRole).toBool();
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::checkFileExist : Loading";
        return exists;
    }
    if (hostTransferRunning(OCSharedValue::ProcessTransferB)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::checkFileExist : Transferring";
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

void PhotoItemViewWidget::StopSelectionCheck()
{
    // Never waits: the check may be stuck in a hung file system. Its answer,
    // for a selection that has changed, is dropped when it comes.
    m_selectionChecker->cancel();
}

void PhotoItemViewWidget::StartSelectionCheck(const QModelIndexList& indexes)
{
    if (isMediaTransferKind())
        return;
    StopSelectionCheck();
    QList<QPersistentModelIndex> rows;
    QStringList paths;
    for (const QModelIndex& index : indexes) {
        rows << QPersistentModelIndex(index);
        paths << index.data(PhotoRole::PathRole).toString();
    }
    m_selectionChecker->start(rows, paths, m_hostContext ? m_hostContext->deviceAgent : nullptr);
}

void PhotoItemViewWidget::on_selection_check_finished(
    const QList<QPersistentModelIndex>& rows, const QVector<bool>& found)
{
    bool anyExists = false;
    for (int i = 0; i < found.size() && i < rows.size(); ++i) {
        const QPersistentModelIndex& row = rows.at(i);
        anyExists = anyExists || found.at(i);
        QAbstractItemModel* model = row.model() == m_proxy
            ? static_cast<QAbstractItemModel*>(m_proxy)
            : row.model() == m_model ? m_model
                                     : nullptr;
        if (model && row.isValid())
            model->setData(row, found.at(i), PhotoRole::ExistsRole);
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_selection_check_finished: examined"
                      << found.size() << "any exists" << anyExists;
    if (!anyExists && !found.isEmpty())
        g_SharedValue.addState(
            PhotoType, OCSharedValue::PluginSelectionChecked, OCSharedValue::PluginState);
}
