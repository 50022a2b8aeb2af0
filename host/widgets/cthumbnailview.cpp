// Layout and geometry of the thumbnail grid: blocks of rows on a grid, and
// the item-view questions (where is a row, which row is here, where does
// the cursor go, what does a rubber band touch) answered from them.

#include "cthumbnailview.h"

#include <QPixmapCache>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

#include "host/services/logcategories.h"

namespace {
// Space kept below the last grid row so it does not touch the view's edge.
const int BottomMargin = 12;
const int DefaultMargin = 13;
const int FrameMilliseconds = 16;
const int NameGap = 4;
} // namespace

CThumbnailView::CThumbnailView(ITEM_TYPE itemType, QWidget* parent)
    : QListView(parent)
    , m_itemType(itemType)
{
    setViewMode(IconMode);
    // This view places the items; QListView must not move them around.
    setMovement(Static);
    setResizeMode(Adjust);
    setUniformItemSizes(true);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setDragDropMode(DragDrop);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDefaultDropAction(Qt::CopyAction);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    setIconSize(QSize(131, 107));
    setGridSize(QSize(156, 142));
    setSpacing(14);

    // A screen of large thumbnails must fit, or scrolling would rescale them.
    if (QPixmapCache::cacheLimit() < 32 * 1024)
        QPixmapCache::setCacheLimit(32 * 1024);

    m_placeholder = QPixmap(QStringLiteral(":/Image/photo/photo_thumbnail_photo_icon_73x73.png"));
    m_broken = QPixmap(QStringLiteral(":/Image/photo/photo_thumbnail_broken_03.png"));
    m_newMark = QPixmap(QStringLiteral(":/Image/common/3.Body/common_thumbnail_new_mark.png"));
    m_selectedMark = QPixmap(
        QStringLiteral(":/Image/common/8.CheckRadio/thumbnailview_checkbox02_normal.png"));
}

CThumbnailView::~CThumbnailView() = default;

void CThumbnailView::setDropVisible(bool visible)
{
    if (m_dropVisible == visible)
        return;
    m_dropVisible = visible;
    viewport()->update();
}

void CThumbnailView::setNameColumn(int column)
{
    m_nameColumn = column;
    viewport()->update();
}

void CThumbnailView::setModel(QAbstractItemModel* newModel)
{
    if (newModel == model())
        return;
    if (QAbstractItemModel* old = model()) {
        disconnect(old, &QAbstractItemModel::rowsRemoved, this, &CThumbnailView::scheduleLayout);
        disconnect(old, &QAbstractItemModel::rowsMoved, this, &CThumbnailView::scheduleLayout);
        disconnect(old, &QAbstractItemModel::layoutChanged, this, &CThumbnailView::scheduleLayout);
    }
    m_hoverRow = -1;
    m_band = QRect();
    QListView::setModel(newModel);
    if (newModel) {
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, &CThumbnailView::scheduleLayout);
        connect(newModel, &QAbstractItemModel::rowsMoved, this, &CThumbnailView::scheduleLayout);
        connect(
            newModel, &QAbstractItemModel::layoutChanged, this, &CThumbnailView::scheduleLayout);
    }
    scheduleLayout();
}

int CThumbnailView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex CThumbnailView::indexOfRow(int row) const
{
    if (!model() || row < 0 || row >= rowCount())
        return QModelIndex();
    return model()->index(row, modelColumn(), rootIndex());
}

QSize CThumbnailView::cellSize() const
{
    const QSize grid = gridSize();
    const QSize icon = iconSize();
    const int w = grid.width() > 0 ? grid.width() : icon.width() + spacing();
    const int h = grid.height() > 0 ? grid.height() : icon.height() + spacing();
    return QSize(qMax(1, w), qMax(1, h));
}

