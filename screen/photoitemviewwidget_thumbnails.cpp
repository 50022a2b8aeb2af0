// Thumbnails: the agent's answers and the chains' slots reach the
// ThumbnailUpdater; what the chains ask of the screen.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/cexttableview.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "screen/visiblerows.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

void postAnswer(const char* slot, int error)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::ThumbnailCallback" << slot << error;
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        QMetaObject::invokeMethod(screen, slot, Q_ARG(int, error));
}

} // namespace

void PhotoItemViewWidget::ThumbnailCallback(int error)
{
    postAnswer("on_addthumbnail", error);
}

void PhotoItemViewWidget::ThumbnailCallback2(int error)
{
    postAnswer("on_addthumbnail2", error);
}

void PhotoItemViewWidget::CreateThumbnailMachinery()
{
    m_hostThumbnails->create(m_listView);
}

void PhotoItemViewWidget::HideLoadingIndicators()
{
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
}

bool PhotoItemViewWidget::thumbnailStepAllowed() const
{
    return m_listingState == Listed
        && !g_SharedValue.hasProcessState(
            PhotoType, OCSharedValue::ProcessDelete | OCSharedValue::ProcessListing);
}

bool PhotoItemViewWidget::listChainWanted() const
{
    return isVisible() && currentIndex() != ListMode && !viewerOpen();
}

bool PhotoItemViewWidget::isMassStorage() const
{
    return m_fileAgentType == ConnectionKind::MassStorage;
}

bool PhotoItemViewWidget::thumbnailsFromPhone(bool viewer) const
{
    return viewer ? m_viewerThumbnails : m_phoneThumbnails;
}

QList<CPhotoDataItem*> PhotoItemViewWidget::itemsInView() const
{
    QList<CPhotoDataItem*> items;
    if (QAbstractItemView* view = currentPageView()) {
        const int page = currentIndex();
        for (const QModelIndex& index :
            visibleRows(view, page == ListMode || page == ThumbListMode))
            items.append(reinterpret_cast<CPhotoDataItem*>(
                index.data(PhotoRole::ItemPointerRole).value<quintptr>()));
    }
    return items;
}

QSize PhotoItemViewWidget::thumbnailCell() const
{
    return ThumbnailSharpener::cellSize(currentPageView(), int(PhotoColumn::Thumbnail));
}

PhotoViwerList* PhotoItemViewWidget::filmStrip() const
{
    return m_viewer->FilmStrip();
}

void PhotoItemViewWidget::showBusy(bool viewer)
{
    if (viewer)
        m_viewer->startDownloadImage();
    else
        m_loading->ShowLoadingWidget();
}

void PhotoItemViewWidget::viewerChainIdle()
{
    if (!m_transfers->isTransferring())
        m_viewer->stopDownloadImage();
}

void PhotoItemViewWidget::start_thumbnail_thread()
{
    m_thumbnails->startListChain();
}

void PhotoItemViewWidget::stop_thumbnail_thread()
{
    m_thumbnailNoticeShown = false;
    m_thumbnails->stop();
}

void PhotoItemViewWidget::on_request_thumbnail()
{
    m_thumbnails->requestNextListThumbnail();
}

void PhotoItemViewWidget::on_addthumbnail(int error)
{
    m_thumbnails->listAnswered(error);
}

void PhotoItemViewWidget::start_thumbnail_thread2()
{
    m_thumbnails->startViewerChain();
}

void PhotoItemViewWidget::on_request_thumbnail3()
{
    m_thumbnails->requestNextViewerThumbnail();
}

void PhotoItemViewWidget::on_addthumbnail2(int error)
{
    m_thumbnails->viewerAnswered(error);
}

void PhotoItemViewWidget::on_UpdateRow(int nRow)
{
    QAbstractItemView* view = currentPageView();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return;
    const QModelIndex index = model->index(nRow, 0);
    if (!index.isValid())
        return;
    const QRect rect = view->visualRect(index);
    if (rect.isValid())
        view->viewport()->update(rect);
}

void PhotoItemViewWidget::on_update_item_thumbnail(const QString& path, const QPixmap& thumb)
{
    if (m_mediaList)
        m_mediaList->storeThumbnail(path, QByteArray(), thumb.toImage());
}
