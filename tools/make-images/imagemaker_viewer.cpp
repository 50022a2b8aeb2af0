// The images of the photo viewer, the loading animation, the placeholders
// for missing thumbnails and the new-photo mark.

#include "glyphs.h"
#include "imagemaker.h"

#include <QPainter>
#include <QtMath>

namespace {

enum class Look { Normal, Over, Down, Disabled };

const Look AllLooks[] = { Look::Normal, Look::Over, Look::Down, Look::Disabled };

QString lookName(Look look)
{
    switch (look) {
    case Look::Normal:
        return QStringLiteral("normal");
    case Look::Over:
        return QStringLiteral("over");
    case Look::Down:
        return QStringLiteral("down");
    case Look::Disabled:
        return QStringLiteral("disabled");
    }
    return QString();
}

// Previous and next photo: a white disc on the light viewer background.
QImage photoStepButton(Glyphs::Direction direction, Look look)
{
    QImage image(44, 44, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(4, 4, 36, 36);
    // Soft shadow under the disc.
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, look == Look::Disabled ? 4 : 10));
        p.drawEllipse(disc.adjusted(-i, -i + 1.5, i, i + 1.5));
    }
    QColor fill(255, 255, 255, 235);
    QColor ink = Glyphs::Ink;
    if (look == Look::Over) {
        ink = Glyphs::Accent;
    } else if (look == Look::Down) {
        fill = Glyphs::Accent;
        ink = Qt::white;
    } else if (look == Look::Disabled) {
        fill = QColor(255, 255, 255, 120);
        ink = QColor(196, 196, 196);
    }
    p.setBrush(fill);
    p.setPen(QPen(QColor(0, 0, 0, look == Look::Down ? 0 : 22), 1));
    p.drawEllipse(disc);
    const qreal nudge = direction == Glyphs::Direction::Left ? -1.5 : 1.5;
    Glyphs::chevron(p, QRectF(15 + nudge, 14, 14, 16), direction, ink, 2.4);
    return image;
}

// Rotate buttons float over the photo: a dark translucent disc.
QImage rotateButton(bool clockwise, Look look)
{
    QImage image(34, 34, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill(0, 0, 0, 120);
    if (look == Look::Over)
        fill = QColor(0, 0, 0, 170);
    else if (look == Look::Down)
        fill = Glyphs::Accent;
    else if (look == Look::Disabled)
        fill = QColor(0, 0, 0, 50);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(1, 1, 32, 32));
    const QColor ink = look == Look::Disabled ? QColor(255, 255, 255, 110) : QColor(Qt::white);
    Glyphs::rotateArrow(p, QRectF(7, 7, 20, 20), clockwise, ink, 2.0);
    return image;
}

// Page buttons sit on the dark film strip panel.
QImage pageButton(Glyphs::Direction direction, Look look)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink(176, 176, 176);
    if (look == Look::Over || look == Look::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(look == Look::Down ? Glyphs::Accent : QColor(255, 255, 255, 28));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        ink = Qt::white;
    } else if (look == Look::Disabled) {
        ink = QColor(88, 88, 88);
    }
    Glyphs::doubleChevron(p, QRectF(8, 9, 16, 14), direction, ink, 2.0);
    return image;
}

QImage closeButton(Look look)
{
    QImage image(9, 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink(104, 104, 104);
    if (look == Look::Over)
        ink = QColor(32, 32, 32);
    else if (look == Look::Down)
        ink = Glyphs::Accent;
    Glyphs::cross(p, QRectF(1.2, 0.8, 6.6, 6.4), ink, 1.5);
    return image;
}

} // namespace

void ImageMaker::makeViewerFrame()
{
    // The film strip panel: dark, rounded at the top, with a light top edge.
    // Drawn whole, then cut into corners and stretchable edges.
    const int size = 24;
    const int corner = 10;
    QImage frame = canvas(size, size);
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.moveTo(0, size);
    panel.lineTo(0, 8);
    panel.quadTo(0, 0, 8, 0);
    panel.lineTo(size - 8, 0);
    panel.quadTo(size, 0, size, 8);
    panel.lineTo(size, size);
    panel.closeSubpath();
    // The panel shifted down by a pixel over a lighter copy leaves a light
    // rim along the top edge and the corners only.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(86, 86, 86));
    p.drawPath(panel);
    p.setBrush(Glyphs::StripPanel);
    p.drawPath(panel.translated(0, 1));
    p.end();

    const int mid = size - 2 * corner;
    struct Piece
    {
        const char* name;
        QRect area;
    };
    const Piece pieces[] = {
        { "top_l", QRect(0, 0, corner, corner) },
        { "top_m", QRect(corner, 0, mid, corner) },
        { "top_r", QRect(size - corner, 0, corner, corner) },
        { "middle_l", QRect(0, corner, corner, mid) },
        { "middle_r", QRect(size - corner, corner, corner, mid) },
        { "bottom_l", QRect(0, size - corner, corner, corner) },
        { "bottom_m", QRect(corner, size - corner, mid, corner) },
        { "bottom_r", QRect(size - corner, size - corner, corner, corner) },
    };
    for (const Piece& piece : pieces) {
        save(frame.copy(piece.area),
            QStringLiteral("Image/photo/photo_viewer_bg_%1.png").arg(QLatin1String(piece.name)));
    }
}

