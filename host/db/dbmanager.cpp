#include "dbmanager.h"
#include "host/services/logcategories.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QThreadStorage>

namespace {

// Connections still open, by name. A connection is removed either when its
// thread ends or when its manager goes, whichever comes first; the set makes
// sure only one of them removes it.
QMutex g_liveMutex;
QSet<QString> g_liveConnections;
// Prepared statements by connection; each is used only on its connection's thread.
QHash<QString, QHash<QString, QSqlQuery*>> g_statements;
QAtomicInteger<quint64> g_threadSerial(0);
QAtomicInteger<quint64> g_managerSerial(0);

void removeConnection(const QString& name)
{
    QHash<QString, QSqlQuery*> statements;
    {
        QMutexLocker lock(&g_liveMutex);
        if (!g_liveConnections.remove(name))
            return;
        statements = g_statements.take(name);
    }
    // The statements hold the connection; they go first.
    qDeleteAll(statements);
    QSqlDatabase::removeDatabase(name);
}

// Per-thread record of the connections that thread opened.
struct ThreadConnections
{
    const quint64 serial = ++g_threadSerial;
    QStringList names;

    ~ThreadConnections()
    {
        for (const QString& name : qAsConst(names))
            removeConnection(name);
    }
};

QThreadStorage<ThreadConnections*> g_threadConnections;

} // namespace

DBManager::DBManager(const QString& databaseFile)
    : m_file(databaseFile)
    , m_prefix(QStringLiteral("photodb_%1_").arg(++g_managerSerial))
{
}

DBManager::~DBManager()
{
    QStringList mine;
    {
        QMutexLocker lock(&g_liveMutex);
        for (const QString& name : qAsConst(g_liveConnections)) {
            if (name.startsWith(m_prefix))
                mine.append(name);
        }
    }
    for (const QString& name : qAsConst(mine))
        removeConnection(name);
}

QString DBManager::connectionName()
{
    if (!g_threadConnections.hasLocalData())
        g_threadConnections.setLocalData(new ThreadConnections);
    return m_prefix + QString::number(g_threadConnections.localData()->serial);
}

QSqlQuery* DBManager::statement(const QString& sql)
{
    QSqlDatabase db = connectionForCurrentThread();
    if (!db.isOpen())
        return nullptr;
    const QString name = db.connectionName();
    {
        QMutexLocker lock(&g_liveMutex);
        if (QSqlQuery* query = g_statements.value(name).value(sql))
            return query;
    }
    auto* query = new QSqlQuery(db);
    if (!query->prepare(sql)) {
        qCWarning(lcHostDb) << "DBManager::statement"
                            << ": prepare failed" << query->lastError().text();
        delete query;
        return nullptr;
    }
    QMutexLocker lock(&g_liveMutex);
    g_statements[name].insert(sql, query);
    return query;
}

QSqlDatabase DBManager::connectionForCurrentThread()
{
    const QString name = connectionName();
    ThreadConnections* local = g_threadConnections.localData();
    {
        QMutexLocker lock(&g_liveMutex);
        if (g_liveConnections.contains(name))
            return QSqlDatabase::database(name, false);
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(m_file);
    // Another thread may hold the write lock for a moment; wait instead of
    // failing, but never long on the GUI thread.
    QCoreApplication* application = QCoreApplication::instance();
    const bool guiThread = application && QThread::currentThread() == application->thread();
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1")
                             .arg(guiThread ? GuiBusyTimeoutMs : WorkerBusyTimeoutMs));
    if (!db.open()) {
        qCWarning(lcHostDb) << "DBManager::connectionForCurrentThread"
                            << ": open failed" << m_file << db.lastError().text();
    } else {
        QSqlQuery pragma(db);
        // Rows carry thumbnails of a few kilobytes: larger pages keep one in a
        // page or two (only takes effect on a new file).
        pragma.exec(QStringLiteral("PRAGMA page_size=16384"));
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    {
        QMutexLocker lock(&g_liveMutex);
        g_liveConnections.insert(name);
    }
    local->names.append(name);
    return db;
}
