#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// Shapes shared by the host's images, so every picture speaks one language:
// the same stroke widths, corner radii and colours.
namespace Glyphs {

// Palette of the host's look.
const QColor Accent(229, 36, 112);
const QColor AccentDark(196, 24, 92);
const QColor Ink(72, 72, 72);
const QColor InkSoft(128, 128, 128);
const QColor InkFaint(190, 190, 190);
const QColor Line(222, 224, 228);
const QColor Surface(243, 244, 246);
const QColor SurfaceBorder(226, 228, 232);
const QColor StripPanel(49, 49, 49);

enum class Direction { Left, Right, Up, Down };

// A chevron (open arrow head) centred in box, pointing in direction.
void chevron(QPainter& p, const QRectF& box, Direction direction, const QColor& color, qreal width);
void doubleChevron(
    QPainter& p, const QRectF& box, Direction direction, const QColor& color, qreal width);
void checkMark(QPainter& p, const QRectF& box, const QColor& color, qreal width);
void cross(QPainter& p, const QRectF& box, const QColor& color, qreal width);
void plus(QPainter& p, const QRectF& box, const QColor& color, qreal width);
void minus(QPainter& p, const QRectF& box, const QColor& color, qreal width);

// A circular arrow for the rotate buttons; clockwise turns to the right.
void rotateArrow(QPainter& p, const QRectF& box, bool clockwise, const QColor& color, qreal width);

// The photo symbol: a rounded frame with a sun and two hills.
void photo(QPainter& p, const QRectF& box, const QColor& color, qreal width);
// The same symbol torn in two along a zigzag.
void brokenPhoto(QPainter& p, const QRectF& box, const QColor& color, qreal width);

QPainterPath roundedRect(const QRectF& rect, qreal radius);

} // namespace Glyphs
