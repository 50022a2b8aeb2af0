#pragma once

#include <QElapsedTimer>
#include <QMetaType>
#include <QObject>
#include <QSqlRecord>
#include <QString>
#include <QVector>

class IPhotoDB;

// What the photo database is asked for one item event: a key, nothing of
// the item itself, which stays on the GUI thread.
struct RowRequest
{
    int code = 0;
    QString path; // the phone path, or the PC file of a transfer or download
};

// The database's answer to one request.
struct FetchedRow
{
    bool usesDatabase = false; // the event's code reads the database
    QSqlRecord record; // empty: not usable media
};

// The answers to the first requests of one fetch, in order.
struct FetchedBatch
{
    quint64 generation = 0;
    QVector<FetchedRow> rows;
    bool memoryFull = false; // the process ran short of memory meanwhile
};

Q_DECLARE_METATYPE(RowRequest)
Q_DECLARE_METATYPE(FetchedBatch)

// Reads the photo database rows of item events, a batch at a time, on a
// thread of its own: a QObject moved to that thread. It touches nothing but
// the database and answers by a queued signal; a fetch ends early after a
// few milliseconds of database time, so rows keep reaching the views while a
// slow listing is read.
class RowFetcher : public QObject
{
    Q_OBJECT

public:
    explicit RowFetcher(IPhotoDB* database);

    // Fetchers inside a database read, in this process: the database must
    // outlive them.
    static int busyCount();
    static bool readsDatabase(int code);

public slots:
    void fetch(quint64 generation, const QVector<RowRequest>& requests);

signals:
    void fetched(const FetchedBatch& batch);

private:
    bool memoryOverflow();

    IPhotoDB* m_database = nullptr;
    QElapsedTimer m_memoryCheck;
};
