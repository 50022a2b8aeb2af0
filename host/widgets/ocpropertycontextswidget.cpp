#include "ocpropertycontextswidget.h"

#include <QPainter>

OCPropertyContextsWidget::OCPropertyContextsWidget(QWidget* parent)
    : QWidget(parent)
{
}

void OCPropertyContextsWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0xda, 0xdc, 0xe0));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}
