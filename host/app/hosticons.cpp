#include "hosticons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor kNormal(0x5f, 0x63, 0x68);
const QColor kChecked(0xe5, 0x24, 0x70);
const QColor kDisabled(0xc4, 0xc7, 0xcc);

// Drawn on a 24 x 24 grid, rendered at twice the size for high-density screens.
QPixmap render(const Drawing& draw, const QColor& color)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2, 2);
    painter.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    draw(painter);
    painter.end();
    pixmap.setDevicePixelRatio(2);
    return pixmap;
}

// A button icon takes the accent colour when checked; an entry icon when
// selected, whatever its state (an open tree node draws its icon "on").
enum class Kind { Button, Entry };

QIcon make(const Drawing& draw, Kind kind = Kind::Button)
{
    const QPixmap normal = render(draw, kNormal);
    const QPixmap accent = render(draw, kChecked);
    const QPixmap disabled = render(draw, kDisabled);
    QIcon icon;
    for (QIcon::State state : { QIcon::Off, QIcon::On }) {
        const bool on = state == QIcon::On && kind == Kind::Button;
        icon.addPixmap(on ? accent : normal, QIcon::Normal, state);
        icon.addPixmap(on ? accent : normal, QIcon::Active, state);
        icon.addPixmap(kind == Kind::Entry || on ? accent : normal, QIcon::Selected, state);
        icon.addPixmap(disabled, QIcon::Disabled, state);
    }
    return icon;
}

void fill(QPainter& p, const QRectF& rect, qreal radius = 1)
{
    p.save();
    p.setBrush(p.pen().color());
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

void mountains(QPainter& p, const QRectF& frame)
{
    QPainterPath path;
    path.moveTo(frame.left() + 1, frame.bottom() - 1);
    path.lineTo(frame.left() + frame.width() * 0.38, frame.top() + frame.height() * 0.5);
    path.lineTo(frame.left() + frame.width() * 0.6, frame.top() + frame.height() * 0.72);
    path.lineTo(frame.left() + frame.width() * 0.75, frame.top() + frame.height() * 0.58);
    path.lineTo(frame.right() - 1, frame.bottom() - 1);
    p.drawPath(path);
    p.drawEllipse(
        QPointF(frame.left() + frame.width() * 0.7, frame.top() + frame.height() * 0.3), 1.4, 1.4);
}

} // namespace

namespace HostIcons {

QIcon viewList()
{
    return make([](QPainter& p) {
        for (int row = 0; row < 4; ++row) {
            const qreal y = 6 + row * 4;
            fill(p, QRectF(4, y - 1, 2, 2));
            p.drawLine(QPointF(9, y), QPointF(20, y));
        }
    });
}

QIcon viewThumbList()
{
    return make([](QPainter& p) {
        for (int row = 0; row < 2; ++row) {
            const qreal y = 4.5 + row * 8.5;
            p.drawRoundedRect(QRectF(4, y, 6, 6), 1.2, 1.2);
            p.drawLine(QPointF(13, y + 2), QPointF(20, y + 2));
            p.drawLine(QPointF(13, y + 5), QPointF(17, y + 5));
        }
    });
}

QIcon viewAlbum()
{
    return make([](QPainter& p) {
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 2; ++column)
                p.drawRoundedRect(QRectF(4.5 + column * 8, 4.5 + row * 8, 6, 6), 1.2, 1.2);
        }
    });
}

QIcon phone()
{
    return make(
        [](QPainter& p) {
            p.drawRoundedRect(QRectF(7, 2.5, 10, 19), 2.2, 2.2);
            p.drawLine(QPointF(10.5, 18.5), QPointF(13.5, 18.5));
        },
        Kind::Entry);
}

QIcon photo()
{
    return make(
        [](QPainter& p) {
            const QRectF frame(3.5, 5, 17, 14);
            p.drawRoundedRect(frame, 2, 2);
            mountains(p, frame);
        },
        Kind::Entry);
}

QIcon music()
{
    return make(
        [](QPainter& p) {
            p.drawEllipse(QPointF(8, 17.5), 2.5, 2);
            p.drawEllipse(QPointF(17, 15.5), 2.5, 2);
            p.drawLine(QPointF(10.5, 17.5), QPointF(10.5, 6));
            p.drawLine(QPointF(19.5, 15.5), QPointF(19.5, 4));
            p.drawLine(QPointF(10.5, 6), QPointF(19.5, 4));
        },
        Kind::Entry);
}

QIcon video()
{
    return make(
        [](QPainter& p) {
            p.drawRoundedRect(QRectF(3, 6.5, 13, 11), 2, 2);
            QPainterPath lens;
            lens.moveTo(16, 10.5);
            lens.lineTo(21, 7.5);
            lens.lineTo(21, 16.5);
            lens.lineTo(16, 13.5);
            p.drawPath(lens);
        },
        Kind::Entry);
}

QIcon library()
{
    return make(
        [](QPainter& p) {
            p.drawRoundedRect(QRectF(3, 7, 14, 12), 1.8, 1.8);
            p.drawPolyline(QPolygonF({ QPointF(6, 4.5), QPointF(20, 4.5), QPointF(20, 15) }));
            mountains(p, QRectF(3, 7, 14, 12));
        },
        Kind::Entry);
}

QIcon album()
{
    return make(
        [](QPainter& p) {
            p.drawRoundedRect(QRectF(5, 3.5, 14, 17), 1.8, 1.8);
            p.drawLine(QPointF(8.5, 3.5), QPointF(8.5, 20.5));
            p.drawLine(QPointF(11.5, 8.5), QPointF(16, 8.5));
        },
        Kind::Entry);
}

QIcon search()
{
    return make([](QPainter& p) {
        p.drawEllipse(QPointF(10.5, 10.5), 5.5, 5.5);
        p.drawLine(QPointF(14.5, 14.5), QPointF(19.5, 19.5));
    });
}

QIcon transfer()
{
    // Drawn white: it sits on the accent-coloured button.
    QIcon icon;
    const Drawing draw = [](QPainter& p) {
        p.drawLine(QPointF(12, 4), QPointF(12, 15));
        p.drawPolyline(QPolygonF({ QPointF(7.5, 10.5), QPointF(12, 15), QPointF(16.5, 10.5) }));
        p.drawLine(QPointF(5, 19.5), QPointF(19, 19.5));
    };
    icon.addPixmap(render(draw, Qt::white), QIcon::Normal);
    icon.addPixmap(render(draw, QColor(0xf3, 0xf4, 0xf6)), QIcon::Disabled);
    return icon;
}

} // namespace HostIcons
