#include "importedmark.h"

#include <QPainter>
#include <QPainterPath>

namespace ImportedMark {

void paint(QPainter* painter, const QRect& box)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::white, 1.2));
    painter->setBrush(QColor(0x2e, 0x7d, 0x32));
    const QRectF disc = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->drawEllipse(disc);
    QPainterPath check;
    check.moveTo(disc.left() + disc.width() * 0.27, disc.top() + disc.height() * 0.53);
    check.lineTo(disc.left() + disc.width() * 0.44, disc.top() + disc.height() * 0.70);
    check.lineTo(disc.left() + disc.width() * 0.74, disc.top() + disc.height() * 0.34);
    painter->setPen(
        QPen(Qt::white, qMax(1.5, disc.width() / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(check);
    painter->restore();
}

} // namespace ImportedMark
