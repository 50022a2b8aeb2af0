#include "thumbview/thumbnailgroupview.h"

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"

#include <QDebug>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace {
// Geometry of the grouped grid, in pixels.
const int CellLeft = 13;
const int FlatTop = 12;
const int GroupedTop = 66;
const int GroupGap = 31;
const int HorizontalSpace = 29;
const int HeaderInset = 8;
const int HeaderAbove = 46;
const int HeaderHeight = 36;
const int CheckBoxInset = 9;
} // namespace

ThumbnailGroupView::ThumbnailGroupView(QWidget* parent)
    : CThumbnailView(OCGlobal::ITEM_PHONE_PHOTO, parent)
{
    setObjectName(QStringLiteral("device_photo"));
    const QString body = QStringLiteral(":/Image/common/3.Body/");
    const QString check = QStringLiteral(":/Image/common/8.CheckRadio/");
    const char* ends[] = { "l", "m", "r" };
    const char* states[] = { "normal", "over", "down" };
    for (int i = 0; i < 3; ++i) {
        m_indexImages.insert(i,
            QPixmap(body
                + QStringLiteral("common_thumbnail_index_%1.png").arg(QLatin1String(ends[i]))));
        m_dividerImages.insert(i,
            QPixmap(body
                + QStringLiteral("common_thumbnail_divider_%1.png").arg(QLatin1String(ends[i]))));
        m_checkOnImages.insert(i,
            QPixmap(check
                + QStringLiteral("thumbnailview_checkbox02_%1.png").arg(QLatin1String(states[i]))));
        m_checkOffImages.insert(i,
            QPixmap(check
                + QStringLiteral("thumbnailview_uncheckbox02_%1.png")
                      .arg(QLatin1String(states[i]))));
    }
    if (m_checkOnImages.value(0).isNull())
        qCWarning(lcThumbView) << "ThumbnailGroupView::ThumbnailGroupView : missing host images";
    // Icon mode, uniform item sizes, adjusting resize mode and extended
    // selection come with the base view; setting the view mode again would
    // switch its drag and drop off.
}

ThumbnailGroupView::~ThumbnailGroupView() = default;

void ThumbnailGroupView::SetGroupColumn(int column)
{
    m_groupColumn = column;
}

void ThumbnailGroupView::ConnectModelSignals()
{
    QAbstractItemModel* m = model();
    if (!m) {
        qCDebug(lcThumbView) << "ThumbnailGroupView::ConnectModelSignals : no model";
        return;
    }
    // A model given before keeps no say over the counts; the same model
    // given again is connected once.
    if (m_countedModel && m_countedModel != m) {
        disconnect(m_countedModel, SIGNAL(layoutChanged()), this, SLOT(on_layoutChanged()));
        disconnect(m_countedModel, SIGNAL(modelReset()), this, SLOT(on_modelReset()));
        disconnect(m_countedModel, SIGNAL(rowsInserted(const QModelIndex&, int, int)), this,
            SLOT(on_rowsInserted(const QModelIndex&, int, int)));
        disconnect(m_countedModel, SIGNAL(rowsRemoved(const QModelIndex&, int, int)), this,
            SLOT(on_rowsRemoved(const QModelIndex&, int, int)));
        disconnect(m_countedModel, SIGNAL(rowsAboutToBeRemoved(const QModelIndex&, int, int)), this,
            SLOT(on_rowsAboutToBeRemoved(const QModelIndex&, int, int)));
    }
    m_countedModel = m;
    connect(m, SIGNAL(layoutChanged()), this, SLOT(on_layoutChanged()), Qt::UniqueConnection);
    connect(m, SIGNAL(modelReset()), this, SLOT(on_modelReset()), Qt::UniqueConnection);
    connect(m, SIGNAL(rowsInserted(const QModelIndex&, int, int)), this,
        SLOT(on_rowsInserted(const QModelIndex&, int, int)), Qt::UniqueConnection);
    connect(m, SIGNAL(rowsRemoved(const QModelIndex&, int, int)), this,
        SLOT(on_rowsRemoved(const QModelIndex&, int, int)), Qt::UniqueConnection);
    connect(m, SIGNAL(rowsAboutToBeRemoved(const QModelIndex&, int, int)), this,
        SLOT(on_rowsAboutToBeRemoved(const QModelIndex&, int, int)), Qt::UniqueConnection);
    // Rows present before the connection are counted too.
    CountGroups();
    LayoutItems();
}

