#include "photoviewercenter.h"

#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/textutils.h"
#include "viewer/fitsize.h"
#include "viewer/photoviewerpixmap.h"

#include <QAbstractButton>
#include <QDebug>
#include <QImageReader>
#include <QLabel>
#include <QMovie>

namespace {

// Room beside the picture for the two rotate buttons.
const int kButtonGaps = 14;
const int kLeftGap = 6;
const int kRightGap = 7;

} // namespace

PhotoviewerCenter::PhotoviewerCenter(QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    m_label->setAlignment(Qt::AlignCenter);
    m_label->hide();
}

void PhotoviewerCenter::SetRotateButtons(QAbstractButton* rotateLeft, QAbstractButton* rotateRight)
{
    m_rotateLeft = rotateLeft;
    m_rotateRight = rotateRight;
    for (QAbstractButton* button : { m_rotateLeft, m_rotateRight }) {
        if (button) {
            button->setParent(this);
            button->hide();
        }
    }
}

void PhotoviewerCenter::SetPixmapView(PhotoViewerPixmap* pixmapView)
{
    m_pixmapView = pixmapView;
}

bool PhotoviewerCenter::IsAnimatedGif(const QString& path)
{
    if (path.isEmpty())
        return false;
    QImageReader reader(toFileSystemPath(path));
    reader.setDecideFormatFromContent(true);
    return reader.format() == "gif" && reader.imageCount() > 1;
}

void PhotoviewerCenter::loadFile(const QString& filename)
{
    loadFile(filename, 0);
}

void PhotoviewerCenter::loadFile(const QString& path, int orientation)
{
    qCDebug(lcViewer) << "PhotoviewerCenter::loadFile" << path;
    on_stop_movie();
    emit on_signal_change_title(getFileName(path, true));
    if (!m_pixmapView) {
        qCDebug(lcViewer) << "PhotoviewerCenter::loadFile : no picture surface";
        return;
    }
    m_pixmapView->SetImage(path, orientation);
    m_imageSize = m_pixmapView->ImageSize();

    const bool showRotate = !m_imageSize.isEmpty() && m_canRotate;
    for (QAbstractButton* button : { m_rotateLeft, m_rotateRight }) {
        if (button)
            button->setVisible(showRotate);
    }

    m_isMovie = IsAnimatedGif(path);
    if (m_isMovie) {
        m_movie = new QMovie(toFileSystemPath(path), "gif", this);
        m_label->setMovie(m_movie);
        m_movie->start();
        m_label->show();
        m_pixmapView->hide();
    } else {
        m_pixmapView->show();
        m_label->hide();
    }
    // A playing animation cannot be turned.
    SetCanRotate(m_canRotate);
    Relayout();
    m_pixmapView->update();
}

void PhotoviewerCenter::SetCanRotate(bool canRotate)
{
    m_canRotate = canRotate;
    // Shown once a picture is here and may be turned; while a turn is saved
    // or the next picture comes, they stay in place, disabled.
    for (QAbstractButton* button : { m_rotateLeft, m_rotateRight }) {
        if (!button)
            continue;
        if (canRotate && !m_imageSize.isEmpty())
            button->show();
        button->setEnabled(canRotate && !m_isMovie);
    }
}

void PhotoviewerCenter::stopMovie()
{
    if (!m_movie)
        return;
    m_movie->stop();
    m_label->setMovie(nullptr);
    m_label->hide();
    delete m_movie;
    m_movie = nullptr;
}

void PhotoviewerCenter::on_stop_movie()
{
    qCDebug(lcViewer) << "PhotoviewerCenter::on_stop_movie";
    emit on_signal_change_title(QString());
    if (m_pixmapView)
        m_pixmapView->SetImage(QString(), 0);
    stopMovie();
}

void PhotoviewerCenter::ClearImage()
{
    stopMovie();
    m_isMovie = false;
    if (m_pixmapView) {
        m_pixmapView->SetImage(QString(), 0);
        m_imageSize = m_pixmapView->ImageSize();
        m_pixmapView->hide();
    }
    for (QAbstractButton* button : { m_rotateLeft, m_rotateRight }) {
        if (button)
            button->hide();
    }
    m_label->hide();
    Relayout();
    if (m_pixmapView)
        m_pixmapView->update();
}

void PhotoviewerCenter::on_rotate(int rotate)
{
    if (rotate == 90)
        RotateRight();
    else if (rotate == -90)
        RotateLeft();
    else
        qCDebug(lcViewer) << "PhotoviewerCenter::on_rotate : ignored" << rotate;
}

bool PhotoviewerCenter::RotateRight()
{
    if (m_isMovie || !m_pixmapView)
        return false;
    m_pixmapView->RotateRight();
    m_imageSize = m_pixmapView->ImageSize();
    Relayout();
    m_pixmapView->update();
    return true;
}

bool PhotoviewerCenter::RotateLeft()
{
    if (m_isMovie || !m_pixmapView)
        return false;
    m_pixmapView->RotateLeft();
    m_imageSize = m_pixmapView->ImageSize();
    Relayout();
    m_pixmapView->update();
    return true;
}

void PhotoviewerCenter::resizeEvent(QResizeEvent* event)
{
    Relayout();
    QWidget::resizeEvent(event);
}

void PhotoviewerCenter::Relayout()
{
    const QRect r = rect();
    const int leftWidth = m_rotateLeft ? m_rotateLeft->width() : 0;
    const int rightWidth = m_rotateRight ? m_rotateRight->width() : 0;
    int w = m_imageSize.width();
    int h = m_imageSize.height();
    FitSize(w, h, r.width() - (leftWidth + rightWidth + kButtonGaps), r.height(), false);
    const int x = r.x() + (r.width() - w) / 2;
    const int y = r.y() + (r.height() - h) / 2;

    if (m_rotateLeft)
        m_rotateLeft->move(x - (leftWidth + kLeftGap), y + h - m_rotateLeft->height());
    if (m_rotateRight)
        m_rotateRight->move(x + w + kRightGap, y + h - m_rotateRight->height());

    if (m_isMovie) {
        if (m_movie)
            m_movie->setScaledSize(QSize(w, h));
        m_label->setGeometry(x, y, w, h);
    } else if (m_pixmapView) {
        m_pixmapView->setGeometry(x, y, w, h);
    }
}
