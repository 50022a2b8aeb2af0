#include "hostapplication.h"

#include "deviceopener.h"
#include "host/contract/ideviceagent.h"
#include "host/contract/iplugins.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotoagent.h"
#include "host/device/usbdevicemonitor.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/logsink.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"
#include "host/services/textutils.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/thumbs/partialloader.h"
#include "hostsession.h"
#include "importcontroller.h"
#include "listingnotice.h"
#include "listingwatcher.h"
#include "listtabledump.h"
#include "mainwindow.h"
#include "pluginarea.h"
#include "pluginloader.h"
#include "pluginmanager.h"
#include "storagewatcher.h"
#include "transferengine.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

namespace {
constexpr int kSettlePasses = 5;
constexpr int kSettlePauseMs = 300;
constexpr int kImportEndWaitMs = 10000;
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
    QString error;
    if (!HostSession::useFolders(m_options, &error)) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
        return false;
    }
    const QString dataFolder = HostSession::dataFolder(m_options);
    if (::access(QFile::encodeName(dataFolder).constData(), W_OK | X_OK) != 0)
        m_startNotices << GetQString(
            tr("photo-host cannot write to its folder %1: settings and the log are not "
               "saved in this run.")
                .arg(dataFolder));
    qCDebug(lcHostApp) << "HostApplication::configureServices : data" << dataFolder << "settings"
                       << RegistryFolder();
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
        qCWarning(lcHostApp) << "HostApplication::start"
                             << ":" << error;
        return false;
    }
    m_startNotices << m_session->notices();
    m_window = std::make_unique<MainWindow>(m_manager.get(), m_session.get());
    if (!loadPlugin() || !createScreen())
        return false;
    watchCameraLoss();
    m_opener = std::make_unique<DeviceOpener>(HostSession::kCameraOpenTimeoutMs);
    connect(m_opener.get(), &DeviceOpener::opened, this, &HostApplication::onDeviceOpened);
    connect(m_opener.get(), &DeviceOpener::failed, this, &HostApplication::onDeviceNotOpened);
    connect(m_window.get(), &MainWindow::deviceChosen, this,
        [this](const QString& model, const QString& port) {
            openDevice({ model, port }, true);
        });
    // Watching starts before the screen is chosen: it lists from then on.
    if (!watchListing())
        return false;
    connect(m_manager.get(), &PluginManager::deviceRefreshFinished, this, [this](int itemType) {
        // After the screen's own handling of the end, which may show a box.
        if (itemType == OCGlobal::ITEM_PHONE_PHOTO)
            QTimer::singleShot(0, this, &HostApplication::reportListing);
    });
    m_window->show();
    if (!m_startNotices.isEmpty())
        QTimer::singleShot(0, this, &HostApplication::showStartNotices);
    m_window->selectStartEntry();
    if (m_options.viewMode() != -1)
        QTimer::singleShot(0, this, &HostApplication::sendStartView);
    // With --quit-when-listed the picture waits for the listing instead.
    if (!m_options.screenshotFile.isEmpty() && !m_options.quitWhenListed)
        scheduleScreenshot();
    startDeviceMonitor();
    return true;
}

bool HostApplication::watchListing()
{
    if (!m_options.quitWhenListed && m_options.dumpListFile.isEmpty())
        return true;
    if (!m_session->isPhoneConnected()) {
        if (m_options.quitWhenListed) {
            std::fprintf(stderr,
                "photo-host: no phone to list: open one with --phone DIR, --demo or "
                "--camera MODEL --port PORT\n");
            return false;
        }
        qCDebug(lcHostApp) << "HostApplication::watchListing"
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

bool HostApplication::isScripted() const
{
    return m_options.quitWhenListed || !m_options.screenshotFile.isEmpty();
}

void HostApplication::tellUser(const QString& text)
{
    qCWarning(lcHostApp) << "HostApplication::tellUser"
                         << ":" << text;
    if (isScripted() && !OCMsgBox::HasAutomationResponder()) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(text));
        return;
    }
    OCMsgBox::ShowOCMessageBox(m_window.get(), GetQString(tr("Notice")), text, 0, MsgBoxFlag::Ok);
}

void HostApplication::showStartNotices()
{
    const QStringList notices = m_startNotices;
    m_startNotices.clear();
    for (const QString& notice : notices)
        tellUser(notice);
}

void HostApplication::reportListing()
{
    IDeviceNexaAgent* agent = m_session ? m_session->agent() : nullptr;
    if (!agent)
        return;
    const ListingReport report = agent->LastListingReport();
    const bool ended = report.complete || report.error != 0;
    if (!report.ran || !ended || report.listing == m_reportedListing)
        return;
    m_reportedListing = report.listing;
    const QString skipped = ListingNotice::skippedText(report);
    if (!skipped.isEmpty())
        tellUser(skipped);
}

