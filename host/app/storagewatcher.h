#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

// Tells when files come or go in a mass-storage phone's folders outside
// photo-host: one changed() for a burst of changes, a second after the
// last. A burst that leaves every folder holding the names it held (a photo
// rewritten in place, as a rotation does) is no change. Folders made later
// are watched from the next change on.
class StorageWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxFolders = 4096; // inotify watches are a shared, limited resource

    explicit StorageWatcher(const QString& storageFolder, QObject* parent = nullptr);

    void setQuietTime(int milliseconds) { m_quiet.setInterval(milliseconds); }
    int watchedFolders() const { return m_watcher.directories().size(); }

signals:
    void changed();

private:
    void watchFolders();
    void onChange(const QString& folder);
    void onQuiet();
    bool namesChanged(const QString& folder);

    static QStringList namesIn(const QString& folder);

    QString m_root;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QHash<QString, QStringList> m_names; // by folder, as last seen
    QSet<QString> m_touched; // folders changed in this burst
};
