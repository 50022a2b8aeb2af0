#include "photoviewerwidget.h"

#include "host/services/logcategories.h"
#include "host/services/ocfont.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/photoroles.h"
#include "ui_photoviewerwidget.h"
#include "viewer/photoviewercenter.h"
#include "viewer/photoviewerpixmap.h"
#include "viewer/photoviwerlist.h"

#include <QDebug>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>

namespace {

// Files above this size are not rotated (the rotation rewrites the file).
const qint64 kMaxRotateBytes = 104857600;
const QColor kStripColor(49, 49, 49);

QRect largestScreenArea()
{
    QRect largest;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (area.width() > largest.width() && area.height() > largest.height())
            largest = area;
    }
    return largest;
}

} // namespace

PhotoViewerWidget::PhotoViewerWidget(QWidget* parent)
    : QWidget(parent)
    , m_ui(new Ui::PhotoViewerWidget)
{
    m_ui->setupUi(this);
    setUpButtons();

    const QRect screenArea = largestScreenArea();

    m_center = new PhotoviewerCenter(this);
    m_center->SetRotateButtons(m_ui->btn_photo_viewer_rotate_l, m_ui->btn_photo_viewer_rotate_r);
    m_pixmapView = new PhotoViewerPixmap(m_center);
    m_pixmapView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_pixmapView->SetMaxSize(screenArea.width(), screenArea.height());
    m_center->SetPixmapView(m_pixmapView);
    m_center->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_ui->horizontalLayout_5->insertWidget(0, m_center, 1);
    m_ui->horizontalLayout_5->removeWidget(m_ui->btn_photo_viewer_rotate_l);
    m_ui->horizontalLayout_5->removeWidget(m_ui->btn_photo_viewer_rotate_r);
    m_ui->horizontalLayout_5->removeWidget(m_ui->label_2);
    delete m_ui->label_2;
    m_ui->label_2 = nullptr;

    m_list = new PhotoViwerList(this);
    m_list->setObjectName(QStringLiteral("listView"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMaximumHeight(74);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setViewMode(QListView::ListMode);
    m_list->setFlow(QListView::LeftToRight);
    m_list->setUniformItemSizes(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSpacing(0);
    m_list->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_list->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_list->setFocusPolicy(Qt::StrongFocus);
    m_list->setGridSize(QSize(116, 74));
    m_list->setIconSize(QSize(116, 74));
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, kStripColor);
    m_list->setPalette(palette);
    m_list->setAutoFillBackground(true);
    m_ui->verticalLayout_4->removeWidget(m_ui->listView);
    delete m_ui->listView;
    m_ui->listView = nullptr;
    m_ui->verticalLayout_4->insertWidget(1, m_list);

    connect(m_ui->btn_photo_viewer_close, &QPushButton::clicked, this,
        &PhotoViewerWidget::closeClicked);
    connect(m_ui->btn_photo_viewer_rotate_r, &QPushButton::clicked, this,
        &PhotoViewerWidget::rotateClockwise);
    connect(m_ui->btn_photo_viewer_rotate_l, &QPushButton::clicked, this,
        &PhotoViewerWidget::rotateCounterClockwise);
    connect(m_list, &PhotoViwerList::selectChanged, this,
        QOverload<const QModelIndex&>::of(&PhotoViewerWidget::loadFile));
    connect(m_list, &PhotoViwerList::buttonState, this, &PhotoViewerWidget::buttonState);
    connect(m_list, &PhotoViwerList::leftButtonState, this, &PhotoViewerWidget::leftButtonState);
    connect(m_list, &PhotoViwerList::rightButtonState, this, &PhotoViewerWidget::rightButtonState);
    connect(m_center, &PhotoviewerCenter::on_signal_change_title, this,
        &PhotoViewerWidget::changetitle);
    connect(this, &PhotoViewerWidget::reLoadFile, m_center,
        QOverload<const QString&>::of(&PhotoviewerCenter::loadFile));
    connect(
        this, &PhotoViewerWidget::on_signal_closed, m_center, &PhotoviewerCenter::on_stop_movie);
    connect(this, &PhotoViewerWidget::on_signal_closed, m_list, &PhotoViwerList::end);
    connect(this, &PhotoViewerWidget::on_signal_rotate, m_center, &PhotoviewerCenter::on_rotate);

    const bool rtl = g_SharedValue.IsRTL();
    if (rtl)
        placeForRightToLeft();
    connectPhotoButtons(rtl);

    m_loadingWidget = new OCLoadingWidget(this, 0);
    m_title.clear();
    m_nCntPerPage = 0;
}

PhotoViewerWidget::~PhotoViewerWidget()
{
    delete m_ui;
}

void PhotoViewerWidget::setUpButtons()
{
    // The host's style sheet draws the buttons by their object names.
    const std::pair<QPushButton*, const char*> buttons[] = {
        { m_ui->btn_photo_viewer_close, nullptr },
        { m_ui->btn_photo_viewer_big_pre, QT_TR_NOOP("Previous photo") },
        { m_ui->btn_photo_viewer_big_next, QT_TR_NOOP("Next photo") },
        { m_ui->btn_photo_viewer_rotate_l, QT_TR_NOOP("Rotate left") },
        { m_ui->btn_photo_viewer_rotate_r, QT_TR_NOOP("Rotate right") },
        { m_ui->btn_photo_viewer_small_pre, QT_TR_NOOP("Previous page") },
        { m_ui->btn_photo_viewer_small_next, QT_TR_NOOP("Next page") },
    };
    for (const auto& [button, tooltip] : buttons) {
        button->setText(QString());
        button->setFocusPolicy(Qt::NoFocus);
        if (tooltip)
            button->setToolTip(GetQString(tr(tooltip)));
    }
    m_ui->btn_photo_viewer_small_pre->setMaximumSize(32, 32);
    m_ui->btn_photo_viewer_small_next->setMaximumSize(32, 32);
    m_ui->btn_photo_viewer_rotate_l->hide();
    m_ui->btn_photo_viewer_rotate_r->hide();
    m_ui->label->setFont(g_Font.GetIFNormal());
    // The title is elided to the label's width; its text must not widen it.
    m_ui->label->setSizePolicy(QSizePolicy::Ignored, m_ui->label->sizePolicy().verticalPolicy());
}

void PhotoViewerWidget::placeForRightToLeft()
{
    m_ui->horizontalLayout_3->removeWidget(m_ui->btn_photo_viewer_big_next);
    m_ui->horizontalLayout_7->removeWidget(m_ui->btn_photo_viewer_big_pre);
    m_ui->horizontalLayout_7->insertWidget(1, m_ui->btn_photo_viewer_big_next);
    m_ui->horizontalLayout_3->insertWidget(0, m_ui->btn_photo_viewer_big_pre);

    m_ui->horizontalLayout_2->removeWidget(m_ui->btn_photo_viewer_small_pre);
    m_ui->horizontalLayout_2->removeWidget(m_ui->btn_photo_viewer_small_next);
    m_ui->horizontalLayout_2->insertWidget(1, m_ui->btn_photo_viewer_small_next);
    m_ui->horizontalLayout_2->insertWidget(5, m_ui->btn_photo_viewer_small_pre);
}

void PhotoViewerWidget::connectPhotoButtons(bool rtl)
{
    connect(m_ui->btn_photo_viewer_big_pre, &QPushButton::clicked, m_list,
        rtl ? &PhotoViwerList::next : &PhotoViwerList::prev);
    connect(m_ui->btn_photo_viewer_big_next, &QPushButton::clicked, m_list,
        rtl ? &PhotoViwerList::prev : &PhotoViwerList::next);
    connect(m_ui->btn_photo_viewer_small_pre, &QPushButton::clicked, m_list,
        rtl ? &PhotoViwerList::nextPage : &PhotoViwerList::prevPage);
    connect(m_ui->btn_photo_viewer_small_next, &QPushButton::clicked, m_list,
        rtl ? &PhotoViwerList::prevPage : &PhotoViwerList::nextPage);
}

void PhotoViewerWidget::SetModel(QAbstractItemModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_list->setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &PhotoViewerWidget::on_rowsInserted);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &PhotoViewerWidget::on_rowsRemoved);
}

