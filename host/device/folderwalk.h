#pragma once

#include "host/contract/listingreport.h"

#include <QString>

#include <memory>
#include <vector>

#include <sys/types.h>

// Walks a phone's storage folder for its files without ever leaving it or
// blocking: folders are opened relative to their parent and never through a
// link, so links to folders (inside or out) cannot loop or lead away; a link
// to a file is reported only when its resolved target lies inside the
// storage; FIFOs, sockets and devices are never opened. Whatever is found
// and not reported is counted in the skips by reason, never dropped in
// silence. The walk notices the storage folder going away or being swapped
// for another under the same name.
class FolderWalk
{
public:
    struct File
    {
        QString path; // file-system path, inside the storage
        QString fileName;
        qint64 size = 0;
        qint64 modifiedMs = 0; // of the file itself (a link's target)
        qint64 createdMs = 0;
    };

    // root: the storage folder (absolute, clean); folder: where to start in it.
    FolderWalk(const QString& root, const QString& folder);
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Size and times of one regular file, outside a walk.
    static bool readFile(const QString& path, File* file);

    // The next file; false at the end, or when the storage has gone.
    bool next(File* file);
    // The storage folder is gone or is no longer the folder the walk began in.
    bool storageGone() const { return m_storageGone; }
    const int* skipped() const { return m_skipped; }
    int skippedTotal() const;
    const QStringList& skippedExamples() const { return m_examples; }

private:
    struct Folder;

    bool openFolder(int fd, const QString& path);
    bool takeEntry(Folder& folder, const char* rawName, File* file);
    bool takeLink(Folder& folder, const QByteArray& name, const QString& path, File* file);
    bool insideStorage(const QString& path) const;
    bool sameStorage();
    void skip(ListingReport::Reason reason, const QString& path);

    QString m_root;
    QString m_canonicalPrefix; // the resolved storage folder and a "/"
    dev_t m_rootDevice = 0;
    ino_t m_rootInode = 0;
    std::vector<std::unique_ptr<Folder>> m_stack;
    int m_skipped[ListingReport::ReasonCount] = {};
    QStringList m_examples;
    bool m_storageGone = false;
};
