// Partial-loading mode: thumbnails come from the host's photo database and
// thumbnail manager instead of the phone chains, and the host's background
// partial loading is paused or stopped while the screen needs the phone for
// itself. The waits pump events, since the loader may need this thread to
// reach its next state, and give up after a while: a loader that never
// answers must not hang the screen.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QElapsedTimer>
#include <QListView>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/thumbs/octhumnailmaker.h"
#include "host/widgets/cexttableview.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PollMs = 40;
const int WaitLimitMs = 10000;
// A download of a large photo over a slow connection takes longer.
const int DownloadWaitLimitMs = 60000;

// Partial loading that the screen may hold back on this connection.
bool controlsPartialLoading(int connectionKind)
{
    if (!g_SharedValue.IsPartialLoading() || connectionKind == ConnectionKind::MassStorage)
        return false;
    return !(connectionKind == ConnectionKind::Mtp
        && g_SharedValue.GetCurrentLoadThumbItem() == OCGlobal::ITEM_PHONE_THUMBNAIL);
}

// The host's partial loader and a viewer download end through this thread's
// events, and the callers must not go on before they have: pump meanwhile.
template<typename Done>
void pumpUntil(const char* method, const char* message, Done done, int limitMs = WaitLimitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > limitMs) {
            qCWarning(lcScreen) << method << ": gave up waiting after" << limitMs << "ms";
            return;
        }
        MsgPeekAndPump();
        QThread::msleep(PollMs);
        qCDebug(lcScreen) << method << message;
    }
}

PhotoDB* photoDatabaseOf(PluginHostContext* context)
{
    return context ? context->photoDatabase : nullptr;
}

} // namespace

void PhotoItemViewWidget::CreateThumbnailMachinery()
{
    if (!m_thumbnailMaker)
        m_thumbnailMaker = new OCThumnailMaker(this);
    if (!g_SharedValue.IsPartialLoading() || m_thumbnailManager)
        return;
    qCDebug(lcScreen) << "PhotoItemViewWidget::CreateThumbnailMachinery : partial loading";
    m_thumbnailManager = new OCThumbnailManager(OCGlobal::ITEM_PHONE_PHOTO, this, this, m_listView);
    if (PhotoDB* database = photoDatabaseOf(m_hostContext))
        database->clearDBRecords(true);
    if (m_mediaList)
        m_mediaList->setThumbnailManager(m_thumbnailManager);
}

QPixmap PhotoItemViewWidget::GetThumbnail(const QString& path, bool fromManager)
{
    if (fromManager)
        return m_thumbnailManager ? m_thumbnailManager->GetThumbnail(path) : QPixmap();
    qCDebug(lcScreen) << "PhotoItemViewWidget::GetThumbnail: get thumbnail from db" << path;
    // A lookup only: its callers ask once a fetch has ended, and a fetch
    // started here for a file that has no thumbnail would end, be announced
    // and be asked for again, for as long as they listen.
    PhotoDB* database = photoDatabaseOf(m_hostContext);
    if (!database)
        return QPixmap();
    QByteArray bytes;
    QPixmap pixmap;
    if (database->getThumbnailFromDB(path, &bytes, true))
        pixmap.loadFromData(bytes);
    return pixmap;
}

