#pragma once

#include <QImage>
#include <QSize>
#include <QTransform>

// The EXIF orientation code (1-8) says how a stored picture is mirrored and
// turned to be seen upright. Every place that shows a picture (thumbnails,
// the viewer, the properties) goes through here, so a photo looks the same
// in all of them; a code outside 1-8 (0: no tag) counts as 1.
namespace ExifOrientation {

// The code itself when it is 1-8, else 1.
int normalized(int code);
// True for 5-8: the upright picture is as wide as the stored one is high.
bool swapsAxes(int code);
// The transform from the stored picture to the upright one: the only place
// that turns a code into a transform.
QTransform transform(int code);
// The stored picture as it is meant to be seen.
QImage upright(const QImage& stored, int code);
QSize uprightSize(const QSize& stored, int code);
// The code of the upright picture turned further by a multiple of 90
// degrees clockwise (negative: anticlockwise).
int turned(int code, int degreesClockwise);

} // namespace ExifOrientation
