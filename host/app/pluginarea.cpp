#include "pluginarea.h"

#include <QResizeEvent>

PluginArea::PluginArea(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pluginArea"));
    setMinimumSize(200, 200);
}

void PluginArea::setPluginWidget(QWidget* widget)
{
    m_widget = widget;
    fitPluginWidget();
}

void PluginArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitPluginWidget();
}

void PluginArea::fitPluginWidget()
{
    if (!m_widget)
        return;
    m_widget->move(0, 0);
    m_widget->setFixedSize(qMax(0, width() - 1), height());
}
