#pragma once

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdlib>

// How far apart two pictures are, both squeezed to 24 x 24: the mean
// difference of their colour channels, 0 (same) to 255.
inline double pictureDistance(const QImage& a, const QImage& b)
{
    if (a.isNull() || b.isNull())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32)
                         .scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.convertToFormat(QImage::Format_RGB32)
                         .scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int row = 0; row < 24; ++row) {
        for (int column = 0; column < 24; ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (24 * 24 * 3);
}

// A picture file as a viewer shows it: turned by its EXIF orientation.
inline QImage shownPicture(const QString& file)
{
    QImageReader reader(file);
    reader.setAutoTransform(true);
    return reader.read();
}
