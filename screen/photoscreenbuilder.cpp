#include "screen/photoscreenbuilder.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>

#include "host/contract/errorboxcode.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/cexttableview.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/agentthumbnailprovider.h"
#include "screen/cachedthumbnailprovider.h"
#include "screen/localthumbnailprovider.h"
#include "screen/photoitemviewwidget.h"
#include "screen/rotationcontroller.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

using Screen = PhotoItemViewWidget;

namespace {
// The host's status bar shows a storage mount under this item type.
const int StatusModeChange = OCGlobal::ITEM_PC_PHOTO;
} // namespace

void PhotoScreenBuilder::buildControllers(PhotoItemViewWidget* screen)
{
    auto agent
        = [screen] { return screen->m_hostContext ? screen->m_hostContext->deviceAgent : nullptr; };
    auto mediaTransfer = [screen] { return screen->isMediaTransferKind(); };
    screen->m_transfers = std::make_unique<TransferController>(
        static_cast<TransferController::Screen*>(screen), screen->m_viewer, agent,
        TransferController::Callbacks { &Screen::DownloadProgressCallback,
            &Screen::RotateProgressCallback, &Screen::TransferCompletionCallback },
        screen);
    TransferController* transfers = screen->m_transfers.get();
    QObject::connect(
        transfers, &TransferController::uploadedItemsListed, screen, &Screen::on_finished_transfer);
    QObject::connect(transfers, &TransferController::uploadedRowsChanged, screen,
        &Screen::refreshAfterRowChange);
    QObject::connect(
        transfers, &TransferController::locatedItemListed, screen, &Screen::showItemOfPath);
    QObject::connect(transfers, &TransferController::transferToPcRequested, screen,
        &Screen::transferToPcRequested);
    buildThumbnailSources(screen);
    screen->m_rowChangeTimer.setSingleShot(true);
    screen->m_rowChangeTimer.setInterval(0);
    QObject::connect(&screen->m_rowChangeTimer, &QTimer::timeout, screen, &Screen::on_rows_changed);
    screen->m_delete = new DeleteOperation(static_cast<DeleteOperation::Screen*>(screen), agent,
        mediaTransfer, reinterpret_cast<void*>(&Screen::DeleteCallback), screen, screen);
    screen->m_locate = new LocateOperation(
        static_cast<LocateOperation::Screen*>(screen), screen, agent, mediaTransfer, screen);
    screen->m_rotation = new RotationController(
        screen->m_viewer, screen->m_loading, transfers, mediaTransfer, screen, screen);
    QObject::connect(
        screen->m_rotation, &RotationController::failed, screen, &Screen::on_signal_failed_rotate);
    screen->m_properties
        = new PropertiesController(static_cast<PropertiesController::Screen*>(screen), screen,
            agent, reinterpret_cast<void*>(&Screen::RenameFileCallback), screen);
    QObject::connect(screen, &Screen::on_siganl_finished_getthumbnail, screen->m_properties,
        &PropertiesController::thumbnailFetched);
    QObject::connect(screen, &Screen::on_signal_devicechange, screen->m_properties,
        &PropertiesController::closeDialog);
    QObject::connect(screen->m_properties, &PropertiesController::showInFileManagerRequested,
        screen, &Screen::on_showinwindows);
    screen->m_viewing = new ViewerController(static_cast<ViewerController::Screen*>(screen),
        screen->m_viewer, transfers, mediaTransfer, screen, screen);
    ListingController::Setup listing;
    listing.agent = agent;
    listing.connectionKind = [screen] { return screen->m_fileAgentType; };
    listing.mountCallback = &Screen::UmsMountCallback;
    listing.changeSink
        = [screen](ItemEvent event) { screen->addThreadModelDataWithToPhone(std::move(event)); };
    screen->m_listings = new ListingController(std::move(listing), screen);
    connectListing(screen);
}

