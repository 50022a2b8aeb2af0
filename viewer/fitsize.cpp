#include "fitsize.h"

#include <QPainter>
#include <QPixmap>
#include <QRect>

void FitSize(int& w, int& h, int maxW, int maxH, bool enlarge)
{
    // A box narrower than nothing (a tiny centre minus its buttons) is empty.
    maxW = qMax(maxW, 0);
    maxH = qMax(maxH, 0);
    if (!enlarge && w <= maxW && h <= maxH)
        return;
    if (w <= 0 || h <= 0) {
        w = qBound(0, w, maxW);
        h = qBound(0, h, maxH);
        return;
    }
    const double a = double(w) / h;
    const double b = double(h) / w;
    if (w <= h) {
        h = maxH;
        w = int(h * a);
        if (w > maxW) {
            w = maxW;
            h = int(w * b);
        }
    } else {
        w = maxW;
        h = int(w * b);
        if (h > maxH) {
            h = maxH;
            w = int(h * a);
        }
    }
}

void DrawPixmapCentered(const QPixmap& pixmap, QPainter* painter, const QRect& rect)
{
    if (pixmap.isNull() || !painter)
        return;
    int w = pixmap.width();
    int h = pixmap.height();
    FitSize(w, h, rect.width(), rect.height(), false);
    if (w <= 0 || h <= 0)
        return;
    const QPoint at(rect.x() + (rect.width() - w) / 2, rect.y() + (rect.height() - h) / 2);
    if (w == pixmap.width() && h == pixmap.height()) {
        painter->drawPixmap(at, pixmap);
        return;
    }
    painter->drawPixmap(at, pixmap.scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
