#include "model/ocmodelinsertthread.h"

#include <QElapsedTimer>
#include <QThread>

#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/metatypes.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"

namespace {

// The fetcher gets this long to leave a database read when its owner goes;
// one stuck longer is left to end by itself.
const int FetcherStopMs = 3000;
// A pause that nobody ends gives way after this long.
const int PauseLimitMs = 100 * 1000;
// When rows land all over a sorted view, a proxy and its views pay for each
// of them: a batch shrinks while its merge takes longer than this, and grows
// back when it is quick, so the GUI thread keeps its pace.
const qint64 SlowMergeNs = 20 * 1000 * 1000;
const qint64 QuickMergeNs = 5 * 1000 * 1000;
const int MinBatchEvents = 64;
const int MaxBatchEvents = 256;
// Reading the process's memory use costs more than merging an event.
const qint64 MemoryCheckMs = 20;

bool samePath(const QString& a, const QString& b)
{
    return toStoredPath(a).compare(toStoredPath(b), Qt::CaseInsensitive) == 0;
}

QString databaseKey(const ItemEvent& event)
{
    const bool bySource = event.code == ItemEventCode::TransferredToPhone
        || event.code == ItemEventCode::DownloadedForViewer;
    return bySource ? event.item->sourcePath : event.item->path;
}

// New rows wait here until something else touches the model, so that
// consecutive new items cost one insertion.
void addNewRows(PhotoItemViewModel* model, QList<CPhotoDataItem*>& newRows)
{
    if (newRows.isEmpty())
        return;
    model->AddItems(newRows);
    newRows.clear();
}

} // namespace

OCModelInsertThread::OCModelInsertThread(bool loadMode, QObject* parent)
    : QObject(parent)
    , m_loadMode(loadMode)
    , m_started(!loadMode)
{
    registerPhotoMetaTypes();
    m_pauseLimit.setSingleShot(true);
    m_pauseLimit.setInterval(PauseLimitMs);
    connect(&m_pauseLimit, &QTimer::timeout, this, [this] {
        qCWarning(lcModel) << "OCModelInsertThread: a pause was never ended, merging goes on"
                           << (m_loadMode ? "load" : "tophone");
        pause(false);
    });
}

OCModelInsertThread::~OCModelInsertThread()
{
    stop();
    stopFetcher();
}

void OCModelInsertThread::setMediaList(OCMediaItemList* list)
{
    m_mediaList = list;
}

void OCModelInsertThread::setModel(PhotoItemViewModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &OCModelInsertThread::on_rowsInserted);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &OCModelInsertThread::on_rowsRemoved);
    connect(model, &QAbstractItemModel::modelReset, this, &OCModelInsertThread::on_modelReset);
}

int OCModelInsertThread::runningCount()
{
    return RowFetcher::busyCount();
}

void OCModelInsertThread::addData(ItemEvent event)
{
    const int code = event.code;
    if (code < ItemEventCode::EndOfBatch || code > ItemEventCode::Last
        || (code != ItemEventCode::EndOfBatch && !event.item)) {
        qCWarning(lcModel) << "OCModelInsertThread::addData: refused event" << code;
        return;
    }
    if (code == ItemEventCode::Removed) {
        // Removals are applied together: only the first one is queued, and
        // one whose file is not known yet (its id may come with an event
        // still queued), to be looked up again when it is merged.
        const bool first = m_removedFiles.isEmpty();
        const QString path = removedPathOf(*event.item);
        if (!path.isEmpty()) {
            m_removedFiles.append(path);
            qCDebug(lcModel) << "OCModelInsertThread::addData: add remove count ="
                             << m_removedFiles.size() << "path =" << path;
        }
        if (first || path.isEmpty())
            m_queue.push_back(std::move(event));
    } else {
        m_queue.push_back(std::move(event));
    }
    startRun();
}

QString OCModelInsertThread::removedPathOf(const CPhotoDataItem& reported) const
{
    if (!m_mediaList)
        return QString();
    QString path = m_mediaList->pathOfObjectId(reported.objectId);
    // A phone that names the file but not by a known id: its path decides.
    if (path.isEmpty() && !reported.path.isEmpty()) {
        if (const CPhotoDataItem* item = m_mediaList->findItem(reported.path, false))
            path = item->path;
    }
    return path;
}