QString ThumbnailGroupView::key(int row) const
{
    if (!model())
        return QString();
    return model()->index(row, m_groupColumn, rootIndex()).data(Qt::DisplayRole).toString();
}

int ThumbnailGroupView::columns() const
{
    return columnsFor(viewport()->width() - HorizontalSpace, cellSize().width());
}

void ThumbnailGroupView::CountGroups()
{
    m_groupCount.clear();
    if (!model())
        return;
    // Rows of a group follow each other: compare the raw values and turn a
    // value into its key text once per run, not once per row.
    const int rows = rowCount();
    QVariant runValue;
    int runLength = 0;
    for (int row = 0; row < rows; ++row) {
        const QVariant value
            = model()->index(row, m_groupColumn, rootIndex()).data(Qt::DisplayRole);
        if (runLength > 0 && value == runValue && value.userType() == runValue.userType()) {
            ++runLength;
            continue;
        }
        if (runLength > 0)
            m_groupCount[runValue.toString()] += runLength;
        runValue = value;
        runLength = 1;
    }
    if (runLength > 0)
        m_groupCount[runValue.toString()] += runLength;
}

void ThumbnailGroupView::LayoutItems()
{
    // Coalesced: the base lays out once per frame, or at once when the view
    // paints or is asked where an item is.
    scheduleLayout();
}

void ThumbnailGroupView::layoutItems()
{
    const int rows = rowCount();
    const int cols = columns();
    const int cellHeight = cellSize().height();
    QVector<ItemBlock> blocks;
    QStringList keys;
    if (!isGrouped()) {
        if (rows > 0)
            blocks.append({ 0, rows, QPoint(CellLeft, FlatTop), cols });
    } else {
        int row = 0;
        int top = GroupedTop;
        while (row < rows) {
            const QString k = key(row);
            // Counts that disagree with the rows still place every row once.
            const int n = qBound(1, m_groupCount.value(k, 0), rows - row);
            blocks.append({ row, n, QPoint(CellLeft, top), cols });
            keys.append(k);
            const int lines = (n + cols - 1) / cols;
            top += lines * cellHeight + GroupGap;
            row += n;
        }
    }
    m_blockKeys = keys;
    setItemBlocks(blocks);
}

int ThumbnailGroupView::GroupTotal() const
{
    return isGrouped() ? itemBlocks().size() : 0;
}

QRect ThumbnailGroupView::headerRectOf(const ItemBlock& block) const
{
    const int top = block.origin.y() - verticalOffset() - HeaderAbove;
    return QRect(HeaderInset, top, viewport()->width() - 2 * HeaderInset, HeaderHeight);
}

QRect ThumbnailGroupView::checkBoxRectIn(const QRect& header) const
{
    const QSize size = m_checkOnImages.value(0).size();
    const int x = g_SharedValue.IsRTL() ? header.right() - (size.width() + CheckBoxInset)
                                        : header.left() + CheckBoxInset;
    return QRect(QPoint(x, header.top() + CheckBoxInset), size);
}

QRect ThumbnailGroupView::HeaderRect(int group) const
{
    const QVector<ItemBlock> blocks = itemBlocks();
    if (!isGrouped() || group < 0 || group >= blocks.size())
        return QRect();
    return headerRectOf(blocks.at(group));
}

QRect ThumbnailGroupView::CheckBoxRect(int group) const
{
    const QRect header = HeaderRect(group);
    return header.isNull() ? QRect() : checkBoxRectIn(header);
}

int ThumbnailGroupView::groupOfCheckBoxAt(const QPoint& pos) const
{
    const QVector<ItemBlock> blocks = itemBlocks();
    for (int g = 0; g < blocks.size(); ++g) {
        const QRect header = headerRectOf(blocks.at(g));
        if (header.top() > pos.y())
            break;
        if (checkBoxRectIn(header).contains(pos))
            return g;
    }
    return -1;
}

void ThumbnailGroupView::UpdateSelectedCounts()
{
    if (!isGrouped())
        return;
    for (auto it = m_selectedCount.begin(); it != m_selectedCount.end(); ++it)
        it.value() = 0;
    if (selectionModel()) {
        // Selected rows are counted per laid-out group: one step per group
        // and selection range rather than one per row.
        const QVector<ItemBlock> blocks = itemBlocks();
        const QItemSelection selection = selectionModel()->selection();
        for (const QItemSelectionRange& range : selection) {
            if (range.left() > 0 || range.parent() != rootIndex())
                continue;
            for (int g = 0; g < blocks.size() && g < m_blockKeys.size(); ++g) {
                const ItemBlock& block = blocks.at(g);
                const int first = qMax(range.top(), block.firstRow);
                const int last = qMin(range.bottom(), block.firstRow + block.count - 1);
                if (first <= last)
                    m_selectedCount[m_blockKeys.at(g)] += last - first + 1;
            }
        }
    }
    viewport()->update();
}

