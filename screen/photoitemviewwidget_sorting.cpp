// Sort and search: the view settings of the pages, the new-first order and
// the host's search box.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QScrollBar>

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/sortsearchcontrol.h"
#include "model/photoroles.h"
#include "viewer/photoviewerwidget.h"

void PhotoItemViewWidget::ApplyCurrentSort()
{
    const int mode = GetViewMode(true);
    if (viewerOpen())
        m_viewer->SetSortOrder(GetSortColumn(mode), GetSortOrder(mode));
    else
        ApplySort(mode, GetSortColumn(mode), GetSortOrder(mode));
}

void PhotoItemViewWidget::on_sort_changed(int logicalIndex, Qt::SortOrder order)
{
    if (parentVisible())
        m_settings->headerSorted(currentIndex(), logicalIndex, order);
}

void PhotoItemViewWidget::on_textChanged_Search(const QString& text)
{
    QAbstractItemView* view = viewOf(Current);
    if (!parentVisible() || !view || !view->model())
        return;
    SortSearchControl::GetSortSearchControl()->DoSearch(text, m_sortSearchId);
    m_status->showSelection();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    m_status->updateHasRows();
    ApplyCurrentSort();
}

int PhotoItemViewWidget::ScrollValue(int mode) const
{
    QAbstractItemView* view = viewOf(mode);
    return view ? view->verticalScrollBar()->value() : 0;
}

void PhotoItemViewWidget::SetScrollValue(int mode, int value)
{
    if (QAbstractItemView* view = viewOf(mode))
        view->verticalScrollBar()->setValue(value);
}
