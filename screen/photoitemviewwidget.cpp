// Construction, set-up of the pages and their connections, and what the
// model and the insert threads rely on.
#include "screen/photoitemviewwidget.h"

#include <QAction>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/sortsearch/sortsearchcontrol.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/widgets/cexttableview.h"
#include "host/widgets/ocfademenu.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/listingsession.h"
#include "screen/rotationcontroller.h"
#include "screen/selectionchecker.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QDebug>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace {

// The index of a model row as the view's model (a chain of proxies) has it.
QModelIndex indexInView(const QAbstractItemView* view, const QAbstractItemModel* source, int row)
{
    const QAbstractItemModel* viewModel = view->model();
    QList<const QAbstractProxyModel*> proxies;
    while (viewModel && viewModel != source) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(viewModel);
        if (!proxy)
            return QModelIndex();
        proxies.prepend(proxy);
        viewModel = proxy->sourceModel();
    }
    if (!viewModel)
        return QModelIndex();
    QModelIndex index = source->index(row, 0);
    for (const QAbstractProxyModel* proxy : qAsConst(proxies))
        index = proxy->mapFromSource(index);
    return index;
}

} // namespace

PhotoItemViewWidget::PhotoItemViewWidget(QWidget* parent)
    : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("device_photo"));
    m_listView = new CExtTableView(OCGlobal::ITEM_PHONE_PHOTO, this);
    m_listView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_thumbListView = new CExtTableView(OCGlobal::ITEM_PHONE_PHOTO, this);
    m_thumbListView->SetRowHeight(100);
    m_albumView = new AlbumViewWidget(this);
    m_viewer = new PhotoViewerWidget(this);
    // The overlay covers the whole plug-in area, not only the page.
    m_loading = new OCLoadingWidget(parent ? parent : this, 0);
    insertWidget(ListMode, m_listView);
    insertWidget(ThumbListMode, m_thumbListView);
    insertWidget(AlbumMode, m_albumView);
    insertWidget(ViewerMode, m_viewer);
    setCurrentIndex(ListMode);

    for (int mode : { ListMode, ThumbListMode, AlbumMode, NoPage }) {
        m_sortColumn.insert(mode, DefaultSortColumn(mode));
        m_sortOrder.insert(mode, Qt::AscendingOrder);
        m_prevSortColumn.insert(mode, PhotoColumn::Path);
        m_prevSortOrder.insert(mode, Qt::AscendingOrder);
    }
    g_SharedValue.setState(
        OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::PluginListEmpty, OCSharedValue::PluginState);

    m_selectionChecker = new SelectionChecker(this);
    m_actions = new PhotoActions(this);
    auto agent = [this] { return m_hostContext ? m_hostContext->deviceAgent : nullptr; };
    m_transfers = std::make_unique<TransferController>(
        static_cast<TransferController::Screen*>(this), m_viewer, agent,
        TransferController::Callbacks { &PhotoItemViewWidget::DownloadProgressCallback,
            &PhotoItemViewWidget::RotateProgressCallback,
            &PhotoItemViewWidget::TransferCompletionCallback },
        this);
    connect(m_transfers.get(), &TransferController::uploadedItemsListed, this,
        &PhotoItemViewWidget::on_finished_transfer);
    connect(m_transfers.get(), &TransferController::uploadedRowsChanged, this,
        &PhotoItemViewWidget::refreshAfterRowChange);
    connect(m_transfers.get(), &TransferController::locatedItemListed, this,
        &PhotoItemViewWidget::showItemOfPath);
    m_thumbnails = makeThumbnailUpdater();
    for (int command = PhotoActions::View; command < PhotoActions::None; ++command)
        connect(m_actions->action(command), &QAction::triggered, this,
            &PhotoItemViewWidget::on_clicked_contextmenu);
    connect(m_selectionChecker, &SelectionChecker::finished, this,
        &PhotoItemViewWidget::on_selection_check_finished);

    m_rowChangeTimer.setSingleShot(true);
    m_rowChangeTimer.setInterval(0);
    connect(&m_rowChangeTimer, &QTimer::timeout, this, &PhotoItemViewWidget::on_rows_changed);
    m_delete = new DeleteOperation(
        static_cast<DeleteOperation::Screen*>(this), agent,
        [this] { return isMediaTransferKind(); },
        reinterpret_cast<void*>(&PhotoItemViewWidget::DeleteCallback), this, this);
    m_locate = new LocateOperation(static_cast<LocateOperation::Screen*>(this), this, this);
    m_rotation = new RotationController(
        m_viewer, m_loading, m_transfers.get(), [this] { return isMediaTransferKind(); }, this,
        this);
    connect(m_rotation, &RotationController::failed, this,
        &PhotoItemViewWidget::on_signal_failed_rotate);
}

