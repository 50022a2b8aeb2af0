// Keyboard movement, selection, hover, rubber band, drag and drop of the
// thumbnail grid.

#include "cthumbnailview.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

#include "host/services/logcategories.h"

namespace {
// Division that rounds towards minus infinity, for coordinates left of or
// above a block's origin.
int floorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
} // namespace

// ---- cursor movement ------------------------------------------------------

int CThumbnailView::rowAbove(int row) const
{
    const int b = blockOfRow(row);
    if (b < 0)
        return row - 1;
    const ItemBlock& block = m_blocks.at(b);
    const int i = row - block.firstRow;
    const int col = i % block.columns;
    if (i >= block.columns)
        return row - block.columns;
    if (b == 0)
        return row;
    // Into the last grid row of the block above, same column or its end.
    const ItemBlock& above = m_blocks.at(b - 1);
    const int lastLineStart = ((above.count - 1) / above.columns) * above.columns;
    return above.firstRow + qMin(lastLineStart + col, above.count - 1);
}

int CThumbnailView::rowBelow(int row) const
{
    const int b = blockOfRow(row);
    if (b < 0)
        return row + 1;
    const ItemBlock& block = m_blocks.at(b);
    const int i = row - block.firstRow;
    const int col = i % block.columns;
    const int nextLineStart = (i / block.columns + 1) * block.columns;
    if (nextLineStart < block.count)
        return block.firstRow + qMin(nextLineStart + col, block.count - 1);
    if (b + 1 >= m_blocks.size())
        return row;
    const ItemBlock& below = m_blocks.at(b + 1);
    return below.firstRow + qMin(col, qMin(below.columns, below.count) - 1);
}

int CThumbnailView::rowAtVerticalDistance(int row, int distance) const
{
    const QRect rect = contentsRect(row);
    if (rect.isNull())
        return row;
    return nearestRow(rect.center() + QPoint(0, distance));
}

QModelIndex CThumbnailView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    ensureLayout();
    const int rows = rowCount();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.row() >= rows) {
        int first = 0;
        int last = 0;
        visibleRows(&first, &last);
        return indexOfRow(qMax(0, first));
    }
    int row = current.row();
    switch (action) {
    case MoveLeft:
        row += isRightToLeft() ? 1 : -1;
        break;
    case MoveRight:
        row += isRightToLeft() ? -1 : 1;
        break;
    case MovePrevious:
        row -= 1;
        break;
    case MoveNext:
        row += 1;
        break;
    case MoveUp:
        row = rowAbove(row);
        break;
    case MoveDown:
        row = rowBelow(row);
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MovePageUp:
        row = rowAtVerticalDistance(row, -viewport()->height());
        break;
    case MovePageDown:
        row = rowAtVerticalDistance(row, viewport()->height());
        break;
    }
    return indexOfRow(qBound(0, row, rows - 1));
}

// ---- selection --------------------------------------------------------------

void CThumbnailView::selectAll()
{
    if (!model() || !selectionModel())
        return;
    if (selectionMode() == SingleSelection || selectionMode() == NoSelection)
        return;
    const int rows = rowCount();
    const int columns = model()->columnCount(rootIndex());
    if (rows <= 0 || columns <= 0)
        return;
    const QItemSelection all(
        model()->index(0, 0, rootIndex()), model()->index(rows - 1, columns - 1, rootIndex()));
    selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void CThumbnailView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel())
        return;
    ensureLayout();
    if (selectionBehavior() == SelectRows)
        command |= QItemSelectionModel::Rows;

    QItemSelection selection;
    auto addRows = [&](int first, int last) {
        if (first > last)
            return;
        if (!selection.isEmpty() && selection.last().bottom() + 1 == first) {
            // Grid rows that follow each other make one range.
            const QItemSelectionRange previous = selection.takeLast();
            selection.append(QItemSelectionRange(previous.topLeft(), indexOfRow(last)));
        } else {
            selection.append(QItemSelectionRange(indexOfRow(first), indexOfRow(last)));
        }
    };

    if (state() == DragSelectingState) {
        // Rubber band: every item the band touches.
        const QPoint a = toContents(rect.topLeft());
        const QPoint b = toContents(rect.bottomRight());
        const QRect band = QRect(a, b).normalized();
        const QSize cell = cellSize();
        const QSize item = itemSize();
        for (int k = firstBlockBelow(band.top()); k < m_blocks.size(); ++k) {
            const ItemBlock& block = m_blocks.at(k);
            if (block.origin.y() > band.bottom())
                break;
            const int lines = (block.count + block.columns - 1) / block.columns;
            // Lines and columns whose item rectangle meets the band.
            const QPoint top = band.topLeft() - block.origin;
            const QPoint bottom = band.bottomRight() - block.origin;
            const int lineFirst = qMax(0, floorDiv(top.y() - item.height(), cell.height()) + 1);
            const int lineLast = qMin(lines - 1, floorDiv(bottom.y(), cell.height()));
            const int colFirst = qMax(0, floorDiv(top.x() - item.width(), cell.width()) + 1);
            const int colLast = qMin(block.columns - 1, floorDiv(bottom.x(), cell.width()));
            for (int line = lineFirst; line <= lineLast; ++line) {
                const int first = line * block.columns + colFirst;
                const int last = qMin(line * block.columns + colLast, block.count - 1);
                addRows(block.firstRow + first, block.firstRow + last);
            }
        }
    } else if (rect.width() == 1 && rect.height() == 1) {
        const int row = rowAtContents(toContents(rect.topLeft()));
        if (row >= 0)
            addRows(row, row);
    } else {
        // Keyboard or shift-click: every row from the anchor to the target.
        const int from = nearestRow(toContents(rect.topLeft()));
        const int to = nearestRow(toContents(rect.bottomRight()));
        if (from >= 0 && to >= 0)
            addRows(qMin(from, to), qMax(from, to));
    }
    selectionModel()->select(selection, command);
}