QSize CThumbnailView::itemSize() const
{
    const QSize cell = cellSize();
    const QSize icon = iconSize().isValid() ? iconSize() : cell;
    return QSize(qBound(1, icon.width(), cell.width()), qBound(1, icon.height(), cell.height()));
}

int CThumbnailView::columnsFor(int width, int cellWidth)
{
    if (cellWidth <= 0 || width <= 0)
        return 1;
    return qMax(1, width / cellWidth);
}

// ---- layout -------------------------------------------------------------

void CThumbnailView::scheduleLayout()
{
    m_layoutPending = true;
    startFrameTimer();
}

void CThumbnailView::startFrameTimer()
{
    // One layout and one repaint per frame however many rows arrive in it.
    if (!m_layoutTimer.isActive())
        m_layoutTimer.start(FrameMilliseconds, this);
}

void CThumbnailView::ensureLayout() const
{
    if (m_layoutPending && !m_inLayout)
        const_cast<CThumbnailView*>(this)->runLayout(LayoutOnDemand);
}

void CThumbnailView::runLayout(LayoutCause cause)
{
    m_layoutPending = false;
    m_inLayout = true;
    layoutItems();
    m_inLayout = false;
    if (cause == LayoutNow) {
        m_geometryPending = false;
        m_repaintPending = false;
        updateGeometries();
        viewport()->update();
        return;
    }
    // A layout a paint or a question asked for must not repaint at once:
    // that paint would find the next row's layout pending, lay out and
    // repaint again, once per row. The screen catches up at the next frame;
    // a paint already shows the new positions and leaves the scroll bars,
    // which may scroll the viewport, until after it.
    if (m_inPaint) {
        m_geometryPending = true;
    } else {
        updateGeometries();
        m_repaintPending = true;
    }
    startFrameTimer();
}

void CThumbnailView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_layoutTimer.timerId()) {
        QListView::timerEvent(event);
        return;
    }
    m_layoutTimer.stop();
    if (m_layoutPending) {
        // A hidden view keeps the layout pending until it is shown or asked.
        if (isVisible())
            runLayout(LayoutNow);
        return;
    }
    if (m_geometryPending) {
        m_geometryPending = false;
        updateGeometries();
    }
    if (m_repaintPending) {
        m_repaintPending = false;
        viewport()->update();
    }
}

void CThumbnailView::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    scheduleLayout();
}

void CThumbnailView::resizeEvent(QResizeEvent* event)
{
    // QListView would start its own delayed per-item layout here.
    QAbstractItemView::resizeEvent(event);
    scheduleLayout();
}

void CThumbnailView::doItemsLayout()
{
    runLayout(LayoutNow);
    QAbstractItemView::doItemsLayout();
}

void CThumbnailView::layoutItems()
{
    const int rows = rowCount();
    QVector<ItemBlock> blocks;
    if (rows > 0) {
        const int usable = viewport()->width() - 2 * DefaultMargin;
        blocks.append({ 0, rows, QPoint(DefaultMargin, BottomMargin),
            columnsFor(usable, cellSize().width()) });
    }
    setItemBlocks(blocks);
}

void CThumbnailView::setItemBlocks(const QVector<ItemBlock>& blocks)
{
    const int rows = rowCount();
    m_blocks.clear();
    m_blocks.reserve(blocks.size());
    int nextRow = 0;
    int nextTop = std::numeric_limits<int>::min();
    for (ItemBlock block : blocks) {
        // Blocks must follow each other in row order and downwards; a block
        // that breaks the order or lies beyond the rows is dropped.
        block.columns = qMax(1, block.columns);
        block.count = qMin(block.count, rows - block.firstRow);
        if (block.firstRow < nextRow || block.count <= 0 || block.origin.y() < nextTop) {
            qCWarning(lcHost) << "CThumbnailView::setItemBlocks"
                              << ": block dropped" << block.firstRow << block.count;
            continue;
        }
        m_blocks.append(block);
        nextRow = block.firstRow + block.count;
        nextTop = blockBottom(block);
    }
    const int height = m_blocks.isEmpty() ? 0 : blockBottom(m_blocks.last()) + BottomMargin;
    m_contentsSize = QSize(viewport()->width(), height);
}

