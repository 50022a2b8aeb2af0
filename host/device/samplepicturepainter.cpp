#include "samplepicturepainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <random>

namespace {

class Dice
{
public:
    explicit Dice(quint32 seed)
        : m_engine(seed)
    {
    }
    int below(int n) { return n <= 0 ? 0 : int(m_engine() % quint32(n)); }
    qreal unit() { return qreal(m_engine() % 10000) / 10000.0; }

private:
    std::mt19937 m_engine;
};

QColor hsv(int hue, int saturation, int value)
{
    return QColor::fromHsv(
        ((hue % 360) + 360) % 360, qBound(0, saturation, 255), qBound(0, value, 255));
}

void paintSky(QPainter& p, const QSize& size, int hue, bool evening)
{
    QLinearGradient sky(0, 0, 0, size.height() * 0.7);
    sky.setColorAt(0, evening ? hsv(240 + hue % 40, 150, 120) : hsv(195 + hue % 30, 140, 235));
    sky.setColorAt(1, evening ? hsv(15 + hue % 30, 170, 250) : hsv(205 + hue % 30, 40, 250));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
}

void paintSun(QPainter& p, const QSize& size, Dice& dice, bool evening)
{
    const qreal r = size.width() * (0.05 + 0.04 * dice.unit());
    const QPointF centre(size.width() * (0.15 + 0.7 * dice.unit()),
        size.height() * (evening ? 0.5 : 0.12 + 0.2 * dice.unit()));
    QRadialGradient glow(centre, r * 3);
    glow.setColorAt(0, QColor(255, 250, 220, 230));
    glow.setColorAt(0.35, QColor(255, evening ? 170 : 240, 120, 120));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, r * 3, r * 3);
    p.setBrush(evening ? QColor(255, 190, 110) : QColor(255, 250, 225));
    p.drawEllipse(centre, r, r);
}

void paintHills(QPainter& p, const QSize& size, Dice& dice, int hue, int layers)
{
    for (int layer = 0; layer < layers; ++layer) {
        const qreal base = size.height() * (0.45 + 0.12 * layer);
        QPainterPath path(QPointF(0, size.height()));
        const int peaks = 3 + dice.below(4);
        for (int i = 0; i <= peaks; ++i) {
            const qreal x = size.width() * qreal(i) / peaks;
            const qreal y = base - size.height() * (0.05 + 0.15 * dice.unit()) / (layer + 1);
            path.lineTo(x, y);
        }
        path.lineTo(size.width(), size.height());
        path.closeSubpath();
        QLinearGradient shade(0, base - size.height() * 0.2, 0, size.height());
        shade.setColorAt(0, hsv(70 + hue % 60 + 15 * layer, 90 + 25 * layer, 170 - 30 * layer));
        shade.setColorAt(1, hsv(90 + hue % 60 + 15 * layer, 120, 90 - 10 * layer));
        p.setBrush(shade);
        p.drawPath(path);
    }
}

void paintSea(QPainter& p, const QSize& size, Dice& dice, int hue)
{
    const qreal horizon = size.height() * (0.55 + 0.1 * dice.unit());
    QLinearGradient water(0, horizon, 0, size.height());
    water.setColorAt(0, hsv(185 + hue % 30, 110, 200));
    water.setColorAt(1, hsv(205 + hue % 30, 170, 110));
    p.fillRect(QRectF(0, horizon, size.width(), size.height() - horizon), water);
    p.setPen(QPen(QColor(255, 255, 255, 70), qMax(1.0, size.height() / 300.0)));
    for (int i = 0; i < 14; ++i) {
        const qreal y = horizon + (size.height() - horizon) * dice.unit();
        const qreal x = size.width() * dice.unit();
        p.drawLine(QPointF(x, y), QPointF(x + size.width() * (0.05 + 0.1 * dice.unit()), y));
    }
    p.setPen(Qt::NoPen);
}

