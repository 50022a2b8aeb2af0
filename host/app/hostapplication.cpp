#include "hostapplication.h"

#include "host/contract/iplugins.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/logsink.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"
#include "mainwindow.h"
#include "pluginarea.h"
#include "pluginloader.h"
#include "pluginmanager.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

HostApplication::HostApplication(const HostOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
{
}

HostApplication::~HostApplication()
{
    shutDown();
}

void HostApplication::configureServices()
{
    if (!m_options.configDir.isEmpty())
        SetRegistryFolder(m_options.configDir);
    const QString logFolder = m_options.configDir.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        : m_options.configDir;
    InstallLogSink(QDir(logFolder).filePath(QStringLiteral("photo-host.log")), m_options.verbose);
    g_SharedValue.SetRTL(m_options.rtl);
    g_SharedValue.SetPartialLoading(m_options.partialLoading);
    if (m_options.rtl)
        QApplication::setLayoutDirection(Qt::RightToLeft);
    // After the direction: the previous and next arrows depend on it.
    ApplyHostStyleSheet();
}

bool HostApplication::start()
{
    configureServices();
    m_manager = std::make_unique<PluginManager>();
    m_context.pluginManager = m_manager.get();
    m_window = std::make_unique<MainWindow>(m_manager.get());
    if (!loadPlugin())
        return false;
    m_window->show();
    if (!m_options.screenshotFile.isEmpty())
        scheduleScreenshot();
    return true;
}

bool HostApplication::loadPlugin()
{
    const QString path =
        m_options.pluginPath.isEmpty() ? PluginLoader::defaultLibraryPath() : m_options.pluginPath;
    m_loader = std::make_unique<PluginLoader>(path);
    if (!m_loader->load()) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(m_loader->errorString()));
        m_loader.reset();
        return false;
    }
    IPlugins* plugin = m_loader->plugin();
    plugin->hostContext = &m_context;
    plugin->SetParentWidget(m_window->pluginArea());
    QWidget* widget = plugin->CreateWidget(QStringLiteral("device_photo"));
    if (!widget) {
        std::fprintf(stderr, "photo-host: the plug-in could not create its screen\n");
        return false;
    }
    m_window->pluginArea()->setPluginWidget(widget);
    plugin->ShowWidget(true);
    return true;
}

void HostApplication::scheduleScreenshot()
{
    QTimer::singleShot(500, this, [this] {
        const bool saved = m_window->saveScreenshot(m_options.screenshotFile);
        if (!saved)
            std::fprintf(stderr, "photo-host: cannot write %s\n", qPrintable(m_options.screenshotFile));
        QApplication::exit(saved ? 0 : 1);
    });
}

void HostApplication::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (m_manager)
        emit m_manager->on_signal_main_close();
    m_loader.reset();  // DestroyWidget, then unload
    m_window.reset();
    SyncRegistry();
}