void OCModelInsertThread::exec()
{
    qCDebug(lcModel) << "OCModelInsertThread::exec" << (m_loadMode ? "load" : "tophone");
    m_started = true;
    startRun();
}

void OCModelInsertThread::finish()
{
    qCDebug(lcModel) << "OCModelInsertThread::finish" << (m_loadMode ? "load" : "tophone");
    m_finish = true;
    startRun();
}

void OCModelInsertThread::stop()
{
    if (m_running)
        qCDebug(lcModel) << "OCModelInsertThread::stop" << (m_loadMode ? "load" : "tophone")
                         << "queued" << queueCount();
    ++m_generation;
    m_fetchOut = false;
    m_heldBack = false;
    m_inFlight.clear();
    discardQueue();
    m_running = false;
    m_finish = false;
    m_endMarker = false;
    m_paused = false;
    m_pauseLimit.stop();
}

int OCModelInsertThread::queueCount() const
{
    return int(m_queue.size() + m_inFlight.size());
}

void OCModelInsertThread::pause(bool paused)
{
    if (paused == m_paused)
        return;
    qCDebug(lcModel) << "OCModelInsertThread::pause" << (m_loadMode ? "load" : "tophone") << paused;
    m_paused = paused;
    if (paused) {
        m_pauseLimit.start();
        return;
    }
    m_pauseLimit.stop();
    if (m_heldBack) {
        m_heldBack = false;
        const FetchedBatch held = m_held;
        m_held = FetchedBatch();
        onFetched(held);
        return;
    }
    scheduleStep();
}

void OCModelInsertThread::on_pause()
{
    pause(true);
}

void OCModelInsertThread::on_resume()
{
    pause(false);
}

void OCModelInsertThread::on_rowsInserted(const QModelIndex&, int, int)
{
    emit rowsChanged();
}

void OCModelInsertThread::on_rowsRemoved(const QModelIndex& parent, int start, int end)
{
    // The row is gone from every view: now the item itself may go.
    if (!m_pendingRemovalPath.isEmpty() && m_mediaList
        && m_mediaList->findItem(m_pendingRemovalPath, false)) {
        QStringList paths { m_pendingRemovalPath };
        m_mediaList->removeItems(paths);
    }
    m_pendingRemovalPath.clear();
    on_rowsInserted(parent, start, end);
}

void OCModelInsertThread::on_modelReset()
{
    emit rowsChanged();
}

void OCModelInsertThread::startRun()
{
    if (!m_running) {
        qCDebug(lcModel) << "OCModelInsertThread::run" << (m_loadMode ? "load" : "tophone")
                         << "start";
        m_running = true;
        m_memoryStop = false;
        m_memoryCheck.invalidate(); // a run's first batch always looks
    }
    scheduleStep();
}

void OCModelInsertThread::scheduleStep()
{
    // A step runs from the event loop, never inside the caller: the caller
    // may itself be reacting to a model change.
    if (m_stepDue)
        return;
    m_stepDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_stepDue = false;
            step();
        },
        Qt::QueuedConnection);
}

void OCModelInsertThread::step()
{
    if (!m_running || m_paused || m_fetchOut || (m_loadMode && !m_started))
        return;
    while (!m_queue.empty() && m_queue.front().code == ItemEventCode::EndOfBatch) {
        qCDebug(lcModel) << "OCModelInsertThread::run" << (m_loadMode ? "load" : "tophone")
                         << "finished item";
        m_queue.pop_front();
        m_endMarker = true;
    }
    if (!m_queue.empty()) {
        requestBatch();
        return;
    }
    if (runMayEnd())
        endRun();
}

bool OCModelInsertThread::runMayEnd() const
{
    return m_queue.empty() && !m_fetchOut && !m_heldBack
        && (m_endMarker || m_finish || (m_loadMode && m_started));
}

