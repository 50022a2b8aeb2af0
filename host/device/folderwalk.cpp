#include "folderwalk.h"

#include "host/services/logcategories.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExamples = 5;
constexpr unsigned kStatMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;

// Milliseconds of a file time; times past any calendar are clamped rather
// than overflowed.
qint64 millisecondsOf(const statx_timestamp& time)
{
    const qint64 limit = qint64(1) << 43; // seconds: some 278,000 years
    const qint64 seconds = qBound(-limit, qint64(time.tv_sec), limit);
    return seconds * 1000 + time.tv_nsec / 1000000;
}

void fill(const struct statx& info, FolderWalk::File* file)
{
    file->size = qint64(info.stx_size);
    file->modifiedMs = millisecondsOf(info.stx_mtime);
    file->createdMs
        = (info.stx_mask & STATX_BTIME) ? millisecondsOf(info.stx_btime) : file->modifiedMs;
}

} // namespace

struct FolderWalk::Folder
{
    DIR* dir = nullptr;
    QString path;

    ~Folder()
    {
        if (dir)
            ::closedir(dir);
    }
};

FolderWalk::FolderWalk(const QString& root, const QString& folder)
    : m_root(root)
{
    const QString canonical = QFileInfo(root).canonicalFilePath();
    m_canonicalPrefix
        = canonical.endsWith(QLatin1Char('/')) ? canonical : canonical + QLatin1Char('/');
    struct stat status;
    if (canonical.isEmpty() || ::stat(QFile::encodeName(root).constData(), &status) != 0
        || !S_ISDIR(status.st_mode)) {
        m_storageGone = true;
        return;
    }
    m_rootDevice = status.st_dev;
    m_rootInode = status.st_ino;
    // The storage folder itself may be reached through a link; nothing below it.
    const int fd
        = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || !openFolder(fd, folder))
        skip(ListingReport::Unreadable, folder);
}

FolderWalk::~FolderWalk() = default;

bool FolderWalk::readFile(const QString& path, File* file)
{
    struct statx info;
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), AT_NO_AUTOMOUNT, kStatMask, &info)
            != 0
        || (info.stx_mode & S_IFMT) != S_IFREG)
        return false;
    file->path = path;
    file->fileName = QFileInfo(path).fileName();
    fill(info, file);
    return true;
}

bool FolderWalk::openFolder(int fd, const QString& path)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    auto folder = std::make_unique<Folder>();
    folder->dir = dir;
    folder->path = path;
    m_stack.push_back(std::move(folder));
    return true;
}

bool FolderWalk::next(File* file)
{
    while (!m_stack.empty() && !m_storageGone) {
        Folder& folder = *m_stack.back();
        errno = 0;
        const dirent* entry = ::readdir(folder.dir);
        if (entry) {
            if (takeEntry(folder, entry->d_name, file))
                return true;
            continue;
        }
        if (errno != 0)
            skip(ListingReport::Unreadable, folder.path);
        m_stack.pop_back();
        m_storageGone = !sameStorage();
    }
    if (m_storageGone)
        m_stack.clear();
    return false;
}

bool FolderWalk::takeEntry(Folder& folder, const char* rawName, File* file)
{
    const QByteArray name(rawName);
    if (name == "." || name == "..")
        return false;
    const QString fileName = QFile::decodeName(name);
    const QString path = folder.path + QLatin1Char('/') + fileName;
    // A name that would not come back as the same bytes could not be opened again.
    if (QFile::encodeName(fileName) != name) {
        skip(ListingReport::Unreadable, path);
        return false;
    }
    const int parent = ::dirfd(folder.dir);
    struct statx info;
    if (::statx(parent, rawName, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatMask, &info) != 0) {
        skip(ListingReport::Unreadable, path);
        return false;
    }
    // Nothing at a path the system cannot open is reachable by any later call.
    if (QFile::encodeName(path).size() >= PATH_MAX) {
        skip(ListingReport::PathTooLong, path);
        return false;
    }
    switch (info.stx_mode & S_IFMT) {
    case S_IFREG:
        file->path = path;
        file->fileName = fileName;
        fill(info, file);
        return true;
    case S_IFDIR: {
        // O_NOFOLLOW: a folder swapped for a link meanwhile is not entered.
        const int fd = ::openat(
            parent, rawName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 || !openFolder(fd, path))
            skip(ListingReport::Unreadable, path);
        return false;
    }
    case S_IFLNK:
        return takeLink(folder, name, path, file);
    default:
        skip(ListingReport::SpecialFile, path);
        return false;
    }
}

bool FolderWalk::takeLink(Folder& folder, const QByteArray& name, const QString& path, File* file)
{
    struct statx target;
    if (::statx(::dirfd(folder.dir), name.constData(), AT_NO_AUTOMOUNT, kStatMask, &target) != 0) {
        skip(ListingReport::Unreadable, path); // dangling or looping
        return false;
    }
    if (!insideStorage(path)) {
        skip(ListingReport::LeadsOutside, path);
        return false;
    }
    switch (target.stx_mode & S_IFMT) {
    case S_IFREG:
        file->path = path;
        file->fileName = QFile::decodeName(name);
        fill(target, file);
        return true;
    case S_IFDIR:
        // Its files are listed where they are; following it could only loop.
        qCDebug(lcHostDevice) << "FolderWalk::takeLink"
                              << ": folder link not followed" << path;
        return false;
    default:
        skip(ListingReport::SpecialFile, path);
        return false;
    }
}

int FolderWalk::skippedTotal() const
{
    int total = 0;
    for (int count : m_skipped)
        total += count;
    return total;
}

bool FolderWalk::insideStorage(const QString& path) const
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.startsWith(m_canonicalPrefix);
}

bool FolderWalk::sameStorage()
{
    struct stat status;
    return ::stat(QFile::encodeName(m_root).constData(), &status) == 0
        && status.st_dev == m_rootDevice && status.st_ino == m_rootInode;
}

void FolderWalk::skip(ListingReport::Reason reason, const QString& path)
{
    ++m_skipped[reason];
    if (m_examples.size() < kExamples)
        m_examples.append(path);
    qCWarning(lcHostDevice) << "FolderWalk::skip"
                            << ": not listed, reason" << int(reason) << path;
}
