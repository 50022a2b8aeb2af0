#include "photoviwerlist.h"

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/photoroles.h"
#include "viewer/photoviewerdelegate.h"

#include <QDebug>
#include <QKeyEvent>
#include <QScrollBar>

PhotoViwerList::PhotoViwerList(QWidget* parent)
    : QListView(parent)
{
    setItemDelegate(new PhotoViewerDelegate(this));
    // Page moves set the scroll bar in items.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(
        horizontalScrollBar(), &QScrollBar::valueChanged, this, &PhotoViwerList::on_valueChanged);
}

int PhotoViwerList::rowCount() const
{
    return model() ? model()->rowCount() : 0;
}

int PhotoViwerList::CountPerPage() const
{
    if (rowCount() < 1)
        return 0;
    const int cellWidth = model()->index(0, 0).data(Qt::SizeHintRole).toSize().width();
    if (cellWidth <= 0)
        return 0;
    return qMax(0, (width() + 5) / cellWidth);
}

void PhotoViwerList::UpdatePageButtons()
{
    bool bLeft = true;
    bool bRight = true;
    const int rows = rowCount();
    if (rows > 0) {
        executeDelayedItemsLayout();
        const QRect view = viewport()->rect();
        bLeft = view.contains(visualRect(model()->index(0, 0)));
        bRight = view.contains(visualRect(model()->index(rows - 1, 0)));
    }
    emit buttonState(bLeft, bRight);
}

void PhotoViwerList::buttonChange(int)
{
    UpdatePageButtons();
}

void PhotoViwerList::on_valueChanged(int)
{
    UpdatePageButtons();
}

void PhotoViwerList::start(const QModelIndex& index)
{
    qCDebug(lcViewer) << "PhotoViwerList::start";
    if (!model() || !index.isValid()) {
        qCDebug(lcViewer) << "PhotoViwerList::start : no photo" << index;
        return;
    }
    m_active = true;
    m_starting = true;
    setCurrentIndex(model()->index(index.row(), 0));
    // Already current: currentChanged did not run, but the viewer still
    // waits for the photo to be announced.
    if (m_starting)
        currentChanged2(index);
    scrollTo(model()->index(qMin(index.row(), rowCount() - 1), 0));
}

void PhotoViwerList::showCurrent(const QModelIndex& index, const char* method)
{
    const QString path = index.data(PhotoRole::PathRole).toString();
    emit selectChanged(index);
    model()->setData(index, false, PhotoRole::NewRole);
    m_starting = false;
    qCDebug(lcViewer) << method << path;
}

void PhotoViwerList::currentChanged(const QModelIndex& current, const QModelIndex&)
{
    // The base handling (auto scroll, editor commit) is left out on purpose:
    // the moves scroll explicitly and the strip has no editors.
    if (!isVisible() || !m_active)
        return;
    if (!current.isValid()) {
        qCDebug(lcViewer) << "PhotoViwerList::currentChanged : no current photo";
        return;
    }
    showCurrent(current, "PhotoViwerList::currentChanged");
    UpdatePageButtons();
}

void PhotoViwerList::currentChanged2(const QModelIndex& index)
{
    if (!isVisible() || !index.isValid())
        return;
    showCurrent(index, "PhotoViwerList::currentChanged2");
}

void PhotoViwerList::end()
{
    qCDebug(lcViewer) << "PhotoViwerList::end";
    m_active = false;
}

void PhotoViwerList::makeCurrent(const QModelIndex& index)
{
    if (index.isValid() && index != currentIndex())
        setCurrentIndex(index);
}

void PhotoViwerList::next()
{
    const int rows = rowCount();
    if (rows > 0) {
        executeDelayedItemsLayout();
        const QModelIndex idx = model()->index(qMin(currentIndex().row() + 1, rows - 1), 0);
        if (rect().contains(visualRect(idx))) {
            makeCurrent(idx);
            scrollTo(idx);
        } else {
            nextPage();
            makeCurrent(idx);
        }
    }
    UpdatePageButtons();
}

void PhotoViwerList::prev()
{
    const int rows = rowCount();
    if (rows > 0) {
        executeDelayedItemsLayout();
        const int row = qMax(currentIndex().row() - 1, 0);
        const QModelIndex idx = model()->index(row, 0);
        if (rect().contains(visualRect(idx))) {
            makeCurrent(idx);
            scrollTo(idx);
        } else {
            horizontalScrollBar()->setValue(qMax(row - CountPerPage(), 0));
            makeCurrent(idx);
            scrollTo(idx);
        }
    }
    UpdatePageButtons();
}

void PhotoViwerList::nextPage()
{
    const int rows = rowCount();
    if (rows > 0) {
        executeDelayedItemsLayout();
        const int top = indexAt(QPoint(0, 0)).row();
        // In right-to-left layout the cell at the left edge is the last one
        // of the page, so one more row is the next page.
        const int step = g_SharedValue.IsRTL() ? 1 : CountPerPage();
        horizontalScrollBar()->setValue(qMin(rows - 1, top + step));
        const QModelIndex top2 = indexAt(QPoint(0, 0));
        if (top2.row() > currentIndex().row())
            makeCurrent(top2);
    }
    UpdatePageButtons();
}

void PhotoViwerList::prevPage()
{
    if (rowCount() > 0) {
        executeDelayedItemsLayout();
        const int top = indexAt(QPoint(0, 0)).row();
        const int perPage = CountPerPage();
        const int back = g_SharedValue.IsRTL() ? (2 * perPage - 2) + 1 : perPage;
        horizontalScrollBar()->setValue(qMax(0, top - back));
        makeCurrent(indexAt(QPoint(0, 0)));
    }
    UpdatePageButtons();
}

void PhotoViwerList::keyPressEvent(QKeyEvent* event)
{
    if (m_downloading) {
        event->ignore();
        return;
    }
    const bool rtl = g_SharedValue.IsRTL();
    switch (event->key()) {
    case Qt::Key_Left:
        qCDebug(lcViewer) << "PhotoViwerList::keyPressEvent : left";
        rtl ? next() : prev();
        event->accept();
        break;
    case Qt::Key_Right:
        qCDebug(lcViewer) << "PhotoViwerList::keyPressEvent : right";
        rtl ? prev() : next();
        event->accept();
        break;
    default:
        // The list view's own keyboard moves would bypass the viewer.
        QWidget::keyPressEvent(event);
        break;
    }
}

void PhotoViwerList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_downloading) {
        event->ignore();
        return;
    }
    // A double click neither opens nor edits a cell.
    QWidget::mousePressEvent(event);
}

void PhotoViwerList::paintEvent(QPaintEvent* event)
{
    if (g_SharedValue.IsPartialLoading())
        emit on_signal_start_thumbLoad();
    QListView::paintEvent(event);
}
