#pragma once

#include "host/contract/listingreport.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

struct GPhotoFileInfo;

// The folder of this computer that libgphoto2's "Directory Browse" camera
// serves on a "disk:" port. That driver opens whatever a name leads to (a
// FIFO, which holds its reader for good, or a link out of the folder) and
// cuts paths at 1024 bytes, so the agent checks every file and folder here
// before it lists or touches it: only regular files inside the resolved
// folder pass. Paths are the device's own ("/DCIM/a.jpg"). Not local for any
// other port: a real device's files are reached only through its protocol.
class GPhotoLocalFolder
{
public:
    enum Verdict : int {
        Passes = -1,
        Missing = -2, // nothing there, or a folder
        // otherwise a ListingReport::Reason
    };

    GPhotoLocalFolder() = default;
    explicit GPhotoLocalFolder(const QString& port);

    bool isLocal() const { return !m_folder.isEmpty(); }
    const QString& folder() const { return m_folder; }
    QString localPath(const QString& devicePath) const;
    // Notes which folder is served, so that a swap is noticed; false when
    // it is not a folder.
    bool pin();
    // The served folder is still there and is the one pinned: not removed,
    // renamed, or swapped for another under its name.
    bool isSame() const;
    // Whether the file may be listed and opened; for one that passes, the
    // size and time of the file itself (a link's target, where the driver
    // would describe the link).
    // inCheckedFolder: its folder passed checkFolder(), so only a link needs
    // resolving (the listing's walk, a few system calls less per file).
    int checkFile(const QString& devicePath, GPhotoFileInfo* info = nullptr,
        bool inCheckedFolder = false) const;
    // Whether the folder may be listed or written into: inside the served
    // folder, with room in the driver's paths for any name in it.
    int checkFolder(const QString& deviceFolder) const;

private:
    bool fitsDriver(const QString& devicePath, int room) const;
    bool resolvesInside(const QByteArray& path) const;

    QString m_folder;
    QByteArray m_resolvedPrefix; // the resolved folder and a "/"
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
