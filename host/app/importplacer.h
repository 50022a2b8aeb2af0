#pragma once

#include "importlayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class ImportLedger;
class QFileInfo;

// Puts one photo that the device agent has written into the staging folder
// in its place at the destination, on a worker thread: checks its size,
// hashes it, finds its folder from its date, and either finds the same
// content already there (the copy is dropped) or renames it to a free name
// with the device's time. Touches nothing but the staged file and the folder
// it creates; never overwrites a file.
class ImportPlacer
{
public:
    struct Plan
    {
        QString stagedFile;
        QString destination; // the import's root folder
        ImportLayout::Kind layout = ImportLayout::ByDate;
        QString phoneFolder; // "DCIM/Camera"
        QString fileName; // as on the phone
        qint64 expectedSize = -1; // -1: unknown
        QDateTime deviceDate; // invalid: unknown
        qint64 spaceLeft = -1; // bytes the import may still write; -1: no limit
        QList<QByteArray> importedContents; // of earlier imports of this phone file
    };

    struct Result
    {
        enum Outcome { Copied, AlreadyThere, ImportedBefore, Failed };
        Outcome outcome = Failed;
        QString pcPath; // where the photo is now (Copied, AlreadyThere)
        QByteArray sha256;
        qint64 size = -1;
        QDateTime deviceDate;
        QString reason; // Failed
        bool outOfSpace = false;
    };

    static Result place(const Plan& plan, const ImportLedger* ledger);
    // SHA-256 of a regular file; empty with a reason when it cannot be read.
    static QByteArray sha256Of(const QString& fileSystemPath, QString* why = nullptr);

private:
    static QString sameContentAt(const QString& folder, const QString& fileName,
        const QByteArray& sha256, qint64 size, QString* freeName);
    static QString sameContentKnown(const ImportLedger* ledger, const QString& destination,
        const QByteArray& sha256, qint64 size);
    static QDate folderDate(const Plan& plan, const QFileInfo& staged);
};
