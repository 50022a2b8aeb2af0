#include "photoviewerpixmap.h"

#include "host/services/fileutils.h"
#include "viewer/fitsize.h"

#include <QBuffer>
#include <QDebug>
#include <QImageReader>
#include <QPainter>
#include <QTransform>

namespace {

// Decodes at most maxW x maxH (0: no bound). Formats that can decode scaled
// (JPEG) then never hold the full picture, which for very large photos would
// also exceed the reader's allocation limit.
QImage readBounded(QImageReader& reader, int maxW, int maxH)
{
    reader.setDecideFormatFromContent(true);
    const QSize full = reader.size();
    if (full.isValid() && maxW > 0 && maxH > 0 && (full.width() > maxW || full.height() > maxH)) {
        int w = full.width();
        int h = full.height();
        FitSize(w, h, maxW, maxH, false);
        if (w > 0 && h > 0)
            reader.setScaledSize(QSize(w, h));
    }
    return reader.read();
}

} // namespace

PhotoViewerPixmap::PhotoViewerPixmap(QWidget* parent)
    : QWidget(parent)
{
}

void PhotoViewerPixmap::SetMaxSize(int width, int height)
{
    m_maxWidth = width;
    m_maxHeight = height;
}

void PhotoViewerPixmap::SetImage(const QString& path, int rotation)
{
    m_pixmap = QPixmap();
    if (path.isEmpty())
        return;

    // The name as handed over first; a name the reader cannot open (a stored
    // path with "\\" separators, say) still loads through the host's reader.
    QImage image;
    {
        QImageReader reader(path);
        image = readBounded(reader, m_maxWidth, m_maxHeight);
    }
    if (image.isNull()) {
        QByteArray bytes;
        if (GetFilePath2Array(path, &bytes) && !bytes.isEmpty()) {
            QBuffer buffer(&bytes);
            QImageReader reader(&buffer);
            image = readBounded(reader, m_maxWidth, m_maxHeight);
        }
    }
    if (image.isNull()) {
        qDebug() << "device_photo"
                 << "PhotoViewerPixmap::SetImage"
                 << ": cannot decode" << path;
        return;
    }
    m_pixmap = QPixmap::fromImage(image);

    if (m_maxWidth > 0 && m_maxHeight > 0
        && (m_pixmap.width() > m_maxWidth || m_pixmap.height() > m_maxHeight)) {
        m_pixmap
            = m_pixmap.scaled(m_maxWidth, m_maxHeight, Qt::KeepAspectRatio, Qt::FastTransformation);
    }
    if (rotation != 0)
        rotate(rotation);
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