bool PhotoItemViewWidget::FetchUnknownThumbnail(const QString& path, bool announce)
{
    PhotoDB* database = photoDatabaseOf(m_hostContext);
    if (!database)
        return false;
    // The phone has said it has no thumbnail for it: asking again changes nothing.
    const bool failed = m_thumbnailManager && m_thumbnailManager->HasFailed(path);
    if (failed || database->isExist(path, true)) {
        if (announce)
            emit on_siganl_finished_getthumbnail();
        return false;
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::FetchUnknownThumbnail : not in the database" << path;
    on_pause_patialloading();
    on_stop_patialloading_getthumbnail();
    if (m_thumbnailManager) {
        _tagIdxInfo info;
        info.path = path;
        QList<_tagIdxInfo> list { info };
        m_thumbnailManager->StartGetThumbnail(list);
    }
    return true;
}

void PhotoItemViewWidget::on_update_item_thumbnail(const QString& path, const QString& temp)
{
    if (path.isEmpty() || temp.isEmpty() || !m_mediaList || !m_model)
        return;
    CPhotoDataItem* item = m_mediaList->findItem(path, false);
    if (m_fileAgentType == ConnectionKind::MassStorage) {
        // The manager keeps the picture; the row only has to show it.
        if (item)
            on_UpdateRow(m_model->IndexOf(item));
        return;
    }
    QByteArray bytes;
    QPixmap pixmap;
    if (GetFilePath2Array(temp, bytes) && pixmap.loadFromData(bytes))
        m_mediaList->storeThumbnail(path, bytes, pixmap.toImage());
    if (!g_SharedValue.IsPartialLoading()) {
        if (item && item->needsThumbnail())
            m_thumbnails->store(item, pixmap);
        return;
    }
    const int row = m_model->IndexOf(item);
    if (!currentPageView() || row < 0 || !m_thumbnailManager)
        return;
    _tagIdxInfo info;
    info.path = path;
    info.index = row;
    QList<_tagIdxInfo> list { info };
    m_thumbnailManager->StartLoadThumbnail(list);
    repaintCurrentView();
}

void PhotoItemViewWidget::on_update_item_thumbnail(const QString& path, const QPixmap& thumb)
{
    if (m_mediaList)
        m_mediaList->storeThumbnail(path, QByteArray(), thumb.toImage());
}

QModelIndexList PhotoItemViewWidget::VisibleIndexes(QAbstractItemView* view, int page) const
{
    QModelIndexList indexes;
    const QRect viewport = view ? view->viewport()->rect() : QRect();
    if (!view || !view->model() || !viewport.isValid())
        return indexes;
    QModelIndex first;
    if (page == ListMode || page == ThumbListMode) {
        first = view->indexAt(viewport.topLeft());
    } else {
        // Grids leave gaps between cells: walk down the diagonal until a
        // cell is hit, from the side the layout starts on.
        const auto* list = qobject_cast<QListView*>(view);
        const int step = qMax(1, list ? list->spacing() : 1);
        const bool rtl = g_SharedValue.IsRTL();
        QPoint point = rtl ? viewport.topRight() : viewport.topLeft();
        const QPoint delta(rtl ? -step : step, step);
        while (viewport.contains(point) && !first.isValid()) {
            first = view->indexAt(point);
            point += delta;
        }
    }
    for (QModelIndex index = first; index.isValid() && view->visualRect(index).intersects(viewport);
         index = index.sibling(index.row() + 1, index.column()))
        indexes.append(index);
    return indexes;
}

void PhotoItemViewWidget::on_start_thumbLoad()
{
    // Rows come into view: on mass storage those without a thumbnail get one.
    if (isMassStorage() && !g_SharedValue.IsPartialLoading())
        m_thumbnails->startListChain();
    if (m_transfers->isTransferring() || !m_thumbnailManager || !isVisible())
        return;
    QAbstractItemView* view = currentPageView();
    if (!view)
        return;
    const int page = currentIndex();
    QList<_tagIdxInfo> list;
    for (const QModelIndex& index : VisibleIndexes(view, page)) {
        // Seen now: the new mark counts as shown.
        view->model()->setData(index, true, PhotoRole::NewShownRole);
        if (page == ListMode)
            continue;
        _tagIdxInfo info;
        info.path = index.data(PhotoRole::PathRole).toString();
        info.index = index.row();
        list.append(info);
    }
    if (!list.isEmpty())
        m_thumbnailManager->StartLoadThumbnail(list);
}

void PhotoItemViewWidget::on_GetThumbnail_Finish()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_GetThumbnail_Finish";
    on_start_patialloading();
    emit on_siganl_finished_getthumbnail();
    // Thumbnails the manager found in the database come without a report.
    repaintCurrentView();
}

void PhotoItemViewWidget::on_pause_patialloading()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_pause_patialloading get patialloading state"
                      << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialPauseRequested);
    pumpUntil("PhotoItemViewWidget::on_pause_patialloading", "wait pause patialloading", [] {
        const quint32 now = g_SharedValue.GetPartialDeviceState();
        return now == OCSharedValue::PartialPaused || now == OCSharedValue::PartialIdle;
    });
}

void PhotoItemViewWidget::on_stop_patialloading()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_stop_patialloading get patialloading state"
                      << state;
    if (state != OCSharedValue::PartialRunning)
        return;
    g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialStopRequested);
    pumpUntil("PhotoItemViewWidget::on_stop_patialloading", "wait stop patialloading",
        [] { return g_SharedValue.GetPartialDeviceState() == OCSharedValue::PartialIdle; });
}

void PhotoItemViewWidget::on_start_patialloading()
{
    if (!g_SharedValue.IsPartialLoading())
        return;
    const quint32 state = g_SharedValue.GetPartialDeviceState();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_start_patialloading get patialloading state"
                      << state;
    if (state == OCSharedValue::PartialPaused)
        g_SharedValue.SetPartialDeviceState(OCSharedValue::PartialRunning);
    else
        on_start_thumbLoad();
}

void PhotoItemViewWidget::on_stop_patialloading_getthumbnail()
{
    if (!controlsPartialLoading(m_fileAgentType))
        return;
    const quint32 state = g_SharedValue.GetPartialGetThumbnailState();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_stop_patialloading_getthumbnail get "
                         "patialloading getthumbnail state"
                      << state;
    if (state != OCSharedValue::PartialThumbRunning)
        return;
    g_SharedValue.SetPartialGetThumbnailState(OCSharedValue::PartialThumbStopRequested);
    pumpUntil("PhotoItemViewWidget::on_stop_patialloading_getthumbnail",
        "wait stop patialloading getthumbnail", [] {
            return g_SharedValue.GetPartialGetThumbnailState() == OCSharedValue::PartialThumbIdle;
        });
}

void PhotoItemViewWidget::on_wait_cancel_download()
{
    if (!m_transfers->isTransferring())
        return;
    m_viewer->startDownloadImage();
    pumpUntil(
        "PhotoItemViewWidget::on_wait_cancel_download", "wait download",
        [this] { return !m_transfers->isTransferring(); }, DownloadWaitLimitMs);
}

QString PhotoItemViewWidget::DownloadFolder() const
{
    return m_transfers->downloadFolder();
}
