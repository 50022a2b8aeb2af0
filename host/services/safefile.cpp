#include "safefile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

bool isRegularFile(const QString& fileSystemPath)
{
    struct stat status;
    return ::stat(QFile::encodeName(fileSystemPath).constData(), &status) == 0
        && S_ISREG(status.st_mode);
}

bool openForReading(QFile& file, const QString& fileSystemPath, QString* why)
{
    auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting for one; the type is then checked on the open descriptor, so a
    // file swapped after a stat() cannot slip through.
    const int fd = ::open(QFile::encodeName(fileSystemPath).constData(),
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file"));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    return true;
}

} // namespace SafeFile
