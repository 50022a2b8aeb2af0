#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// Makes the photo database file usable before anything opens it, losing
// nothing. A file that is damaged, truncated, of a schema this program does
// not know, unreadable, or a folder is moved aside (never deleted) and a new
// one is made; a read-only one is moved aside and copied into a writable
// one. One locked by another program, or in a folder that cannot be
// written, is left alone and the run works on a temporary database instead.
// Each of these says so in a notice for the user. Only a FIFO, socket or
// device in its place stops the start: nothing should be there, and nothing
// here will open it.
class PhotoDatabaseGuard
{
public:
    struct Result
    {
        bool ok = false;
        QString file; // the database to open: the given one, or a temporary one
        QString notice; // for the user; empty when all was well
        QString error; // why the start cannot go on
        std::shared_ptr<QTemporaryDir> temporaryFolder; // holds a temporary database
    };

    static Result prepare(const QString& databaseFile);
};