void ImageMaker::makeViewerButtons()
{
    for (Look look : AllLooks) {
        const QString state = lookName(look);
        save(photoStepButton(Glyphs::Direction::Left, look),
            QStringLiteral("Image/photo/photo_viewer_btn_big_pre_%1.png").arg(state));
        save(photoStepButton(Glyphs::Direction::Right, look),
            QStringLiteral("Image/photo/photo_viewer_btn_big_next_%1.png").arg(state));
        save(rotateButton(false, look),
            QStringLiteral("Image/photo/photo_viewer_btn_rotate_l_%1.png").arg(state));
        save(rotateButton(true, look),
            QStringLiteral("Image/photo/photo_viewer_btn_rotate_r_%1.png").arg(state));
        save(pageButton(Glyphs::Direction::Left, look),
            QStringLiteral("Image/photo/photo_viewer_btn_small_pre_%1.png").arg(state));
        save(pageButton(Glyphs::Direction::Right, look),
            QStringLiteral("Image/photo/photo_viewer_btn_small_next_%1.png").arg(state));
        if (look != Look::Disabled)
            save(closeButton(look),
                QStringLiteral("Image/photo/photo_viewer_btn_close_%1.png").arg(state));
    }
}

void ImageMaker::makeLoadingFrames()
{
    // Eight dots on a ring; the bright one walks clockwise, the others trail.
    const int dots = 8;
    for (int frame = 1; frame <= dots; ++frame) {
        QImage image = canvas(36, 36);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < dots; ++i) {
            const int behind = (frame - 1 - i + dots) % dots;
            const qreal angle = -M_PI / 2 + 2 * M_PI * i / dots;
            const QPointF centre(18 + 12 * qCos(angle), 18 + 12 * qSin(angle));
            QColor color = Glyphs::Accent;
            color.setAlphaF(qMax(0.18, 1.0 - behind * 0.14));
            const qreal radius = behind == 0 ? 3.4 : qMax(2.2, 3.1 - behind * 0.12);
            p.setBrush(color);
            p.drawEllipse(centre, radius, radius);
        }
        p.end();
        save(image,
            QStringLiteral("connection/Connection/Lib/linkwave_loading_icon%1.png").arg(frame));
    }
}

void ImageMaker::makePlaceholders()
{
    {
        // Film strip cell without a thumbnail (drawn on black).
        QImage image = canvas(46, 36);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        Glyphs::photo(p, QRectF(2, 2, 42, 32), QColor(96, 96, 96), 2.0);
        p.end();
        save(image, QStringLiteral("Image/photo/photo_albumlist_album_default.png"));
    }
    {
        // Laid over a thumbnail or the default picture, so it carries its own backdrop.
        QImage image = canvas(40, 40);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 150));
        p.drawEllipse(QRectF(0.5, 0.5, 39, 39));
        Glyphs::brokenPhoto(p, QRectF(9, 11, 22, 18), Qt::white, 1.8);
        p.end();
        save(image, QStringLiteral("Image/photo/photo_thumbnail_broken_03.png"));
    }
    {
        QImage image = canvas(73, 73);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        Glyphs::photo(p, QRectF(12.5, 17.5, 48, 38), QColor(196, 199, 204), 2.5);
        p.end();
        save(image, QStringLiteral("Image/photo/photo_thumbnail_photo_icon_73x73.png"));
    }
    {
        // Stretched over the whole thumbnail label of the properties dialog.
        QImage image = canvas(109, 103);
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(245, 246, 248));
        p.setRenderHint(QPainter::Antialiasing);
        Glyphs::brokenPhoto(p, QRectF(31.5, 33.5, 46, 36), QColor(186, 189, 195), 2.5);
        p.end();
        save(image, QStringLiteral("Image/music/popup/properties_fail.png"));
    }
    {
        // The mark of a photo that arrived since the phone was last seen.
        QImage image = canvas(14, 14);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Glyphs::Accent);
        p.drawEllipse(QRectF(1.5, 1.5, 11, 11));
        p.end();
        save(image, QStringLiteral("Image/common/3.Body/common_thumbnail_new_mark.png"));
    }
}