// ---- model notifications --------------------------------------------------

void ThumbnailGroupView::on_layoutChanged()
{
    LayoutItems();
}

void ThumbnailGroupView::on_modelReset()
{
    CountGroups();
    LayoutItems();
}

void ThumbnailGroupView::on_rowsInserted(const QModelIndex& parent, int start, int end)
{
    if (start == -1 || end == -1 || parent.isValid())
        return;
    for (int row = start; row <= end; ++row)
        ++m_groupCount[key(row)];
    LayoutItems();
}

void ThumbnailGroupView::on_rowsRemoved(const QModelIndex&, int, int)
{
    LayoutItems();
}

void ThumbnailGroupView::on_rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    if (start == -1 || end == -1 || parent.isValid())
        return;
    for (int row = start; row <= end; ++row) {
        const QString k = key(row);
        auto it = m_groupCount.find(k);
        if (it != m_groupCount.end() && it.value() > 0)
            --it.value();
        else
            m_groupCount.remove(k);
    }
}

void ThumbnailGroupView::on_update_item_position(bool reset)
{
    if (reset)
        CountGroups();
    LayoutItems();
}

void ThumbnailGroupView::on_update_item_position()
{
    on_update_item_position(false);
}

// ---- events -------------------------------------------------------------------

void ThumbnailGroupView::resizeEvent(QResizeEvent* event)
{
    CThumbnailView::resizeEvent(event);
    on_update_item_position(false);
}

void ThumbnailGroupView::mousePressEvent(QMouseEvent* event)
{
    m_pressPos = event->pos();
    if (!isGrouped() || !model()) {
        CThumbnailView::mousePressEvent(event);
        return;
    }
    const QVector<ItemBlock> blocks = itemBlocks();
    const QPoint pos = event->pos();
    for (int g = 0; g < blocks.size(); ++g) {
        const ItemBlock& block = blocks.at(g);
        const QRect header = headerRectOf(block);
        if (header.top() > pos.y())
            break;
        if (checkBoxRectIn(header).contains(pos)) {
            const QString k = g < m_blockKeys.size() ? m_blockKeys.at(g) : key(block.firstRow);
            const bool all = m_groupCount.value(k, 0) <= m_selectedCount.value(k, 0);
            const int lastColumn = qMax(0, model()->columnCount(rootIndex()) - 1);
            const QItemSelection rows(model()->index(block.firstRow, 0, rootIndex()),
                model()->index(block.firstRow + block.count - 1, lastColumn, rootIndex()));
            if (selectionModel())
                selectionModel()->select(
                    rows, all ? QItemSelectionModel::Deselect : QItemSelectionModel::Select);
            m_headerPressed = true;
            break;
        }
        if (header.adjusted(0, 0, 0, -5).contains(pos)) {
            m_headerPressed = true;
            break;
        }
    }
    if (m_headerPressed) {
        // A press on a header selects no item and starts no rubber band or drag.
        viewport()->update();
        event->accept();
        return;
    }
    CThumbnailView::mousePressEvent(event);
}

void ThumbnailGroupView::mouseMoveEvent(QMouseEvent* event)
{
    const int before = isGrouped() ? groupOfCheckBoxAt(m_hoverPos) : -1;
    m_hoverPos = event->pos();
    if (m_headerPressed) {
        viewport()->update();
        return;
    }
    if (isGrouped()) {
        // Repaint a check box the pointer enters or leaves, for its hover image.
        const int after = groupOfCheckBoxAt(m_hoverPos);
        if (after != before) {
            viewport()->update(CheckBoxRect(before));
            viewport()->update(CheckBoxRect(after));
        }
    }
    CThumbnailView::mouseMoveEvent(event);
}

void ThumbnailGroupView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressPos = QPoint(-1, -1);
    if (m_headerPressed) {
        m_headerPressed = false;
        viewport()->update();
        event->accept();
        return;
    }
    CThumbnailView::mouseReleaseEvent(event);
}
