#pragma once

#include "host/contract/ocglobal.h"

#include <QBasicTimer>
#include <QDropEvent>
#include <QListView>
#include <QPixmap>
#include <QVector>

class QDrag;
class QPainter;

// The host's thumbnail grid: an icon-mode list view that draws each item's
// thumbnail (decoration of column 0) with its name, and places the items
// itself. Positions are kept as blocks of consecutive rows on the grid, so a
// layout costs one step per block instead of one per item, and QListView's
// own per-item layout never runs. Layouts are coalesced to one per frame;
// any paint or geometry question lays out first when one is pending.
class CThumbnailView : public QListView
{
    Q_OBJECT

public:
    // Roles of the host's media models that the view reads besides display
    // and decoration.
    enum ItemRole {
        ExistsRole = Qt::UserRole + 10,
        NewRole = Qt::UserRole + 109,
    };

    // Rows firstRow .. firstRow + count - 1 placed row by row on the grid,
    // `columns` cells to a grid row, the first cell's top-left at origin.
    // Contents coordinates, left-to-right; a right-to-left view mirrors them.
    struct ItemBlock
    {
        int firstRow = 0;
        int count = 0;
        QPoint origin;
        int columns = 1;
    };

    CThumbnailView(ITEM_TYPE itemType, QWidget* parent = nullptr);
    ~CThumbnailView() override;

    ITEM_TYPE itemType() const { return m_itemType; }

    // The drop indicator: a frame round the view while a drag hovers it.
    void setDropVisible(bool visible);
    bool isDropVisible() const { return m_dropVisible; }

    // Model column whose display text is shown under each thumbnail.
    void setNameColumn(int column);
    int nameColumn() const { return m_nameColumn; }

    // The blocks as of the last layout (laid out first if one is pending).
    QVector<ItemBlock> itemBlocks() const;
    QSize layoutSize() const;

    // Asks for a layout; it runs once per frame however often it is asked.
    void scheduleLayout();
    // Runs a pending layout now.
    void ensureLayout() const;

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    void reset() override;
    void selectAll() override;

signals:
    void on_signal_start_thumbLoad();
    void on_signal_drop_event(QDropEvent* event);

protected:
    // Places the items: by default one block filling the grid row by row.
    // Subclasses place theirs with setItemBlocks.
    virtual void layoutItems();
    void setItemBlocks(const QVector<ItemBlock>& blocks);

    // Cell of the grid (grid size, or the item size when no grid is set),
    // never empty; the size of an item's rectangle inside its cell.
    QSize cellSize() const;
    QSize itemSize() const;
    // Cells that fit in width, at least 1.
    static int columnsFor(int width, int cellWidth);

    // Rectangle of a row in contents coordinates (left-to-right); empty
    // for a row that no block places.
    QRect contentsRect(int row) const;
    // Viewport rectangle of a contents rectangle, mirrored when right-to-left.
    QRect toViewport(const QRect& contents) const;
    // What a row paints in the viewport: its item rectangle, widened to its
    // cell for the name under the picture.
    QRect paintedRect(int row) const;
    QRect withNameSpan(const QRect& item) const;
    int rowCount() const;
    // Index of the first block whose last grid row ends below contentsY.
    int firstBlockBelow(int contentsY) const;
    int blockBottom(const ItemBlock& block) const;

    // Runs a pending layout for the paint under way, which shows its result.
    void layoutBeforePaint();
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Runs the drag; tests replace it, since a real drag waits for the mouse.
    virtual Qt::DropAction execDrag(
        QDrag* drag, Qt::DropActions supportedActions, Qt::DropAction defaultAction);

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;

protected slots:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
        const QVector<int>& roles = QVector<int>()) override;

private:
    enum LayoutCause { LayoutNow, LayoutOnDemand };
    void runLayout(LayoutCause cause);
    void startFrameTimer();
    int blockOfRow(int row) const;
    QPoint toContents(const QPoint& viewportPoint) const;
    int rowAtContents(const QPoint& point) const;
    int nearestRow(const QPoint& contentsPoint) const;
    void visibleRows(int* first, int* last) const;
    int rowAbove(int row) const;
    int rowBelow(int row) const;
    int rowAtVerticalDistance(int row, int distance) const;
    QModelIndex indexOfRow(int row) const;
    void setHoverRow(int row);
    bool canAcceptDrop(const QDropEvent* event) const;

    void paintItem(QPainter& painter, int row, const QRect& rect);
    QPixmap fittedThumbnail(const QPixmap& source, const QSize& box) const;
    void paintDropIndicator(QPainter& painter);
    QPixmap dragPixmap(const QModelIndexList& indexes) const;

    ITEM_TYPE m_itemType;
    int m_nameColumn = 2;
    bool m_dropVisible = false;
    bool m_layoutPending = true;
    bool m_inLayout = false;
    bool m_inPaint = false;
    bool m_geometryPending = false;
    bool m_repaintPending = false;
    QBasicTimer m_layoutTimer;
    QVector<ItemBlock> m_blocks;
    QSize m_contentsSize;
    int m_hoverRow = -1;
    QPoint m_bandOrigin; // contents coordinates of the press that started a rubber band
    QRect m_band; // contents coordinates; empty when no rubber band is drawn

    QPixmap m_placeholder;
    QPixmap m_broken;
    QPixmap m_newMark;
    QPixmap m_selectedMark;
};
