#pragma once

#include "host/app/pluginmanager.h"
#include "host/contract/pluginhostcontext.h"
#include "host/device/folderphoneagent.h"
#include "support/testenvironment.h"

#include <QMutex>
#include <QSemaphore>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <memory>

class CExtTableView;
class DBManager;
class IPlugins;
class PhotoDB;
class PluginLoader;
class QAbstractItemModel;
class QStackedWidget;

// A folder phone that records the thumbnails asked of it and can hold its
// answers back until the test lets them go.
class RecordingPhoneAgent : public FolderPhoneAgent
{
public:
    RecordingPhoneAgent(const QString& folder, int connectionKind);
    ~RecordingPhoneAgent() override;

    int RequestThumbnails(
        const QString& path, const int& kind, PFN_ThumbnailCallback callback) override;
    int StartItemLoad(const QString& root) override;

    QStringList requested() const;
    int listingsStarted() const { return m_listings; }
    void holdAnswers(bool hold) { m_hold = hold; }
    void releaseAnswer() { m_release.release(); }

private:
    static void OC_STDCALL answer(int error);

    mutable QMutex m_mutex;
    QStringList m_requested;
    PFN_ThumbnailCallback m_callback = nullptr;
    std::atomic<bool> m_hold { false };
    std::atomic<int> m_listings { 0 };
    QSemaphore m_release;
    static std::atomic<RecordingPhoneAgent*> s_current;
};

// The plug-in as photo-host runs it: the library loaded by the host's
// loader, its widget created through IPlugins in a shown host window, a
// folder phone and a photo database in the context, and everything else
// through the plug-in manager's named signals. Message boxes are recorded.
class LoadedScreen
{
public:
    struct Options
    {
        int connectionKind = 0x80000;
        QString phoneFolder; // required unless agent is given
        IDeviceNexaAgent* agent = nullptr; // another agent than a folder phone; the test owns it
        FolderAgentFaults faults;
        bool partialLoading = false;
    };

    explicit LoadedScreen(const Options& options);
    ~LoadedScreen();

    // The library stays loaded for the whole test run: types it registers
    // with Qt's meta-type system point into its code.
    static PluginLoader* loader();
    static void unloadLibrary();

    bool isValid() const { return m_widget != nullptr; }
    PluginManager& manager() { return m_manager; }
    MessageBoxRecorder& boxes() { return m_boxes; }
    RecordingPhoneAgent* agent() const { return m_agent.get(); } // null with Options::agent
    IDeviceNexaAgent* deviceAgent() const { return m_context.deviceAgent; }
    PhotoDB* photoDatabase() const { return m_photoDatabase.get(); }
    DBManager* database() const { return m_database.get(); }
    QWidget* widget() const { return m_widget; }
    QStackedWidget* screen() const;
    CExtTableView* listTable() const; // the detailed list; all pages share its model
    QAbstractItemModel* rows() const;

    // The navigation tree's choices: the photo entry (shown), another (hidden).
    void choosePhoto();
    void chooseOther();
    void requestView(int mode);
    // Listing reported as ended and flag 0x800 clear; false after timeoutMs.
    bool waitListed(int timeoutMs = 60000);
    // The thumbnail chain's flag 0x1000 clear.
    bool waitThumbnailsIdle(int timeoutMs = 60000);
    int refreshReports() const { return m_refreshReports; }
    QString lastStatusText() const { return m_statusText; }
    int rowOfFile(const QString& fileName) const;
    bool hasThumbnail(int row) const;
    int thumbnailCount() const;

private:
    TestEnvironment m_env;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<DBManager> m_database;
    std::unique_ptr<PhotoDB> m_photoDatabase;
    std::unique_ptr<RecordingPhoneAgent> m_agent;
    PluginManager m_manager;
    PluginHostContext m_context;
    QWidget m_host;
    IPlugins* m_plugin = nullptr;
    QWidget* m_widget = nullptr;
    int m_refreshReports = 0;
    QString m_statusText;
};
