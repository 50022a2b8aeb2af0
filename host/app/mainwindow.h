#pragma once

#include "host/contract/ocglobal.h"

#include <QMainWindow>

class HostPage;
struct GPhotoDeviceId;
class ImportController;
class HostSession;
class IPlugins;
class NavigationTree;
class PluginArea;
class PluginManager;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolButton;
class TutorialBubble;

// photo-host's main window around the plug-in screen: navigation tree, view
// buttons, search box, "Transfer to PC", status bar, Edit and Device menus.
// It talks to the screen only through the plug-in manager's named signals
// and IPlugins::ShowWidget.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // session may be null: no phone and no library.
    explicit MainWindow(
        PluginManager* manager, HostSession* session = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    PluginArea* pluginArea() const { return m_pluginArea; }
    NavigationTree* navigationTree() const { return m_tree; }
    void setPlugin(IPlugins* plugin) { m_plugin = plugin; }
    void setImportController(ImportController* imports) { m_imports = imports; }
    bool saveScreenshot(const QString& file);

    // The phone's node and the library's albums, read again.
    void refreshPhone();
    // The phones and cameras plugged in besides the one shown.
    void setOtherDevices(const QList<GPhotoDeviceId>& devices);
    // What the phone's page says while no phone is open, e.g. why one failed.
    void setNoPhoneNote(const QString& note);
    // The device being opened, shown on the phone's page; empty when none.
    void setOpeningDevice(const QString& model);
    void refreshLibrary();
    // Photo when a phone is connected, else the phone node.
    void selectStartEntry();
    bool isPhotoScreenShown() const { return m_photoShown; }
    // Device > Refresh and F5: the screen lists the phone again.
    void refreshPhotos();

    // View-mode button masks of viewModeReported.
    enum ViewButton : uint { ListButton = 1, ThumbListButton = 2, AlbumButton = 4 };

signals:
    // The user chose a plugged-in device to open in place of the phone shown.
    void deviceChosen(const QString& model, const QString& port);

private slots:
    void onEntryChosen(int itemType, const QString& display, const QString& key, int id);
    void onViewModeReported(int mode, uint flags);
    void onToPcEnabled(bool enabled);
    void showStatusText(const QString& text, Qt::Alignment alignment);
    void showModeChangeLoading(bool show, ITEM_TYPE itemType);
    void showTutorial(bool phone, int x, int y);
    void hideTutorial(bool once);

private:
    // mainwindow_menus.cpp
    void buildMenus();
    void buildToolbar(QWidget* toolbar);
    void updateActions();
    void requestViewMode(int mode);
    void disconnectPhone();
    void reconnectPhone();
    void switchStorage();

    void showHostPage(int itemType, const QString& display, int id);
    void showPhotoScreen(bool show);
    void applyViewButtons();

    PluginManager* m_manager = nullptr;
    HostSession* m_session = nullptr;
    IPlugins* m_plugin = nullptr;
    ImportController* m_imports = nullptr;

    NavigationTree* m_tree = nullptr;
    QStackedWidget* m_pages = nullptr;
    PluginArea* m_pluginArea = nullptr;
    HostPage* m_hostPage = nullptr;
    TutorialBubble* m_tutorial = nullptr;

    QToolButton* m_viewButtons[3] = {};
    QLineEdit* m_search = nullptr;
    QTimer* m_searchTimer = nullptr;
    QPushButton* m_toPcButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QProgressBar* m_loading = nullptr;
    QAction* m_reconnectAction = nullptr;
    QList<QAction*> m_editActions;
    QList<QAction*> m_deviceActions;

    QString m_noPhoneNote;
    QString m_openingDevice;
    bool m_photoShown = false;
    int m_reportedMode = -1;
    uint m_reportedFlags = 7;
    bool m_toPcEnabled = false;
};