void paintSkyline(QPainter& p, const QSize& size, Dice& dice, int hue)
{
    qreal x = 0;
    while (x < size.width()) {
        const qreal w = size.width() * (0.05 + 0.07 * dice.unit());
        const qreal h = size.height() * (0.2 + 0.4 * dice.unit());
        const QRectF tower(x, size.height() - h, w * 0.92, h);
        p.setBrush(hsv(220 + hue % 30, 40, 60 + dice.below(50)));
        p.drawRect(tower);
        p.setBrush(QColor(255, 220, 140, 200));
        const qreal cell = w / 5;
        for (qreal wy = tower.top() + cell; wy < size.height() - cell; wy += cell * 1.6) {
            for (qreal wx = tower.left() + cell * 0.6; wx < tower.right() - cell;
                 wx += cell * 1.4) {
                if (dice.below(3) == 0)
                    p.drawRect(QRectF(wx, wy, cell * 0.7, cell * 0.8));
            }
        }
        x += w;
    }
}

} // namespace

QImage SamplePicturePainter::photo(const QSize& size, quint32 seed)
{
    Dice dice(seed);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int hue = dice.below(360);
    switch (dice.below(3)) {
    case 0: // hills under a day sky
        paintSky(p, size, hue, false);
        paintSun(p, size, dice, false);
        paintHills(p, size, dice, hue, 3);
        break;
    case 1: // sunset over the sea
        paintSky(p, size, hue, true);
        paintSun(p, size, dice, true);
        paintSea(p, size, dice, hue);
        break;
    default: // a city at dusk
        paintSky(p, size, hue, true);
        paintSkyline(p, size, dice, hue);
        break;
    }
    return image;
}

QImage SamplePicturePainter::screenshot(const QSize& size, quint32 seed)
{
    Dice dice(seed);
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(246, 246, 250));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int hue = dice.below(360);
    const qreal unit = size.width() / 36.0;
    p.fillRect(QRectF(0, 0, size.width(), unit * 2), hsv(hue, 160, 120));
    p.fillRect(QRectF(0, unit * 2, size.width(), unit * 5), hsv(hue, 150, 170));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(unit * 2, unit * 3.5, size.width() * 0.45, unit * 1.6), unit, unit);
    qreal y = unit * 8.5;
    while (y < size.height() - unit * 6) {
        const qreal h = unit * (5 + dice.below(6));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(unit * 1.5, y, size.width() - unit * 3, h), unit, unit);
        QLinearGradient picture(0, y, 0, y + h);
        picture.setColorAt(0, hsv(hue + dice.below(120), 120, 230));
        picture.setColorAt(1, hsv(hue + dice.below(120), 160, 160));
        p.setBrush(picture);
        p.drawRoundedRect(
            QRectF(unit * 2.5, y + unit, h - unit * 2, h - unit * 2), unit * 0.6, unit * 0.6);
        p.setBrush(QColor(200, 200, 210));
        for (int line = 0; line < 3 && unit * (1.3 + line * 1.4) < h - unit; ++line) {
            const qreal width = (size.width() - h - unit * 5) * (0.5 + 0.5 * dice.unit());
            p.drawRoundedRect(
                QRectF(h + unit * 2, y + unit * (1.3 + line * 1.4), width, unit * 0.7), unit * 0.35,
                unit * 0.35);
        }
        y += h + unit;
    }
    p.fillRect(QRectF(0, size.height() - unit * 4, size.width(), unit * 4), QColor(255, 255, 255));
    p.setBrush(hsv(hue, 160, 170));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(size.width() * (0.125 + 0.25 * i), size.height() - unit * 2),
            unit * 0.8, unit * 0.8);
    return image;
}

QImage SamplePicturePainter::badge(const QSize& size, quint32 seed, int frame)
{
    Dice dice(seed);
    const int hue = dice.below(360);
    QImage image(size, QImage::Format_RGB32);
    image.fill(hsv(hue, 40, 250));
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(hsv(hue + 180, 200, 220));
    const qreal r = size.width() * 0.18;
    const qreal x = r + (size.width() - 2 * r) * ((frame % 4) / 3.0);
    p.drawEllipse(QPointF(x, size.height() / 2.0), r, r);
    return image;
}
