#include "fileutils.h"

#include "host/contract/ocglobal.h"
#include "logcategories.h"
#include "mediaextensions.h"
#include "safefile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {

// A "\\" inside a file or folder name, in the stored form where "\\" is the
// separator. The file-name codec never makes this character from a name on
// disk (it keeps such bytes as U+F7xx escapes), so it cannot stand for
// anything else.
const QChar kEscapedBackslash(ushort(0xF75C));

QMutex g_mutex;
QString g_appPath;
std::function<void(const QString&)> g_explorerHandler;

int mediaKindOf(int itemType)
{
    switch (itemType) {
    case OCGlobal::ITEM_PC_MUSIC:
    case OCGlobal::ITEM_PHONE_MUSIC:
        return MediaKind::Music;
    case OCGlobal::ITEM_PC_VIDEO:
    case OCGlobal::ITEM_PHONE_VIDEO:
        return MediaKind::Movie;
    case OCGlobal::ITEM_PC_PHOTO:
    case OCGlobal::ITEM_PHONE_PHOTO:
        return MediaKind::Photo;
    default:
        return -1;
    }
}

} // namespace

QString toFileSystemPath(const QString& storedPath)
{
    // A path with "/" is a file-system path already; stored paths have none.
    if (storedPath.contains(QLatin1Char('/')))
        return storedPath;
    QString path = storedPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    path.replace(kEscapedBackslash, QLatin1Char('\\'));
    return path;
}

QString toStoredPath(const QString& fileSystemPath)
{
    // Without "/" it is a stored path already.
    if (!fileSystemPath.contains(QLatin1Char('/')))
        return fileSystemPath;
    QString path = fileSystemPath;
    path.replace(QLatin1Char('\\'), kEscapedBackslash);
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path;
}

QString pathKey(const QString& path)
{
    return toStoredPath(path);
}

bool IsSupportedFiles(int itemType, const QList<QUrl>& urls, bool anyIsEnough)
{
    QStringList extensions;
    getSupportedExtensions(mediaKindOf(itemType), extensions);
    if (urls.isEmpty() || extensions.isEmpty())
        return false;
    int supported = 0;
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && extensions.contains(fileExtension(url.toLocalFile())))
            ++supported;
    }
    return anyIsEnough ? supported > 0 : supported == urls.size();
}

QString GetAppPath()
{
    QMutexLocker lock(&g_mutex);
    if (g_appPath.isEmpty()) {
        const QString fromEnv = qEnvironmentVariable("PHOTOHOST_DATA_DIR");
        g_appPath = fromEnv.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
            : fromEnv;
    }
    return g_appPath;
}

void SetAppPath(const QString& folder)
{
    QMutexLocker lock(&g_mutex);
    g_appPath = folder;
}

bool GetFilePath2Array(const QString& path, QByteArray& bytes)
{
    QFile file;
    QString why;
    if (!SafeFile::openForReading(file, toFileSystemPath(path), &why)) {
        qCWarning(lcHost) << "GetFilePath2Array"
                          << ": cannot read" << path << why;
        return false;
    }
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool GetFilePath2Array(const QString& path, QByteArray* bytes)
{
    return bytes && GetFilePath2Array(path, *bytes);
}

QString GetDefaultOpenDialogPath(int itemType, const QString& path)
{
    const QFileInfo info(toFileSystemPath(path));
    if (!path.isEmpty() && info.dir().exists())
        return info.dir().absolutePath();
    const auto location = mediaKindOf(itemType) == MediaKind::Photo
        ? QStandardPaths::PicturesLocation
        : QStandardPaths::HomeLocation;
    return QStandardPaths::writableLocation(location);
}

void SetOpenWindowExplorerHandler(std::function<void(const QString&)> handler)
{
    QMutexLocker lock(&g_mutex);
    g_explorerHandler = std::move(handler);
}

bool OpenWindowExplorer(const QString& path)
{
    const QFileInfo info(toFileSystemPath(path));
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    std::function<void(const QString&)> handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_explorerHandler;
    }
    qCDebug(lcHost) << "OpenWindowExplorer : folder" << folder;
    if (handler) {
        handler(folder);
        return true;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return true;
    qCWarning(lcHost) << "OpenWindowExplorer : no file manager answered for" << folder;
    return false;
}
