#pragma once

#include "host/device/gphotolibrary.h"
#include "hostoptions.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class DeviceOpener;
class HostSession;
class ImportController;
class ListingWatcher;
class MainWindow;
class PartialLoader;
class PluginLoader;
class PluginManager;
class StorageWatcher;
class TransferEngine;
class UsbDeviceMonitor;

// photo-host itself: settings, log, the phone and database handed to the
// plug-in, the plug-in and the window around it.
class HostApplication : public QObject
{
    Q_OBJECT

public:
    // photo-host's exit codes.
    enum ExitCode : int {
        ExitDone = 0,
        ExitCannotStart = 1, // a folder, settings, log or database file cannot be used
        ExitBadArguments = 2,
        ExitNotListedInTime = 3, // --timeout
        ExitListingIncomplete = 4, // the phone went away or the listing stopped with an error
    };

    explicit HostApplication(const HostOptions& options, QObject* parent = nullptr);
    ~HostApplication() override;

    // Opens the phone, loads the plug-in and shows the window; false with a
    // message on stderr when it cannot.
    bool start();
    // Tells the screen the application closes, destroys it, then the phone
    // and the database, then unloads the plug-in.
    void shutDown();

    MainWindow* window() const { return m_window.get(); }
    PluginManager* pluginManager() const { return m_manager.get(); }
    HostSession* session() const { return m_session.get(); }
    ImportController* imports() const { return m_imports.get(); }
    DeviceOpener* deviceOpener() const { return m_opener.get(); }

private:
    bool configureServices();
    // A notice in a message box, or on stderr for a scripted run.
    void tellUser(const QString& text);
    bool isScripted() const;
    void showStartNotices();
    // What the listing that just ended skipped, once per listing.
    void reportListing();
    bool loadPlugin();
    // The screen over the session's current phone; closeScreen lets go of it
    // so the phone can be swapped.
    bool createScreen();
    void closeScreen();
    // Phones and cameras plugged in and pulled out.
    void startDeviceMonitor();
    void onDevicesChanged(const QList<GPhotoDeviceId>& devices);
    // Lets go of the phone shown and opens the device in the background;
    // the window stays usable meanwhile, and the latest choice wins.
    void openDevice(const GPhotoDeviceId& device, bool chosen);
    void onDeviceOpened();
    void onDeviceNotOpened(const GPhotoDeviceId& device, const QString& why);
    // The screen over whatever phone the session holds now.
    bool replaceScreen(const std::function<void()>& swapPhone);
    void onDeviceLost();
    void watchCameraLoss();
    void showOtherDevices();
    void startHostServices();
    void stopHostServices();
    static void removeTemporaryCopies();
    void sendStartView();
    void scheduleScreenshot();
    void saveScreenshotAndExit();
    // --quit-when-listed and --dump-list: act once the phone is listed.
    bool watchListing();
    void onListed();
    void onListingTimedOut();
    // Runs then once queued work has had its turn: a few event-loop passes,
    // then a short pause for timers the screen starts on the way.
    void afterSettling(int passes, std::function<void()> then);

    HostOptions m_options;
    std::unique_ptr<PluginManager> m_manager;
    std::unique_ptr<HostSession> m_session;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<PluginLoader> m_loader;
    std::unique_ptr<TransferEngine> m_transfers;
    std::unique_ptr<ImportController> m_imports;
    std::unique_ptr<PartialLoader> m_partialLoader;
    std::unique_ptr<ListingWatcher> m_watcher;
    std::unique_ptr<UsbDeviceMonitor> m_monitor;
    std::unique_ptr<DeviceOpener> m_opener;
    GPhotoDeviceId m_latestChoice; // the device to open, latest choice first
    bool m_openingChosen = false; // chosen in the window, not plugged in
    QList<GPhotoDeviceId> m_detected;
    std::unique_ptr<StorageWatcher> m_storageWatcher;
    QStringList m_startNotices;
    quint64 m_reportedListing = 0;
    bool m_shutDown = false;
    bool m_switching = false;
};
