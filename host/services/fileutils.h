#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// Stored paths use "\\"; the file system wants "/". Every file-system call on
// a stored path goes through these two.
QString toFileSystemPath(const QString& storedPath);
QString toStoredPath(const QString& fileSystemPath);

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