int PhotoViewerWidget::CountPerPage() const
{
    return m_list->CountPerPage();
}

void PhotoViewerWidget::reSetCurrentIndex(const QModelIndex& index)
{
    if (!m_model || !index.isValid()) {
        qCDebug(lcViewer) << "PhotoViewerWidget::reSetCurrentIndex : no photo";
        return;
    }
    m_center->ClearImage();
    m_list->start(index);
    m_model->setData(index, false, PhotoRole::NewRole);

    const QString path = index.data(PhotoRole::PathRole).toString();
    qCDebug(lcViewer) << "PhotoViewerWidget::reSetCurrentIndex" << path;
    loadFile(path);
    // Loading may have refreshed the row; the photo counts as seen regardless.
    m_model->setData(index, false, PhotoRole::NewRole);

    UpdatePhotoButtons();
    const bool onePage = m_model->rowCount() <= m_list->CountPerPage();
    m_ui->btn_photo_viewer_small_pre->setEnabled(!onePage);
    m_ui->btn_photo_viewer_small_next->setEnabled(!onePage);
    m_list->buttonChange(0);
}

void PhotoViewerWidget::initViewer()
{
    qCDebug(lcViewer) << "PhotoViewerWidget::initViewer";
    m_list->clearSelection();
    m_center->ClearImage();
    changetitle(QString());
}