void OCModelInsertThread::requestBatch()
{
    if (!m_mediaList || !m_model) {
        qCWarning(lcModel) << "OCModelInsertThread: no list or model, events dropped"
                           << queueCount();
        discardQueue();
        return;
    }
    QVector<RowRequest> requests;
    bool readsDatabase = false;
    while (!m_queue.empty() && int(m_inFlight.size()) < m_batchLimit) {
        if (m_queue.front().code == ItemEventCode::EndOfBatch)
            break;
        ItemEvent event = std::move(m_queue.front());
        m_queue.pop_front();
        readsDatabase = readsDatabase || RowFetcher::readsDatabase(event.code);
        requests.append(RowRequest { event.code, databaseKey(event) });
        const bool removal = event.code == ItemEventCode::Removed;
        m_inFlight.push_back(std::move(event));
        // What follows a removal reads the database once it is applied.
        if (removal)
            break;
    }
    m_fetchOut = true;
    if (!readsDatabase) {
        // Nothing to read: the rows are merged on the next step.
        FetchedBatch batch;
        batch.generation = m_generation;
        batch.memoryFull = memoryOverflow();
        if (!batch.memoryFull)
            batch.rows.resize(requests.size());
        QMetaObject::invokeMethod(
            this, [this, batch] { onFetched(batch); }, Qt::QueuedConnection);
        return;
    }
    if (!m_fetcher) {
        m_thread = new QThread;
        m_thread->setObjectName(
            m_loadMode ? QStringLiteral("photo-load-rows") : QStringLiteral("photo-tophone-rows"));
        m_fetcher = new RowFetcher(m_mediaList->database(m_loadMode));
        m_fetcher->moveToThread(m_thread);
        connect(m_fetcher, &RowFetcher::fetched, this, &OCModelInsertThread::onFetched);
        m_thread->start();
    }
    QMetaObject::invokeMethod(m_fetcher, "fetch", Qt::QueuedConnection,
        Q_ARG(quint64, m_generation), Q_ARG(QVector<RowRequest>, requests));
}

bool OCModelInsertThread::memoryOverflow()
{
    if (m_memoryCheck.isValid() && m_memoryCheck.elapsed() < MemoryCheckMs)
        return false;
    m_memoryCheck.start();
    return IsMemoryOverflow();
}

void OCModelInsertThread::onFetched(const FetchedBatch& batch)
{
    if (batch.generation != m_generation) {
        qCDebug(lcModel) << "OCModelInsertThread: a batch of a stopped run dropped"
                         << batch.rows.size();
        return;
    }
    m_fetchOut = false;
    if (m_paused) {
        m_held = batch;
        m_heldBack = true;
        return;
    }
    mergeBatch(batch);
    if (batch.memoryFull) {
        qCWarning(lcModel) << "OCModelInsertThread::run" << (m_loadMode ? "load" : "tophone")
                           << "memory overflow!!";
        discardQueue();
        m_memoryStop = true;
        endRun();
        return;
    }
    scheduleStep();
}

void OCModelInsertThread::mergeBatch(const FetchedBatch& batch)
{
    const int fetched = qMin(batch.rows.size(), int(m_inFlight.size()));
    // What the fetcher had no time for goes back to the front, in order.
    for (int i = int(m_inFlight.size()) - 1; i >= fetched; --i)
        m_queue.push_front(std::move(m_inFlight[size_t(i)]));
    m_inFlight.resize(size_t(fetched));

    QElapsedTimer mergeTime;
    mergeTime.start();
    QList<CPhotoDataItem*> newRows;
    for (int i = 0; i < fetched; ++i)
        mergeEvent(m_inFlight[size_t(i)], batch.rows.at(i), newRows);
    addNewRows(m_model, newRows);
    const qint64 mergeNs = mergeTime.nsecsElapsed();
    if (mergeNs > SlowMergeNs)
        m_batchLimit = qMax(MinBatchEvents, m_batchLimit / 2);
    else if (mergeNs < QuickMergeNs)
        m_batchLimit = qMin(MaxBatchEvents, m_batchLimit * 2);
    m_inFlight.clear(); // items the list did not take go with their events
    if (!m_loadMode)
        g_SharedValue.deleteState(
            OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessTransferToPhone);
}

