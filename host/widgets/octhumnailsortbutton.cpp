#include "octhumnailsortbutton.h"

#include "host/services/ocfont.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QColor Accent(229, 36, 112);
const QColor AccentDark(196, 24, 92);
const QColor Ink(88, 88, 88);
const int ArrowWidth = 7;
const int ArrowGap = 5;
const int Padding = 9;
} // namespace

OCThumnailSortButton::OCThumnailSortButton(QWidget* parent)
    : OCThumnailSortButton(QString(), parent)
{
}

OCThumnailSortButton::OCThumnailSortButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void OCThumnailSortButton::SetButtonType(int type)
{
    const int normalised
        = (type == SelectedAscending || type == SelectedDescending) ? type : NotSelected;
    if (normalised == m_type)
        return;
    m_type = normalised;
    updateGeometry();
    update();
}

QFont OCThumnailSortButton::labelFont() const
{
    return m_type == NotSelected ? g_Font.GetIFNormal() : g_Font.GetIFBold();
}

QSize OCThumnailSortButton::sizeHint() const
{
    // Room for the bold label and the arrow, so selecting does not resize.
    QFont bold = g_Font.GetIFBold();
    const int textWidth = QFontMetrics(bold).horizontalAdvance(text());
    return QSize(textWidth + ArrowGap + ArrowWidth + 2 * Padding, 21);
}

QSize OCThumnailSortButton::minimumSizeHint() const
{
    return QSize(2 * Padding, 21);
}

void OCThumnailSortButton::enterEvent(QEvent* event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void OCThumnailSortButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void OCThumnailSortButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = pill.height() / 2;
    const bool selected = m_type != NotSelected;

    QColor fill = Qt::transparent;
    if (selected)
        fill = isDown() ? QColor(248, 208, 225) : QColor(252, 229, 239);
    else if (isDown())
        fill = QColor(224, 226, 230);
    else if (m_hovered)
        fill = QColor(233, 235, 238);
    if (!isEnabled())
        fill.setAlpha(fill.alpha() / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, radius, radius);

    const QFont font = labelFont();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int arrowSpace = selected ? ArrowGap + ArrowWidth : 0;
    const int available = qMax(0, width() - 2 * Padding - arrowSpace);
    const QString label = metrics.elidedText(text(), Qt::ElideRight, available);
    const int textWidth = metrics.horizontalAdvance(label);
    const int groupWidth = textWidth + arrowSpace;
    const bool rtl = isRightToLeft();
    const int left = (width() - groupWidth) / 2;
    const int textLeft = rtl ? left + arrowSpace : left;

    QColor ink = selected ? AccentDark : Ink;
    if (!isEnabled())
        ink = QColor(176, 176, 176);
    painter.setPen(ink);
    painter.drawText(QRect(textLeft, 0, textWidth, height()), Qt::AlignCenter, label);
    if (!selected)
        return;

    // Up for ascending, down for descending.
    const qreal ax = rtl ? left : left + textWidth + ArrowGap;
    const qreal cy = height() / 2.0;
    const qreal half = 2.5;
    QPainterPath arrow;
    if (m_type == SelectedAscending) {
        arrow.moveTo(ax, cy + half);
        arrow.lineTo(ax + ArrowWidth / 2.0, cy - half);
        arrow.lineTo(ax + ArrowWidth, cy + half);
    } else {
        arrow.moveTo(ax, cy - half);
        arrow.lineTo(ax + ArrowWidth / 2.0, cy + half);
        arrow.lineTo(ax + ArrowWidth, cy - half);
    }
    QPen pen(selected ? Accent : ink, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
}
