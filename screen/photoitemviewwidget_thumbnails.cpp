// Thumbnails fetched from the phone, one item at a time: the list chain for
// the thumbnail pages, the viewer chain for the film strip around the shown
// photo. A chain is request -> agent callback -> answer -> 50 ms -> request;
// at most one request is out, and flag 0x1000 of item type 16 is set while a
// chain runs.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/livewidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int ThumbnailSide = 300;
const int BusyRetryMs = 50;
const int MaxRequests = 3;
const int StepMs = 50;
const int Busy = 2;
const int NoThumbnail = 8;

CPhotoDataItem* itemOf(const QModelIndex& index)
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}

void postAnswer(const char* slot, int error)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::ThumbnailCallback received thumbnail callback"
                      << slot << error;
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

PhotoItemViewWidget::ThumbnailWindow PhotoItemViewWidget::ViewerThumbnailWindow(
    int current, int firstVisible, int perPage, int count)
{
    ThumbnailWindow window;
    if (perPage >= count) {
        window.end = count;
        return window;
    }
    // From two rows before the first visible one to a page past the shown one.
    const int offset = current - firstVisible;
    window.start = current - (offset + 2);
    if (window.start < 1)
        window.start = -1;
    window.end = current + 1 + (perPage - offset);
    if (window.end >= count)
        window.end = count;
    return window;
}

void PhotoItemViewWidget::HideLoadingIndicators()
{
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
}

bool PhotoItemViewWidget::ThumbnailStepAllowed(const char* method)
{
    const bool allowed = m_fileAgentType != ConnectionKind::MassStorage && m_listingState == Listed
        && !g_SharedValue.hasProcessState(
            PhotoType, OCSharedValue::ProcessDelete | OCSharedValue::ProcessListing)
        && m_mediaList && m_model;
    if (!allowed) {
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
        qCDebug(lcScreen) << method << ": stop";
    }
    return allowed;
}

int PhotoItemViewWidget::RequestThumbnail(const QString& path, PFN_ThumbnailCallback callback)
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!agent)
        return -1;
    const int kind = 2;
    int result = 0;
    int retryCount = 0;
    // A busy phone is asked twice more; the GUI thread waits at most 100 ms.
    do {
        if (result == Busy)
            QThread::msleep(BusyRetryMs);
        result = agent->RequestThumbnails(path, kind, callback);
        qCDebug(lcScreen) << "PhotoItemViewWidget::RequestThumbnail result :" << result
                          << "retryCount : " << retryCount;
        ++retryCount;
    } while (result == Busy && retryCount < MaxRequests);
    return result;
}

CPhotoDataItem* PhotoItemViewWidget::NextThumbnailItem()
{
    // What the user looks at comes first; the rest in the list's order.
    if (QAbstractItemView* view = currentPageView()) {
        for (const QModelIndex& index : VisibleIndexes(view, currentIndex())) {
            CPhotoDataItem* item = itemOf(index);
            if (item && item->needsThumbnail())
                return item;
        }
    }
    return m_mediaList->nextPendingThumbnail();
}

CPhotoDataItem* PhotoItemViewWidget::FilmStripItem(int row) const
{
    const QAbstractItemModel* strip = m_viewer->FilmStrip()->model();
    return strip ? itemOf(strip->index(row, 0)) : nullptr;
}

bool PhotoItemViewWidget::ThumbnailChainBusy(bool viewerChain) const
{
    // A chain between two steps is running too: its next step comes.
    const bool stepDue = (viewerChain ? m_viewerStepTimer : m_listStepTimer).isActive();
    const bool busy = m_bRequestThumbnail || m_heldForViewerDownload || stepDue;
    if (busy)
        qCDebug(lcScreen) << "PhotoItemViewWidget::ThumbnailChainBusy: request out"
                          << m_bRequestThumbnail << "held for the viewer" << m_heldForViewerDownload
                          << "step due" << stepDue;
    return busy;
}

