#pragma once

#include "host/contract/pluginhostcontext.h"
#include "hostoptions.h"

#include <QObject>

#include <memory>

class MainWindow;
class PluginLoader;
class PluginManager;

// photo-host itself: settings, log, the plug-in and the window around it.
class HostApplication : public QObject
{
    Q_OBJECT

public:
    explicit HostApplication(const HostOptions& options, QObject* parent = nullptr);
    ~HostApplication() override;

    // Loads the plug-in and shows the window; false with a message on stderr
    // when it cannot.
    bool start();
    void shutDown();

    MainWindow* window() const { return m_window.get(); }
    PluginManager* pluginManager() const { return m_manager.get(); }

private:
    void configureServices();
    bool loadPlugin();
    void scheduleScreenshot();

    HostOptions m_options;
    PluginHostContext m_context;
    std::unique_ptr<PluginManager> m_manager;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<PluginLoader> m_loader;
    bool m_shutDown = false;
};
