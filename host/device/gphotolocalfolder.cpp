#include "gphotolocalfolder.h"

#include "gphotocamera.h"
#include "host/services/logcategories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The driver builds "<folder>/<device folder>/<name>" in buffers of this size
// and cuts what does not fit: a cut path names another file, or none.
constexpr int kDriverPathBytes = 1024;
constexpr int kLongestName = 255;
constexpr unsigned kStatMask = STATX_TYPE | STATX_SIZE | STATX_MTIME;

QByteArray resolved(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return QByteArray();
    QByteArray result(real);
    std::free(real);
    return result;
}

} // namespace

GPhotoLocalFolder::GPhotoLocalFolder(const QString& port)
{
    if (port.startsWith(QLatin1String("disk:")))
        m_folder = QDir::cleanPath(port.mid(5));
}

QString GPhotoLocalFolder::localPath(const QString& devicePath) const
{
    return m_folder + devicePath;
}

bool GPhotoLocalFolder::pin()
{
    struct stat status;
    const QByteArray folder = QFile::encodeName(m_folder);
    if (::stat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    m_device = status.st_dev;
    m_inode = status.st_ino;
    m_resolvedPrefix = resolved(folder);
    if (!m_resolvedPrefix.endsWith('/'))
        m_resolvedPrefix += '/';
    return true;
}

bool GPhotoLocalFolder::isSame() const
{
    struct stat status;
    return ::stat(QFile::encodeName(m_folder).constData(), &status) == 0
        && status.st_dev == m_device && status.st_ino == m_inode;
}

bool GPhotoLocalFolder::fitsDriver(const QString& devicePath, int room) const
{
    // Two separators more than the path has: the driver doubles the first.
    const int bytes
        = QFile::encodeName(m_folder).size() + QFile::encodeName(devicePath).size() + 2 + room;
    return bytes < kDriverPathBytes;
}

bool GPhotoLocalFolder::resolvesInside(const QByteArray& path) const
{
    const QByteArray real = resolved(path);
    return !real.isEmpty() && (real + '/').startsWith(m_resolvedPrefix);
}

int GPhotoLocalFolder::checkFile(
    const QString& devicePath, GPhotoFileInfo* info, bool inCheckedFolder) const
{
    if (!isLocal())
        return Passes;
    if (!fitsDriver(devicePath, 0))
        return ListingReport::PathTooLong;
    const QByteArray path = QFile::encodeName(localPath(devicePath));
    struct statx status;
    if (::statx(
            AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatMask, &status)
        != 0)
        return Missing;
    const bool link = (status.stx_mode & S_IFMT) == S_IFLNK;
    if (link && ::statx(AT_FDCWD, path.constData(), AT_NO_AUTOMOUNT, kStatMask, &status) != 0)
        return ListingReport::Unreadable; // dangling or looping
    // Any folder on the way may be a link too: the whole path is resolved.
    if ((link || !inCheckedFolder) && !resolvesInside(path))
        return ListingReport::LeadsOutside;
    switch (status.stx_mode & S_IFMT) {
    case S_IFREG:
        break;
    case S_IFDIR:
        return Missing;
    default:
        return ListingReport::SpecialFile;
    }
    if (info) {
        info->size = qint64(status.stx_size);
        info->modified = qint64(status.stx_mtime.tv_sec);
    }
    return Passes;
}

int GPhotoLocalFolder::checkFolder(const QString& deviceFolder) const
{
    if (!isLocal())
        return Passes;
    if (!fitsDriver(deviceFolder, 1 + kLongestName))
        return ListingReport::PathTooLong;
    // A folder that is not there yet is made below its nearest one that is.
    QString existing = localPath(deviceFolder);
    while (!QFileInfo::exists(existing) && existing.size() > m_folder.size())
        existing = QFileInfo(existing).path();
    if (!resolvesInside(QFile::encodeName(existing))) {
        qCWarning(lcHostDevice) << "GPhotoLocalFolder::checkFolder: leads outside" << deviceFolder;
        return ListingReport::LeadsOutside;
    }
    return Passes;
}
