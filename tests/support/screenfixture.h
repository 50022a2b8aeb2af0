#pragma once

#include "host/app/pluginmanager.h"
#include "host/contract/pluginhostcontext.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QList>
#include <QModelIndex>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class CPhotoDataItem;
class DBManager;
class FolderPhoneAgent;
class IPlugins;
class OCMediaItemList;
class OCPluginWidget;
class PhotoDB;
class PhotoItemViewModel;
class PhotoItemViewWidget;
class QAbstractItemView;

// The plug-in as photo-host holds it: a sample phone behind a folder agent,
// a photo database, a real plug-in manager, and the plug-in widget created
// through the plug-in's entry under a shown host window. Message boxes are
// answered by a recorder.
class ScreenFixture
{
public:
    struct Options
    {
        int connectionKind = 0x80000;
        bool phoneThumbnails = true;
        int photoCount = 6;
        bool show = true;
        bool create = true; // false: settings may be written before createWidget
        // A phone of the test's own over the sample phone's folder.
        std::function<std::unique_ptr<FolderPhoneAgent>(const QString& folder, int kind)> makeAgent;
    };

    ScreenFixture();
    explicit ScreenFixture(const Options& options);
    ~ScreenFixture();

    bool isValid() const { return m_widget != nullptr; }
    void createWidget();
    void destroyWidget(); // the way the host ends: settings are saved

    PluginManager& manager() { return m_manager; }
    MessageBoxRecorder& boxes() { return *m_boxes; }
    OCPluginWidget* widget() const { return m_widget; }
    PhotoItemViewWidget* screen() const;
    PhotoItemViewModel* model() const;
    OCMediaItemList* mediaList() const;
    FolderPhoneAgent* agent() const { return m_agent.get(); }
    DBManager* database() const { return m_database.get(); }
    QWidget* host() { return &m_host; }
    const SamplePhoneFixture& phone() const { return m_phone; }
    QString settingsFolder() const { return m_env.folder(); }

    // Lists the sample phone's photos into the list and the model as the
    // listing would; returns how many rows the model has.
    int fill();
    // The photo files of the sample phone, PC paths, sorted.
    QStringList photoFiles() const;
    // Rows of the current view's model, column 0.
    QModelIndexList rows() const;
    QAbstractItemView* currentView() const;
    // Selects these rows of the current view (others deselected).
    void select(const QList<int>& rows);
    CPhotoDataItem* itemAt(const QModelIndex& index) const;

private:
    TestEnvironment m_env;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    SamplePhoneFixture m_phone;
    Options m_options;
    std::unique_ptr<DBManager> m_database;
    std::unique_ptr<PhotoDB> m_photoDatabase;
    std::unique_ptr<FolderPhoneAgent> m_agent;
    PluginManager m_manager;
    PluginHostContext m_context;
    QWidget m_host;
    IPlugins* m_plugin = nullptr;
    OCPluginWidget* m_widget = nullptr;
};
