#include "cexttableview.h"

#include "cexttabledelegate.h"
#include "cexttableheader.h"

#include <QDebug>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>

namespace {
const QColor Accent(229, 36, 112);
const QColor SelectedRow(252, 229, 239);
const QColor AlternateRow(247, 248, 250);
const QColor Ink(60, 60, 60);
const int DefaultRowHeight = 28;
} // namespace

CExtTableView::CExtTableView(ITEM_TYPE itemType, QWidget* parent)
    : QTableView(parent)
    , m_itemType(itemType)
    , m_header(new CExtTableHeader(this))
    , m_delegate(new CExtTableDelegate(this))
{
    setHorizontalHeader(m_header);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
    // Selected rows in the host's accent, light enough for dark text.
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, SelectedRow);
    colours.setColor(QPalette::HighlightedText, Ink);
    colours.setColor(QPalette::AlternateBase, AlternateRow);
    colours.setColor(QPalette::Text, Ink);
    setPalette(colours);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    SetRowHeight(DefaultRowHeight);
    m_header->setStretchLastSection(true);
    m_header->setSectionsMovable(true);
    m_header->setMinimumSectionSize(24);
    m_header->setSortIndicatorShown(true);
    setSortingEnabled(true);
    connect(m_header, &QHeaderView::sortIndicatorChanged, this,
        &CExtTableView::on_sortIndicatorChanged);
    connect(m_header, &CExtTableHeader::checkAllClicked, this, &CExtTableView::on_checkAllClicked);
}

void CExtTableView::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    if (selectionModel()) {
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CExtTableView::on_selection_Changed, Qt::UniqueConnection);
    }
}

void CExtTableView::SetRowHeight(int height)
{
    if (height <= 0)
        return;
    verticalHeader()->setDefaultSectionSize(height);
}

int CExtTableView::RowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void CExtTableView::setDropVisible(bool visible)
{
    if (m_dropVisible == visible)
        return;
    m_dropVisible = visible;
    viewport()->update();
}

void CExtTableView::setHeaderAllChecked(bool checked)
{
    m_header->SetChecked(checked);
}

bool CExtTableView::isHeaderAllChecked() const
{
    return m_header->IsChecked();
}

void CExtTableView::SetCheckColumn(int column)
{
    m_checkColumn = column;
    m_header->SetCheckColumn(column);
    m_delegate->SetCheckColumn(column);
    if (column >= 0 && column < m_header->count()) {
        m_header->setSectionResizeMode(column, QHeaderView::Fixed);
        m_header->resizeSection(column, 32);
    }
}

void CExtTableView::SetThumbnailColumn(int column)
{
    m_thumbnailColumn = column;
    m_delegate->SetThumbnailColumn(column);
    viewport()->update();
}

void CExtTableView::SetImportedMarkColumn(int column)
{
    m_delegate->SetImportedMarkColumn(column);
    viewport()->update();
}

int CExtTableView::selectedRowCount() const
{
    QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return 0;
    QSet<int> rows;
    for (const QItemSelectionRange& range : selection->selection()) {
        if (range.parent() != rootIndex())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    }
    return rows.size();
}

void CExtTableView::on_selection_Changed(const QItemSelection&, const QItemSelection&)
{
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    setHeaderAllChecked(rows > 0 && selectedRowCount() == rows);
}

void CExtTableView::on_sortIndicatorChanged(int logicalIndex, Qt::SortOrder order)
{
    if (m_header->IsUserClick())
        emit on_signal_sort_changed(logicalIndex, order);
}

void CExtTableView::on_checkAllClicked(bool checked)
{
    if (checked)
        selectAll();
    else
        clearSelection();
}

bool CExtTableView::isCheckBoxClick(const QModelIndex& index, const QEvent* event) const
{
    if (!event || !index.isValid() || m_checkColumn < 0 || index.column() != m_checkColumn)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick
        && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        return false;
    // Shift keeps its range selection.
    return !(static_cast<const QMouseEvent*>(event)->modifiers() & Qt::ShiftModifier);
}

QItemSelectionModel::SelectionFlags CExtTableView::selectionCommand(
    const QModelIndex& index, const QEvent* event) const
{
    if (!isCheckBoxClick(index, event))
        return QTableView::selectionCommand(index, event);
    // The press toggles the row; the release and moves of the same click
    // must not select it again or sweep other rows in.
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        return QItemSelectionModel::Toggle | QItemSelectionModel::Rows;
    return QItemSelectionModel::NoUpdate;
}

void CExtTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Two quick clicks on a check box tick and untick it; they open nothing.
    if (event->button() == Qt::LeftButton && isCheckBoxClick(indexAt(event->pos()), event)) {
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CExtTableView::keyPressEvent(QKeyEvent* event)
{
    // The screen runs these as commands; the table would copy one cell.
    if (event == QKeySequence::Copy || event == QKeySequence::Paste
        || event == QKeySequence::Delete) {
        event->ignore();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CExtTableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!m_dropVisible)
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Accent;
    fill.setAlpha(16);
    painter.setPen(QPen(Accent, 2));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(viewport()->rect()).adjusted(2, 2, -2, -2), 6, 6);
}

bool CExtTableView::canAcceptDrop(const QDropEvent* event) const
{
    if (!model() || event->source() == this || !event->mimeData())
        return false;
    if (!(event->possibleActions() & Qt::CopyAction))
        return false;
    return model()->canDropMimeData(event->mimeData(), Qt::CopyAction, -1, -1, rootIndex());
}

void CExtTableView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!canAcceptDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropVisible(true);
}

void CExtTableView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!canAcceptDrop(event)) {
        event->ignore();
        setDropVisible(false);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropVisible(true);
}

void CExtTableView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropVisible(false);
    QTableView::dragLeaveEvent(event);
}

void CExtTableView::dropEvent(QDropEvent* event)
{
    setDropVisible(false);
    setState(NoState);
    if (!canAcceptDrop(event)) {
        event->ignore();
        return;
    }
    // The screen hands the data to the model; the table only reports it.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit on_signal_drop_event(event);
}

void CExtTableView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0)
        emit on_signal_start_thumbLoad();
}

void CExtTableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    emit on_signal_start_thumbLoad();
}
