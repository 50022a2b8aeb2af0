#include "screen/viewplace.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QItemSelectionModel>
#include <QSet>

#include "model/photoroles.h"

namespace {

// The index of a source row as the view's model (a chain of proxies) has it.
QModelIndex indexInView(const QAbstractItemView* view, const QAbstractItemModel* source, int row)
{
    const QAbstractItemModel* viewModel = view->model();
    QList<const QAbstractProxyModel*> proxies;
    while (viewModel && viewModel != source) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(viewModel);
        if (!proxy)
            return QModelIndex();
        proxies.prepend(proxy);
        viewModel = proxy->sourceModel();
    }
    if (!viewModel)
        return QModelIndex();
    QModelIndex index = source->index(row, 0);
    for (const QAbstractProxyModel* proxy : qAsConst(proxies))
        index = proxy->mapFromSource(index);
    return index;
}

} // namespace

ViewPlace ViewPlace::of(const QAbstractItemView* view, const QModelIndexList& rows)
{
    ViewPlace place;
    if (!view)
        return place;
    for (const QModelIndex& index : rows)
        place.m_selection.append(index.data(PhotoRole::PathRole).toString());
    place.m_top = view->indexAt(QPoint(1, 1)).data(PhotoRole::PathRole).toString();
    return place;
}

void ViewPlace::restoreIn(QAbstractItemView* view) const
{
    QAbstractItemModel* model = view ? view->model() : nullptr;
    QItemSelectionModel* selection = view ? view->selectionModel() : nullptr;
    if (!model || !selection)
        return;
    QSet<QString> wanted;
    for (const QString& path : m_selection)
        wanted.insert(path.toUpper());
    const QString top = m_top.toUpper();
    QItemSelection rows;
    QModelIndex first;
    QModelIndex topIndex;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        const QString path = index.data(PhotoRole::PathRole).toString().toUpper();
        if (wanted.contains(path)) {
            rows.select(index, index);
            first = first.isValid() ? first : index;
        }
        if (!top.isEmpty() && path == top)
            topIndex = index;
    }
    if (first.isValid()) {
        selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    if (topIndex.isValid())
        view->scrollTo(topIndex, QAbstractItemView::PositionAtTop);
    else if (first.isValid())
        view->scrollTo(first);
}

bool ViewPlace::showRow(QAbstractItemView* view, const QAbstractItemModel* source, int row)
{
    if (!view || !source || row < 0)
        return false;
    const QModelIndex index = indexInView(view, source, row);
    if (!index.isValid())
        return false;
    view->scrollTo(index);
    if (QItemSelectionModel* selection = view->selectionModel())
        selection->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}
