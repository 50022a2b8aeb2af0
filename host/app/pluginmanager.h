#pragma once

#include "host/contract/ocglobal.h"

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

// The host's plug-in manager. Plug-ins connect to its signals and slots by
// name; the host window talks to it through its plain Qt signals below.
class PluginManager : public QObject
{
    Q_OBJECT

public:
    explicit PluginManager(QObject* parent = nullptr);

signals:
    // Requests of the host, received by the plug-in.
    void on_signal_pmgr_textChanged_Search(const QString& text);
    void on_signal_pmgr_changedType_View(int type);
    void on_signal_main_close();
    void on_signal_phoneview_close();
    void on_signal_pmgr_statusbar_finish();
    void on_signal_pmgr_finished_transfer_tophone(int type, QString path, QString source);
    void on_signal_pmgr_leftview_actionsubitem(ITEM_TYPE itemType, QString action, QString display,
                                               QString key, int id);
    void on_signal_pmgr_droped_data(const QMimeData* data, int playlistId, DROP_LOCATION location);
    void on_siganl_pmgr_topc_click();
    void on_signal_devicechange(bool connected);
    void on_signal_SDCardchange(bool connected, QString driveName);
    void on_signal_pmgr_plugin_pairwidget(ITEM_TYPE itemType, QWidget* widget);
    void signalPropertyFromMainMenu();
    void signalShowInWindowsFromMainMenu();
    void signalCopyFromMainMenu();
    void signalPasteFromMainMenu();
    void signalDeleteFromMainMenu();
    void signalSelectAllFromMainMenu();
    void signalSelectNoneFromMainMenu();
    void signalMusicPlayFromMainMenu();
    void on_signal_memcombo_changeStart();
    void on_signal_memcombo_changeEnd(bool result);
    void on_signal_device_init(int itemType);
    void on_signal_device_refresh(int itemType);
    void on_signal_pmgr_import_finished(int itemType); // the import ledger changed

    // Re-emitted from plug-in signals.
    void on_signal_pmgr_showModechangeLoading(bool show, ITEM_TYPE itemType);
    void on_signal_pmgr_showTutorialMove(bool phone, int x, int y);
    void on_signal_pmgr_hideTutorialMove(bool once);

    // For the host window.
    void viewModeReported(int mode, uint flags);
    void statusTextRequested(const QString& text, Qt::Alignment alignment);
    void toPcButtonEnabled(bool enabled);
    void transferToPcRequested(const QStringList& paths, qint64 totalSize, int playlistId);
    void transferToPhoneRequested(const QStringList& paths);
    void playlistToPhoneRequested(int playlistId);
    void dragOutTransferRequested(const QString& source, const QString& target, qint64 size,
                                  quintptr callback);
    void pairWidgetAnnounced(ITEM_TYPE itemType, QWidget* widget);
    void deviceRefreshFinished(int itemType);

public slots:
    // Notifications of the plug-in.
    void on_changedType_View(int mode, uint flags);
    void on_statusbarSetText(const QString& text, Qt::Alignment alignment);
    void on_transfer_to_pc_withTotalSize(int type, const QStringList& paths, qint64 totalSize,
                                         int playlistId);
    void on_transfer_to_phone(int type, const QStringList& paths);
    void on_transfer_to_phone(int type, int playlistId);
    void on_transfer_to_pc(int type, const QString& source, const QString& target, qint64 size,
                           quintptr callback);
    void on_topc_status(bool enabled);
    void on_plugin_pairwidget(ITEM_TYPE itemType, QWidget* widget);
    void on_device_refresh_finish(int itemType);
};
