// Selection: the selection status the host sees, and the select-all and
// select-none commands.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>

#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"

namespace {

bool listingRuns()
{
    return g_SharedValue.hasProcessState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing);
}

} // namespace

QModelIndexList PhotoItemViewWidget::selectedRowIndexes(const QAbstractItemView* view)
{
    return SelectionStatus::selectedRows(view);
}

void PhotoItemViewWidget::on_selection_Changed(const QItemSelection&, const QItemSelection&)
{
    QAbstractItemView* view = viewOf(Current);
    if (view && view->model())
        StartSelectionCheck(m_status->update(GetViewMode(true)));
}

void PhotoItemViewWidget::on_changed_items()
{
    QAbstractItemView* view = viewOf(Current);
    if (!view || !view->model())
        return;
    SetViewMode(GetViewMode(true), false);
    if (!parentVisible())
        return;
    m_status->showSelection();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    m_status->updateHasRows();
}

void PhotoItemViewWidget::on_statusbar_finish()
{
    if (listingRuns())
        m_status->showText(GetQString(tr("Loading...")));
    else if (!hostTransferRunning(
                 OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB))
        on_changed_items();
}

void PhotoItemViewWidget::on_make_selections()
{
    QAbstractItemView* view = viewOf(Current);
    if (!view)
        return;
    view->clearSelection();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    view->scrollToTop();
}

void PhotoItemViewWidget::on_selectall()
{
    QAbstractItemView* view = viewOf(Current);
    if (m_model && parentVisible() && !viewerOpen() && view)
        view->selectAll();
}

void PhotoItemViewWidget::on_selectnone()
{
    QAbstractItemView* view = viewOf(Current);
    if (m_model && parentVisible() && !viewerOpen() && view)
        view->clearSelection();
}