void PhotoItemViewWidget::StoreThumbnail(CPhotoDataItem* item, const QPixmap& pixmap)
{
    item->setThumbnailLoaded(true);
    if (pixmap.isNull()) {
        qCWarning(lcScreen) << "PhotoItemViewWidget::StoreThumbnail thumbnail is null"
                            << item->path;
        return;
    }
    item->setThumbnail(
        pixmap.scaled(ThumbnailSide, ThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    item->hasThumbnail = true;
    item->setLoadState(0);
    // Only the item's row repaints: a change of every row costs each view
    // a pass over the whole list.
    m_model->refreshThumbnail(item);
    qCDebug(lcScreen) << "PhotoItemViewWidget::StoreThumbnail add thumbnail" << item->path;
}

void PhotoItemViewWidget::start_thumbnail_thread()
{
    if (g_SharedValue.IsPartialLoading() || !m_mediaList || m_mediaList->count() == 0)
        return;
    if (!m_phoneThumbnails) {
        qCWarning(lcScreen)
            << "PhotoItemViewWidget::start_thumbnail_thread end(failed start thumbnail thread)";
        HideLoadingIndicators();
        return;
    }
    if (viewerOpen()) {
        start_thumbnail_thread2();
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread start";
    if (m_fileAgentType == ConnectionKind::MassStorage)
        return;
    m_bStopThumbnail = false;
    if (ThumbnailChainBusy(false))
        return;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessThumbnails);
    on_request_thumbnail();
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread end";
}

void PhotoItemViewWidget::stop_thumbnail_thread()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::stop_thumbnail_thread : start";
    m_thumbnailNoticeShown = false;
    m_bStopThumbnail = true;
    qCDebug(lcScreen) << "PhotoItemViewWidget::stop_thumbnail_thread : end";
}

void PhotoItemViewWidget::on_request_thumbnail()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail : start";
    if (!ThumbnailStepAllowed("PhotoItemViewWidget::on_request_thumbnail"))
        return;
    m_bRequestThumbnail = false;
    if (isVisible() && currentIndex() != ListMode && !viewerOpen() && !m_bStopThumbnail) {
        CPhotoDataItem* item = NextThumbnailItem();
        while (item && !m_bStopThumbnail) {
            m_strAddThumbPath = item->path;
            if (!item->needsThumbnail()) {
                m_mediaList->setThumbnailPending(item->path, true);
                item = NextThumbnailItem();
                continue;
            }
            qCDebug(lcScreen)
                << "PhotoItemViewWidget::on_request_thumbnail request thumbnail callback"
                << m_strAddThumbPath;
            m_loading->ShowLoadingWidget();
            const int result
                = RequestThumbnail(m_strAddThumbPath, &PhotoItemViewWidget::ThumbnailCallback);
            if (result == 0) {
                qCDebug(lcScreen)
                    << "PhotoItemViewWidget::on_request_thumbnail request thumbnail successed"
                    << result;
                m_bRequestThumbnail = true;
                qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail : request";
                return;
            }
            qCWarning(lcScreen)
                << "PhotoItemViewWidget::on_request_thumbnail request thumbnail failed"
                << " result " << result;
            break;
        }
    }
    HideLoadingIndicators();
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail : finished";
}

void PhotoItemViewWidget::on_addthumbnail(int error)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail : answer" << error << "addThumbPath "
                      << m_strAddThumbPath;
    if (!m_mediaList || !m_model)
        return;
    const QString path = m_strAddThumbPath;
    if (error == 0) {
        if (!path.isEmpty()) {
            m_mediaList->setThumbnailPending(path, true);
            QPixmap pixmap;
            if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
                agent->GetThumbnailImage(&pixmap);
            qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail get_ThumbnailImage";
            if (CPhotoDataItem* item = m_mediaList->findItem(path, false))
                StoreThumbnail(item, pixmap);
        }
    } else if (error == NoThumbnail) {
        qCWarning(lcScreen) << "PhotoItemViewWidget::on_addthumbnail not found data" << error;
        if (!path.isEmpty()) {
            m_mediaList->setThumbnailPending(path, true);
            if (CPhotoDataItem* item = m_mediaList->findItem(path, false))
                item->setThumbnailLoaded(true);
        }
    } else {
        qCWarning(lcScreen) << "PhotoItemViewWidget::on_addthumbnail failed add thumbnail error"
                            << error << " thumbnail path" << path;
        m_bRequestThumbnail = false;
        HideLoadingIndicators();
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
        return;
    }
    m_strAddThumbPath.clear();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail : next thumbnail";
    m_listStepTimer.start(StepMs);
}