void PhotoScreenBuilder::buildPages(PhotoItemViewWidget* screen, QWidget* overlayParent)
{
    screen->m_listView = new CExtTableView(OCGlobal::ITEM_PHONE_PHOTO, screen);
    screen->m_listView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    screen->m_thumbListView = new CExtTableView(OCGlobal::ITEM_PHONE_PHOTO, screen);
    screen->m_thumbListView->SetRowHeight(100);
    screen->m_albumView = new AlbumViewWidget(screen);
    screen->m_viewer = new PhotoViewerWidget(screen);
    // The overlay covers the whole plug-in area, not only the page.
    screen->m_loading = new OCLoadingWidget(overlayParent ? overlayParent : screen, 0);
    screen->insertWidget(Screen::ListMode, screen->m_listView);
    screen->insertWidget(Screen::ThumbListMode, screen->m_thumbListView);
    screen->insertWidget(Screen::AlbumMode, screen->m_albumView);
    screen->insertWidget(Screen::ViewerMode, screen->m_viewer);
    screen->setCurrentIndex(Screen::ListMode);
}

void PhotoScreenBuilder::setupTables(CExtTableView* list, CExtTableView* thumbList)
{
    // Columns the tables never show: their cells carry no text (type, date
    // added, favourite) or are keys only (existence, path, new mark).
    static const int hidden[]
        = { PhotoColumn::Type, PhotoColumn::DateAdded, PhotoColumn::Favorite, PhotoColumn::Exists,
              PhotoColumn::Path, PhotoColumn::Spare, PhotoColumn::NewFirst, PhotoColumn::Last };
    struct Width
    {
        int column;
        int list;
        int thumbList;
    };
    static const Width widths[] = {
        { PhotoColumn::Thumbnail, 0, 108 },
        { PhotoColumn::Name, 280, 260 },
        { PhotoColumn::Resolution, 124, 118 },
        { PhotoColumn::Size, 96, 96 },
        { PhotoColumn::DateTaken, 150, 150 },
        { PhotoColumn::Folder, 320, 300 },
    };
    for (CExtTableView* table : { list, thumbList }) {
        const bool thumbs = table == thumbList;
        QHeaderView* header = table->horizontalHeader();
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        table->setMouseTracking(true);
        table->SetCheckColumn(PhotoColumn::Check);
        table->SetThumbnailColumn(thumbs ? int(PhotoColumn::Thumbnail) : -1);
        table->SetImportedMarkColumn(PhotoColumn::Name);
        header->setFixedHeight(30);
        for (int column : hidden)
            table->setColumnHidden(column, true);
        table->setColumnHidden(PhotoColumn::Thumbnail, !thumbs);
        for (const Width& width : widths) {
            const int size = thumbs ? width.thumbList : width.list;
            if (size > 0)
                table->setColumnWidth(width.column, size);
        }
        if (thumbs && header->count() > PhotoColumn::Thumbnail)
            header->setSectionResizeMode(PhotoColumn::Thumbnail, QHeaderView::Fixed);
    }
}

void PhotoScreenBuilder::connectView(PhotoItemViewWidget* screen, QAbstractItemView* view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setMouseTracking(true);
    view->installEventFilter(screen);
    QObject::connect(
        view, &QWidget::customContextMenuRequested, screen, &Screen::on_show_contexmenu);
    QObject::connect(
        view, &QAbstractItemView::doubleClicked, screen, &Screen::on_item_double_clicked);
    QObject::connect(
        view, SIGNAL(entered(QModelIndex)), screen, SLOT(on_check_file_exist(QModelIndex)));
    QObject::connect(view, SIGNAL(on_signal_start_thumbLoad()), screen, SLOT(on_start_thumbLoad()));
    if (QItemSelectionModel* selection = view->selectionModel())
        QObject::connect(selection, &QItemSelectionModel::selectionChanged, screen,
            &Screen::on_selection_Changed);
}

