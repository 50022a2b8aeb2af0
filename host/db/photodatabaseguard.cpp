#include "photodatabaseguard.h"

#include "dbmanager.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"
#include "photodb.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Problem { None, Special, Moved, ReadOnly, Locked, FolderReadOnly };

const char* const kSidecars[] = { "-wal", "-shm", "-journal" };

QString tr(const char* text)
{
    return QCoreApplication::translate("PhotoDatabaseGuard", text);
}

bool isWritableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// SQLite's result code of a failed statement; extended codes keep the
// primary one in their low byte.
int sqliteCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;

// What is wrong with a regular database file, by asking SQLite itself.
Problem examine(const QString& file, QString* reason)
{
    const QString name = QStringLiteral("photodb_guard");
    Problem problem = Problem::None;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(DBManager::GuiBusyTimeoutMs));
        QSqlQuery query(db);
        if (!db.open()) {
            *reason = db.lastError().text();
            problem = Problem::Moved;
        } else if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const int code = sqliteCode(query.lastError());
            *reason = query.lastError().text();
            problem
                = (code == kSqliteBusy || code == kSqliteLocked) ? Problem::Locked : Problem::Moved;
        } else if (!(*reason = PhotoDB::schemaProblem(db)).isEmpty()) {
            problem = Problem::Moved;
        } else if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            const int code = query.lastError().isValid() ? sqliteCode(query.lastError()) : -1;
            *reason = query.lastError().text();
            problem = code == kSqliteReadOnly                    ? Problem::ReadOnly
                : (code == kSqliteBusy || code == kSqliteLocked) ? Problem::Locked
                                                                 : Problem::Moved;
        } else {
            query.exec(QStringLiteral("ROLLBACK"));
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

Problem diagnose(const QString& file, QString* reason)
{
    const QString folder = QFileInfo(file).absolutePath();
    struct stat status;
    // SQLite opens these with the database; reading a FIFO among them would block.
    for (const char* suffix : kSidecars) {
        const QString sidecar = file + QLatin1String(suffix);
        if (::lstat(QFile::encodeName(sidecar).constData(), &status) == 0
            && !S_ISREG(status.st_mode)) {
            *reason = tr("%1 is not a regular file").arg(sidecar);
            return Problem::Moved;
        }
    }
    if (::stat(QFile::encodeName(file).constData(), &status) != 0) {
        if (isWritableFolder(folder))
            return Problem::None;
        *reason = tr("the folder %1 cannot be written").arg(folder);
        return Problem::FolderReadOnly;
    }
    if (S_ISDIR(status.st_mode)) {
        *reason = tr("it is a folder");
        return Problem::Moved;
    }
    if (!S_ISREG(status.st_mode)) {
        *reason = tr("it is not a regular file");
        return Problem::Special;
    }
    const int fd = SafeFile::openDescriptor(file, reason);
    if (fd < 0)
        return Problem::Moved;
    ::close(fd);
    if (!isWritableFolder(folder)) {
        *reason = tr("the folder %1 cannot be written").arg(folder);
        return Problem::FolderReadOnly;
    }
    return examine(file, reason);
}

// The file and its sidecars under a new name beside them; that name, or
// empty when it cannot be moved.
QString moveAside(const QString& file)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    QString aside = file + QStringLiteral(".damaged-") + stamp;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = file + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    auto present = [](const QString& path) {
        return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    };
    if (present(file) && !QDir().rename(file, aside))
        return QString();
    for (const char* suffix : kSidecars) {
        const QString sidecar = file + QLatin1String(suffix);
        if (present(sidecar) && !QDir().rename(sidecar, aside + QLatin1String(suffix)))
            return QString();
    }
    return aside;
}

PhotoDatabaseGuard::Result temporaryDatabase(const QString& file, const QString& reason)
{
    PhotoDatabaseGuard::Result result;
    result.temporaryFolder = std::make_shared<QTemporaryDir>(
        QDir(QDir::tempPath()).filePath(QStringLiteral("photo-host-XXXXXX")));
    if (!result.temporaryFolder->isValid()) {
        result.error
            = tr("cannot use the photo database %1 (%2), nor a temporary one").arg(file, reason);
        return result;
    }
    result.ok = true;
    result.file = result.temporaryFolder->filePath(QFileInfo(file).fileName());
    result.notice = tr("The photo database %1 cannot be used now: %2. Until photo-host "
                       "ends, it keeps its data in a temporary database instead; "
                       "nothing is saved for the next start.")
                        .arg(file, reason);
    return result;
}

} // namespace

PhotoDatabaseGuard::Result PhotoDatabaseGuard::prepare(const QString& databaseFile)
{
    QString reason;
    const Problem problem = diagnose(databaseFile, &reason);
    Result result;
    result.file = databaseFile;
    switch (problem) {
    case Problem::None:
        result.ok = true;
        return result;
    case Problem::Special:
        result.error = tr("the photo database %1 cannot be used: %2").arg(databaseFile, reason);
        qCWarning(lcHostDb) << "PhotoDatabaseGuard::prepare"
                            << ":" << result.error;
        return result;
    case Problem::Locked:
    case Problem::FolderReadOnly:
        qCWarning(lcHostDb) << "PhotoDatabaseGuard::prepare"
                            << ": temporary database instead of" << databaseFile << reason;
        return temporaryDatabase(databaseFile, reason);
    case Problem::Moved:
    case Problem::ReadOnly:
        break;
    }
    const QString aside = moveAside(databaseFile);
    if (aside.isEmpty())
        return temporaryDatabase(databaseFile, reason);
    qCWarning(lcHostDb) << "PhotoDatabaseGuard::prepare"
                        << ": moved" << databaseFile << "to" << aside << "because" << reason;
    result.ok = true;
    if (problem == Problem::ReadOnly) {
        if (QFile::copy(aside, databaseFile)
            && QFile::setPermissions(databaseFile,
                QFile::permissions(databaseFile) | QFileDevice::ReadOwner
                    | QFileDevice::WriteOwner)) {
            result.notice = tr("The photo database %1 could not be written (%2). It was moved "
                               "to %3 and a writable copy is used in its place.")
                                .arg(databaseFile, reason, aside);
            return result;
        }
        QFile::remove(databaseFile); // the copy that failed, not the moved file
    }
    result.notice = tr("The photo database %1 could not be used (%2). It was moved to %3, "
                       "with everything in it, and a new one was made.")
                        .arg(databaseFile, reason, aside);
    return result;
}
