#pragma once

#include <QString>

class QByteArray;
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

// The same as a plain descriptor (close it with ::close), -1 on failure.
int openDescriptor(const QString& fileSystemPath, QString* why = nullptr);

// A path that reaches the already opened descriptor, for libraries that
// insist on opening files by name themselves: opening it again cannot block
// and cannot land on a file swapped in meanwhile.
QString descriptorPath(int descriptor);

// Reads a whole regular file of at most maxBytes; false, with a reason, when
// it is no regular file, cannot be read or is larger.
bool readAll(
    const QString& fileSystemPath, QByteArray* bytes, qint64 maxBytes, QString* why = nullptr);

} // namespace SafeFile
