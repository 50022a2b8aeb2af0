// Partial-loading mode: thumbnails come from the host's photo database and
// thumbnail manager instead of the phone chains, and the host's background
// partial loading is held back (PartialLoadingControl) while the screen
// needs the phone for itself.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
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
#include "screen/visiblerows.h"
#include "viewer/photoviewerwidget.h"

namespace {

// A download of a large photo over a slow connection takes long.
const int DownloadWaitLimitMs = 60000;

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
    return visibleRows(view, page == ListMode || page == ThumbListMode);
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
    m_partialLoading.pause();
}

void PhotoItemViewWidget::on_stop_patialloading()
{
    m_partialLoading.stop();
}

void PhotoItemViewWidget::on_start_patialloading()
{
    if (g_SharedValue.IsPartialLoading() && !m_partialLoading.resume())
        on_start_thumbLoad();
}

void PhotoItemViewWidget::on_stop_patialloading_getthumbnail()
{
    m_partialLoading.stopThumbnailFetch();
}

void PhotoItemViewWidget::on_wait_cancel_download()
{
    if (!m_transfers->isTransferring())
        return;
    m_viewer->startDownloadImage();
    PartialLoadingControl::waitPumping(
        "PhotoItemViewWidget::on_wait_cancel_download", "wait download",
        [this] { return !m_transfers->isTransferring(); }, DownloadWaitLimitMs);
}

QString PhotoItemViewWidget::DownloadFolder() const
{
    return m_transfers->downloadFolder();
}