void PhotoViewerWidget::loadFile(const QString& path)
{
    QItemSelectionModel* selection = m_list->selectionModel();
    if (!selection)
        return;
    if (!selection->hasSelection()) {
        m_center->loadFile(QString(), 0);
        qCDebug(lcViewer) << "PhotoViewerWidget::loadFile none select" << path;
        return;
    }
    const QModelIndex current = m_list->currentIndex();
    const quintptr pointer = current.data(PhotoRole::ItemPointerRole).value<quintptr>();
    if (pointer == 0)
        return;
    qCDebug(lcViewer) << "PhotoViewerWidget::loadFile current"
                      << current.data(PhotoRole::PathRole).toString();
    m_nCntPerPage = m_list->CountPerPage();
    if (!path.isEmpty())
        m_center->loadFile(path, reinterpret_cast<const CPhotoDataItem*>(pointer)->orientation());
}

void PhotoViewerWidget::startDownloadImage()
{
    qCDebug(lcViewer) << "PhotoViewerWidget::startDownloadImage";
    m_loadingWidget->ShowLoadingWidget();
    m_list->SetDownloading(true);
}

void PhotoViewerWidget::stopDownloadImage()
{
    qCDebug(lcViewer) << "PhotoViewerWidget::stopDownloadImage";
    m_loadingWidget->HideLoadingWidget();
    m_list->SetDownloading(false);
}

void PhotoViewerWidget::SetRotateEnabled(bool enabled)
{
    m_center->SetCanRotate(enabled);
}

void PhotoViewerWidget::SetSortOrder(int column, int order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_model)
        m_model->sort(m_sortColumn, Qt::SortOrder(m_sortOrder));
}

void PhotoViewerWidget::RotateView(const QString& path, int angle)
{
    qCDebug(lcViewer) << "PhotoViewerWidget::RotateView" << path << angle;
    emit on_signal_rotate(angle);
}

bool PhotoViewerWidget::CheckRotateSize(const QModelIndex& index)
{
    const qint64 size = index.sibling(index.row(), 4).data(Qt::DisplayRole).toLongLong();
    if (size <= kMaxRotateBytes)
        return true;
    qCDebug(lcViewer) << "PhotoViewerWidget::CheckRotateSize : too large" << size;
    OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
        GetQString(tr("The more than 100 MB photo files do not support rotation.")), 0,
        MsgBoxFlag::Ok, nullptr, false);
    return false;
}

void PhotoViewerWidget::rotateClockwise()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return;
    if (CheckRotateSize(current))
        emit rotateImage(current, 90);
}

void PhotoViewerWidget::rotateCounterClockwise()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return;
    if (CheckRotateSize(current))
        emit rotateImage(current, -90);
}

void PhotoViewerWidget::UpdatePhotoButtons()
{
    const int rows = m_model ? m_model->rowCount() : 0;
    const int row = m_list->currentIndex().row();
    const bool atFirst = row < 1;
    const bool atLast = row >= rows - 1;
    const bool rtl = g_SharedValue.IsRTL();
    m_ui->btn_photo_viewer_big_pre->setEnabled(!(rtl ? atLast : atFirst));
    m_ui->btn_photo_viewer_big_next->setEnabled(!(rtl ? atFirst : atLast));
}

