// The images of the thumbnail pages: group header bar, row divider, group and
// page check boxes, the sorting bar and the thumbnail size controls.

#include "glyphs.h"
#include "imagemaker.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

enum class State { Normal, Over, Down, Disabled };

QString stateName(State state)
{
    switch (state) {
    case State::Normal:
        return QStringLiteral("normal");
    case State::Over:
        return QStringLiteral("over");
    case State::Down:
        return QStringLiteral("down");
    case State::Disabled:
        return QStringLiteral("disabled");
    }
    return QString();
}

void drawCheckBox(QPainter& p, const QRectF& box, bool checked, State state)
{
    const qreal radius = box.width() * 0.22;
    const QRectF r = box.adjusted(0.75, 0.75, -0.75, -0.75);
    p.setRenderHint(QPainter::Antialiasing);
    if (checked) {
        QColor fill = Glyphs::Accent;
        if (state == State::Over)
            fill = QColor(238, 70, 138);
        else if (state == State::Down)
            fill = Glyphs::AccentDark;
        else if (state == State::Disabled)
            fill = QColor(236, 170, 196);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(box, radius, radius);
        Glyphs::checkMark(p, box, Qt::white, box.width() * 0.12);
        return;
    }
    QColor border(170, 174, 182);
    QColor fill(Qt::white);
    if (state == State::Over) {
        border = Glyphs::Accent;
        fill = QColor(255, 244, 249);
    } else if (state == State::Down) {
        border = Glyphs::AccentDark;
        fill = QColor(250, 222, 234);
    } else if (state == State::Disabled) {
        border = QColor(214, 216, 220);
        fill = QColor(246, 246, 247);
    }
    p.setPen(QPen(border, 1.3));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A round button with a symbol: an outline at rest, filled when pressed.
void drawRoundButton(QPainter& p, const QRectF& box, State state,
    void (*symbol)(QPainter&, const QRectF&, const QColor&, qreal))
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = box.adjusted(0.8, 0.8, -0.8, -0.8);
    QColor ink = Glyphs::InkSoft;
    QColor fill(Qt::white);
    if (state == State::Over) {
        ink = Glyphs::Accent;
    } else if (state == State::Down) {
        ink = Qt::white;
        fill = Glyphs::Accent;
    } else if (state == State::Disabled) {
        ink = QColor(206, 208, 212);
    }
    p.setPen(QPen(state == State::Down ? Glyphs::Accent : ink, 1.2));
    p.setBrush(fill);
    p.drawEllipse(ring);
    const qreal inset = box.width() * 0.3;
    symbol(p, box.adjusted(inset, inset, -inset, -inset), ink, 1.5);
}

} // namespace

void ImageMaker::makeThumbnailHeader()
{
    // Drawn whole and cut, so the three pieces join without a seam.
    QImage bar = canvas(24, 36);
    QPainter p(&bar);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Glyphs::SurfaceBorder, 1));
    p.setBrush(Glyphs::Surface);
    p.drawRoundedRect(QRectF(0.5, 0.5, 23, 35), 6, 6);
    // A hairline of light along the top edge lifts the bar off the page.
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawLine(QPointF(6, 1.5), QPointF(18, 1.5));
    p.end();
    saveThreeSlices(
        bar, 10, 10, QStringLiteral("Image/common/3.Body/common_thumbnail_index_%1.png"));
}

void ImageMaker::makeDivider()
{
    // A hairline that fades in over the left piece and out over the right one.
    QImage line = canvas(204, 12);
    QPainter p(&line);
    QLinearGradient fade(0, 0, 204, 0);
    QColor clear = Glyphs::Line;
    clear.setAlpha(0);
    fade.setColorAt(0.0, clear);
    fade.setColorAt(100.0 / 204, Glyphs::Line);
    fade.setColorAt(104.0 / 204, Glyphs::Line);
    fade.setColorAt(1.0, clear);
    p.fillRect(QRect(0, 6, 204, 1), fade);
    p.end();
    saveThreeSlices(
        line, 100, 100, QStringLiteral("Image/common/3.Body/common_thumbnail_divider_%1.png"));
}

void ImageMaker::makeCheckBoxes()
{
    const State groupStates[] = { State::Normal, State::Over, State::Down };
    for (State state : groupStates) {
        for (bool checked : { true, false }) {
            QImage image = canvas(18, 18);
            QPainter p(&image);
            drawCheckBox(p, QRectF(1, 1, 16, 16), checked, state);
            p.end();
            save(image,
                QStringLiteral("Image/common/8.CheckRadio/thumbnailview_%1checkbox02_%2.png")
                    .arg(checked ? QString() : QStringLiteral("un"), stateName(state)));
        }
    }
    // The smaller box of ordinary check boxes ("All" on the sorting bar).
    const State allStates[] = { State::Normal, State::Over, State::Down, State::Disabled };
    for (State state : allStates) {
        for (bool checked : { true, false }) {
            QImage image = canvas(15, 15);
            QPainter p(&image);
            drawCheckBox(p, QRectF(0.5, 0.5, 14, 14), checked, state);
            p.end();
            save(image,
                QStringLiteral("Image/common/8.CheckRadio/common_checkbox_%1_%2.png")
                    .arg(checked ? QStringLiteral("on") : QStringLiteral("off"), stateName(state)));
        }
    }
}

void ImageMaker::makeSortingBar()
{
    QImage bar = canvas(20, 30);
    QPainter p(&bar);
    QLinearGradient shade(0, 0, 0, 30);
    shade.setColorAt(0.0, QColor(250, 250, 251));
    shade.setColorAt(1.0, QColor(239, 240, 242));
    p.fillRect(bar.rect(), shade);
    p.fillRect(QRect(0, 29, 20, 1), QColor(218, 220, 224));
    p.end();
    saveThreeSlices(
        bar, 8, 8, QStringLiteral("Image/common/3.Body/common_body_sorting_bar_bg_phone_%1.png"));
}

void ImageMaker::makeAlbumControls()
{
    const State states[] = { State::Normal, State::Over, State::Down, State::Disabled };
    for (State state : states) {
        QImage minus = canvas(17, 17);
        QPainter pm(&minus);
        drawRoundButton(pm, QRectF(0, 0, 17, 17), state, Glyphs::minus);
        pm.end();
        save(minus,
            QStringLiteral("Image/common/2.Button/common_btn_thumbsize_minus_%1.png")
                .arg(stateName(state)));

        QImage plus = canvas(17, 17);
        QPainter pp(&plus);
        drawRoundButton(pp, QRectF(0, 0, 17, 17), state, Glyphs::plus);
        pp.end();
        save(plus,
            QStringLiteral("Image/common/2.Button/common_btn_thumbsize_plus_%1.png")
                .arg(stateName(state)));
    }

    // Slider handle: a white knob ringed in the accent colour.
    for (State state : { State::Normal, State::Over, State::Down }) {
        QImage knob = canvas(10, 10);
        QPainter p(&knob);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(state == State::Down ? Glyphs::AccentDark : Glyphs::Accent, 1.8));
        p.setBrush(state == State::Normal ? QColor(Qt::white) : QColor(255, 232, 242));
        p.drawEllipse(QRectF(0.9, 0.9, 8.2, 8.2));
        p.end();
        save(knob,
            QStringLiteral("Image/common/4.Slider/common_slider_handle_%1.png")
                .arg(stateName(state)));
    }
}
