#pragma once

#include <QSize>
#include <QWidget>

class PhotoViewerPixmap;
class QAbstractButton;
class QLabel;
class QMovie;

// The middle of the viewer: the photo as large as the viewer allows (never
// enlarged), an animated GIF played in a label instead, and the rotate
// buttons just outside the picture's lower corners.
class PhotoviewerCenter : public QWidget
{
    Q_OBJECT

public:
    explicit PhotoviewerCenter(QWidget* parent = nullptr);

    // The viewer hands over its rotate buttons and the picture surface.
    void SetRotateButtons(QAbstractButton* rotateLeft, QAbstractButton* rotateRight);
    void SetPixmapView(PhotoViewerPixmap* pixmapView);

    // orientation: the EXIF code the picture is shown with.
    void loadFile(const QString& path, int orientation);
    void ClearImage();
    // Off while the picture the buttons would turn is not here yet (a
    // download) or a turn is being saved: the buttons are disabled.
    void SetCanRotate(bool canRotate);
    bool CanRotate() const { return m_canRotate; }
    bool IsMovie() const { return m_isMovie; }
    QSize ImageSize() const { return m_imageSize; }
    QMovie* movie() const { return m_movie; }
    QLabel* movieLabel() const { return m_label; }

    // A GIF with more than one frame; single-frame GIFs are still pictures.
    static bool IsAnimatedGif(const QString& path);

signals:
    void on_signal_change_title(const QString& title);

public slots:
    void loadFile(const QString& filename);
    void on_rotate(int rotate);
    void on_stop_movie();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool RotateRight();
    bool RotateLeft();
    void stopMovie();
    void Relayout();

    QAbstractButton* m_rotateLeft = nullptr;
    QAbstractButton* m_rotateRight = nullptr;
    PhotoViewerPixmap* m_pixmapView = nullptr;
    bool m_canRotate = true;
    QLabel* m_label = nullptr;
    QMovie* m_movie = nullptr;
    bool m_isMovie = false;
    QSize m_imageSize;
};
