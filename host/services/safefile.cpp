#include "safefile.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

namespace {

bool fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

bool isRegularFile(const QString& fileSystemPath)
{
    struct stat status;
    return ::stat(QFile::encodeName(fileSystemPath).constData(), &status) == 0
        && S_ISREG(status.st_mode);
}

int openDescriptor(const QString& fileSystemPath, QString* why)
{
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting for one; the type is then checked on the open descriptor, so a
    // file swapped after a stat() cannot slip through.
    const int fd = ::open(QFile::encodeName(fileSystemPath).constData(),
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fail(why, QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(why, QStringLiteral("not a regular file"));
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

QString descriptorPath(int descriptor)
{
    return QStringLiteral("/proc/self/fd/%1").arg(descriptor);
}

bool openForReading(QFile& file, const QString& fileSystemPath, QString* why)
{
    const int fd = openDescriptor(fileSystemPath, why);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(why, file.errorString());
    }
    return true;
}

bool readAll(const QString& fileSystemPath, QByteArray* bytes, qint64 maxBytes, QString* why)
{
    QFile file;
    if (!bytes || !openForReading(file, fileSystemPath, why))
        return false;
    if (file.size() > maxBytes)
        return fail(why, QStringLiteral("larger than %1 bytes").arg(maxBytes));
    // One byte past the size: a file that grew meanwhile is caught too.
    *bytes = file.read(file.size() + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(why, file.errorString());
    if (bytes->size() > maxBytes)
        return fail(why, QStringLiteral("larger than %1 bytes").arg(maxBytes));
    return true;
}

} // namespace SafeFile
