#include "cexttableheader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>

CExtTableHeader::CExtTableHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMouseTracking(true);
}

void CExtTableHeader::SetCheckColumn(int logicalIndex)
{
    m_checkColumn = logicalIndex;
    viewport()->update();
}

void CExtTableHeader::SetChecked(bool checked)
{
    if (m_checked == checked)
        return;
    m_checked = checked;
    if (m_checkColumn >= 0)
        updateSection(m_checkColumn);
}

QPixmap CExtTableHeader::boxImage() const
{
    const QString state = !isEnabled() ? QStringLiteral("disabled")
        : m_pressed                    ? QStringLiteral("down")
        : m_hover                      ? QStringLiteral("over")
                                       : QStringLiteral("normal");
    const QString path = QStringLiteral(":/Image/common/8.CheckRadio/common_checkbox_%1_%2.png")
                             .arg(m_checked ? QStringLiteral("on") : QStringLiteral("off"), state);
    QPixmap image;
    if (!QPixmapCache::find(path, &image)) {
        image.load(path);
        QPixmapCache::insert(path, image);
    }
    return image;
}

QRect CExtTableHeader::CheckBoxRect() const
{
    if (m_checkColumn < 0 || m_checkColumn >= count() || isSectionHidden(m_checkColumn))
        return QRect();
    const int size = sectionSize(m_checkColumn);
    if (size <= 0)
        return QRect();
    const QRect section(sectionViewportPosition(m_checkColumn), 0, size, height());
    QSize box = boxImage().size();
    if (box.isEmpty())
        box = QSize(15, 15);
    QRect rect(QPoint(0, 0), box);
    rect.moveCenter(section.center());
    return rect;
}

void CExtTableHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != m_checkColumn)
        return;
    const QPixmap image = boxImage();
    QRect box(QPoint(0, 0), image.size());
    box.moveCenter(rect.center());
    painter->drawPixmap(box.topLeft(), image);
}

bool CExtTableHeader::isOnCheckSection(const QPoint& pos) const
{
    return m_checkColumn >= 0 && logicalIndexAt(pos) == m_checkColumn;
}

void CExtTableHeader::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isOnCheckSection(event->pos())) {
        m_pressed = true;
        updateSection(m_checkColumn);
        event->accept();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void CExtTableHeader::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressed) {
        m_pressed = false;
        if (isOnCheckSection(event->pos())) {
            m_checked = !m_checked;
            emit checkAllClicked(m_checked);
        }
        updateSection(m_checkColumn);
        event->accept();
        return;
    }
    // The view reports a sort only when it comes from a click.
    m_userClick = true;
    QHeaderView::mouseReleaseEvent(event);
    m_userClick = false;
}

void CExtTableHeader::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isOnCheckSection(event->pos())) {
        mousePressEvent(event);
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

void CExtTableHeader::mouseMoveEvent(QMouseEvent* event)
{
    setHover(isOnCheckSection(event->pos()));
    QHeaderView::mouseMoveEvent(event);
}

void CExtTableHeader::leaveEvent(QEvent* event)
{
    setHover(false);
    QHeaderView::leaveEvent(event);
}

void CExtTableHeader::setHover(bool hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    if (m_checkColumn >= 0)
        updateSection(m_checkColumn);
}
