#pragma once

#include <QPixmap>
#include <QWidget>

// The viewer's still picture: decoded once at load time, no larger than the
// largest screen can show it, upright as its EXIF orientation says; turned
// in steps of 90 degrees, drawn fitted and centred on a white ground.
class PhotoViewerPixmap : public QWidget
{
    Q_OBJECT

public:
    explicit PhotoViewerPixmap(QWidget* parent = nullptr);

    // path: a stored or a file-system path; orientation: an EXIF code.
    void SetImage(const QString& path, int orientation);
    void RotateRight();
    void RotateLeft();
    QSize ImageSize() const { return m_pixmap.size(); }
    void SetMaxSize(int width, int height);
    const QPixmap& pixmap() const { return m_pixmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rotate(int angle);

    QPixmap m_pixmap;
    QPixmap m_scaled;
    qint64 m_scaledKey = 0;
    int m_maxWidth = 0;
    int m_maxHeight = 0;
};
