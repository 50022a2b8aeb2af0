#pragma once

#include <QMainWindow>

class PluginArea;
class PluginManager;
class QLabel;

// photo-host's main window around the plug-in screen.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(PluginManager* manager, QWidget* parent = nullptr);

    PluginArea* pluginArea() const { return m_pluginArea; }
    bool saveScreenshot(const QString& file);

private slots:
    void showStatusText(const QString& text, Qt::Alignment alignment);

private:
    PluginManager* m_manager = nullptr;
    PluginArea* m_pluginArea = nullptr;
    QLabel* m_statusLabel = nullptr;
};
