#pragma once

#include "host/contract/idbmanager.h"

#include <QMutex>
#include <QSqlQuery>
#include <QString>

// Hands every thread its own QtSql connection to one SQLite file (WAL
// journal, so readers and one writer work at once). A thread's connection is
// closed and removed when the thread ends. PhotoDatabaseGuard checks the
// file before the first connection.
class DBManager : public IDBManager
{
public:
    // How long a connection waits for another's lock: briefly on the GUI
    // thread, which must never hang on another program holding the file.
    static constexpr int GuiBusyTimeoutMs = 50;
    static constexpr int WorkerBusyTimeoutMs = 10000;

    explicit DBManager(const QString& databaseFile);
    ~DBManager() override;
    DBManager(const DBManager&) = delete;
    DBManager& operator=(const DBManager&) = delete;

    QString databaseFile() const override { return m_file; }
    QSqlDatabase connectionForCurrentThread() override;
    // A statement prepared once per thread and kept with its connection; use
    // it only on the calling thread. Null when the database cannot be opened.
    QSqlQuery* statement(const QString& sql);

private:
    QString connectionName();

    QString m_file;
    QString m_prefix; // unique per manager, so two managers never share a connection name
};