PhotoItemViewWidget::~PhotoItemViewWidget()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::~PhotoItemViewWidget : start";
    emit on_signal_messagebox_close();
    emit on_signal_tophone_status(false);
    emit on_signal_topc_status(false);
    if (m_listing)
        m_listing->stopMerging();
    m_transfers->stopUploadedItems();
    StopBackgroundTasks();
    delete m_listing;
    delete m_abandoned;
    m_listing = m_abandoned = nullptr;
    // The manager's worker may still hand thumbnails over: it goes first.
    if (m_mediaList)
        m_mediaList->setThumbnailManager(nullptr);
    delete m_thumbnailManager;
    m_thumbnailManager = nullptr;
    delete m_contextMenu;
    delete m_loading;
    delete m_viewer;
    delete m_albumView;
    delete m_thumbListView;
    delete m_listView;
    if (m_sortSearchId != -1)
        SortSearchControl::GetSortSearchControl()->RemoveItemModel(m_sortSearchId);
    qCDebug(lcScreen) << "PhotoItemViewWidget::~PhotoItemViewWidget : end";
}

void PhotoItemViewWidget::refreshAfterRowChange()
{
    // One refresh per pass of the event loop. The insert threads hand rows
    // over in batches, and a view repaints once per pass by itself, so its
    // paints need no holding back.
    if (!m_rowChangeTimer.isActive())
        m_rowChangeTimer.start();
}

void PhotoItemViewWidget::on_rows_changed()
{
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
}

void PhotoItemViewWidget::repaintCurrentView()
{
    if (QAbstractItemView* view = currentPageView())
        view->viewport()->update();
    else if (QWidget* page = currentWidget())
        page->update();
}

bool PhotoItemViewWidget::showItemOfPath(const QString& path)
{
    QAbstractItemView* view = currentPageView();
    if (!view || !m_mediaList || !m_model)
        return false;
    const int row = m_model->IndexOf(m_mediaList->findItem(path, false));
    if (row < 0)
        return false;
    const QModelIndex index = indexInView(view, m_model, row);
    if (!index.isValid())
        return false;
    view->scrollTo(index);
    if (QItemSelectionModel* selection = view->selectionModel())
        selection->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

QAbstractItemView* PhotoItemViewWidget::currentPageView() const
{
    QWidget* page = currentWidget();
    if (page && page == m_albumView)
        return m_albumView->View(m_albumView->CurrentMode());
    if (page && page == m_viewer)
        return m_viewer->FilmStrip();
    return qobject_cast<QAbstractItemView*>(page);
}

void PhotoItemViewWidget::hideDropIndicator()
{
    // The host's views draw their own drop indicator and switch it by name.
    QAbstractItemView* view = currentPageView();
    if (view && view->metaObject()->indexOfMethod("setDropVisible(bool)") >= 0)
        QMetaObject::invokeMethod(view, "setDropVisible", Q_ARG(bool, false));
}

void PhotoItemViewWidget::setMediaList(OCMediaItemList* list)
{
    m_mediaList = list;
    m_thumbnails->setItems(m_mediaList, m_model);
    m_rotation->setItems(m_mediaList, m_model);
    m_locate->setItems(m_mediaList, m_model);
    m_transfers->setItems(m_mediaList, m_model);
}

void PhotoItemViewWidget::setModel(PhotoItemViewModel* model)
{
    m_model = model;
    m_thumbnails->setItems(m_mediaList, m_model);
    m_rotation->setItems(m_mediaList, m_model);
    m_locate->setItems(m_mediaList, m_model);
    m_transfers->setItems(m_mediaList, m_model);
    if (!model)
        return;
    SortSearchControl* control = SortSearchControl::GetSortSearchControl();
    m_sortSearchId = control->SetItemModel(this, model, m_sortSearchId);
    m_proxy = control->GetProxyModel(m_sortSearchId);
    m_listView->setModel(m_proxy);
    m_thumbListView->setModel(m_proxy);
    m_albumView->SetModel(m_proxy);
    m_viewer->SetModel(m_proxy);
    model->SetViewMode(currentIndex());
}

void PhotoItemViewWidget::SetItemLoadCallback()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::SetItemLoadCallback : no device agent";
        return;
    }
    agent->SetItemLoadCallback(&PhotoItemViewWidget::ItemLoadCallback);
}

