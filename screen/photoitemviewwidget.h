#pragma once

#include "host/contract/ideviceagent.h"
#include "host/contract/ocglobal.h"
#include "screen/deleteoperation.h"
#include "screen/hostthumbnailsource.h"
#include "screen/listingcontroller.h"
#include "screen/locateoperation.h"
#include "screen/pageswitcher.h"
#include "screen/photoactions.h"
#include "screen/photocontextmenu.h"
#include "screen/photoscreenbuilder.h"
#include "screen/propertiescontroller.h"
#include "screen/selectionstatus.h"
#include "screen/thumbnailupdater.h"
#include "screen/transfercontroller.h"
#include "screen/viewercontroller.h"
#include "screen/viewpage.h"
#include "screen/viewplace.h"
#include "screen/viewsettings.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QItemSelection>
#include <QModelIndex>
#include <QMutex>
#include <QPixmap>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class AlbumViewWidget;
class CExtTableView;
class CPhotoDataItem;
struct ItemEvent;
class OCFadeMenu;
class OCLoadingWidget;
class OCMediaItemList;
class OCSortFilterProxyModel;
class PhotoItemViewModel;
class PhotoViewerWidget;
class PhotoViwerList;
class QAbstractItemView;
class QAction;
class QDropEvent;
struct PluginHostContext;
class RotationController;

