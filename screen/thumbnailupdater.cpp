#include "screen/thumbnailupdater.h"

#include <QAbstractItemModel>

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/screenshared.h"
#include "screen/thumbnailprovider.h"
#include "viewer/photoviwerlist.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int ThumbnailSide = 300;
const int StepMs = 50;

} // namespace

ThumbnailUpdater::Window ThumbnailUpdater::viewerWindow(
    int current, int firstVisible, int perPage, int count)
{
    Window window;
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

ThumbnailUpdater::ThumbnailUpdater(Screen* screen, std::unique_ptr<ThumbnailProvider> listProvider,
    std::unique_ptr<ThumbnailProvider> viewerProvider, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_listProvider(std::move(listProvider))
    , m_viewerProvider(std::move(viewerProvider))
{
    m_listStep.setSingleShot(true);
    m_viewerStep.setSingleShot(true);
    connect(&m_listStep, &QTimer::timeout, this, &ThumbnailUpdater::requestNextListThumbnail);
    connect(&m_viewerStep, &QTimer::timeout, this, &ThumbnailUpdater::requestNextViewerThumbnail);
}

ThumbnailUpdater::~ThumbnailUpdater() = default;

void ThumbnailUpdater::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
    m_sharpener.setItems(list, model);
}

void ThumbnailUpdater::setLocalProviders(
    std::unique_ptr<ThumbnailProvider> list, std::unique_ptr<ThumbnailProvider> viewer)
{
    m_localListProvider = std::move(list);
    m_localViewerProvider = std::move(viewer);
}

bool ThumbnailUpdater::isLocal() const
{
    return m_screen->isMassStorage() && m_localListProvider && m_localViewerProvider;
}

ThumbnailProvider& ThumbnailUpdater::provider(bool viewerChain) const
{
    if (isLocal())
        return viewerChain ? *m_localViewerProvider : *m_localListProvider;
    return viewerChain ? *m_viewerProvider : *m_listProvider;
}

void ThumbnailUpdater::stop()
{
    m_stopped = true;
}

void ThumbnailUpdater::reset()
{
    ++m_generation;
    m_sharpener.reset();
    m_recalled = false;
    // A recall of the old listing would never end its chain's flag.
    if (m_recalling)
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    m_recalling = false;
    m_requestOut = false;
    m_listPath.clear();
    m_viewerPath.clear();
}

bool ThumbnailUpdater::stepAllowed(const char* method)
{
    const bool allowed = m_list && m_model && m_screen->thumbnailStepAllowed();
    if (!allowed) {
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
        qCDebug(lcScreen) << method << ": stop";
    }
    return allowed;
}

bool ThumbnailUpdater::chainBusy(bool viewerChain) const
{
    // A chain between two steps is running too: its next step comes.
    const bool stepDue = (viewerChain ? m_viewerStep : m_listStep).isActive();
    const bool held = m_screen->heldForViewerDownload();
    const bool busy = m_requestOut || m_recalling || held || stepDue;
    if (busy)
        qCDebug(lcScreen) << "ThumbnailUpdater::chainBusy: request out" << m_requestOut
                          << "held for the viewer" << held << "step due" << stepDue;
    return busy;
}

CPhotoDataItem* ThumbnailUpdater::nextListItem() const
{
    // What the user looks at comes first; the rest in the list's order,
    // except for local files, decoded only when their rows are shown.
    for (CPhotoDataItem* item : m_screen->itemsInView()) {
        if (item && item->needsThumbnail())
            return item;
    }
    return isLocal() ? nullptr : m_list->nextPendingThumbnail();
}

CPhotoDataItem* ThumbnailUpdater::filmStripItem(int row) const
{
    const QAbstractItemModel* strip = m_screen->filmStrip()->model();
    return strip ? photoItemOf(strip->index(row, 0)) : nullptr;
}

void ThumbnailUpdater::store(CPhotoDataItem* item, const QPixmap& pixmap)
{
    item->setThumbnailLoaded(true);
    if (pixmap.isNull()) {
        qCWarning(lcScreen) << "ThumbnailUpdater::store: the thumbnail is null" << item->path;
        return;
    }
    item->setThumbnail(
        pixmap.scaled(ThumbnailSide, ThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    item->hasThumbnail = true;
    item->setLoadState(0);
    // Only the item's row repaints: a change of every row costs each view
    // a pass over the whole list.
    if (m_model)
        m_model->refreshThumbnail(item);
    qCDebug(lcScreen) << "ThumbnailUpdater::store: add thumbnail" << item->path;
}

void ThumbnailUpdater::store(CPhotoDataItem* item, const CachedThumbnail& stored)
{
    item->setThumbnailLoaded(true);
    item->setThumbnailData(stored.bytes, stored.orientation);
    item->hasThumbnail = true;
    item->setLoadState(0);
    if (m_model)
        m_model->refreshThumbnail(item);
}

void ThumbnailUpdater::storeAnswer(bool viewerChain, CPhotoDataItem* item)
{
    ThumbnailProvider& answering = provider(viewerChain);
    CachedThumbnail stored;
    if (answering.takeStored(&stored)) {
        if (item)
            store(item, stored);
        return;
    }
    const QPixmap pixmap = answering.take();
    if (item)
        store(item, pixmap);
}

void ThumbnailUpdater::startListChain()
{
    if (g_SharedValue.IsPartialLoading() || !m_list || m_list->count() == 0)
        return;
    const bool local = isLocal();
    if (!local && !m_screen->thumbnailsFromPhone(false)) {
        qCDebug(lcScreen) << "ThumbnailUpdater::startListChain: no thumbnails from this phone";
        m_screen->hideBusy();
        return;
    }
    if (m_screen->viewerIsOpen()) {
        startViewerChain();
        return;
    }
    // Mass storage shows the files' own pictures, those it has.
    if (m_screen->isMassStorage() && !local)
        return;
    m_stopped = false;
    if (chainBusy(false))
        return;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessThumbnails);
    if (!local && recallListing())
        return;
    requestNextListThumbnail();
}

DeviceFileKey ThumbnailUpdater::fileKey(const CPhotoDataItem* item)
{
    DeviceFileKey key;
    // Without a time a rewritten file could not be told from the old one.
    if (!item || !item->modifiedDate().isValid())
        return key;
    key.path = item->path;
    key.size = item->fileSize();
    key.modifiedMs = item->modifiedDate().toMSecsSinceEpoch();
    return key;
}

bool ThumbnailUpdater::recallListing()
{
    if (m_recalled)
        return false;
    m_recalled = true;
    QList<DeviceFileKey> files;
    const QList<CPhotoDataItem*> items = m_list->allItems();
    files.reserve(items.size());
    for (const CPhotoDataItem* item : items) {
        if (!item || !item->modifiedDate().isValid())
            continue;
        DeviceFileKey key;
        key.path = item->path;
        key.size = item->fileSize();
        key.modified = item->modifiedDate(); // read as milliseconds by the lookup
        files.append(key);
    }
    const quint64 generation = m_generation;
    m_recalling = m_listProvider->recall(
        files, [this, generation](const ThumbnailProvider::Recalled& found) {
            takeRecalled(generation, found);
        });
    return m_recalling;
}

void ThumbnailUpdater::takeRecalled(quint64 generation, const ThumbnailProvider::Recalled& found)
{
    if (generation != m_generation || !m_list || !m_model) {
        qCDebug(lcScreen) << "ThumbnailUpdater::takeRecalled: stale, dropped";
        return;
    }
    m_recalling = false;
    int pictures = 0;
    for (auto it = found.constBegin(); it != found.constEnd(); ++it) {
        CPhotoDataItem* item = m_list->findItem(it.key(), false);
        if (!item || !item->needsThumbnail())
            continue;
        m_list->setThumbnailPending(it.key(), true);
        item->setThumbnailLoaded(true);
        if (it->bytes.isEmpty())
            continue;
        item->setThumbnailData(it->bytes, it->orientation);
        item->hasThumbnail = true;
        item->setLoadState(0);
        ++pictures;
    }
    // One change over the column: a change per row costs each view a pass.
    if (pictures > 0)
        m_model->refreshThumbnails();
    qCDebug(lcScreen) << "ThumbnailUpdater::takeRecalled:" << found.size() << "known," << pictures
                      << "pictures";
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    startListChain();
}

void ThumbnailUpdater::requestNextListThumbnail()
{
    if (!stepAllowed("ThumbnailUpdater::requestNextListThumbnail"))
        return;
    m_requestOut = false;
    if (m_screen->listChainWanted() && !m_stopped) {
        CPhotoDataItem* item = nextListItem();
        while (item && !m_stopped) {
            m_listPath = item->path;
            if (!item->needsThumbnail()) {
                m_list->setThumbnailPending(item->path, true);
                item = nextListItem();
                continue;
            }
            qCDebug(lcScreen) << "ThumbnailUpdater: list request" << m_listPath;
            if (!isLocal())
                m_screen->showBusy(false);
            const int result = provider(false).request(m_listPath);
            if (result == 0) {
                m_requestOut = true;
                return;
            }
            qCWarning(lcScreen) << "ThumbnailUpdater: list request refused" << result;
            break;
        }
    }
    m_screen->hideBusy();
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    qCDebug(lcScreen) << "ThumbnailUpdater: list chain finished";
    if (m_screen->listChainWanted())
        sharpenInView();
}

void ThumbnailUpdater::sharpenInView()
{
    // Only where the full picture is on this computer: elsewhere each
    // upgrade would be a download of the whole photo.
    if (isLocal() && !m_stopped)
        m_sharpener.sharpen(m_screen->itemsInView(), m_screen->thumbnailCell());
}

void ThumbnailUpdater::listAnswered(int error)
{
    qCDebug(lcScreen) << "ThumbnailUpdater::listAnswered" << error << m_listPath;
    if (!m_list || !m_model)
        return;
    const QString path = m_listPath;
    if (error == ThumbnailProvider::Ready) {
        if (!path.isEmpty()) {
            m_list->setThumbnailPending(path, true);
            storeAnswer(false, m_list->findItem(path, false));
        }
    } else if (error == ThumbnailProvider::NoThumbnail) {
        qCDebug(lcScreen) << "ThumbnailUpdater::listAnswered: the phone has none" << path;
        provider(false).takeNone();
        if (!path.isEmpty()) {
            m_list->setThumbnailPending(path, true);
            if (CPhotoDataItem* item = m_list->findItem(path, false))
                item->setThumbnailLoaded(true);
        }
    } else {
        qCWarning(lcScreen) << "ThumbnailUpdater::listAnswered: failed" << error << path;
        m_requestOut = false;
        m_screen->hideBusy();
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
        return;
    }
    m_listPath.clear();
    m_listStep.start(isLocal() ? 0 : StepMs);
}

void ThumbnailUpdater::startViewerChain()
{
    const int count = m_list ? m_list->count() : 0;
    const bool local = isLocal();
    if (g_SharedValue.IsPartialLoading() || count == 0
        || (!local && !m_screen->thumbnailsFromPhone(true)) || !m_screen->viewerIsOpen()
        || (m_screen->isMassStorage() && !local)) {
        m_screen->viewerChainIdle();
        return;
    }
    m_stopped = false;
    if (chainBusy(true))
        return;
    PhotoViwerList* strip = m_screen->filmStrip();
    // The shown photo's row now: rows move when a listing ends or the sort
    // changes while the viewer is open.
    const int current = strip->currentIndex().row();
    m_perPage = strip->CountPerPage();
    const int firstVisible = m_perPage < count ? strip->indexAt(QPoint(0, 0)).row() : -1;
    const Window window = viewerWindow(current, firstVisible, m_perPage, count);
    m_windowStart = window.start;
    m_windowEnd = window.end;
    qCDebug(lcScreen) << "ThumbnailUpdater::startViewerChain: shown" << current << "first visible"
                      << firstVisible << "rows" << m_windowStart << "to" << m_windowEnd;
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessThumbnails);
    requestNextViewerThumbnail();
}

void ThumbnailUpdater::requestNextViewerThumbnail()
{
    if (!stepAllowed("ThumbnailUpdater::requestNextViewerThumbnail"))
        return;
    m_requestOut = false;
    if (m_screen->viewerChainWanted() && !m_stopped && m_windowStart < m_list->count()) {
        ++m_windowStart;
        for (int row = m_windowStart; row < m_windowEnd && !m_stopped; ++row) {
            CPhotoDataItem* item = filmStripItem(row);
            if (!item)
                continue;
            if (!item->needsThumbnail()) {
                m_list->setThumbnailPending(item->path, true);
                continue;
            }
            qCDebug(lcScreen) << "ThumbnailUpdater: viewer request" << row << item->path;
            m_windowStart = row;
            if (!isLocal())
                m_screen->showBusy(true);
            const int result = provider(true).request(item->path);
            if (result == 0) {
                // The answer is the item's, wherever its row is by then.
                m_viewerPath = item->path;
                m_requestOut = true;
                return;
            }
            // Unlike the list chain, one refused row does not end the walk.
            qCWarning(lcScreen) << "ThumbnailUpdater: viewer request refused" << row << result;
        }
    }
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessThumbnails);
    qCDebug(lcScreen) << "ThumbnailUpdater: viewer chain finished";
    if (m_perPage < m_screen->filmStrip()->CountPerPage()) {
        // The strip has grown: the new page wants its thumbnails too.
        startViewerChain();
    } else {
        m_screen->viewerChainIdle();
        if (m_screen->viewerChainWanted())
            sharpenInView();
    }
}

void ThumbnailUpdater::viewerAnswered(int error)
{
    qCDebug(lcScreen) << "ThumbnailUpdater::viewerAnswered" << error << m_viewerPath;
    if (!m_list || !m_model)
        return;
    const QString path = m_viewerPath;
    m_viewerPath.clear();
    // Gone meanwhile (a reset, a delete): the answer is dropped.
    CPhotoDataItem* item = path.isEmpty() ? nullptr : m_list->findItem(path, false);
    if (error == ThumbnailProvider::Ready && item) {
        m_list->setThumbnailPending(path, true);
        storeAnswer(true, item);
    } else if (error == ThumbnailProvider::NoThumbnail && item) {
        provider(true).takeNone();
        m_list->setThumbnailPending(path, true);
        item->setThumbnailLoaded(true);
    } else {
        qCWarning(lcScreen) << "ThumbnailUpdater::viewerAnswered: failed" << error << path;
    }
    m_viewerStep.start(isLocal() ? 0 : StepMs);
}
