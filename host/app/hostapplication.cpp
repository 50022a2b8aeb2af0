#include "hostapplication.h"

#include "host/contract/iplugins.h"
#include "host/db/photodb.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/fileutils.h"
#include "host/services/logsink.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/thumbs/partialloader.h"
#include "hostsession.h"
#include "listingwatcher.h"
#include "listtabledump.h"
#include "mainwindow.h"
#include "pluginarea.h"
#include "pluginloader.h"
#include "pluginmanager.h"
#include "transferengine.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int kSettlePasses = 5;
constexpr int kSettlePauseMs = 300;
} // namespace

HostApplication::HostApplication(const HostOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
{
}

HostApplication::~HostApplication()
{
    shutDown();
}

bool HostApplication::configureServices()
{
    const QString dataFolder = HostSession::dataFolder(m_options);
    if (!QDir().mkpath(dataFolder)) {
        std::fprintf(stderr, "photo-host: cannot create the folder %s\n", qPrintable(dataFolder));
        return false;
    }
    if (!m_options.configDir.isEmpty()) {
        SetRegistryFolder(dataFolder);
        // Downloads for the viewer and drags live below it too.
        SetAppPath(dataFolder);
    }
    InstallLogSink(QDir(dataFolder).filePath(QStringLiteral("photo-host.log")), m_options.verbose);
    qDebug() << "host"
             << "HostApplication::configureServices"
             << ": data" << dataFolder << "settings" << RegistryFolder();
    g_SharedValue.SetRTL(m_options.rtl);
    g_SharedValue.SetPartialLoading(m_options.partialLoading);
    if (m_options.rtl)
        QApplication::setLayoutDirection(Qt::RightToLeft);
    // After the direction: the previous and next arrows depend on it.
    ApplyHostStyleSheet();
    return true;
}

bool HostApplication::start()
{
    if (!configureServices())
        return false;
    m_manager = std::make_unique<PluginManager>();
    m_session = std::make_unique<HostSession>(m_options);
    QString error;
    if (!m_session->open(m_manager.get(), &error)) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
        qDebug() << "host"
                 << "HostApplication::start"
                 << ":" << error;
        return false;
    }
    // The screen creates its thumbnail manager while it is built.
    OCThumbnailManager::SetHostContext(m_session->context());
    m_window = std::make_unique<MainWindow>(m_manager.get(), m_session.get());
    if (!loadPlugin())
        return false;
    startHostServices();
    // Watching starts before the screen is chosen: it lists from then on.
    if (!watchListing())
        return false;
    m_window->show();
    m_window->selectStartEntry();
    if (m_options.viewMode() != -1)
        QTimer::singleShot(0, this, &HostApplication::sendStartView);
    // With --quit-when-listed the picture waits for the listing instead.
    if (!m_options.screenshotFile.isEmpty() && !m_options.quitWhenListed)
        scheduleScreenshot();
    return true;
}

bool HostApplication::watchListing()
{
    if (!m_options.quitWhenListed && m_options.dumpListFile.isEmpty())
        return true;
    if (!m_session->isPhoneConnected()) {
        if (m_options.quitWhenListed) {
            std::fprintf(
                stderr, "photo-host: no phone to list: open one with --phone DIR or --demo\n");
            return false;
        }
        qDebug() << "host"
                 << "HostApplication::watchListing"
                 << ": no phone, no list to write";
        return true;
    }
    // Thumbnails of partial loading come in the background, with no end.
    m_watcher = std::make_unique<ListingWatcher>(
        m_manager.get(), !m_options.partialLoading, m_options.listedTimeoutSeconds * 1000);
    connect(m_watcher.get(), &ListingWatcher::ready, this, &HostApplication::onListed);
    connect(m_watcher.get(), &ListingWatcher::timedOut, this, &HostApplication::onListingTimedOut);
    m_watcher->start();
    return true;
}

void HostApplication::onListed()
{
    if (!m_options.dumpListFile.isEmpty()) {
        QString error;
        const bool written = ListTableDump::write(
            m_window->pluginArea()->pluginWidget(), m_options.dumpListFile, &error);
        qDebug() << "host"
                 << "HostApplication::onListed"
                 << ": list written" << written << m_options.dumpListFile;
        if (!written) {
            std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
            if (m_options.quitWhenListed) {
                QApplication::exit(1);
                return;
            }
        }
    }
    if (!m_options.quitWhenListed)
        return;
    if (!m_options.screenshotFile.isEmpty()) {
        // The last rows and pictures are laid out and painted first.
        afterSettling(kSettlePasses, [this] { saveScreenshotAndExit(); });
        return;
    }
    QApplication::exit(0);
}