void PhotoViewerWidget::buttonState(bool bLeft, bool bRight)
{
    const bool rtl = g_SharedValue.IsRTL();
    m_ui->btn_photo_viewer_small_pre->setEnabled(!(rtl ? bRight : bLeft));
    m_ui->btn_photo_viewer_small_next->setEnabled(!(rtl ? bLeft : bRight));
    UpdatePhotoButtons();
}

void PhotoViewerWidget::leftButtonState(bool bDisable)
{
    QPushButton* button = g_SharedValue.IsRTL() ? m_ui->btn_photo_viewer_small_next
                                                : m_ui->btn_photo_viewer_small_pre;
    button->setEnabled(!bDisable);
}

void PhotoViewerWidget::rightButtonState(bool bDisable)
{
    QPushButton* button = g_SharedValue.IsRTL() ? m_ui->btn_photo_viewer_small_pre
                                                : m_ui->btn_photo_viewer_small_next;
    button->setEnabled(!bDisable);
}

void PhotoViewerWidget::showElidedTitle()
{
    m_ui->label->setText(
        m_ui->label->fontMetrics().elidedText(m_title, Qt::ElideRight, m_titleWidth));
}

void PhotoViewerWidget::changetitle(const QString& filename)
{
    m_title = filename;
    showElidedTitle();
}

void PhotoViewerWidget::on_selection_Changed(const QItemSelection&, const QItemSelection&)
{
    if (!isVisible())
        return;
    loadFile(QString());
    m_list->buttonChange(0);
    UpdatePhotoButtons();
}

void PhotoViewerWidget::on_request_thumbnail()
{
    m_list->buttonChange(0);
    const int perPage = m_list->CountPerPage();
    // A wider strip shows more thumbnails than were fetched at the last load.
    if (m_nCntPerPage >= 1 && m_nCntPerPage < perPage) {
        qCDebug(lcViewer) << "PhotoViewerWidget::on_request_thumbnail m_nCntPerPage :"
                          << m_nCntPerPage << "nCntPerPage : " << perPage;
        emit addThumbnail();
    }
}

void PhotoViewerWidget::SelectFirstIfNone()
{
    if (!m_list->currentIndex().isValid() && m_model->rowCount() > 0)
        reSetCurrentIndex(m_model->index(0, 0));
    m_list->scrollTo(m_list->currentIndex());
}

void PhotoViewerWidget::on_rowsInserted(const QModelIndex&, int start, int end)
{
    if (!isVisible() || !m_model)
        return;
    // The proxy sorts stably: each sort makes its column the primary key and
    // keeps the earlier order among equal keys.
    if (m_sortColumn >= 0) {
        m_model->sort(PhotoColumn::Path, Qt::AscendingOrder);
        m_model->sort(m_sortColumn, Qt::SortOrder(m_sortOrder));
        if (g_SharedValue.IsDisplayNewIcon())
            m_model->sort(PhotoColumn::NewFirst, Qt::AscendingOrder);
    }
    SelectFirstIfNone();
    afterRowsChanged("PhotoViewerWidget::on_rowsInserted", start, end);
}

void PhotoViewerWidget::on_rowsRemoved(const QModelIndex&, int start, int end)
{
    if (!isVisible() || !m_model)
        return;
    afterRowsChanged("PhotoViewerWidget::on_rowsRemoved", start, end);
}

void PhotoViewerWidget::afterRowsChanged(const char* method, int start, int end)
{
    m_list->buttonChange(0);
    const int cur = m_list->indexAt(QPoint(0, 0)).row();
    qCDebug(lcViewer) << method << "start " << start << "end " << end << "cur " << cur;
    // Rows changed anywhere up to the end of the visible page change what the
    // strip shows, so the screen fetches thumbnails for it again.
    Q_UNUSED(end);
    if (start <= cur + m_nCntPerPage)
        emit addThumbnail();
}

void PhotoViewerWidget::resizeEvent(QResizeEvent* event)
{
    m_titleWidth = m_ui->label->width();
    showElidedTitle();
    m_loadingWidget->setFixedSize(event->size());
    on_request_thumbnail();
    QWidget::resizeEvent(event);
}
