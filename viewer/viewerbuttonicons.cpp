#include "viewerbuttonicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

// A chevron pointing left (or right) centred in box.
void drawChevron(QPainter& painter, const QRectF& box, bool left)
{
    const qreal dx = box.width() * 0.22;
    const qreal dy = box.height() * 0.32;
    const QPointF c = box.center();
    const qreal tip = left ? -dx : dx;
    QPainterPath path;
    path.moveTo(c.x() - tip, c.y() - dy);
    path.lineTo(c.x() + tip, c.y());
    path.lineTo(c.x() - tip, c.y() + dy);
    painter.drawPath(path);
}

// A three-quarter circle with an arrow head: clockwise for right.
void drawRotate(QPainter& painter, const QRectF& box, bool right)
{
    const QRectF ring = box.adjusted(
        box.width() * 0.25, box.height() * 0.25, -box.width() * 0.25, -box.height() * 0.25);
    const int start = right ? 120 * 16 : 60 * 16;
    const int span = right ? -270 * 16 : 270 * 16;
    painter.drawArc(ring, start, span);
    QPainterPath head;
    const qreal r = ring.width() / 2;
    const QPointF c = ring.center();
    // End of the arc: 210 degrees (right) or -30 degrees (left), in screen y-down.
    const qreal endDeg = right ? 120.0 - 270.0 : 60.0 + 270.0;
    const qreal rad = qDegreesToRadians(endDeg);
    const QPointF end(c.x() + r * qCos(rad), c.y() - r * qSin(rad));
    const qreal h = r * 0.7;
    const qreal sign = right ? 1 : -1;
    head.moveTo(end + QPointF(-h * 0.6 * sign, -h * 0.6));
    head.lineTo(end);
    head.lineTo(end + QPointF(h * 0.8 * sign, -h * 0.2));
    painter.drawPath(head);
}

} // namespace

QIcon ViewerButtonIcon(ViewerGlyph glyph, const QSize& size, const QColor& color)
{
    if (size.isEmpty())
        return QIcon();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, qMax(1.2, qMin(size.width(), size.height()) / 12.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF box(QPointF(0, 0), QSizeF(size));

    switch (glyph) {
    case ViewerGlyph::Close: {
        const QRectF cross = box.adjusted(1, 1, -1, -1);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
        break;
    }
    case ViewerGlyph::Previous:
    case ViewerGlyph::Next:
        drawChevron(painter, box, glyph == ViewerGlyph::Previous);
        break;
    case ViewerGlyph::PreviousPage:
    case ViewerGlyph::NextPage: {
        const bool left = glyph == ViewerGlyph::PreviousPage;
        const qreal shift = box.width() * 0.14;
        drawChevron(painter, box.translated(-shift, 0), left);
        drawChevron(painter, box.translated(shift, 0), left);
        break;
    }
    case ViewerGlyph::RotateLeft:
    case ViewerGlyph::RotateRight:
        drawRotate(painter, box, glyph == ViewerGlyph::RotateRight);
        break;
    }
    painter.end();
    return QIcon(pixmap);
}
