#include "ocpropertycontextsline.h"

#include <QPainter>

OCPropertyContextsLine::OCPropertyContextsLine(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void OCPropertyContextsLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(0, 0, width(), 1, QColor(0xdc, 0xdf, 0xe4));
    painter.fillRect(0, 1, width(), 1, Qt::white);
}