// The phone photo screen: a stack of pages (list table, thumbnail-list
// table, album page, viewer) over one model, seen through the host's
// sort-and-search proxy. It switches pages and reports them to the host,
// keeps the host's buttons and state flags in step with the selection, and
// runs the context-menu, main-menu and keyboard commands.
//
// The implementation is split by concern: photoitemviewwidget_*.cpp.
class PhotoItemViewWidget : public QStackedWidget,
                            private ThumbnailUpdater::Screen,
                            private TransferController::Screen,
                            private DeleteOperation::Screen,
                            private LocateOperation::Screen,
                            private PropertiesController::Screen,
                            private ViewerController::Screen,
                            private HostThumbnailSource::Screen
{
    Q_OBJECT
    friend class PhotoScreenBuilder;

public:
    enum ViewMode {
        ListMode = ViewPage::List,
        ThumbListMode = ViewPage::ThumbList,
        AlbumMode = ViewPage::Album,
        ViewerMode = ViewPage::Viewer,
        Current = ViewPage::Current,
        NoPage = ViewPage::None
    };
    enum ListingState { NotListed = 0, Listing = 1, Merging = 2, Listed = 3, ListingStopped = 4 };
    explicit PhotoItemViewWidget(QWidget* parent = nullptr);
    ~PhotoItemViewWidget() override;

    void setHostContext(PluginHostContext* context) { m_hostContext = context; }
    PluginHostContext* hostContext() const { return m_hostContext; }
    void setMediaList(OCMediaItemList* list);
    OCMediaItemList* mediaList() const { return m_mediaList; }
    // Registers the model with the host's sort-and-search control and gives
    // its proxy to every page.
    void setModel(PhotoItemViewModel* model);
    PhotoItemViewModel* model() const { return m_model; }
    OCSortFilterProxyModel* proxyModel() const { return m_proxy; }
    int sortSearchId() const { return m_sortSearchId; }

    // Set-up by the plug-in widget, in this order.
    void SetItemLoadCallback() { m_listings->setItemLoadCallback(&ItemLoadCallback); }
    // The agent outlives the screen and may outlive the plug-in's code.
    void UnsetItemLoadCallback() { m_listings->setItemLoadCallback(nullptr); }
    void SetupTableViews() { PhotoScreenBuilder::setupTables(m_listView, m_thumbListView); }
    void SetupConnections() { PhotoScreenBuilder::connectPages(this); }
    void CreateThumbnailMachinery();

    CExtTableView* listView() const { return m_listView; }
    CExtTableView* thumbListView() const { return m_thumbListView; }
    AlbumViewWidget* albumView() const { return m_albumView; }
    PhotoViewerWidget* viewer() const { return m_viewer; }
    OCLoadingWidget* loadingWidget() const { return m_loading; }
    CExtTableView* tableOf(int mode) const;

    // Connection kind (ConnectionKind values).
    int fileAgentType() const { return m_fileAgentType; }
    void setFileAgentType(int kind) { m_fileAgentType = kind; }
    bool phoneThumbnails() const { return m_phoneThumbnails; }
    void setPhoneThumbnails(bool on) { m_phoneThumbnails = on; }
    bool viewerThumbnails() const { return m_viewerThumbnails; }
    void setViewerThumbnails(bool on) { m_viewerThumbnails = on; }
    int listingState() const { return m_listingState; }
    void setListingState(int state) { m_listingState = state; }

    // Pages.
    void SetViewMode(int mode, bool remember);
    int GetViewMode(bool remembered) const { return m_pages->mode(remembered); }
    bool isViewerOpen() const { return viewerOpen(); }
    // The item view of a mode (Current: as described above); null for none.
    QAbstractItemView* viewOf(int mode) const;

    // View settings.
    void SetSortInfo(int mode, int column, int order) { m_settings->setSort(mode, column, order); }
    int GetSortColumn(int mode) const { return m_settings->sortColumn(mode); }
    int GetSortOrder(int mode) const { return m_settings->sortOrder(mode); }
    QString GetColumnList(int mode) const { return m_settings->columnList(mode); }
    QString GetColumnWidths(int mode) const { return m_settings->columnWidths(mode); }
    void SetColumnList(int mode, const QString& text) { m_settings->setColumnList(mode, text); }
    void SetColumnWidths(int mode, const QString& text) { m_settings->setColumnWidths(mode, text); }
    int GetThumbSize() const { return m_settings->thumbSize(); }
    void SetThumbSize(int size) { m_settings->setThumbSize(size); }
    void ApplySort(int mode, int column, int order) { m_settings->applySort(mode, column, order); }
    // The sort of the remembered mode, or of the film strip while the viewer is open.
    void ApplyCurrentSort();
    static int DefaultSortColumn(int mode) { return ViewSettings::defaultSortColumn(mode); }

    // Commands.
    void OpenViewer(const QModelIndex& index);
    void TransferSelectionToPC(int playlistId);
    void AddTransferredItem(const QString& path, const QString& source, int code);
    void addThreadModelDataWithToPhone(ItemEvent event);
    void addThreadModelDataWithLoading(ItemEvent event) { m_listings->addEvent(std::move(event)); }
    void OnDelete(bool confirm);
    void OnProperty();
    void OnShowInWindows();
    bool SetFileLocate(const QModelIndex& index);
    // The background existence check of the selected rows (column 0).
    void StartSelectionCheck(const QModelIndexList& indexes);
    // The photo whose properties dialog is open.
    QString propertyPath() const { return m_properties->propertyPath(); }
    void SetScrollPositionSelectedItem(int column) { m_status->scrollToSelected(column); }
    // Rows selected in a view, one column-0 index of the view's model per row.
    static QModelIndexList selectedRowIndexes(const QAbstractItemView* view);
    // The host's background partial loading, paused or stopped around
    // downloads and views, and waits for a running viewer download.
    void on_pause_patialloading() { m_hostThumbnails->pausePartialLoading(); }
    void on_stop_patialloading() { m_hostThumbnails->stopPartialLoading(); }
    void on_start_patialloading() { m_hostThumbnails->resumePartialLoading(); }
    void on_stop_patialloading_getthumbnail() { m_hostThumbnails->stopPartialThumbnailFetch(); }
    void on_wait_cancel_download();
    // This session's folder of viewer downloads.
    QString DownloadFolder() const { return m_transfers->downloadFolder(); }
    // Selects the listed rows of these paths once the transfer to the phone ends.
    void addPendingSelection(const QString& path) { m_transfers->addPendingSelection(path); }

    // Listing the phone; with paths, the files a locate request found.
    void LoadItems(bool bNeedUMSCheck) { m_listings->load(bNeedUMSCheck); }
    void LoadItems(const QStringList& paths) { m_listings->locate(paths); }

    // A thumbnail from the thumbnail manager's cache (fromManager) or from
    // the photo database; null when there is none yet.
    QPixmap GetThumbnail(const QString& path, bool fromManager)
    {
        return fromManager ? m_hostThumbnails->cachedThumbnail(path)
                           : m_hostThumbnails->storedThumbnail(path);
    }
    // True when the photo database does not know the path: a fetch for it
    // was started. Otherwise, with announce, on_siganl_finished_getthumbnail.
    bool FetchUnknownThumbnail(const QString& path, bool announce)
    {
        return m_hostThumbnails->fetchUnknown(path, announce);
    }

    // After rows were inserted, removed or reset; bursts cost one refresh.
    void refreshAfterRowChange();
    void repaintCurrentView();
    // Brings the row of a listed path into view and selects it.
    bool showItemOfPath(const QString& path);
    // A new listing that keeps the selection and the scroll position where
    // the files remain.
    void RefreshListing();
    void LoadImportedMarks();
    // The item view of the current page; null when the page has none.
    QAbstractItemView* currentPageView() const override;
    void hideDropIndicator();

    // The device agent's callbacks (agent threads): item load, the
    // mass-storage mount, and the list and viewer thumbnail answers.
    static void OC_STDCALL ItemLoadCallback(int code, quintptr info);
    static void OC_STDCALL UmsMountCallback(int result);
    static void OC_STDCALL ThumbnailCallback(int error);
    static void OC_STDCALL ThumbnailCallback2(int error);
    // Delete notices (the host's delete thread) and transfer reports (agent
    // threads): viewer downloads, rotation uploads, and their completion.
    static void OC_STDCALL DeleteCallback(
        int error, int nCurThreadID, QString strCurDeletePath, QString strReserved);
    static void OC_STDCALL DownloadProgressCallback(
        qint64 current, qint64 total, int status, CString fileName);
    static void OC_STDCALL RotateProgressCallback(
        qint64 current, qint64 total, int status, CString fileName);
    // The results come with the progress reports' end marker.
    static void OC_STDCALL TransferCompletionCallback(int, int) { }
    static void OC_STDCALL RenameFileCallback(bool result);

signals:
    void on_taskfinish_toPhone(ITEM_TYPE itemType);
    void on_signal_statusbar_SetText(const QString& text, Qt::Alignment alignment);
    void on_leftview_updateitem(
        ITEM_TYPE type, const QString& display, const QString& key, int id, bool bEdit);
    void on_leftview_changeitem(ITEM_TYPE type, const QString& display, const QString& key, int id);
    void on_signal_changedType_View(int type, uint flags);
    void on_signal_topc_status(bool enable);
    void on_signal_tophone_status(bool enable);
    void on_signal_view_selection_change(QItemSelection selected, QItemSelection deselected);
    void on_signal_refresh();
    void on_signal_hideLoadingWidget();
    void on_signal_showLoadingWidget();
    void on_signal_listing_error(int error);
    void on_signal_devicechange(bool connect);
    void on_signal_changed_items();
    void on_signal_make_selections();
    void on_signal_plugin_pairwidget(ITEM_TYPE type, QWidget* widget);
    void on_signal_errorMsgBox(const QString& title, int status);
    void on_signal_callback_startItemLoad();
    void on_signal_callback_eventItemLoad(quintptr pInfo);
    void on_signal_callback_insertItemLoad(const QString& path, qint64 size, const QDateTime& time);
    void on_signal_callback_insertItemLoad(quintptr pInfo);
    void on_signal_callback_finishItemLoad();
    void on_signal_callback_stopItemLoad(int error);
    void on_signal_messagebox_close();
    void on_signal_request_thumbnail();
    void on_signal_notice_thumbnail(int type);
    void on_signal_closed_photoviewer();
    void on_signal_showModechangeLoading(bool show, ITEM_TYPE itemType);
    void on_siganl_finished_getthumbnail();
    void on_signal_failed_rotate(int err);
    void on_signal_device_refresh_finish(int itemType);
    void on_signal_showTutorialMove(bool bPhone, int x, int y);
    void on_signal_hideTutorialMove(bool bOnce);
    // The selected files go to the PC (the plug-in turns it into the host's transfer).
    void transferToPcRequested(const QStringList& paths, qint64 totalSize, int playlistId);

public slots:
    void on_last_sort() { m_settings->sortNewFirst(viewOf(Current), currentIndex()); }

private slots:
    // Pages, selection, sort and search, menus, viewer, shut-down.
    void on_changed_viewtype(int type);
    void on_changed_viewtype1(int) { on_make_selections(); }
    void on_show_contexmenu(const QPoint& pt);
    void on_clicked_contextmenu();
    void on_contextmenu() { RunCommand(m_menu->takeChosen()); }
    void on_item_double_clicked(const QModelIndex& index);
    void on_leftview_actionsubitem(ITEM_TYPE itemtype, const QString& action,
        const QString& display, const QString& key, int id);
    void on_selection_Changed(const QItemSelection& selected, const QItemSelection& deselected);
    void on_property() { PostEditCommand(PhotoActions::Property); }
    void on_showinwindows();
    void on_copy() { PostEditCommand(PhotoActions::Copy); }
    void on_paste() { PostEditCommand(PhotoActions::Paste); }
    void on_delete() { PostEditCommand(PhotoActions::Delete); }
    void on_selectall();
    void on_selectnone();
    void on_view() { PostCommand(PhotoActions::View); }
    void on_notice_thumbnail(int type);
    void on_make_selections();
    void on_hideLoadingWidget();
    void on_showLoadingWidget();
    void on_main_close();
    void on_phoneview_close();
    void on_sort_changed(int logicalIndex, Qt::SortOrder order);
    void on_sorted_Search(int column, Qt::SortOrder)
    {
        m_status->scrollToSelected(qMax(0, column));
    }
    void on_textChanged_Search(const QString& text);
    void on_changed_items();
    void on_statusbar_finish();
    void on_errorMsgBox(const QString& title, int status);
    void on_plugin_pairwidget(ITEM_TYPE type, QWidget* widget);
    void on_drop_event(QDropEvent* event);
    void on_close_photoViewer();
    void on_load_photoViewer(const QModelIndex& index);
    void on_load_photoViewer(const QString& path);

    // Transfers.
    void on_clicked_contextmenu_transfertopcplaylist();
    void on_topc_click();
    void on_transfer_status(
        qint64 current, qint64 total, int status, const QString& strCurFileName);
    void on_transfer_status2(
        qint64 current, qint64 total, int status, const QString& strCurFileName);
    void on_finished_transfer();
    void on_update_item_with_downloadviewer(const QString& path);

    // Listing: the agent's reports (any thread) and the host's requests go
    // to the listing controller.
    void start_loaditems_thread(bool bNeedUMSCheck) { m_listings->start(bNeedUMSCheck); }
    void start_loaditems_thread() { m_listings->start(true); }
    void stop_loaditems_thread() { m_listings->abandon(); }
    void on_finished_loaditems() { }
    // The host's form of a report; the agent reports through the other one.
    void on_listing_callback(int, const QString&, qint64, const QDateTime&) { }
    void on_listing_callback(int nError, quintptr pInfo) { m_listings->report(nError, pInfo); }
    void on_itemload_callback_startItemLoad() { m_listings->startReported(); }
    void on_itemload_callback_eventItemLoad(quintptr pInfo) { m_listings->changeReported(pInfo); }
    void on_itemload_callback_insertItemLoad(quintptr pInfo) { m_listings->itemReported(pInfo); }
    void on_itemload_callback_finishItemLoad() { m_listings->finishReported(); }
    void on_itemload_callback_stopItemLoad(int error) { m_listings->stopReported(error); }
    void on_itemload_finishItemLoad() { m_listings->mergeEnded(); }
    void on_UmsMountResult(int nResult) { m_listings->mountAnswered(nResult); }
    void on_SDCardchange(bool bIsConnected, const QString& driveName);
    void on_load_fromSDcardChange() { m_listings->startAfterCardChange(); }
    void on_memcombo_changeStart();
    void on_memcombo_changeEnd(bool result);
    void on_device_init(int nItemType);
    void on_device_refresh(int nItemType);
    // The host imported photos: the marks of imported rows follow.
    void on_import_finished(int nItemType);

    // Thumbnails.
    void start_thumbnail_thread();
    void stop_thumbnail_thread();
    void start_thumbnail_thread2();
    void on_request_thumbnail();
    void on_request_thumbnail3();
    void on_addthumbnail(int error);
    void on_addthumbnail2(int error);
    void on_UpdateRow(int nRow);
    void on_start_thumbLoad() { m_hostThumbnails->loadVisibleRows(); }
    void on_GetThumbnail_Finish() { m_hostThumbnails->on_GetThumbnail_Finish(); }
    void on_update_item_thumbnail(const QString& path, const QPixmap& thumb);
    void on_update_item_thumbnail(const QString& path, const QString& temp)
    {
        m_hostThumbnails->on_update_item_thumbnail(path, temp);
    }

    // Delete, rotation, rename and file checks.
    void on_delete_callback(
        int error, int nCurThreadID, const QString& strCurDeletePath, const QString& strReserved);
    void on_complete_delete_file(int error, int threadID);
    void on_failed_rotate(int err);
    void on_rotate_photoViewer(const QModelIndex& index, int angle);
    void on_finished_rotate();
    void start_rotate_thread(const QString& path, int angle);
    void on_complete_renamefile(bool result);
    bool on_check_file_exist(const QModelIndex& index);

    // Row changes reported by the insert threads.
    void on_rows_changed();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool parentVisible() const { return parentWidget() && parentWidget()->isVisible(); }
    bool viewerOpen() const;
    bool hostTransferRunning(quint32 bits) const;
    bool isMediaTransferKind() const
    {
        return m_fileAgentType == ConnectionKind::MtpBasic
            || m_fileAgentType == ConnectionKind::Mtp;
    }
    void ShareItems();
    void UpdateContextMenuActions();
    void UpdateAlbumSubmenu(QAction* entry);
    void RunCommand(int command);
    void PostCommand(int command);
    // A main-menu command on the listed files: not while the viewer is open.
    void PostEditCommand(int command);
    void StopBackgroundTasks();
    int ScrollValue(int mode) const;
    void SetScrollValue(int mode, int value);

    // DeleteOperation::Screen: what a delete asks of the screen.
    void holdWorkForDelete() override;
    void releaseWorkAfterDelete() override { pauseInsertThreads(false); }
    bool hasItemView() const override { return viewOf(Current) != nullptr; }
    void removeDeletedRows(const QStringList& gone) override;
    // LocateOperation::Screen: what locating a file asks of the screen.
    void pauseInsertThreads(bool paused) override;
    void listLocatedFiles(const QStringList& files) override;
    // TransferController::Screen: what the viewer's download and the
    // rotation's upload ask of the screen.
    void pausePartialLoading() override { on_pause_patialloading(); }
    void resumePartialLoading() override { on_start_patialloading(); }
    void resumeViewerThumbnails() override { start_thumbnail_thread2(); }
    void viewerCopyArrived(const QString& photo, const QString& copy) override;

    // ViewerController::Screen: what opening and closing the viewer asks.
    void stopPartialLoading() override { on_stop_patialloading(); }
    void updateTransferButtons() override
    {
        m_status->updateTransferButtons(OCGlobal::ITEM_PHONE_PHOTO);
    }
    void applyCurrentSort() override { ApplyCurrentSort(); }
    void showViewerPage(bool viewer) override;
    int pageScroll() const override { return ScrollValue(GetViewMode(true)); }
    void setPageScroll(int value) override { SetScrollValue(GetViewMode(true), value); }

    // What the screen shows of a listing.
    void ShowListingBusy();
    void EndStoppedListing(int error);
    void EndFinishedListing();
    void ResetListing();

    // PropertiesController::Screen: what the single-photo commands ask.
    QModelIndex commandIndex() const override;
    int connectionKind() const override { return m_fileAgentType; }
    QPixmap knownThumbnail(const QString& path) override { return GetThumbnail(path, false); }
    bool fetchThumbnail(const QString& path) override { return FetchUnknownThumbnail(path, true); }
    void photoRenamed() override;

    // HostThumbnailSource::Screen: what the host's thumbnails ask.
    int currentPage() const override { return currentIndex(); }
    bool pageShown() const override { return isVisible(); }
    bool transferring() const override { return m_transfers->isTransferring(); }

    // ThumbnailUpdater::Screen: what the thumbnail chains ask of the screen.
    bool thumbnailStepAllowed() const override;
    bool listChainWanted() const override;
    bool viewerChainWanted() const override { return isVisible(); }
    bool viewerIsOpen() const override { return viewerOpen(); }
    bool isMassStorage() const override;
    bool thumbnailsFromPhone(bool viewer) const override;
    QList<CPhotoDataItem*> itemsInView() const override;
    QSize thumbnailCell() const override;
    PhotoViwerList* filmStrip() const override;
    bool heldForViewerDownload() const override { return m_transfers->thumbnailsHeld(); }
    void showBusy(bool viewer) override;
    void hideBusy() override { HideLoadingIndicators(); }
    void viewerChainIdle() override;
    void HideLoadingIndicators();

    PluginHostContext* m_hostContext = nullptr;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    OCSortFilterProxyModel* m_proxy = nullptr;
    int m_sortSearchId = -1;

    CExtTableView* m_listView = nullptr;
    CExtTableView* m_thumbListView = nullptr;
    AlbumViewWidget* m_albumView = nullptr;
    PhotoViewerWidget* m_viewer = nullptr;
    OCLoadingWidget* m_loading = nullptr;

    PageSwitcher* m_pages = nullptr;
    ViewSettings* m_settings = nullptr;
    SelectionStatus* m_status = nullptr;
    PhotoContextMenu* m_menu = nullptr;

    int m_lastItemType = OCGlobal::ITEM_PARTIAL_LOADING;
    int m_fileAgentType = 0x80000;
    bool m_phoneThumbnails = true;
    bool m_viewerThumbnails = true;
    bool m_thumbnailNoticeShown = false;
    bool m_storageSwitching = false;
    std::unique_ptr<TransferController> m_transfers;
    int m_listingState = NotListed; // the latest session's
    ViewPlace m_refreshPlace; // where the user was when a refresh started
    ListingController* m_listings = nullptr;

    ThumbnailUpdater* m_thumbnails = nullptr;
    HostThumbnailSource* m_hostThumbnails = nullptr;

    RotationController* m_rotation = nullptr;
    DeleteOperation* m_delete = nullptr;
    PropertiesController* m_properties = nullptr;
    ViewerController* m_viewing = nullptr;
    LocateOperation* m_locate = nullptr;

    QTimer m_rowChangeTimer;
    // While rows stream in, the current view paints at most once per
    // interval instead of once per row.
};
