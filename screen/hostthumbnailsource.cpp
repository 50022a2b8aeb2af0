#include "screen/hostthumbnailsource.h"

#include <QAbstractItemView>
#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/octhumnailmaker.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/thumbnailupdater.h"
#include "screen/viewpage.h"
#include "screen/visiblerows.h"

HostThumbnailSource::HostThumbnailSource(
    Screen* screen, std::function<PluginHostContext*()> context, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_context(std::move(context))
    , m_partialLoading([screen] { return screen->connectionKind(); })
{
}

HostThumbnailSource::~HostThumbnailSource()
{
    releaseManager();
}

void HostThumbnailSource::setItems(
    OCMediaItemList* list, PhotoItemViewModel* model, ThumbnailUpdater* updater)
{
    m_list = list;
    m_model = model;
    m_updater = updater;
}

void HostThumbnailSource::create(QTableView* table)
{
    if (!m_maker)
        m_maker = new OCThumnailMaker(this);
    if (!g_SharedValue.IsPartialLoading() || m_manager)
        return;
    qCDebug(lcScreen) << "HostThumbnailSource::create: partial loading";
    auto* owner = qobject_cast<QWidget*>(parent());
    m_manager = new OCThumbnailManager(OCGlobal::ITEM_PHONE_PHOTO, this, owner, table);
    if (PluginHostContext* host = m_context(); host && host->photoDatabase)
        host->photoDatabase->clearDBRecords(true);
    if (m_list)
        m_list->setThumbnailManager(m_manager);
}

void HostThumbnailSource::releaseManager()
{
    if (!m_manager)
        return;
    if (m_list)
        m_list->setThumbnailManager(nullptr);
    delete m_manager;
    m_manager = nullptr;
}

QPixmap HostThumbnailSource::cachedThumbnail(const QString& path) const
{
    return m_manager ? m_manager->GetThumbnail(path) : QPixmap();
}

QPixmap HostThumbnailSource::storedThumbnail(const QString& path) const
{
    // A lookup only: its callers ask once a fetch has ended, and a fetch
    // started here for a file that has no thumbnail would end, be announced
    // and be asked for again, for as long as they listen.
    PluginHostContext* host = m_context();
    if (!host || !host->photoDatabase)
        return QPixmap();
    QByteArray bytes;
    QPixmap pixmap;
    if (host->photoDatabase->getThumbnailFromDB(path, &bytes, true))
        pixmap.loadFromData(bytes);
    return pixmap;
}

bool HostThumbnailSource::fetchUnknown(const QString& path, bool announce)
{
    PluginHostContext* host = m_context();
    if (!host || !host->photoDatabase)
        return false;
    // The phone has said it has no thumbnail for it: asking again changes nothing.
    const bool failed = m_manager && m_manager->HasFailed(path);
    if (failed || host->photoDatabase->isExist(path, true)) {
        if (announce)
            emit fetchEnded();
        return false;
    }
    qCDebug(lcScreen) << "HostThumbnailSource::fetchUnknown: not in the database" << path;
    pausePartialLoading();
    stopPartialThumbnailFetch();
    if (m_manager) {
        _tagIdxInfo info;
        info.path = path;
        QList<_tagIdxInfo> list { info };
        m_manager->StartGetThumbnail(list);
    }
    return true;
}

void HostThumbnailSource::loadVisibleRows()
{
    // Rows come into view: on mass storage those without a thumbnail get one.
    const bool massStorage = m_screen->connectionKind() == ConnectionKind::MassStorage;
    if (massStorage && !g_SharedValue.IsPartialLoading() && m_updater)
        m_updater->startListChain();
    if (m_screen->transferring() || !m_manager || !m_screen->pageShown())
        return;
    QAbstractItemView* view = m_screen->currentPageView();
    if (!view)
        return;
    const int page = m_screen->currentPage();
    QList<_tagIdxInfo> list;
    for (const QModelIndex& index :
        visibleRows(view, page == ViewPage::List || page == ViewPage::ThumbList)) {
        // Seen now: the new mark counts as shown.
        view->model()->setData(index, true, PhotoRole::NewShownRole);
        if (page == ViewPage::List)
            continue;
        _tagIdxInfo info;
        info.path = index.data(PhotoRole::PathRole).toString();
        info.index = index.row();
        list.append(info);
    }
    if (!list.isEmpty())
        m_manager->StartLoadThumbnail(list);
}

void HostThumbnailSource::resumePartialLoading()
{
    if (g_SharedValue.IsPartialLoading() && !m_partialLoading.resume())
        loadVisibleRows();
}

void HostThumbnailSource::on_update_item_thumbnail(const QString& path, const QString& temp)
{
    if (path.isEmpty() || temp.isEmpty() || !m_list || !m_model)
        return;
    CPhotoDataItem* item = m_list->findItem(path, false);
    if (m_screen->connectionKind() == ConnectionKind::MassStorage) {
        // The manager keeps the picture; the row only has to show it.
        if (item)
            emit rowChanged(m_model->IndexOf(item));
        return;
    }
    QByteArray bytes;
    QPixmap pixmap;
    if (GetFilePath2Array(temp, bytes) && pixmap.loadFromData(bytes))
        m_list->storeThumbnail(path, bytes, pixmap.toImage());
    if (!g_SharedValue.IsPartialLoading()) {
        if (item && item->needsThumbnail() && m_updater)
            m_updater->store(item, pixmap);
        return;
    }
    const int row = m_model->IndexOf(item);
    if (!m_screen->currentPageView() || row < 0 || !m_manager)
        return;
    _tagIdxInfo info;
    info.path = path;
    info.index = row;
    QList<_tagIdxInfo> list { info };
    m_manager->StartLoadThumbnail(list);
    emit repaintWanted();
}

void HostThumbnailSource::on_GetThumbnail_Finish()
{
    qCDebug(lcScreen) << "HostThumbnailSource::on_GetThumbnail_Finish";
    resumePartialLoading();
    emit fetchEnded();
    // Thumbnails the manager found in the database come without a report.
    emit repaintWanted();
}
