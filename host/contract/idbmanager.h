#pragma once

#include <QSqlDatabase>
#include <QString>

// The host's database manager: it knows where the photo database lives and
// hands each thread its own connection to it (a QtSql connection belongs to
// the thread that opened it).
class IDBManager
{
public:
    virtual ~IDBManager() = default;
    virtual QString databaseFile() const = 0;
    virtual QSqlDatabase connectionForCurrentThread() = 0;
};