void HostApplication::onListed()
{
    // A list cut short is not written, and the run says so by its exit code;
    // the screen has shown its own notice of the phone going away.
    const ListingReport report = m_session->agent()->LastListingReport();
    const QString incomplete = ListingNotice::incompleteText(report);
    if (!incomplete.isEmpty()) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(incomplete));
        if (!m_options.dumpListFile.isEmpty())
            std::fprintf(
                stderr, "photo-host: %s was not written\n", qPrintable(m_options.dumpListFile));
        qCWarning(lcHostApp) << "HostApplication::onListed"
                             << ":" << incomplete;
        if (m_options.quitWhenListed)
            QApplication::exit(ExitListingIncomplete);
        return;
    }
    if (!m_options.dumpListFile.isEmpty()) {
        QString error;
        const bool written = ListTableDump::write(
            m_window->pluginArea()->pluginWidget(), m_options.dumpListFile, &error);
        qCDebug(lcHostApp) << "HostApplication::onListed"
                           << ": list written" << written << m_options.dumpListFile;
        if (!written) {
            std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
            if (m_options.quitWhenListed) {
                QApplication::exit(ExitCannotStart);
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
        QApplication::exit(ExitNotListedInTime);
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
    return true;
}

bool HostApplication::createScreen()
{
    // The screen creates its thumbnail manager while it is built.
    OCThumbnailManager::SetHostContext(m_session->context());
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
    startHostServices();
    return true;
}

void HostApplication::closeScreen()
{
    if (m_manager)
        emit m_manager->on_signal_main_close();
    m_window->setPlugin(nullptr);
    if (m_loader && m_loader->plugin())
        m_loader->plugin()->DestroyWidget();
    stopHostServices();
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
    m_imports = std::make_unique<ImportController>(m_session->agent(),
        m_session->context()->dbManager, m_session->photoDatabase(), m_window.get());
    connect(m_manager.get(), &PluginManager::transferToPcRequested, m_imports.get(),
        &ImportController::importPhotos);
    connect(m_imports.get(), &ImportController::libraryChanged, m_window.get(),
        &MainWindow::refreshLibrary);
    connect(m_imports.get(), &ImportController::finished, m_manager.get(),
        [this](const ImportSummary& summary) {
            emit m_manager->on_signal_pmgr_import_finished(OCGlobal::ITEM_PHONE_PHOTO);
            // Photos deleted from the phone leave the list.
            if (summary.deleted > 0)
                m_window->refreshPhotos();
        });
    m_window->setImportController(m_imports.get());
    // On mass storage others may change the files: the screen follows.
    if (m_session->phone() && m_session->connectionKind() == ConnectionKind::MassStorage) {
        m_storageWatcher = std::make_unique<StorageWatcher>(m_session->phone()->storageFolder());
        connect(m_storageWatcher.get(), &StorageWatcher::changed, m_window.get(),
            &MainWindow::refreshPhotos);
    }
    // After the screen is built: it clears the database when it starts.
    if (m_options.partialLoading && m_session->hasPhone()) {
        m_partialLoader = std::make_unique<PartialLoader>();
        m_partialLoader->start(m_session->agent(), m_session->photoDatabase());
    }
}

// Everything that uses the phone or the database ends before they go.
void HostApplication::stopHostServices()
{
    m_storageWatcher.reset();
    if (m_partialLoader) {
        m_partialLoader->stop();
        m_partialLoader.reset();
    }
    if (m_transfers) {
        m_transfers->cancel();
        m_transfers->setDeviceAgent(nullptr);
        m_transfers.reset();
    }
    if (m_window)
        m_window->setImportController(nullptr);
    if (m_imports)
        m_imports->shutDown(kImportEndWaitMs);
    m_imports.reset();
    removeTemporaryCopies();
    OCThumbnailManager::SetHostContext(nullptr);
}

// The viewer's downloads are copies of phone files: they go with the run.
void HostApplication::removeTemporaryCopies()
{
    const QDir temp(QDir(GetAppPath()).filePath(QStringLiteral("Temp")));
    int removed = 0;
    for (const QFileInfo& file : temp.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (QFile::remove(file.filePath()))
            ++removed;
    }
    qCDebug(lcHostApp) << "HostApplication::removeTemporaryCopies :" << removed << "in"
                       << temp.path();
}

void HostApplication::sendStartView()
{
    // The screen takes view requests only while it is shown.
    if (!m_window || !m_window->isPhotoScreenShown()) {
        qCDebug(lcHostApp) << "HostApplication::sendStartView"
                           << ": no photo screen, ignored" << m_options.view;
        return;
    }
    qCDebug(lcHostApp) << "HostApplication::sendStartView"
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
    qCDebug(lcHostApp) << "HostApplication::saveScreenshotAndExit"
                       << ": saved" << saved << m_options.screenshotFile;
    QApplication::exit(saved ? 0 : 1);
}

void HostApplication::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Shut-down pumps events while it waits; a device plugged in or out
    // meanwhile must not reach the parts already gone.
    m_monitor.reset();
    m_opener.reset();
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

// --- phones and cameras plugged in and pulled out ---

void HostApplication::startDeviceMonitor()
{
    m_monitor = std::make_unique<UsbDeviceMonitor>();
    connect(m_monitor.get(), &UsbDeviceMonitor::devicesChanged, this,
        &HostApplication::onDevicesChanged);
    m_monitor->start();
}

void HostApplication::watchCameraLoss()
{
    if (GPhotoAgent* camera = m_session->camera()) {
        // Told on the device's thread: the GUI thread handles it.
        camera->setLostHandler([this] {
            QMetaObject::invokeMethod(
                this, [this] { onDeviceLost(); }, Qt::QueuedConnection);
        });
    }
}

void HostApplication::showOtherDevices()
{
    QList<GPhotoDeviceId> others = m_detected;
    GPhotoAgent* camera = m_session->camera();
    if (camera && m_session->isPhoneConnected())
        others.removeAll(camera->device());
    m_window->setOtherDevices(others);
}

void HostApplication::onDevicesChanged(const QList<GPhotoDeviceId>& devices)
{
    qCDebug(lcHostApp) << "HostApplication::onDevicesChanged:" << devices.size() << "devices";
    if (m_shutDown)
        return;
    GPhotoAgent* camera = m_session->camera();
    // Gone from detection: pulled out. A folder opened with --camera was
    // never detected and stays.
    if (camera && m_session->isPhoneConnected() && m_detected.contains(camera->device())
        && !devices.contains(camera->device()))
        onDeviceLost();
    if (m_opener->isOpening() && m_detected.contains(m_opener->device())
        && !devices.contains(m_opener->device())) {
        const QString name = m_opener->device().model;
        m_opener->cancel();
        m_window->setOpeningDevice(QString());
        m_window->setNoPhoneNote(tr("%1 was disconnected.").arg(name));
    }
    m_detected = devices;
    showOtherDevices();
    // Nothing open: the phone just plugged in is what the user wants to see.
    const bool scripted = m_options.quitWhenListed || !m_options.screenshotFile.isEmpty();
    if (!m_session->isPhoneConnected() && !m_opener->isOpening() && !scripted && !devices.isEmpty())
        openDevice(devices.first(), false);
}

void HostApplication::openDevice(const GPhotoDeviceId& device, bool chosen)
{
    qCDebug(lcHostApp) << "HostApplication::openDevice:" << device.model << device.port
                       << (chosen ? "chosen" : "plugged in");
    // Chosen again while it opens: it goes on opening.
    if (m_opener->isOpening() && m_opener->device() == device) {
        m_openingChosen = m_openingChosen || chosen;
        return;
    }
    m_latestChoice = device;
    m_openingChosen = chosen;
    // Letting go of the old screen pumps events: a choice made meanwhile is
    // the one opened once it is done.
    if (m_switching)
        return;
    const QScopedValueRollback<bool> switching(m_switching, true);
    m_opener->cancel();
    if (m_session->hasPhone() && !replaceScreen([this] { m_session->closePhone(); }))
        return;
    m_window->setOpeningDevice(m_latestChoice.model);
    m_window->setNoPhoneNote(QString());
    m_window->refreshPhone();
    m_window->selectStartEntry();
    m_opener->start(m_latestChoice);
}

bool HostApplication::replaceScreen(const std::function<void()>& swapPhone)
{
    closeScreen();
    swapPhone();
    m_reportedListing = 0; // another agent counts its listings anew
    if (!createScreen()) {
        QApplication::exit(ExitCannotStart);
        return false;
    }
    watchCameraLoss();
    showOtherDevices();
    return true;
}

void HostApplication::onDeviceOpened()
{
    std::unique_ptr<GPhotoAgent> camera = m_opener->take();
    if (!camera)
        return;
    const GPhotoDeviceId device = camera->device();
    {
        const QScopedValueRollback<bool> switching(m_switching, true);
        if (!replaceScreen([this, &camera] { m_session->adoptCamera(std::move(camera)); }))
            return;
    }
    m_window->setOpeningDevice(QString());
    m_window->refreshPhone();
    m_window->selectStartEntry();
    if (!(m_latestChoice == device))
        openDevice(m_latestChoice, m_openingChosen);
}

void HostApplication::onDeviceNotOpened(const GPhotoDeviceId& device, const QString& why)
{
    const QString error = tr("Cannot open %1 at %2: %3").arg(device.model, device.port, why);
    m_window->setOpeningDevice(QString());
    m_window->setNoPhoneNote(error);
    m_window->refreshPhone();
    if (m_openingChosen)
        OCMsgBox::ShowOCMessageBox(m_window.get(), tr("Notice"), error, 0, MsgBoxFlag::Ok);
}

void HostApplication::onDeviceLost()
{
    // Pulled out, or gone under an I/O error (the agent knows already).
    GPhotoAgent* camera = m_session->camera();
    if (!camera || !camera->disconnect())
        return;
    const QString name = camera->DeviceName();
    qCDebug(lcHostApp) << "HostApplication::onDeviceLost:" << name;
    emit m_manager->on_signal_devicechange(false);
    m_window->setNoPhoneNote(tr("%1 was disconnected.").arg(name));
    m_window->refreshPhone();
    showOtherDevices();
}