void OCModelInsertThread::mergeEvent(
    ItemEvent& event, const FetchedRow& row, QList<CPhotoDataItem*>& newRows)
{
    const int code = event.code;
    const QString path = event.item->path;
    const QString objectId = event.item->objectId;
    const char* mode = m_loadMode ? "load" : "tophone";

    if (m_mediaList->claimOwnTransfer(objectId, path, code)) {
        for (int i = m_removedFiles.size() - 1; i >= 0; --i) {
            if (samePath(m_removedFiles.at(i), path))
                m_removedFiles.removeAt(i);
        }
        return;
    }
    if (code == ItemEventCode::Removed) {
        const QString removed = removedPathOf(*event.item);
        qCDebug(lcModel) << "OCModelInsertThread::insertModelData" << mode << "removed event"
                         << objectId << removed;
        if (!removed.isEmpty() && !m_removedFiles.contains(removed))
            m_removedFiles.append(removed);
        addNewRows(m_model, newRows);
        deleteModelData(QString());
        return;
    }
    CPhotoDataItem* merged = m_mediaList->mergeInsertedItem(event, row);
    if (merged && !event.item) {
        qCDebug(lcModel) << "OCModelInsertThread::insertModelData" << mode
                         << "successed media info & insert" << path;
        newRows.append(merged);
        return;
    }
    if (merged) {
        const bool listing = code == ItemEventCode::Listed || code == ItemEventCode::ListedFull
            || code == ItemEventCode::ListedMinimal;
        qCDebug(lcModel) << "OCModelInsertThread::insertModelData" << mode
                         << (listing ? "contains file & listing data" : "update & refresh") << path;
        // A row already shown changes in place: the run of new rows goes on.
        m_model->refreshItem(merged);
    } else {
        qCDebug(lcModel) << "OCModelInsertThread::insertModelData" << mode
                         << "failed insert model data" << path;
        if (code == ItemEventCode::DownloadedForViewer) {
            qCWarning(lcModel) << "OCModelInsertThread::insertModelData: failed download&viewer "
                                  "and get image info.."
                               << path;
        } else {
            addNewRows(m_model, newRows); // the rows it looks for come first
            deleteModelData(path);
        }
    }
    if (code == ItemEventCode::Locate) {
        addNewRows(m_model, newRows);
        emit locatedItemListed(path);
    }
}

bool OCModelInsertThread::deleteModelData(const QString& path)
{
    QStringList removed;
    removed.swap(m_removedFiles);
    if (!removed.isEmpty()) {
        if (!path.isEmpty())
            removed.append(path);
        qCDebug(lcModel) << "OCModelInsertThread::deleteModelData count=" << removed.size();
        m_model->RemoveListedItems(m_mediaList, removed);
        return true;
    }
    qCDebug(lcModel) << "OCModelInsertThread::deleteModelData path =" << path;
    CPhotoDataItem* item = m_mediaList->findItem(path, false);
    if (!item)
        return false;
    if (m_model->IndexOf(item) < 0) {
        // No row to wait for: the item goes at once.
        QStringList paths { path };
        m_mediaList->removeItems(paths);
        return false;
    }
    m_pendingRemovalPath = path;
    m_model->DeleteItem(item);
    return true;
}

void OCModelInsertThread::endRun()
{
    if (!m_removedFiles.isEmpty() && m_mediaList && m_model) {
        qCDebug(lcModel) << "OCModelInsertThread::clearRemovedFiles remove count="
                         << m_removedFiles.size();
        deleteModelData(QString());
    }
    qCDebug(lcModel) << "OCModelInsertThread::run" << (m_loadMode ? "load" : "tophone") << "end";
    m_running = false;
    m_finish = false;
    m_endMarker = false;
    m_paused = false;
    m_pauseLimit.stop();
    emit finished();
}

void OCModelInsertThread::discardQueue()
{
    if (!m_queue.empty())
        qCDebug(lcModel) << "OCModelInsertThread: events given up" << m_queue.size();
    m_queue.clear();
}

void OCModelInsertThread::stopFetcher()
{
    if (!m_thread)
        return;
    m_thread->quit();
    // The fetcher never waits for this thread, so only a database read
    // holds it up; one stuck there is left to end and go by itself.
    if (m_thread->wait(FetcherStopMs)) {
        delete m_fetcher;
        delete m_thread;
    } else {
        qCWarning(lcModel) << "OCModelInsertThread: the row fetcher did not stop in time, left "
                              "to end by itself";
        disconnect(m_fetcher, nullptr, this, nullptr);
        connect(m_thread, &QThread::finished, m_fetcher, &QObject::deleteLater);
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    m_fetcher = nullptr;
    m_thread = nullptr;
}
