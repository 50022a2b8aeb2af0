#include "glyphs.h"

#include <QPainter>
#include <QtMath>

namespace Glyphs {

namespace {

QPen strokePen(const QColor& color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// The three points of a chevron pointing left, as offsets from the centre
// in units of half the box's smaller side.
QPolygonF chevronPoints(const QPointF& centre, qreal half, Direction direction)
{
    const QPolygonF points(
        QVector<QPointF> { QPointF(0.30, -0.62), QPointF(-0.30, 0.0), QPointF(0.30, 0.62) });
    QPolygonF result;
    for (const QPointF& pt : points) {
        QPointF q = pt;
        switch (direction) {
        case Direction::Left:
            break;
        case Direction::Right:
            q = QPointF(-pt.x(), pt.y());
            break;
        case Direction::Up:
            q = QPointF(pt.y(), pt.x());
            break;
        case Direction::Down:
            q = QPointF(pt.y(), -pt.x());
            break;
        }
        result << centre + q * half;
    }
    return result;
}

} // namespace

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void chevron(QPainter& p, const QRectF& box, Direction direction, const QColor& color, qreal width)
{
    p.save();
    p.setPen(strokePen(color, width));
    p.setBrush(Qt::NoBrush);
    const qreal half = qMin(box.width(), box.height()) / 2;
    p.drawPolyline(chevronPoints(box.center(), half, direction));
    p.restore();
}

void doubleChevron(
    QPainter& p, const QRectF& box, Direction direction, const QColor& color, qreal width)
{
    const qreal half = qMin(box.width(), box.height()) / 2;
    const bool horizontal = direction == Direction::Left || direction == Direction::Right;
    const QPointF step = horizontal ? QPointF(half * 0.36, 0) : QPointF(0, half * 0.36);
    p.save();
    p.setPen(strokePen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(chevronPoints(box.center() - step, half * 0.8, direction));
    p.drawPolyline(chevronPoints(box.center() + step, half * 0.8, direction));
    p.restore();
}

void checkMark(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    const QPolygonF points(
        QVector<QPointF> { box.topLeft() + QPointF(box.width() * 0.24, box.height() * 0.52),
            box.topLeft() + QPointF(box.width() * 0.43, box.height() * 0.70),
            box.topLeft() + QPointF(box.width() * 0.77, box.height() * 0.31) });
    p.save();
    p.setPen(strokePen(color, width));
    p.drawPolyline(points);
    p.restore();
}

void cross(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    p.save();
    p.setPen(strokePen(color, width));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
    p.restore();
}

void plus(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    p.save();
    p.setPen(strokePen(color, width));
    const QPointF c = box.center();
    p.drawLine(QPointF(box.left(), c.y()), QPointF(box.right(), c.y()));
    p.drawLine(QPointF(c.x(), box.top()), QPointF(c.x(), box.bottom()));
    p.restore();
}

void minus(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    p.save();
    p.setPen(strokePen(color, width));
    const QPointF c = box.center();
    p.drawLine(QPointF(box.left(), c.y()), QPointF(box.right(), c.y()));
    p.restore();
}

void rotateArrow(QPainter& p, const QRectF& box, bool clockwise, const QColor& color, qreal width)
{
    p.save();
    const QPointF c = box.center();
    if (!clockwise) {
        // The counter-clockwise arrow is the mirror image.
        p.translate(c);
        p.scale(-1, 1);
        p.translate(-c);
    }
    const qreal r = qMin(box.width(), box.height()) * 0.34;
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
    // From the right side round the bottom and the left to the top, where
    // the head points the way the arc turns.
    QPainterPath arc;
    arc.arcMoveTo(circle, 10);
    arc.arcTo(circle, 10, -280);
    p.setPen(strokePen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);

    const QPointF end(c.x(), c.y() - r);
    const qreal head = r * 0.62;
    const QPolygonF triangle(QVector<QPointF> { end + QPointF(head * 0.75, 0),
        end + QPointF(-head * 0.25, -head * 0.6), end + QPointF(-head * 0.25, head * 0.6) });
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(triangle);
    p.restore();
}

void photo(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    p.save();
    const QRectF frame = box.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    const qreal radius = qMin(frame.width(), frame.height()) * 0.12;
    p.setPen(strokePen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, radius, radius);

    p.setClipPath(roundedRect(frame, radius), Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const qreal w = frame.width();
    const qreal h = frame.height();
    const QPointF o = frame.topLeft();
    const qreal sun = qMin(w, h) * 0.1;
    p.drawEllipse(o + QPointF(w * 0.70, h * 0.30), sun, sun);
    QPainterPath hills;
    hills.moveTo(o + QPointF(0, h * 0.92));
    hills.lineTo(o + QPointF(w * 0.34, h * 0.46));
    hills.lineTo(o + QPointF(w * 0.58, h * 0.76));
    hills.lineTo(o + QPointF(w * 0.72, h * 0.60));
    hills.lineTo(o + QPointF(w, h * 0.90));
    hills.lineTo(o + QPointF(w, h));
    hills.lineTo(o + QPointF(0, h));
    hills.closeSubpath();
    p.drawPath(hills);
    p.restore();
}

void brokenPhoto(QPainter& p, const QRectF& box, const QColor& color, qreal width)
{
    // A zigzag tear from top to bottom, a little right of the middle.
    QPolygonF tear;
    const int teeth = 5;
    for (int i = 0; i <= teeth; ++i) {
        const qreal y = box.top() - 1 + (box.height() + 2) * i / teeth;
        const qreal x = box.left() + box.width() * (i % 2 ? 0.44 : 0.56);
        tear << QPointF(x, y);
    }
    QPainterPath left;
    left.moveTo(box.left() - 2, box.top() - 2);
    for (const QPointF& pt : tear)
        left.lineTo(pt);
    left.lineTo(box.left() - 2, box.bottom() + 2);
    left.closeSubpath();
    QPainterPath all;
    all.addRect(box.adjusted(-2, -2, 2, 2));
    const QPainterPath right = all.subtracted(left);

    // The halves drift apart and tilt, so the tear reads even when small.
    const qreal gap = qMax<qreal>(1.0, box.width() * 0.07);
    const QRectF inner = box.adjusted(gap, gap, -gap, -gap);
    // Each half carries its clip with it, so the tear opens up.
    p.save();
    p.translate(inner.bottomLeft());
    p.rotate(-4);
    p.translate(-inner.bottomLeft() + QPointF(-gap, 0));
    p.setClipPath(left);
    photo(p, inner, color, width);
    p.restore();
    p.save();
    p.translate(inner.bottomRight());
    p.rotate(4);
    p.translate(-inner.bottomRight() + QPointF(gap, 0));
    p.setClipPath(right);
    photo(p, inner, color, width);
    p.restore();
}

} // namespace Glyphs
