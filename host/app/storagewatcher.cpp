#include "storagewatcher.h"

#include "host/services/logcategories.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

StorageWatcher::StorageWatcher(const QString& storageFolder, QObject* parent)
    : QObject(parent)
    , m_root(storageFolder)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(1000);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &StorageWatcher::onChange);
    connect(&m_quiet, &QTimer::timeout, this, &StorageWatcher::onQuiet);
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
    for (const QString& folder : qAsConst(added))
        m_names.insert(folder, namesIn(folder));
    if (!added.isEmpty())
        m_watcher.addPaths(added);
    if (folders.size() >= MaxFolders)
        qCWarning(lcHostApp) << "StorageWatcher : watching only the first" << MaxFolders
                             << "folders of" << m_root;
}

void StorageWatcher::onChange(const QString& folder)
{
    m_touched.insert(folder);
    m_quiet.start();
}

void StorageWatcher::onQuiet()
{
    bool changedNames = false;
    for (const QString& folder : qAsConst(m_touched))
        changedNames = namesChanged(folder) || changedNames;
    m_touched.clear();
    watchFolders();
    if (changedNames)
        emit changed();
}

bool StorageWatcher::namesChanged(const QString& folder)
{
    const QStringList names = namesIn(folder);
    const auto known = m_names.find(folder);
    if (known != m_names.end() && *known == names)
        return false;
    if (names.isEmpty() && !QFileInfo(folder).isDir())
        m_names.remove(folder);
    else
        m_names.insert(folder, names);
    return true;
}

QStringList StorageWatcher::namesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}
