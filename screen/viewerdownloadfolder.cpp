#include "screen/viewerdownloadfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>

#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

namespace {

const char kLockName[] = "session.lock";

// A lock only a dead process (or none) left behind counts as free: without a
// stale time, a long session is never taken for an ended one.
std::unique_ptr<QLockFile> sessionLock(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(QLatin1String(kLockName)));
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

ViewerDownloadFolder::ViewerDownloadFolder(const QString& base)
    : m_base(QDir::cleanPath(base))
{
    if (!QDir().mkpath(m_base)) {
        qCWarning(lcScreen) << "ViewerDownloadFolder: cannot create" << m_base;
        return;
    }
    removeEndedSessions();
    QTemporaryDir session(QDir(m_base).filePath(QStringLiteral("session-XXXXXX")));
    if (!session.isValid()) {
        qCWarning(lcScreen) << "ViewerDownloadFolder: no session folder in" << m_base
                            << session.errorString();
        return;
    }
    session.setAutoRemove(false);
    m_session = session.path();
    m_lock = sessionLock(m_session);
    if (!m_lock->tryLock(0))
        qCWarning(lcScreen) << "ViewerDownloadFolder: cannot lock" << m_session;
    qCDebug(lcScreen) << "ViewerDownloadFolder: session" << m_session;
}

ViewerDownloadFolder::~ViewerDownloadFolder()
{
    if (m_session.isEmpty())
        return;
    m_lock.reset();
    if (!QDir(m_session).removeRecursively())
        qCWarning(lcScreen) << "ViewerDownloadFolder: not all removed" << m_session;
}

QString ViewerDownloadFolder::defaultBase()
{
    const QString data = GetAppPath();
    return QDir(data.isEmpty() ? QDir::tempPath() : data).filePath(QStringLiteral("Temp/viewer"));
}

QString ViewerDownloadFolder::folderFor(const QString& phonePath)
{
    if (m_session.isEmpty() || phonePath.isEmpty())
        return QString();
    // Lookups by path ignore case, so the folder's name does too.
    const QByteArray key = QCryptographicHash::hash(
        toStoredPath(phonePath).toUpper().toUtf8(), QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    const QString folder = QDir(m_session).filePath(QString::fromLatin1(key));
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcScreen) << "ViewerDownloadFolder::folderFor: cannot create" << folder;
        return QString();
    }
    return folder;
}

void ViewerDownloadFolder::removeEndedSessions()
{
    const QDir base(m_base);
    for (const QString& name : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString folder = base.filePath(name);
        std::unique_ptr<QLockFile> lock = sessionLock(folder);
        if (!lock->tryLock(0))
            continue; // a running session's
        lock->unlock();
        qCDebug(lcScreen) << "ViewerDownloadFolder: removes what an ended session left" << folder;
        if (!QDir(folder).removeRecursively())
            qCWarning(lcScreen) << "ViewerDownloadFolder: not all removed" << folder;
    }
}
