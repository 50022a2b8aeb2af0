#pragma once

#include "host/contract/idbmanager.h"

#include <QMutex>
#include <QString>

// Hands every thread its own QtSql connection to one SQLite file (WAL
// journal, so readers and one writer work at once). A thread's connection is
// closed and removed when the thread ends.
class DBManager : public IDBManager
{
public:
    explicit DBManager(const QString& databaseFile);
    ~DBManager() override;
    DBManager(const DBManager&) = delete;
    DBManager& operator=(const DBManager&) = delete;

    QString databaseFile() const override { return m_file; }
    QSqlDatabase connectionForCurrentThread() override;

private:
    QString m_file;
    QString m_prefix; // unique per manager, so two managers never share a connection name
};
