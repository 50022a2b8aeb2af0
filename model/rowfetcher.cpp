#include "model/rowfetcher.h"

#include <QElapsedTimer>

#include "host/contract/iphotodb.h"
#include "host/services/appservices.h"
#include "host/services/logcategories.h"
#include "model/itemevent.h"

#include <atomic>

namespace {

// A fetch returns after this much database time: the GUI thread then merges
// what it got while the rest waits, so rows keep appearing.
const qint64 MaxFetchNs = 8 * 1000 * 1000;
// Reading the process's memory use costs more than a row; memory does not
// grow that fast, so a few milliseconds between looks do.
const qint64 MemoryCheckMs = 20;
// The fields a listed photo needs from its row; a picture without a preview
// is decoded when its row is shown, not while the phone is listed.
const int RowFields = 13 | IPhotoDB::DecodeLater;

std::atomic<int> g_busy { 0 };

} // namespace

RowFetcher::RowFetcher(IPhotoDB* database)
    : m_database(database)
{
}

int RowFetcher::busyCount()
{
    return g_busy.load();
}

bool RowFetcher::readsDatabase(int code)
{
    switch (code) {
    case ItemEventCode::ListedFull:
    case ItemEventCode::ListedMinimal:
    case ItemEventCode::ObjectIdAssigned:
    case ItemEventCode::Changed:
    case ItemEventCode::Removed:
        return false;
    default:
        return true;
    }
}

bool RowFetcher::memoryOverflow()
{
    if (m_memoryCheck.isValid() && m_memoryCheck.elapsed() < MemoryCheckMs)
        return false;
    m_memoryCheck.start();
    return IsMemoryOverflow();
}

void RowFetcher::fetch(quint64 generation, const QVector<RowRequest>& requests)
{
    ++g_busy;
    FetchedBatch batch;
    batch.generation = generation;
    batch.rows.reserve(requests.size());
    qint64 databaseNs = 0;
    // One transaction a batch, not one a row.
    if (m_database)
        m_database->beginWrites();
    for (const RowRequest& request : requests) {
        if (memoryOverflow()) {
            qCWarning(lcModel) << "RowFetcher::fetch: memory overflow!!" << batch.rows.size()
                               << "of" << requests.size() << "fetched";
            batch.memoryFull = true;
            break;
        }
        if (!batch.rows.isEmpty() && databaseNs >= MaxFetchNs)
            break;
        FetchedRow row;
        row.usesDatabase = readsDatabase(request.code);
        if (row.usesDatabase && m_database) {
            QElapsedTimer read;
            read.start();
            row.record = m_database->setItemData(request.path, true, RowFields);
            databaseNs += read.nsecsElapsed();
        } else if (row.usesDatabase) {
            qCWarning(lcModel) << "RowFetcher::fetch: no database for" << request.path;
        }
        batch.rows.append(row);
    }
    if (m_database)
        m_database->endWrites();
    --g_busy;
    emit fetched(batch);
}
