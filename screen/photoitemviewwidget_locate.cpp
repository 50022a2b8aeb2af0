// Missing files: the work is LocateOperation's; the screen holds its insert
// threads back while rows are relinked, and lists the located files.
#include "screen/photoitemviewwidget.h"

#include "model/ocmodelinsertthread.h"

bool PhotoItemViewWidget::SetFileLocate(const QModelIndex& index)
{
    return m_locate->locate(index);
}

bool PhotoItemViewWidget::on_check_file_exist(const QModelIndex& index)
{
    return m_locate->checkRow(index);
}

void PhotoItemViewWidget::StartSelectionCheck(const QModelIndexList& indexes)
{
    m_locate->checkSelection(indexes);
}

void PhotoItemViewWidget::pauseInsertThreads(bool paused)
{
    OCModelInsertThread* thread = m_listings->insertThread();
    if (thread && thread->isRunning())
        thread->pause(paused);
    m_transfers->pauseUploadedItems(paused);
}

void PhotoItemViewWidget::listLocatedFiles(const QStringList& files)
{
    LoadItems(files);
    start_thumbnail_thread();
    m_status->updateHasRows();
    ApplyCurrentSort();
}
