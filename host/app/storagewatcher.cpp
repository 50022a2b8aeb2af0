#include "storagewatcher.h"

#include "host/services/logcategories.h"

#include <QDirIterator>
#include <QFileInfo>

StorageWatcher::StorageWatcher(const QString& storageFolder, QObject* parent)
    : QObject(parent)
    , m_root(storageFolder)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(1000);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &StorageWatcher::onChange);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        watchFolders();
        emit changed();
    });
    watchFolders();
}

void StorageWatcher::watchFolders()
{
    QStringList folders;
    if (QFileInfo(m_root).isDir())
        folders.append(m_root);
    QDirIterator it(
        m_root, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext() && folders.size() < MaxFolders)
        folders.append(it.next());
    const QStringList watched = m_watcher.directories();
    QStringList added;
    for (const QString& folder : qAsConst(folders)) {
        if (!watched.contains(folder))
            added.append(folder);
    }
    if (!added.isEmpty())
        m_watcher.addPaths(added);
    if (folders.size() >= MaxFolders)
        qCWarning(lcHostApp) << "StorageWatcher : watching only the first" << MaxFolders
                             << "folders of" << m_root;
}

void StorageWatcher::onChange()
{
    m_quiet.start();
}
