#include "ocloadingwidget.h"

#include <QEvent>
#include <QPainter>
#include <QtMath>

#include "host/services/logcategories.h"

namespace {

const int kFrameMs = 80;
const QColor kCover(0, 0, 0, 110);
const QColor kSpoke(255, 255, 255);

} // namespace

OCLoadingWidget::OCLoadingWidget(QWidget* parent, int mode)
    : QWidget(parent)
    , m_mode(mode == Small ? Small : FullCover)
{
    setObjectName(QStringLiteral("oc_loading_widget"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // The small spinner sits over something the user may still click.
    setAttribute(Qt::WA_TransparentForMouseEvents, !covers());
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &OCLoadingWidget::advance);
    if (parent)
        parent->installEventFilter(this);
    hide();
}

void OCLoadingWidget::ShowLoadingWidget()
{
    qCDebug(lcHost) << "OCLoadingWidget::ShowLoadingWidget"
                    << ": mode" << m_mode;
    followParent();
    raise();
    show();
    if (!m_timer.isActive()) {
        m_frame = 0;
        m_timer.start();
    }
}

void OCLoadingWidget::HideLoadingWidget()
{
    qCDebug(lcHost) << "OCLoadingWidget::HideLoadingWidget";
    m_timer.stop();
    hide();
}

void OCLoadingWidget::advance()
{
    m_frame = (m_frame + 1) % kSpokes;
    update();
}

bool OCLoadingWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        followParent();
    return QWidget::eventFilter(watched, event);
}

void OCLoadingWidget::followParent()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (covers()) {
        setGeometry(parent->rect());
        return;
    }
    const int side = qMin(spinnerDiameter() + 8, qMin(parent->width(), parent->height()));
    QRect box(0, 0, side, side);
    box.moveCenter(parent->rect().center());
    setGeometry(box);
}

int OCLoadingWidget::spinnerDiameter() const
{
    return covers() ? 48 : 24;
}

void OCLoadingWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (covers())
        painter.fillRect(rect(), kCover);

    const int diameter = qMin(spinnerDiameter(), qMin(width(), height()));
    if (diameter < 8)
        return;
    const qreal outer = diameter / 2.0;
    const qreal inner = outer * 0.45;
    QPen pen(kSpoke);
    pen.setWidthF(qMax(2.0, diameter / 12.0));
    pen.setCapStyle(Qt::RoundCap);
    painter.translate(QRectF(rect()).center());
    // The spoke of the current frame is brightest; the ones behind it fade.
    for (int i = 0; i < kSpokes; ++i) {
        const int age = (m_frame - i + kSpokes) % kSpokes;
        QColor color = kSpoke;
        color.setAlphaF(1.0 - 0.8 * age / (kSpokes - 1));
        pen.setColor(color);
        painter.setPen(pen);
        const qreal angle = qDegreesToRadians(360.0 * i / kSpokes - 90.0);
        const QPointF direction(qCos(angle), qSin(angle));
        painter.drawLine(direction * inner, direction * (outer - pen.widthF() / 2));
    }
}
