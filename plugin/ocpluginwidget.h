#pragma once

#include <QWidget>

class IPlugins;
class QVBoxLayout;

namespace Ui {
class Widget;
}

// The widget the host embeds: it owns the phone photo screen and routes the
// host's requests to it.
class OCPluginWidget : public QWidget
{
    Q_OBJECT

public:
    OCPluginWidget(IPlugins* plugin, QWidget* parent);
    ~OCPluginWidget() override;

    // The one fully built instance, for plain-function callbacks; null when none.
    static OCPluginWidget* instance();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    IPlugins* m_plugin = nullptr;
    Ui::Widget* m_ui = nullptr;
    QVBoxLayout* m_layout = nullptr;

    static OCPluginWidget* s_instance;
};
