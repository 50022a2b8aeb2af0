#pragma once

#include <QModelIndexList>

class QAbstractItemView;

// The rows of a view from the first visible one while they are visible.
// table: the view is a table; otherwise a grid with gaps between its cells.
QModelIndexList visibleRows(QAbstractItemView* view, bool table);