void PhotoItemViewWidget::UnsetItemLoadCallback()
{
    // The agent outlives the screen and may outlive the plug-in's code.
    if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
        agent->SetItemLoadCallback(nullptr);
}

void PhotoItemViewWidget::SetupTableViews()
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
    for (CExtTableView* table : { m_listView, m_thumbListView }) {
        const bool thumbList = table == m_thumbListView;
        QHeaderView* header = table->horizontalHeader();
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        table->setMouseTracking(true);
        table->SetCheckColumn(PhotoColumn::Check);
        table->SetThumbnailColumn(thumbList ? int(PhotoColumn::Thumbnail) : -1);
        table->SetImportedMarkColumn(PhotoColumn::Name);
        header->setFixedHeight(30);
        for (int column : hidden)
            table->setColumnHidden(column, true);
        table->setColumnHidden(PhotoColumn::Thumbnail, !thumbList);
        for (const Width& width : widths) {
            const int size = thumbList ? width.thumbList : width.list;
            if (size > 0)
                table->setColumnWidth(width.column, size);
        }
        if (thumbList && header->count() > PhotoColumn::Thumbnail)
            header->setSectionResizeMode(PhotoColumn::Thumbnail, QHeaderView::Fixed);
    }
}

void PhotoItemViewWidget::ConnectView(QAbstractItemView* view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setMouseTracking(true);
    view->installEventFilter(this);
    connect(
        view, &QWidget::customContextMenuRequested, this, &PhotoItemViewWidget::on_show_contexmenu);
    connect(view, &QAbstractItemView::doubleClicked, this,
        &PhotoItemViewWidget::on_item_double_clicked);
    connect(view, SIGNAL(entered(QModelIndex)), this, SLOT(on_check_file_exist(QModelIndex)));
    connect(view, SIGNAL(on_signal_start_thumbLoad()), this, SLOT(on_start_thumbLoad()));
    if (QItemSelectionModel* selection = view->selectionModel()) {
        connect(selection, &QItemSelectionModel::selectionChanged, this,
            &PhotoItemViewWidget::on_selection_Changed);
    }
}