void PhotoItemViewWidget::start_thumbnail_thread2()
{
    const int count = m_mediaList ? m_mediaList->count() : 0;
    if (g_SharedValue.IsPartialLoading() || count == 0 || !m_viewerThumbnails || !viewerOpen()) {
        if (!m_downloading)
            m_viewer->stopDownloadImage();
        return;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread2 start";
    if (m_fileAgentType == ConnectionKind::MassStorage) {
        if (!m_downloading)
            m_viewer->stopDownloadImage();
        return;
    }
    m_bStopThumbnail = false;
    if (ThumbnailChainBusy(true))
        return;
    PhotoViwerList* strip = m_viewer->FilmStrip();
    // The shown photo's row now: rows move when a listing ends or the sort
    // changes while the viewer is open.
    const int current = strip->currentIndex().row();
    m_nCntPerPage = strip->CountPerPage();
    int firstIndex = -1;
    if (m_nCntPerPage < count) {
        firstIndex = strip->indexAt(QPoint(0, 0)).row();
        qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread2 nFirstIndex :"
                          << firstIndex << "m_curIndex : " << current;
    } else {
        qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread2 count :" << count;
    }
    const ThumbnailWindow window = ViewerThumbnailWindow(current, firstIndex, m_nCntPerPage, count);
    m_indexThumbStart = window.start;
    m_indexThumbEnd = window.end;
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread2 nOffset :"
                      << (current - firstIndex) << "m_indexThumbStart : " << m_indexThumbStart
                      << "m_indexThumbEnd : " << m_indexThumbEnd;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessThumbnails);
    on_request_thumbnail3();
    qCDebug(lcScreen) << "PhotoItemViewWidget::start_thumbnail_thread2 end";
}

void PhotoItemViewWidget::on_request_thumbnail3()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail3 : start";
    if (!ThumbnailStepAllowed("PhotoItemViewWidget::on_request_thumbnail3"))
        return;
    m_bRequestThumbnail = false;
    if (isVisible() && !m_bStopThumbnail && m_indexThumbStart < m_mediaList->count()) {
        ++m_indexThumbStart;
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail3 m_indexThumbStart :"
                          << m_indexThumbStart;
        for (int row = m_indexThumbStart; row < m_indexThumbEnd && !m_bStopThumbnail; ++row) {
            CPhotoDataItem* item = FilmStripItem(row);
            if (!item)
                continue;
            if (!item->needsThumbnail()) {
                m_mediaList->setThumbnailPending(item->path, true);
                continue;
            }
            qCDebug(lcScreen)
                << "PhotoItemViewWidget::on_request_thumbnail3 request thumbnail callback" << row
                << item->path;
            m_indexThumbStart = row;
            m_viewer->startDownloadImage();
            const int result
                = RequestThumbnail(item->path, &PhotoItemViewWidget::ThumbnailCallback2);
            if (result == 0) {
                // The answer is the item's, wherever its row is by then.
                m_viewerThumbPath = item->path;
                qCDebug(lcScreen)
                    << "PhotoItemViewWidget::on_request_thumbnail3 request thumbnail successed"
                    << row << result;
                m_bRequestThumbnail = true;
                qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail3 : request";
                return;
            }
            // Unlike the list chain, one refused row does not end the walk.
            qCWarning(lcScreen)
                << "PhotoItemViewWidget::on_request_thumbnail3 request thumbnail failed" << row
                << result;
        }
    }
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail3 : finished";
    const int perPage = m_viewer->FilmStrip()->CountPerPage();
    if (m_nCntPerPage < perPage) {
        // The strip has grown: the new page wants its thumbnails too.
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_request_thumbnail3 m_nCntPerPage :"
                          << m_nCntPerPage << "nCntPerPage : " << perPage;
        start_thumbnail_thread2();
    } else if (!m_downloading) {
        m_viewer->stopDownloadImage();
    }
}

void PhotoItemViewWidget::on_addthumbnail2(int error)
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail2 : answer" << error
                      << "indexAddThumb " << m_indexThumbStart;
    if (!m_mediaList || !m_model)
        return;
    const QString path = m_viewerThumbPath;
    m_viewerThumbPath.clear();
    // Gone meanwhile (a reset, a delete): the answer is dropped.
    CPhotoDataItem* item = path.isEmpty() ? nullptr : m_mediaList->findItem(path, false);
    if (error == 0 && item) {
        QPixmap pixmap;
        if (IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr)
            agent->GetThumbnailImage(&pixmap);
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail2: get_ThumbnailImage" << path;
        m_mediaList->setThumbnailPending(path, true);
        StoreThumbnail(item, pixmap);
    } else if (error == NoThumbnail && item) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail2: not found data" << path;
        m_mediaList->setThumbnailPending(path, true);
        item->setThumbnailLoaded(true);
    } else {
        qCWarning(lcScreen) << "PhotoItemViewWidget::on_addthumbnail2 failed add thumbnail error"
                            << error;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_addthumbnail2 : next thumbnail";
    m_viewerStepTimer.start(StepMs);
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
