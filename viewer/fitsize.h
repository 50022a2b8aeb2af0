#pragma once

class QPainter;
class QPixmap;
class QRect;

// Fits w x h into maxW x maxH keeping the aspect ratio. Without enlarge a size
// that already fits is kept. An empty size has no ratio to keep: it is only
// clamped, so nothing divides by zero.
void FitSize(int& w, int& h, int maxW, int maxH, bool enlarge);

// Draws the pixmap fitted into rect (never enlarged) and centred in it.
void DrawPixmapCentered(const QPixmap& pixmap, QPainter* painter, const QRect& rect);
