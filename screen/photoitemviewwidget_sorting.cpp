// Sort and search: the sort kept per view mode, the column layout of the
// two tables as the settings store it, and the host's search box.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/sortsearch/sortsearchcontrol.h"
#include "host/widgets/cexttableview.h"
#include "model/photoroles.h"
#include "thumbview/albumviewwidget.h"
#include "viewer/photoviewerwidget.h"

namespace {

// The settings cover logical columns 0 to 13; column 14 is not stored.
const int StoredColumns = 14;
const int MaxColumnWidth = 4000;

bool hasSortSettings(int mode)
{
    return mode == PhotoItemViewWidget::ListMode || mode == PhotoItemViewWidget::ThumbListMode
        || mode == PhotoItemViewWidget::AlbumMode || mode == PhotoItemViewWidget::NoPage;
}

// A header with every stored column, or null.
QHeaderView* storedHeader(CExtTableView* table)
{
    QHeaderView* header = table ? table->horizontalHeader() : nullptr;
    return header && header->count() >= StoredColumns ? header : nullptr;
}

// Part i of a settings string as a number in [0, limit); -1 when it is not.
int numberAt(const QStringList& parts, int i, int limit)
{
    bool ok = false;
    const int value = parts.at(i).trimmed().toInt(&ok);
    return ok && value >= 0 && value < limit ? value : -1;
}

} // namespace

int PhotoItemViewWidget::DefaultSortColumn(int mode)
{
    return mode == AlbumMode ? int(PhotoColumn::DateTaken) : int(PhotoColumn::Name);
}

void PhotoItemViewWidget::SetSortInfo(int mode, int column, int order)
{
    if (!hasSortSettings(mode))
        return;
    m_prevSortColumn[mode] = PhotoColumn::Path;
    m_prevSortOrder[mode] = Qt::AscendingOrder;
    // A damaged setting may name any number; a table also refuses a hidden column.
    const CExtTableView* table = tableOf(mode);
    if (column < 0 || column >= PhotoColumn::Count || (table && table->isColumnHidden(column))) {
        column = DefaultSortColumn(mode);
        order = Qt::AscendingOrder;
    }
    m_sortColumn[mode] = column;
    m_sortOrder[mode] = order == Qt::DescendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}

int PhotoItemViewWidget::GetSortColumn(int mode) const
{
    return hasSortSettings(mode) ? m_sortColumn.value(mode, DefaultSortColumn(mode)) : -1;
}

int PhotoItemViewWidget::GetSortOrder(int mode) const
{
    return hasSortSettings(mode) ? m_sortOrder.value(mode, Qt::AscendingOrder) : -1;
}

QString PhotoItemViewWidget::GetColumnList(int mode) const
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header)
        return QString();
    QStringList parts;
    for (int column = 0; column < StoredColumns; ++column)
        parts.append(QString::number(header->visualIndex(column)));
    return parts.join(QLatin1Char(','));
}

QString PhotoItemViewWidget::GetColumnWidths(int mode) const
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header)
        return QString();
    QStringList parts;
    for (int column = 0; column < StoredColumns; ++column)
        parts.append(QString::number(header->sectionSize(column)));
    parts.append(QStringLiteral("0"));
    return parts.join(QLatin1Char(','));
}

void PhotoItemViewWidget::SetColumnList(int mode, const QString& text)
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header || text.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(','));
    const int sections = header->count();
    for (int i = 0; i < parts.size() && i < sections; ++i) {
        const int to = numberAt(parts, i, sections);
        if (to < 0) {
            qCDebug(lcScreen) << "PhotoItemViewWidget::SetColumnList : stopped at part" << i
                              << parts.at(i);
            return;
        }
        header->moveSection(header->visualIndex(i), to);
    }
}

void PhotoItemViewWidget::SetColumnWidths(int mode, const QString& text)
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header || text.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(','));
    for (int i = 0; i < parts.size() && i < StoredColumns; ++i) {
        const int width = numberAt(parts, i, MaxColumnWidth + 1);
        if (width < 0) {
            qCDebug(lcScreen) << "PhotoItemViewWidget::SetColumnWidths : stopped at part" << i
                              << parts.at(i);
            return;
        }
        // A list table saved with the existence column pulled out of sight
        // at position i gets that column back at the front.
        if (mode == ListMode && header->logicalIndex(i) == PhotoColumn::Exists
            && header->sectionSize(i) != 0 && width == 0)
            header->moveSection(i, 0);
        if (header->sectionResizeMode(i) != QHeaderView::Fixed)
            header->resizeSection(i, width);
    }
}

