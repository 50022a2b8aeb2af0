#pragma once

#include <QRect>

class QPainter;

// The mark of a photo already imported to this computer: a small green
// disc with a check, drawn by the list's cells and the thumbnail grid.
namespace ImportedMark {

constexpr int Side = 14;
// The models' role that says a row was imported (bool).
constexpr int Role = 0x0100 + 111; // Qt::UserRole + 111

void paint(QPainter* painter, const QRect& box);

} // namespace ImportedMark
