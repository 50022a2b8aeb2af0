#pragma once

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

// Pictures written for the viewer tests; GIFs through the host's writer.
namespace TestImages {

bool writeSolid(
    const QString& path, const QSize& size, const QColor& color, const char* format = nullptr);
bool writeGif(const QString& path, const QSize& size, const QList<QColor>& frameColors);
bool writeBytes(const QString& path, const QByteArray& bytes);

} // namespace TestImages
