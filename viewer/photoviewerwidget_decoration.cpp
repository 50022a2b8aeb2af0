#include "photoviewerwidget.h"

#include <QPainter>
#include <QPixmap>

namespace {

const int kStripPanelHeight = 101;
const QColor kPageColor(227, 227, 227);
const QColor kStripColor(49, 49, 49);

struct Decoration
{
    QPixmap barLeft, barMiddle, barRight;
    QPixmap topLeft, topMiddle, topRight, middleLeft, middleRight;
    QPixmap bottomLeft, bottomMiddle, bottomRight;
};

// Loaded on first use and kept for the life of the program.
const Decoration& decoration()
{
    static const Decoration* images = [] {
        const QString common
            = QStringLiteral(":/Image/common/3.Body/common_body_sorting_bar_bg_phone_");
        const QString photo = QStringLiteral(":/Image/photo/photo_viewer_bg_");
        auto* d = new Decoration;
        d->barLeft.load(common + "l.png");
        d->barMiddle.load(common + "m.png");
        d->barRight.load(common + "r.png");
        d->topLeft.load(photo + "top_l.png");
        d->topMiddle.load(photo + "top_m.png");
        d->topRight.load(photo + "top_r.png");
        d->middleLeft.load(photo + "middle_l.png");
        d->middleRight.load(photo + "middle_r.png");
        d->bottomLeft.load(photo + "bottom_l.png");
        d->bottomMiddle.load(photo + "bottom_m.png");
        d->bottomRight.load(photo + "bottom_r.png");
        return d;
    }();
    return *images;
}

} // namespace

void PhotoViewerWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), height()), kPageColor);
    const Decoration& d = decoration();

    // Title bar: fixed ends, stretched middle.
    const int barHeight = d.barMiddle.height();
    if (barHeight > 0) {
        const QRect bar(0, 0, width() + 1, barHeight + 1);
        const int lw = d.barLeft.width();
        const int rw = d.barRight.width();
        painter.drawPixmap(QRect(bar.left(), 0, lw, barHeight), d.barLeft);
        painter.drawPixmap(
            QRect(bar.left() + lw, 0, bar.width() - lw - rw, barHeight), d.barMiddle);
        painter.drawPixmap(QRect(bar.right() + 1 - rw, 0, rw, barHeight), d.barRight);
    }

    // Film strip panel: a nine-part frame without its centre, filled dark.
    const QRect panel(0, height() - (kStripPanelHeight - 1), width() + 1, kStripPanelHeight);
    const int lw = d.middleLeft.width();
    const int rw = d.middleRight.width();
    const int th = d.topMiddle.height();
    const int bh = d.bottomMiddle.height();
    const int x0 = panel.left();
    const int x1 = panel.left() + lw;
    const int x2 = panel.right() + 1 - rw;
    const int y0 = panel.top();
    const int y1 = panel.top() + th;
    const int y2 = panel.bottom() + 1 - bh;
    painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), kStripColor);
    painter.drawPixmap(QRect(x0, y0, lw, th), d.topLeft);
    painter.drawPixmap(QRect(x1, y0, x2 - x1, th), d.topMiddle);
    painter.drawPixmap(QRect(x2, y0, rw, th), d.topRight);
    painter.drawPixmap(QRect(x0, y1, lw, y2 - y1), d.middleLeft);
    painter.drawPixmap(QRect(x2, y1, rw, y2 - y1), d.middleRight);
    painter.drawPixmap(QRect(x0, y2, lw, bh), d.bottomLeft);
    painter.drawPixmap(QRect(x1, y2, x2 - x1, bh), d.bottomMiddle);
    painter.drawPixmap(QRect(x2, y2, rw, bh), d.bottomRight);
}
