#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Writes GIF files (Qt reads GIF but cannot write it). Colours are reduced to
// a fixed 216-colour palette; the pixel codes are stored without compression
// gain, which keeps the encoder tiny. Meant for generated sample files.
class GifWriter
{
public:
    // More than one frame makes an endlessly looping animation.
    static bool write(const QString& path, const QList<QImage>& frames, int delayCentiseconds);
};