int PhotoItemViewWidget::GetThumbSize() const
{
    return m_albumView->GetThumbSize();
}

void PhotoItemViewWidget::SetThumbSize(int size)
{
    m_albumView->SetThumbSize(size);
}

void PhotoItemViewWidget::ApplySort(int mode, int column, int order)
{
    if (mode == AlbumMode) {
        m_albumView->SetSortState(column, order);
        return;
    }
    CExtTableView* table = tableOf(mode);
    if (!table || !table->model())
        return;
    if (column < 0 || column >= PhotoColumn::Count || table->isColumnHidden(column)) {
        column = DefaultSortColumn(mode);
        order = Qt::AscendingOrder;
    }
    // The previous sort first: with stable sorts it orders rows of equal keys.
    const int previous = m_prevSortColumn.value(mode, PhotoColumn::Path);
    const auto previousOrder = Qt::SortOrder(m_prevSortOrder.value(mode, Qt::AscendingOrder));
    const auto sortOrder = order == Qt::DescendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    QHeaderView* header = table->horizontalHeader();
    auto* proxy = qobject_cast<OCSortFilterProxyModel*>(table->model());
    if (!proxy) {
        header->setSortIndicator(previous, previousOrder);
        header->setSortIndicator(column, sortOrder);
        return;
    }
    // The proxy does both sorts in one pass, and none when its rows are in
    // that order already; the header only shows the result.
    {
        const QSignalBlocker quiet(header);
        header->setSortIndicator(column, sortOrder);
    }
    header->viewport()->update();
    proxy->sortSuccessively({ { previous, previousOrder }, { column, sortOrder } });
    SetSortInfo(mode, column, sortOrder);
    if (g_SharedValue.IsDisplayNewIcon() && column != PhotoColumn::NewFirst)
        QTimer::singleShot(0, this, &PhotoItemViewWidget::on_last_sort);
}

void PhotoItemViewWidget::ApplyCurrentSort()
{
    if (viewerOpen()) {
        m_viewer->SetSortOrder(GetSortColumn(m_viewMode), GetSortOrder(m_viewMode));
        return;
    }
    ApplySort(m_viewMode, GetSortColumn(m_viewMode), GetSortOrder(m_viewMode));
}

void PhotoItemViewWidget::on_sort_changed(int logicalIndex, Qt::SortOrder order)
{
    if (!parentVisible())
        return;
    SetSortInfo(currentIndex(), logicalIndex, order);
    if (g_SharedValue.IsDisplayNewIcon() && logicalIndex != PhotoColumn::NewFirst)
        QTimer::singleShot(0, this, &PhotoItemViewWidget::on_last_sort);
}

void PhotoItemViewWidget::on_last_sort()
{
    if (!g_SharedValue.IsDisplayNewIcon() || currentIndex() == AlbumMode)
        return;
    QAbstractItemView* view = viewOf(Current);
    if (view && view->model())
        view->model()->sort(PhotoColumn::NewFirst, Qt::AscendingOrder);
}

void PhotoItemViewWidget::on_sorted_Search(int logicalIndex, Qt::SortOrder)
{
    SetScrollPositionSelectedItem(logicalIndex < 0 ? 0 : logicalIndex);
}

void PhotoItemViewWidget::on_textChanged_Search(const QString& text)
{
    QAbstractItemView* view = viewOf(Current);
    if (!parentVisible() || !view || !view->model())
        return;
    SortSearchControl::GetSortSearchControl()->DoSearch(text, m_sortSearchId);
    UpdateStatusText();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    UpdateViewHasRows();
    ApplyCurrentSort();
}

void PhotoItemViewWidget::SetScrollPositionSelectedItem(int column)
{
    QAbstractItemView* view = viewOf(Current);
    if (!isVisible() || !view || !view->selectionModel())
        return;
    const QModelIndexList selected = selectedRowIndexes(view);
    if (selected.isEmpty())
        return;
    const QModelIndex target = selected.first().sibling(selected.first().row(), column);
    if (!target.isValid())
        return;
    view->scrollTo(target, QAbstractItemView::PositionAtTop);
    qCDebug(lcScreen) << "PhotoItemViewWidget::SetScrollPositionSelectedItem row :" << target.row()
                      << "col : " << column << target.data(PhotoRole::PathRole).toString();
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
