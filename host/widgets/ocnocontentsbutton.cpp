#include "ocnocontentsbutton.h"

#include <QPainter>

namespace {

const QColor kAccent(0xe5, 0x24, 0x70);

QColor shade(const QColor& color, bool pressed, bool hovered)
{
    if (pressed)
        return color.darker(115);
    return hovered ? color.lighter(108) : color;
}

} // namespace

OCNoContentsButton::OCNoContentsButton(QWidget* parent)
    : QPushButton(parent)
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void OCNoContentsButton::SetButtonType(int type)
{
    m_type = type;
    update();
}

void OCNoContentsButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    const bool hovered = underMouse();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor text;
    if (m_type == Outlined) {
        painter.setPen(isEnabled() ? QColor(0xb8, 0xbc, 0xc4) : QColor(0xdc, 0xdf, 0xe4));
        painter.setBrush(shade(QColor(0xf7, 0xf8, 0xfa), pressed, hovered));
        text = isEnabled() ? QColor(0x48, 0x48, 0x48) : QColor(0xa0, 0xa0, 0xa0);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(isEnabled() ? shade(kAccent, pressed, hovered) : QColor(0xd0, 0xd0, 0xd0));
        text = Qt::white;
    }
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(text);
    painter.setFont(font());
    const QString shown
        = fontMetrics().elidedText(this->text(), Qt::ElideRight, width() - 8, Qt::TextShowMnemonic);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, shown);
}
