#include "devicepath.h"

#include "fileutils.h"

#include <QDir>

namespace DevicePath {

QString relativeFolder(const QString& storedFolder, const QString& storageRoot)
{
    QString folder = QDir::cleanPath(toFileSystemPath(storedFolder));
    if (storageRoot.isEmpty()) {
        // "/Phone/DCIM/Camera": the first folder is the storage.
        const int second = folder.indexOf(QLatin1Char('/'), 1);
        return second < 0 ? QString() : folder.mid(second + 1);
    }
    const QString root = QDir::cleanPath(toFileSystemPath(storageRoot));
    if (folder.compare(root, Qt::CaseInsensitive) == 0)
        return QString();
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (folder.startsWith(prefix, Qt::CaseInsensitive))
        return folder.mid(prefix.size());
    return QDir::toNativeSeparators(folder);
}

QString relativeFile(const QString& storedPath, const QString& storageRoot)
{
    const QString path = toFileSystemPath(storedPath);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = relativeFolder(toStoredPath(path.left(qMax(slash, 0))), storageRoot);
    const QString name = path.mid(slash + 1);
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace DevicePath