QVector<CThumbnailView::ItemBlock> CThumbnailView::itemBlocks() const
{
    ensureLayout();
    return m_blocks;
}

QSize CThumbnailView::layoutSize() const
{
    ensureLayout();
    return m_contentsSize;
}

int CThumbnailView::blockBottom(const ItemBlock& block) const
{
    const int lines = (block.count + block.columns - 1) / block.columns;
    return block.origin.y() + lines * cellSize().height();
}

int CThumbnailView::blockOfRow(int row) const
{
    auto it = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), row,
        [](int r, const ItemBlock& block) { return r < block.firstRow; });
    if (it == m_blocks.cbegin())
        return -1;
    --it;
    if (row >= it->firstRow + it->count)
        return -1;
    return int(it - m_blocks.cbegin());
}

int CThumbnailView::firstBlockBelow(int contentsY) const
{
    auto it = std::partition_point(m_blocks.cbegin(), m_blocks.cend(),
        [this, contentsY](const ItemBlock& b) { return blockBottom(b) <= contentsY; });
    return int(it - m_blocks.cbegin());
}

// ---- geometry -------------------------------------------------------------

QRect CThumbnailView::contentsRect(int row) const
{
    ensureLayout();
    if (row < 0 || row >= rowCount())
        return QRect();
    const int b = blockOfRow(row);
    if (b < 0)
        return QRect();
    const ItemBlock& block = m_blocks.at(b);
    const int i = row - block.firstRow;
    const QSize cell = cellSize();
    const QPoint topLeft = block.origin
        + QPoint((i % block.columns) * cell.width(), (i / block.columns) * cell.height());
    return QRect(topLeft, itemSize());
}

QRect CThumbnailView::toViewport(const QRect& contents) const
{
    if (contents.isNull())
        return contents;
    QRect rect = contents.translated(-horizontalOffset(), -verticalOffset());
    if (isRightToLeft())
        rect.moveLeft(viewport()->width() - contents.x() - contents.width());
    return rect;
}

QPoint CThumbnailView::toContents(const QPoint& point) const
{
    const int x = isRightToLeft() ? viewport()->width() - 1 - point.x() : point.x();
    return QPoint(x + horizontalOffset(), point.y() + verticalOffset());
}

QRect CThumbnailView::withNameSpan(const QRect& item) const
{
    if (item.isNull())
        return item;
    // The gap to the next picture belongs to the name as well, less a
    // little air between two names.
    const int extra = qMax(0, cellSize().width() - NameGap - item.width());
    return item.adjusted(-extra / 2, 0, extra - extra / 2, 0);
}

QRect CThumbnailView::paintedRect(int row) const
{
    return withNameSpan(toViewport(contentsRect(row)));
}

int CThumbnailView::rowAtContents(const QPoint& point) const
{
    ensureLayout();
    const int b = firstBlockBelow(point.y());
    if (b >= m_blocks.size())
        return -1;
    const ItemBlock& block = m_blocks.at(b);
    const QPoint local = point - block.origin;
    if (local.x() < 0 || local.y() < 0)
        return -1;
    const QSize cell = cellSize();
    const QSize item = itemSize();
    const int col = local.x() / cell.width();
    const int line = local.y() / cell.height();
    if (col >= block.columns || local.x() - col * cell.width() >= item.width()
        || local.y() - line * cell.height() >= item.height())
        return -1;
    const int i = line * block.columns + col;
    return i < block.count ? block.firstRow + i : -1;
}