void PhotoScreenBuilder::connectPages(PhotoItemViewWidget* screen)
{
    for (CExtTableView* table : { screen->m_listView, screen->m_thumbListView }) {
        connectView(screen, table);
        QObject::connect(screen, &Screen::on_signal_view_selection_change, table,
            &CExtTableView::on_selection_Changed);
        QObject::connect(
            table, &CExtTableView::on_signal_sort_changed, screen, &Screen::on_sort_changed);
        QObject::connect(
            table, &CExtTableView::on_signal_drop_event, screen, &Screen::on_drop_event);
    }
    AlbumViewWidget* album = screen->m_albumView;
    for (int mode = 0; mode < AlbumViewWidget::ModeCount; ++mode)
        connectView(screen, album->View(mode));
    QObject::connect(screen, &Screen::on_signal_view_selection_change, album,
        &AlbumViewWidget::on_selection_Changed);
    QObject::connect(
        album, &AlbumViewWidget::on_signal_sort_changed, screen, &Screen::on_sort_changed);
    QObject::connect(album, &AlbumViewWidget::on_signal_drop_event, screen, &Screen::on_drop_event);
    QObject::connect(
        album, &AlbumViewWidget::on_signal_view_changed, screen, &Screen::on_changed_viewtype1);
    connectViewer(screen);
    connectModel(screen);

    QObject::connect(screen, &Screen::on_signal_changed_items, screen, &Screen::on_changed_items);
    QObject::connect(
        screen, &Screen::on_signal_hideLoadingWidget, screen, &Screen::on_hideLoadingWidget);
    QObject::connect(
        screen, &Screen::on_signal_showLoadingWidget, screen, &Screen::on_showLoadingWidget);
    QObject::connect(screen, &Screen::on_signal_errorMsgBox, screen, &Screen::on_errorMsgBox);
    QObject::connect(
        screen, &Screen::on_signal_request_thumbnail, screen, &Screen::on_request_thumbnail);
    QObject::connect(
        screen, &Screen::on_signal_notice_thumbnail, screen, &Screen::on_notice_thumbnail);
    QObject::connect(screen, &Screen::on_signal_failed_rotate, screen, &Screen::on_failed_rotate);
}

void PhotoScreenBuilder::connectViewer(PhotoItemViewWidget* screen)
{
    PhotoViewerWidget* viewer = screen->m_viewer;
    PhotoViwerList* strip = viewer->FilmStrip();
    strip->installEventFilter(screen);
    QObject::connect(
        strip, &PhotoViwerList::on_signal_start_thumbLoad, screen, &Screen::on_start_thumbLoad);
    QObject::connect(screen, &Screen::on_signal_view_selection_change, viewer,
        &PhotoViewerWidget::on_selection_Changed);
    QObject::connect(
        viewer, &PhotoViewerWidget::closeClicked, screen, &Screen::on_close_photoViewer);
    QObject::connect(
        viewer, &PhotoViewerWidget::rotateImage, screen, &Screen::on_rotate_photoViewer);
    QObject::connect(
        viewer, SIGNAL(loadFile(QModelIndex)), screen, SLOT(on_load_photoViewer(QModelIndex)));
    QObject::connect(
        viewer, &PhotoViewerWidget::addThumbnail, screen, &Screen::start_thumbnail_thread2);
    QObject::connect(
        viewer, &PhotoViewerWidget::on_signal_failed_rotate, screen, &Screen::on_failed_rotate);
    QObject::connect(screen, &Screen::on_signal_closed_photoviewer, viewer,
        &PhotoViewerWidget::on_signal_closed);
}