QRegion CThumbnailView::visualRegionForSelection(const QItemSelection& selection) const
{
    int first = 0;
    int last = 0;
    visibleRows(&first, &last);
    QRegion region;
    if (first < 0)
        return region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex())
            continue;
        const int top = qMax(range.top(), first);
        const int bottom = qMin(range.bottom(), last);
        for (int row = top; row <= bottom; ++row)
            region += paintedRect(row);
    }
    return region;
}

// ---- mouse ------------------------------------------------------------------

void CThumbnailView::setHoverRow(int row)
{
    if (row == m_hoverRow)
        return;
    const QRect before = paintedRect(m_hoverRow);
    m_hoverRow = row;
    viewport()->update(before);
    viewport()->update(paintedRect(row));
}

bool CThumbnailView::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        setHoverRow(rowAtContents(toContents(static_cast<QHoverEvent*>(event)->pos())));
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHoverRow(-1);
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

void CThumbnailView::mousePressEvent(QMouseEvent* event)
{
    m_bandOrigin = toContents(event->pos());
    m_band = QRect();
    QListView::mousePressEvent(event);
}

void CThumbnailView::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    if (state() != DragSelectingState || selectionMode() == SingleSelection
        || selectionMode() == NoSelection)
        return;
    const QRect band = QRect(m_bandOrigin, toContents(event->pos())).normalized();
    viewport()->update(toViewport(band.united(m_band)).adjusted(-2, -2, 2, 2));
    m_band = band;
}

void CThumbnailView::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    if (!m_band.isNull()) {
        viewport()->update(toViewport(m_band).adjusted(-2, -2, 2, 2));
        m_band = QRect();
    }
}

void CThumbnailView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    emit on_signal_start_thumbLoad();
}

// ---- drag and drop ----------------------------------------------------------

Qt::DropAction CThumbnailView::execDrag(
    QDrag* drag, Qt::DropActions supportedActions, Qt::DropAction defaultAction)
{
    return drag->exec(supportedActions, defaultAction);
}

void CThumbnailView::startDrag(Qt::DropActions supportedActions)
{
    if (!model())
        return;
    QModelIndexList indexes;
    const QModelIndexList selected = selectedIndexes();
    for (const QModelIndex& index : selected) {
        if (model()->flags(index) & Qt::ItemIsDragEnabled)
            indexes.append(index);
    }
    if (indexes.isEmpty())
        return;
    QMimeData* data = model()->mimeData(indexes);
    if (!data) {
        qCWarning(lcHost) << "CThumbnailView::startDrag"
                          << ": no drag data" << indexes.size();
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QPixmap picture = dragPixmap(indexes);
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    Qt::DropAction defaultAction = defaultDropAction();
    if (defaultAction == Qt::IgnoreAction || !(supportedActions & defaultAction))
        defaultAction = (supportedActions & Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
    execDrag(drag, supportedActions, defaultAction);
}

bool CThumbnailView::canAcceptDrop(const QDropEvent* event) const
{
    if (!model() || event->source() == this || !event->mimeData())
        return false;
    if (!(event->possibleActions() & Qt::CopyAction))
        return false;
    return model()->canDropMimeData(event->mimeData(), Qt::CopyAction, -1, -1, rootIndex());
}

void CThumbnailView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!canAcceptDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropVisible(true);
}

void CThumbnailView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!canAcceptDrop(event)) {
        event->ignore();
        setDropVisible(false);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropVisible(true);
    const int margin = autoScrollMargin();
    const int y = event->pos().y();
    if (y < margin || y > viewport()->height() - margin)
        startAutoScroll();
}

void CThumbnailView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropVisible(false);
    QAbstractItemView::dragLeaveEvent(event);
}

void CThumbnailView::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    setDropVisible(false);
    if (!canAcceptDrop(event)) {
        event->ignore();
        return;
    }
    // The screen hands the data to the model; the view only reports the drop.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit on_signal_drop_event(event);
}