int CThumbnailView::nearestRow(const QPoint& point) const
{
    ensureLayout();
    if (m_blocks.isEmpty())
        return -1;
    const int b = firstBlockBelow(point.y());
    if (b >= m_blocks.size()) {
        const ItemBlock& last = m_blocks.last();
        return last.firstRow + last.count - 1;
    }
    const ItemBlock& block = m_blocks.at(b);
    const QSize cell = cellSize();
    const int lines = (block.count + block.columns - 1) / block.columns;
    const int line = qBound(0, (point.y() - block.origin.y()) / cell.height(), lines - 1);
    const int col = qBound(0, (point.x() - block.origin.x()) / cell.width(), block.columns - 1);
    return block.firstRow + qMin(line * block.columns + col, block.count - 1);
}

void CThumbnailView::visibleRows(int* first, int* last) const
{
    ensureLayout();
    *first = -1;
    *last = -2;
    const int top = verticalOffset();
    const int bottom = top + viewport()->height();
    const int b = firstBlockBelow(top);
    if (b >= m_blocks.size() || viewport()->height() <= 0)
        return;
    auto end = std::partition_point(m_blocks.cbegin() + b, m_blocks.cend(),
        [bottom](const ItemBlock& block) { return block.origin.y() < bottom; });
    const int e = int(end - m_blocks.cbegin()) - 1;
    if (e < b)
        return;
    const QSize cell = cellSize();
    const ItemBlock& head = m_blocks.at(b);
    const int firstLine = qMax(0, (top - head.origin.y()) / cell.height());
    *first = head.firstRow + qMin(firstLine * head.columns, head.count - 1);
    const ItemBlock& tail = m_blocks.at(e);
    const int lines = (tail.count + tail.columns - 1) / tail.columns;
    const int lastLine = qBound(0, (bottom - 1 - tail.origin.y()) / cell.height(), lines - 1);
    *last = tail.firstRow + qMin((lastLine + 1) * tail.columns, tail.count) - 1;
}

QRect CThumbnailView::visualRect(const QModelIndex& index) const
{
    // Any column of a row answers with the row's rectangle: the screen
    // hands the views indexes of several columns.
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex())
        return QRect();
    return toViewport(contentsRect(index.row()));
}

QModelIndex CThumbnailView::indexAt(const QPoint& point) const
{
    return indexOfRow(rowAtContents(toContents(point)));
}

void CThumbnailView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model())
        return;
    const QRect rect = contentsRect(index.row());
    if (rect.isNull())
        return;
    const int top = verticalOffset();
    const int height = viewport()->height();
    int value = top;
    switch (hint) {
    case EnsureVisible:
        if (rect.top() < top)
            value = rect.top() - BottomMargin;
        else if (rect.bottom() >= top + height)
            value = rect.bottom() + 1 - height + BottomMargin;
        break;
    case PositionAtTop:
        value = rect.top();
        break;
    case PositionAtBottom:
        value = rect.bottom() + 1 - height;
        break;
    case PositionAtCenter:
        value = rect.center().y() - height / 2;
        break;
    }
    verticalScrollBar()->setValue(value);
}

void CThumbnailView::updateGeometries()
{
    m_geometryPending = false;
    ensureLayout();
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(qMax(1, cellSize().height() / 3));
    bar->setPageStep(qMax(1, height));
    bar->setRange(0, qMax(0, m_contentsSize.height() - height));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

int CThumbnailView::horizontalOffset() const
{
    return 0;
}

int CThumbnailView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool CThumbnailView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void CThumbnailView::reset()
{
    m_hoverRow = -1;
    m_band = QRect();
    QAbstractItemView::reset();
    scheduleLayout();
}

void CThumbnailView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    // QListView would throw its whole item layout away for every row.
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent == rootIndex())
        scheduleLayout();
}

void CThumbnailView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    if (parent == rootIndex()) {
        m_hoverRow = -1;
        scheduleLayout();
    }
}

void CThumbnailView::dataChanged(
    const QModelIndex& topLeft, const QModelIndex& bottomRight, const QVector<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}
