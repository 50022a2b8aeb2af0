#include "dbmanager.h"

#include <QAtomicInteger>
#include <QDebug>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThreadStorage>

namespace {

// Connections still open, by name. A connection is removed either when its
// thread ends or when its manager goes, whichever comes first; the set makes
// sure only one of them removes it.
QMutex g_liveMutex;
QSet<QString> g_liveConnections;
QAtomicInteger<quint64> g_threadSerial(0);
QAtomicInteger<quint64> g_managerSerial(0);

void removeConnection(const QString& name)
{
    {
        QMutexLocker lock(&g_liveMutex);
        if (!g_liveConnections.remove(name))
            return;
    }
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

QSqlDatabase DBManager::connectionForCurrentThread()
{
    if (!g_threadConnections.hasLocalData())
        g_threadConnections.setLocalData(new ThreadConnections);
    ThreadConnections* local = g_threadConnections.localData();
    const QString name = m_prefix + QString::number(local->serial);
    {
        QMutexLocker lock(&g_liveMutex);
        if (g_liveConnections.contains(name))
            return QSqlDatabase::database(name, false);
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(m_file);
    // Another thread may hold the write lock for a moment; wait instead of failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        qDebug() << "host"
                 << "DBManager::connectionForCurrentThread"
                 << ": open failed" << m_file << db.lastError().text();
    } else {
        QSqlQuery pragma(db);
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
