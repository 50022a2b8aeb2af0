#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// Stored paths use "\\"; the file system wants "/". Every file-system call on
// a stored path goes through these two. A "\\" inside a name is kept in the
// stored form as U+F75C, so "a\\b" never stands for the folder a's file b and
// every path goes there and back unchanged. Each accepts its own output again
// unchanged: a path with "/" is taken as a file-system path, one without as
// stored.
QString toFileSystemPath(const QString& storedPath);
QString toStoredPath(const QString& fileSystemPath);

// The key that lookups by path use: the stored path as it is. File systems
// here tell letter case apart, so IMG.jpg and img.jpg are two photos.
QString pathKey(const QString& path);

// True when the list is not empty and every URL is a local file of a kind
// that the item type's screen accepts (anyIsEnough: one such file suffices).
bool IsSupportedFiles(int itemType, const QList<QUrl>& urls, bool anyIsEnough);

// The host's writable data folder (temporary downloads live below it).
QString GetAppPath();
void SetAppPath(const QString& folder);

// Reads a whole file; false when it cannot be read.
bool GetFilePath2Array(const QString& path, QByteArray& bytes);
bool GetFilePath2Array(const QString& path, QByteArray* bytes);

// The folder a file dialog opens in for a file of that item type.
QString GetDefaultOpenDialogPath(int itemType, const QString& path);

// Shows the folder of a path in the desktop's file manager; false when
// nothing on the desktop answered.
bool OpenWindowExplorer(const QString& path);
// Tests record the request instead of starting a file manager.
void SetOpenWindowExplorerHandler(std::function<void(const QString& folder)> handler);
