#pragma once

#include <QString>

class QFile;

// Opens only regular files, and never blocks in open(): a FIFO, socket or
// device named like a photo would otherwise hang the thread that opens it
// (and shut-down with it). Every read of a phone or PC file goes through here.
namespace SafeFile {

// True when the path names a regular file (links followed).
bool isRegularFile(const QString& fileSystemPath);

// Opens the file read-only; false, with a reason in why, when it is not a
// regular file or cannot be opened.
bool openForReading(QFile& file, const QString& fileSystemPath, QString* why = nullptr);

} // namespace SafeFile
