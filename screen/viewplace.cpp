#include "screen/viewplace.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QSet>

#include "model/photoroles.h"

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
