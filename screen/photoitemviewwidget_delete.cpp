// Deleting the selection from the phone: the work is DeleteOperation's; the
// screen holds its own work back meanwhile and brings its pages in line.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>

#include "host/services/logcategories.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/livewidget.h"

void PhotoItemViewWidget::DeleteCallback(
    int error, int nCurThreadID, QString strCurDeletePath, QString strReserved)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        screen->on_delete_callback(error, nCurThreadID, strCurDeletePath, strReserved);
}

void PhotoItemViewWidget::OnDelete(bool confirm)
{
    m_delete->start(m_status->selectedPaths(false), confirm);
}

void PhotoItemViewWidget::on_delete_callback(
    int error, int nCurThreadID, const QString& strCurDeletePath, const QString&)
{
    m_delete->report(error, nCurThreadID, strCurDeletePath);
}

void PhotoItemViewWidget::on_complete_delete_file(int error, int threadID)
{
    if (m_mediaList)
        m_delete->complete(error, threadID);
}

void PhotoItemViewWidget::holdWorkForDelete()
{
    on_pause_patialloading();
    stop_thumbnail_thread();
    m_locate->cancelSelectionCheck();
    m_loading->ShowLoadingWidget();
    pauseInsertThreads(true);
    qCDebug(lcScreen) << "PhotoItemViewWidget::holdWorkForDelete: other work waits";
}

void PhotoItemViewWidget::removeDeletedRows(const QStringList& gone)
{
    const int page = currentIndex();
    const int scroll = viewOf(Current) ? ScrollValue(Current) : 0;
    if (m_model) {
        QStringList removed = gone;
        m_mediaList->removeItems(removed);
        m_model->SetItems(-1, m_mediaList->allItems());
    }
    HideLoadingIndicators();
    on_changed_items();
    ApplyCurrentSort();
    start_thumbnail_thread();
    if (page == AlbumMode)
        SetScrollValue(Current, scroll);
}