void PhotoScreenBuilder::connectModel(PhotoItemViewWidget* screen)
{
    PhotoItemViewModel* model = screen->m_model;
    if (!model)
        return;
    // The model announces thumbnails of the host's cache by name.
    if (model->metaObject()->indexOfSignal("on_signal_update_item_thumbnail(QString,QPixmap)") >= 0)
        QObject::connect(model, SIGNAL(on_signal_update_item_thumbnail(QString, QPixmap)), screen,
            SLOT(on_update_item_thumbnail(QString, QPixmap)));
    QObject::connect(
        model, &PhotoItemViewModel::on_signal_rotate_image, screen, &Screen::start_rotate_thread);
    QObject::connect(
        model, &PhotoItemViewModel::on_signal_failed_rotate, screen, &Screen::on_failed_rotate);
}

ThumbnailUpdater* PhotoScreenBuilder::makeThumbnailUpdater(PhotoItemViewWidget* screen)
{
    auto agent
        = [screen] { return screen->m_hostContext ? screen->m_hostContext->deviceAgent : nullptr; };
    const CachedThumbnailProvider::Sources sources { agent,
        [screen] { return screen->m_hostContext ? screen->m_hostContext->dbManager : nullptr; },
        [screen](const QString& path) {
            OCMediaItemList* list = screen->m_mediaList;
            return ThumbnailUpdater::fileKey(list ? list->findItem(path, false) : nullptr);
        } };
    auto cached = [&](PFN_ThumbnailCallback answer) {
        return std::make_unique<CachedThumbnailProvider>(
            std::make_unique<AgentThumbnailProvider>(agent, answer), sources);
    };
    auto* updater = new ThumbnailUpdater(static_cast<ThumbnailUpdater::Screen*>(screen),
        cached(&Screen::ThumbnailCallback), cached(&Screen::ThumbnailCallback2), screen);
    auto database
        = [screen] { return screen->m_mediaList ? screen->m_mediaList->database(true) : nullptr; };
    updater->setLocalProviders(std::make_unique<LocalThumbnailProvider>(database,
                                   [updater](int error) { updater->listAnswered(error); }),
        std::make_unique<LocalThumbnailProvider>(
            database, [updater](int error) { updater->viewerAnswered(error); }));
    return updater;
}

void PhotoScreenBuilder::buildThumbnailSources(PhotoItemViewWidget* screen)
{
    screen->m_thumbnails = makeThumbnailUpdater(screen);
    auto* host = new HostThumbnailSource(
        static_cast<HostThumbnailSource::Screen*>(screen),
        [screen] { return screen->m_hostContext; }, screen);
    screen->m_hostThumbnails = host;
    QObject::connect(
        host, &HostThumbnailSource::fetchEnded, screen, &Screen::on_siganl_finished_getthumbnail);
    QObject::connect(host, &HostThumbnailSource::rowChanged, screen, &Screen::on_UpdateRow);
    QObject::connect(
        host, &HostThumbnailSource::repaintWanted, screen, &Screen::repaintCurrentView);
}

void PhotoScreenBuilder::buildViewControllers(PhotoItemViewWidget* screen)
{
    screen->m_pages = new PageSwitcher(
        screen,
        [screen] {
            return PageSwitcher::Conditions { screen->parentVisible(), screen->viewerOpen(),
                screen->m_phoneThumbnails, screen->isMediaTransferKind(),
                screen->m_listingState == Screen::Listed };
        },
        screen);
    QObject::connect(screen->m_pages, &PageSwitcher::viewModeReported, screen,
        &Screen::on_signal_changedType_View);
    screen->m_settings = new ViewSettings(
        screen->m_listView, screen->m_thumbListView, screen->m_albumView, screen);
    QObject::connect(screen->m_settings, &ViewSettings::newMarksFirstWanted, screen,
        &Screen::on_last_sort, Qt::QueuedConnection);
    auto* status = new SelectionStatus(
        screen, [screen] { return screen->viewOf(Screen::Current); }, screen);
    screen->m_status = status;
    QObject::connect(
        status, &SelectionStatus::statusTextChanged, screen, &Screen::on_signal_statusbar_SetText);
    QObject::connect(
        status, &SelectionStatus::showTutorialMove, screen, &Screen::on_signal_showTutorialMove);
    QObject::connect(
        status, &SelectionStatus::hideTutorialMove, screen, &Screen::on_signal_hideTutorialMove);
    QObject::connect(status, &SelectionStatus::toPcEnabled, screen, &Screen::on_signal_topc_status);
    QObject::connect(
        status, &SelectionStatus::toPhoneEnabled, screen, &Screen::on_signal_tophone_status);
    screen->m_menu = new PhotoContextMenu(screen);
    for (int command = PhotoActions::View; command < PhotoActions::None; ++command)
        QObject::connect(screen->m_menu->actions()->action(command), &QAction::triggered, screen,
            &Screen::on_clicked_contextmenu);
}

