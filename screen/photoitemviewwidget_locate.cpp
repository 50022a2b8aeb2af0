// Existence of files: the cached flag of each row and the background check
// of the selection; locating a missing file is LocateOperation's.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/selectionchecker.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

void pauseThread(OCModelInsertThread* thread, bool paused)
{
    if (thread && thread->isRunning())
        thread->pause(paused);
}

} // namespace

bool PhotoItemViewWidget::SetFileLocate(const QModelIndex& index)
{
    return m_locate->locate(index);
}

bool PhotoItemViewWidget::checkFileExist(const QModelIndex& index, bool ask)
{
    return m_locate->checkExists(index, ask);
}

void PhotoItemViewWidget::pauseInsertThreads(bool paused)
{
    pauseThread(m_listings->insertThread(), paused);
    m_transfers->pauseUploadedItems(paused);
}

void PhotoItemViewWidget::listLocatedFiles(const QStringList& files)
{
    LoadItems(files);
    start_thumbnail_thread();
    UpdateViewHasRows();
    ApplyCurrentSort();
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
