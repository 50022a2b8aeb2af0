#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// One photo that was not copied, or not deleted from the phone, and why.
struct ImportProblem
{
    QString phonePath;
    QString reason;
};

// What an import did, for the summary window and the headless line.
struct ImportSummary
{
    QString destination;
    int photos = 0; // asked for
    int copied = 0;
    int alreadyThere = 0; // identical content at the destination, or imported before
    QList<ImportProblem> failed; // not copied
    bool deleteAfter = false;
    int deleted = 0; // from the phone, after the check
    QList<ImportProblem> kept; // left on the phone although asked to delete
    bool cancelled = false;
    qint64 bytesCopied = 0;
    QStringList copiedFiles; // PC paths of the new copies, file-system form
    QStringList safeFiles; // PC paths of every photo now safe on the PC

    // Every photo copied or already there, and deleted when asked.
    bool complete() const
    {
        return !cancelled && failed.isEmpty() && kept.isEmpty() && copied + alreadyThere == photos;
    }
};

Q_DECLARE_METATYPE(ImportSummary)
