#pragma once

#include <QImage>
#include <QSize>

// Paints the pictures of the sample phone: calm generated scenes (sky,
// sun, hills, sea or a skyline) and phone-screen mock-ups, so that screens
// and screenshots look like a real photo collection. Deterministic from the
// seed.
class SamplePicturePainter
{
public:
    static QImage photo(const QSize& size, quint32 seed);
    static QImage screenshot(const QSize& size, quint32 seed);
    static QImage badge(const QSize& size, quint32 seed, int frame); // small animation frames
};
