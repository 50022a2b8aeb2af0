#pragma once

#include <QPointer>
#include <QWidget>

// The contents area of the host window. A plug-in widget fixes its own size
// when shown, so the area hands every new size on to it.
class PluginArea : public QWidget
{
    Q_OBJECT

public:
    explicit PluginArea(QWidget* parent = nullptr);
    void setPluginWidget(QWidget* widget);
    QWidget* pluginWidget() const { return m_widget; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitPluginWidget();

    QPointer<QWidget> m_widget;
};