void PhotoItemViewWidget::SetupConnections()
{
    for (CExtTableView* table : { m_listView, m_thumbListView }) {
        ConnectView(table);
        connect(this, &PhotoItemViewWidget::on_signal_view_selection_change, table,
            &CExtTableView::on_selection_Changed);
        connect(table, &CExtTableView::on_signal_sort_changed, this,
            &PhotoItemViewWidget::on_sort_changed);
        connect(
            table, &CExtTableView::on_signal_drop_event, this, &PhotoItemViewWidget::on_drop_event);
    }
    for (int mode = 0; mode < AlbumViewWidget::ModeCount; ++mode)
        ConnectView(m_albumView->View(mode));
    connect(this, &PhotoItemViewWidget::on_signal_view_selection_change, m_albumView,
        &AlbumViewWidget::on_selection_Changed);
    connect(m_albumView, &AlbumViewWidget::on_signal_sort_changed, this,
        &PhotoItemViewWidget::on_sort_changed);
    connect(m_albumView, &AlbumViewWidget::on_signal_drop_event, this,
        &PhotoItemViewWidget::on_drop_event);
    connect(m_albumView, &AlbumViewWidget::on_signal_view_changed, this,
        &PhotoItemViewWidget::on_changed_viewtype1);

    PhotoViwerList* strip = m_viewer->FilmStrip();
    strip->installEventFilter(this);
    connect(strip, &PhotoViwerList::on_signal_start_thumbLoad, this,
        &PhotoItemViewWidget::on_start_thumbLoad);
    connect(this, &PhotoItemViewWidget::on_signal_view_selection_change, m_viewer,
        &PhotoViewerWidget::on_selection_Changed);
    connect(m_viewer, &PhotoViewerWidget::closeClicked, this,
        &PhotoItemViewWidget::on_close_photoViewer);
    connect(m_viewer, &PhotoViewerWidget::rotateImage, this,
        &PhotoItemViewWidget::on_rotate_photoViewer);
    connect(m_viewer, SIGNAL(loadFile(QModelIndex)), this, SLOT(on_load_photoViewer(QModelIndex)));
    connect(m_viewer, &PhotoViewerWidget::addThumbnail, this,
        &PhotoItemViewWidget::start_thumbnail_thread2);
    connect(m_viewer, &PhotoViewerWidget::on_signal_failed_rotate, this,
        &PhotoItemViewWidget::on_failed_rotate);
    connect(this, &PhotoItemViewWidget::on_signal_closed_photoviewer, m_viewer,
        &PhotoViewerWidget::on_signal_closed);

    if (m_model) {
        // The model announces thumbnails of the host's cache by name.
        if (m_model->metaObject()->indexOfSignal("on_signal_update_item_thumbnail(QString,QPixmap)")
            >= 0) {
            connect(m_model, SIGNAL(on_signal_update_item_thumbnail(QString, QPixmap)), this,
                SLOT(on_update_item_thumbnail(QString, QPixmap)));
        }
        connect(m_model, &PhotoItemViewModel::on_signal_rotate_image, this,
            &PhotoItemViewWidget::start_rotate_thread);
        connect(m_model, &PhotoItemViewModel::on_signal_failed_rotate, this,
            &PhotoItemViewWidget::on_failed_rotate);
    }

    connect(this, &PhotoItemViewWidget::on_signal_changed_items, this,
        &PhotoItemViewWidget::on_changed_items);
    connect(this, &PhotoItemViewWidget::on_signal_hideLoadingWidget, this,
        &PhotoItemViewWidget::on_hideLoadingWidget);
    connect(this, &PhotoItemViewWidget::on_signal_showLoadingWidget, this,
        &PhotoItemViewWidget::on_showLoadingWidget);
    connect(this, &PhotoItemViewWidget::on_signal_errorMsgBox, this,
        &PhotoItemViewWidget::on_errorMsgBox);
    connect(this, &PhotoItemViewWidget::on_signal_request_thumbnail, this,
        &PhotoItemViewWidget::on_request_thumbnail);
    connect(this, &PhotoItemViewWidget::on_signal_notice_thumbnail, this,
        &PhotoItemViewWidget::on_notice_thumbnail);
    connect(this, &PhotoItemViewWidget::on_signal_failed_rotate, this,
        &PhotoItemViewWidget::on_failed_rotate);
    connect(this, &PhotoItemViewWidget::on_signal_callback_startItemLoad, this,
        &PhotoItemViewWidget::on_itemload_callback_startItemLoad);
    connect(this, SIGNAL(on_signal_callback_eventItemLoad(quintptr)), this,
        SLOT(on_itemload_callback_eventItemLoad(quintptr)), Qt::BlockingQueuedConnection);
    connect(this, SIGNAL(on_signal_callback_insertItemLoad(quintptr)), this,
        SLOT(on_itemload_callback_insertItemLoad(quintptr)), Qt::BlockingQueuedConnection);
    connect(this, &PhotoItemViewWidget::on_signal_callback_finishItemLoad, this,
        &PhotoItemViewWidget::on_itemload_callback_finishItemLoad);
    connect(this, &PhotoItemViewWidget::on_signal_callback_stopItemLoad, this,
        &PhotoItemViewWidget::on_itemload_callback_stopItemLoad);
}

bool PhotoItemViewWidget::parentVisible() const
{
    return parentWidget() && parentWidget()->isVisible();
}

bool PhotoItemViewWidget::viewerOpen() const
{
    return m_model && m_model->isViewerOpen();
}

bool PhotoItemViewWidget::isViewerOpen() const
{
    return viewerOpen();
}

bool PhotoItemViewWidget::isMediaTransferKind() const
{
    return m_fileAgentType == ConnectionKind::MtpBasic || m_fileAgentType == ConnectionKind::Mtp;
}

bool PhotoItemViewWidget::hostTransferRunning(quint32 bits) const
{
    return (g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & bits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & bits);
}

CExtTableView* PhotoItemViewWidget::tableOf(int mode) const
{
    switch (mode) {
    case ListMode:
        return m_listView;
    case ThumbListMode:
        return m_thumbListView;
    default:
        return nullptr;
    }
}

QAbstractItemView* PhotoItemViewWidget::viewOf(int mode) const
{
    if (mode == Current)
        mode = viewerOpen() ? int(ViewerMode) : m_viewMode;
    switch (mode) {
    case ListMode:
    case ThumbListMode:
        return tableOf(mode);
    case AlbumMode:
        return m_albumView->View(m_albumView->CurrentMode());
    case ViewerMode:
        return m_viewer->FilmStrip();
    default:
        return nullptr;
    }
}