void PhotoScreenBuilder::connectListing(PhotoItemViewWidget* screen)
{
    using L = ListingController;
    L* listings = screen->m_listings;
    auto notice = [] { return GetQString(Screen::tr("Notice")); };
    QObject::connect(
        listings, &L::stateChanged, screen, [screen](int code) { screen->m_listingState = code; });
    QObject::connect(listings, &L::preparing, screen, [screen] {
        screen->ShowListingBusy();
        screen->on_stop_patialloading();
        PluginHostContext* host = screen->m_hostContext;
        if (g_SharedValue.IsPartialLoading() && host && host->photoDatabase)
            host->photoDatabase->clearDBRecords(true);
    });
    QObject::connect(listings, &L::started, screen, [screen] {
        screen->m_albumView->SetControlsEnabled(true);
        screen->ShowListingBusy();
    });
    QObject::connect(listings, &L::reportsEnded, screen, [screen] {
        if (screen->m_fileAgentType == ConnectionKind::MassStorage)
            screen->m_loading->HideLoadingWidget();
    });
    QObject::connect(listings, &L::stopped, screen, &Screen::EndStoppedListing);
    QObject::connect(listings, &L::finished, screen, &Screen::EndFinishedListing);
    QObject::connect(listings, &L::memoryPressure, screen, [screen, notice] {
        OCMsgBox::OCErrorMessageBox(screen, notice(), ErrorBoxCode::OutOfMemory);
    });
    QObject::connect(listings, &L::busyRefused, screen, [screen, notice] {
        emit screen->on_signal_errorMsgBox(notice(), ErrorBoxCode::PhoneBusy);
    });
    QObject::connect(listings, &L::mountShown, screen, [screen](bool shown) {
        emit screen->on_signal_showModechangeLoading(shown, ITEM_TYPE(StatusModeChange));
    });
    QObject::connect(listings, &L::mountFailed, screen, [screen, notice](int result) {
        if (result != MountResult::Refused && result != MountResult::Cancelled
            && screen->isVisible())
            OCMsgBox::OCErrorMessageBox(screen, notice(), ErrorBoxCode::StorageNotOpened);
        emit screen->on_signal_hideLoadingWidget();
        screen->m_status->showSelection();
    });
    QObject::connect(listings, &L::deviceRefreshFinished, screen,
        [screen] { emit screen->on_signal_device_refresh_finish(OCGlobal::ITEM_PHONE_PHOTO); });
    QObject::connect(listings, &L::itemsChanged, screen, &Screen::on_signal_changed_items);
    QObject::connect(listings, &L::loadingEnded, screen, &Screen::on_signal_hideLoadingWidget);
    QObject::connect(listings, &L::rowsChanged, screen, &Screen::refreshAfterRowChange);
    QObject::connect(listings, &L::locatedItemListed, screen, &Screen::showItemOfPath);
    // The photo whose properties are shown went away: close the dialog.
    QObject::connect(listings, &L::removalReported, screen, [screen](const QString& path) {
        const QString shown = screen->propertyPath();
        if (!shown.isEmpty()
            && toStoredPath(path).compare(toStoredPath(shown), Qt::CaseInsensitive) == 0)
            emit screen->on_signal_devicechange(false);
    });
}
