#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Tells when files come or go in a mass-storage phone's folders outside
// photo-host: one changed() for a burst of changes, a second after the
// last. Folders made later are watched from the next change on.
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
    void onChange();

    QString m_root;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
};
