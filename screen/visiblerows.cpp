#include "screen/visiblerows.h"

#include <QAbstractItemView>
#include <QListView>

#include "host/services/ocsharedvalue.h"

QModelIndexList visibleRows(QAbstractItemView* view, bool table)
{
    QModelIndexList indexes;
    const QRect viewport = view ? view->viewport()->rect() : QRect();
    if (!view || !view->model() || !viewport.isValid())
        return indexes;
    QModelIndex first;
    if (table) {
        first = view->indexAt(viewport.topLeft());
    } else {
        // Walk down the diagonal until a cell is hit, from the side the
        // layout starts on.
        const auto* list = qobject_cast<QListView*>(view);
        const int step = qMax(1, list ? list->spacing() : 1);
        const bool rtl = g_SharedValue.IsRTL();
        QPoint point = rtl ? viewport.topRight() : viewport.topLeft();
        const QPoint delta(rtl ? -step : step, step);
        while (viewport.contains(point) && !first.isValid()) {
            first = view->indexAt(point);
            point += delta;
        }
    }
    for (QModelIndex index = first; index.isValid() && view->visualRect(index).intersects(viewport);
         index = index.sibling(index.row() + 1, index.column()))
        indexes.append(index);
    return indexes;
}