void HostApplication::onListingTimedOut()
{
    std::fprintf(stderr, "photo-host: the phone was not listed within %d s\n",
        m_options.listedTimeoutSeconds);
    if (m_options.quitWhenListed)
        QApplication::exit(3);
}

bool HostApplication::loadPlugin()
{
    const QString path = m_options.pluginPath.isEmpty() ? PluginLoader::defaultLibraryPath()
                                                        : m_options.pluginPath;
    m_loader = std::make_unique<PluginLoader>(path);
    if (!m_loader->load()) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(m_loader->errorString()));
        m_loader.reset();
        return false;
    }
    IPlugins* plugin = m_loader->plugin();
    plugin->hostContext = m_session->context();
    plugin->SetParentWidget(m_window->pluginArea());
    QWidget* widget = plugin->CreateWidget(QStringLiteral("device_photo"));
    if (!widget) {
        std::fprintf(stderr, "photo-host: the plug-in could not create its screen\n");
        return false;
    }
    m_window->pluginArea()->setPluginWidget(widget);
    m_window->setPlugin(plugin);
    return true;
}

void HostApplication::startHostServices()
{
    m_transfers = std::make_unique<TransferEngine>();
    m_transfers->connectPluginManager(m_manager.get());
    m_transfers->setDeviceAgent(m_session->agent());
    m_transfers->setPhotoDatabase(m_session->photoDatabase());
    m_transfers->setWindowParent(m_window.get());
    if (!m_options.screenshotFile.isEmpty())
        m_transfers->setProgressWindowShown(false);
    // After the screen is built: it clears the database when it starts.
    if (m_options.partialLoading && m_session->hasPhone()) {
        m_partialLoader = std::make_unique<PartialLoader>();
        m_partialLoader->start(m_session->agent(), m_session->photoDatabase());
    }
}

// Everything that uses the phone or the database ends before they go.
void HostApplication::stopHostServices()
{
    if (m_partialLoader) {
        m_partialLoader->stop();
        m_partialLoader.reset();
    }
    if (m_transfers) {
        m_transfers->cancel();
        m_transfers->setDeviceAgent(nullptr);
        m_transfers.reset();
    }
    OCThumbnailManager::SetHostContext(nullptr);
}

void HostApplication::sendStartView()
{
    // The screen takes view requests only while it is shown.
    if (!m_window || !m_window->isPhotoScreenShown()) {
        qDebug() << "host"
                 << "HostApplication::sendStartView"
                 << ": no photo screen, ignored" << m_options.view;
        return;
    }
    qDebug() << "host"
             << "HostApplication::sendStartView"
             << ": mode" << m_options.viewMode();
    emit m_manager->on_signal_pmgr_changedType_View(m_options.viewMode());
}

void HostApplication::afterSettling(int passes, std::function<void()> then)
{
    if (passes > 0) {
        QTimer::singleShot(0, this, [this, passes, then] { afterSettling(passes - 1, then); });
        return;
    }
    QTimer::singleShot(kSettlePauseMs, this, then);
}

void HostApplication::scheduleScreenshot()
{
    afterSettling(kSettlePasses, [this] { saveScreenshotAndExit(); });
}

void HostApplication::saveScreenshotAndExit()
{
    const bool saved = m_window->saveScreenshot(m_options.screenshotFile);
    if (!saved)
        std::fprintf(stderr, "photo-host: cannot write %s\n", qPrintable(m_options.screenshotFile));
    qDebug() << "host"
             << "HostApplication::saveScreenshotAndExit"
             << ": saved" << saved << m_options.screenshotFile;
    QApplication::exit(saved ? 0 : 1);
}

void HostApplication::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (m_manager)
        emit m_manager->on_signal_main_close();
    if (m_window)
        m_window->setPlugin(nullptr);
    if (m_loader && m_loader->plugin())
        m_loader->plugin()->DestroyWidget();
    stopHostServices();
    m_watcher.reset();
    m_window.reset();
    // The agent's threads call into the plug-in's code: join them before the
    // library goes.
    m_session.reset();
    m_loader.reset();
    m_manager.reset();
    SyncRegistry();
}
