#include "photoviewerpixmap.h"

#include <QPainter>
#include <QTransform>

#include "host/services/boundedimage.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "viewer/fitsize.h"

PhotoViewerPixmap::PhotoViewerPixmap(QWidget* parent)
    : QWidget(parent)
{
}

void PhotoViewerPixmap::SetMaxSize(int width, int height)
{
    m_maxWidth = width;
    m_maxHeight = height;
}

void PhotoViewerPixmap::SetImage(const QString& path, int orientation)
{
    m_pixmap = QPixmap();
    if (path.isEmpty())
        return;
    // Decoded no larger than it can be shown: the box of the stored picture
    // is the screen turned the way the picture is.
    QSize box(m_maxWidth, m_maxHeight);
    if (ExifOrientation::swapsAxes(orientation))
        box.transpose();
    QString why;
    const QImage stored = BoundedImage::readFile(toFileSystemPath(path), box, &why);
    if (stored.isNull()) {
        qCWarning(lcViewer) << "PhotoViewerPixmap::SetImage: cannot show" << path << why;
        return;
    }
    m_pixmap = QPixmap::fromImage(ExifOrientation::upright(stored, orientation));
    qCDebug(lcViewer) << "PhotoViewerPixmap::SetImage:" << path << "orientation" << orientation
                      << m_pixmap.size();
}

void PhotoViewerPixmap::rotate(int angle)
{
    if (m_pixmap.isNull())
        return;
    m_pixmap = m_pixmap.transformed(QTransform().rotate(angle), Qt::FastTransformation);
}

void PhotoViewerPixmap::RotateRight()
{
    rotate(90);
}

void PhotoViewerPixmap::RotateLeft()
{
    rotate(-90);
}

void PhotoViewerPixmap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_pixmap.isNull())
        return;
    // Smooth scaling of a screen-sized picture is slow; keep the result for
    // repaints at the same size.
    int w = m_pixmap.width();
    int h = m_pixmap.height();
    FitSize(w, h, width(), height(), false);
    if (m_scaledKey != m_pixmap.cacheKey() || m_scaled.size() != QSize(w, h)) {
        m_scaled = (QSize(w, h) == m_pixmap.size() || w <= 0 || h <= 0)
            ? m_pixmap
            : m_pixmap.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledKey = m_pixmap.cacheKey();
    }
    DrawPixmapCentered(m_scaled, &painter, rect());
}
