#include "folderphoneagent.h"

#include "deviceregistry.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

const QString FolderPhoneAgent::kPhoneRoot = QStringLiteral("\\Phone");

FolderPhoneAgent::FolderPhoneAgent(
    const QString& storageFolder, int connectionKind, const QString& deviceName)
    : m_root(QDir::cleanPath(QFileInfo(storageFolder).absoluteFilePath()))
    , m_kind(connectionKind)
    , m_name(deviceName.isEmpty() ? QFileInfo(m_root).fileName() : deviceName)
{
    if (!QFileInfo(m_root).isDir()) {
        qCWarning(lcHostDevice) << "FolderPhoneAgent::FolderPhoneAgent"
                                << ": no storage folder" << m_root;
        m_connected = false;
        return;
    }
    const int index = DeviceRegistry::registerAgent(this);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::FolderPhoneAgent"
                          << ": connected" << m_root << "kind" << Qt::hex << m_kind << Qt::dec
                          << "index" << index;
}

FolderPhoneAgent::~FolderPhoneAgent()
{
    m_stopping = true;
    m_stopListing = true;
    DeviceRegistry::unregisterAgent(this);
    {
        QMutexLocker lock(&m_mutex);
        for (const JobPtr& job : qAsConst(m_jobs))
            job->cancel = true;
    }
    joinThreads();
    qCDebug(lcHostDevice) << "FolderPhoneAgent::~FolderPhoneAgent"
                          << ": stopped" << m_root;
}

void FolderPhoneAgent::setFaults(const FolderAgentFaults& faults)
{
    QMutexLocker lock(&m_mutex);
    if (faults.needsMount != m_faults.needsMount)
        m_mounted = !faults.needsMount;
    m_faults = faults;
    m_thumbnailRequests = 0;
    m_filesCopied = 0;
    m_filesDeleted = 0;
}

bool FolderPhoneAgent::countTowardsDisconnect(int FolderAgentFaults::*fault, int* counter)
{
    QMutexLocker lock(&m_mutex);
    ++*counter;
    return m_faults.*fault > 0 && *counter == m_faults.*fault;
}

FolderAgentFaults FolderPhoneAgent::faults() const
{
    QMutexLocker lock(&m_mutex);
    return m_faults;
}

QString FolderPhoneAgent::phonePathOf(const QString& fileSystemPath) const
{
    // Paths from the listing's walk are clean already; cleaning is not free.
    const bool alreadyClean = !fileSystemPath.contains(QLatin1String("/."))
        && !fileSystemPath.contains(QLatin1String("//"))
        && !fileSystemPath.endsWith(QLatin1Char('/'));
    const QString clean = alreadyClean ? fileSystemPath : QDir::cleanPath(fileSystemPath);
    if (m_kind == ConnectionKind::MassStorage)
        return toStoredPath(clean);
    if (clean == m_root)
        return kPhoneRoot;
    if (!clean.startsWith(m_root + QLatin1Char('/')))
        return QString();
    return kPhoneRoot + toStoredPath(clean.mid(m_root.size()));
}

QString FolderPhoneAgent::fileSystemPathOf(const QString& phonePath) const
{
    QString path = toFileSystemPath(phonePath);
    if (m_kind != ConnectionKind::MassStorage) {
        const QString root = toFileSystemPath(kPhoneRoot);
        if (!path.startsWith(root, Qt::CaseInsensitive)
            || (path.size() > root.size() && path.at(root.size()) != QLatin1Char('/')))
            return QString();
        path = m_root + QLatin1Char('/') + path.mid(root.size());
    }
    // Never reach outside the storage, whatever the path says.
    path = QDir::cleanPath(path);
    if (path != m_root && !path.startsWith(m_root + QLatin1Char('/')))
        return QString();
    return path;
}

QString FolderPhoneAgent::readablePathOf(const QString& phonePath) const
{
    const QString inside = fileSystemPathOf(phonePath);
    if (!inside.isEmpty())
        return reachablePath(phonePath);
    if (m_kind != ConnectionKind::MassStorage)
        return QString();
    // On mass storage a phone path is a PC path: one the user located.
    const QString path = QDir::cleanPath(toFileSystemPath(phonePath));
    return QDir::isAbsolutePath(path) ? path : QString();
}

QString FolderPhoneAgent::reachablePath(const QString& phonePath) const
{
    const QString path = fileSystemPathOf(phonePath);
    if (path.isEmpty() || resolvesInside(path))
        return path;
    qCWarning(lcHostDevice) << "FolderPhoneAgent::reachablePath"
                            << ": leads outside the phone, refused" << phonePath;
    return QString();
}

// On resolved paths, since any link inside the storage may lead anywhere; a
// path that does not exist (yet) resolves through its nearest existing folder.
bool FolderPhoneAgent::resolvesInside(const QString& fileSystemPath) const
{
    const QString root = QFileInfo(m_root).canonicalFilePath();
    if (root.isEmpty())
        return false;
    QString existing = fileSystemPath;
    QString resolved = QFileInfo(existing).canonicalFilePath();
    while (resolved.isEmpty()) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            return false;
        existing = parent;
        resolved = QFileInfo(existing).canonicalFilePath();
    }
    return resolved == root || resolved.startsWith(root + QLatin1Char('/'));
}

void FolderPhoneAgent::setListingReport(const ListingReport& report)
{
    QMutexLocker lock(&m_mutex);
    // A new listing when the last one had ended, the same one while it runs.
    const bool running = m_listingReport.ran && !m_listingReport.complete
        && m_listingReport.error == AgentResult::Ok;
    const quint64 listing = running ? m_listingReport.listing : m_listingReport.listing + 1;
    m_listingReport = report;
    m_listingReport.listing = listing;
}

ListingReport FolderPhoneAgent::LastListingReport()
{
    QMutexLocker lock(&m_mutex);
    return m_listingReport;
}

void FolderPhoneAgent::disconnect()
{
    if (!m_connected.exchange(false))
        return;
    m_stopListing = true;
    DeviceRegistry::unregisterAgent(this);
    {
        QMutexLocker lock(&m_mutex);
        for (const JobPtr& job : qAsConst(m_jobs))
            job->cancel = true;
    }
    qCWarning(lcHostDevice) << "FolderPhoneAgent::disconnect"
                            << ": phone gone" << m_root;
}

bool FolderPhoneAgent::reconnect()
{
    if (m_stopping || m_connected.load())
        return m_connected.load();
    if (!QFileInfo(m_root).isDir()) {
        qCDebug(lcHostDevice) << "FolderPhoneAgent::reconnect"
                              << ": no storage folder" << m_root;
        return false;
    }
    m_connected = true;
    const int index = DeviceRegistry::registerAgent(this);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::reconnect"
                          << ": connected" << m_root << "index" << index;
    return true;
}

void FolderPhoneAgent::startThread(std::function<void()> work)
{
    QThread* thread = QThread::create(std::move(work));
    QList<QThread*> finished;
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            if ((*it)->isFinished()) {
                finished.append(*it);
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
        m_threads.append(thread);
    }
    for (QThread* done : qAsConst(finished)) {
        done->wait();
        delete done;
    }
    thread->start();
}

void FolderPhoneAgent::joinThreads()
{
    // A callback may sit in a blocking queued call to this thread: pump its
    // events while waiting, or the two would wait for each other.
    const bool pump = QCoreApplication::instance() && QThread::currentThread()->eventDispatcher();
    for (;;) {
        QList<QThread*> threads;
        {
            QMutexLocker lock(&m_mutex);
            threads.swap(m_threads);
        }
        if (threads.isEmpty())
            return;
        for (QThread* thread : qAsConst(threads)) {
            while (!thread->wait(pump ? 10 : 100)) {
                if (pump)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
            delete thread;
        }
    }
}

bool FolderPhoneAgent::pause(int milliseconds, const std::atomic<bool>* cancel) const
{
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (m_stopping || (cancel && cancel->load()))
            return false;
        QThread::msleep(qMin(10, milliseconds - waited));
    }
    return !m_stopping && !(cancel && cancel->load());
}

QString FolderPhoneAgent::objectIdFor(const QString& fileSystemPath)
{
    QMutexLocker lock(&m_mutex);
    QString& id = m_objectIds[fileSystemPath];
    if (id.isEmpty())
        id = QStringLiteral("o%1").arg(m_nextObjectId++);
    return id;
}

void FolderPhoneAgent::moveObjectId(const QString& from, const QString& to)
{
    QMutexLocker lock(&m_mutex);
    const QString id = m_objectIds.take(from);
    if (!id.isEmpty())
        m_objectIds.insert(to, id);
}

bool FolderPhoneAgent::IsBusy()
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_faults.busyIsBusy > 0) {
            --m_faults.busyIsBusy;
            return true;
        }
    }
    return m_listing.load();
}

int FolderPhoneAgent::GetThumbnailSupport()
{
    QMutexLocker lock(&m_mutex);
    return m_faults.noThumbnailSupport ? 0 : 4;
}

void FolderPhoneAgent::SetItemLoadCallback(PFN_ItemLoadCallback callback)
{
    m_itemLoadCallback = callback;
}

bool FolderPhoneAgent::IsFileExist(const QString& path)
{
    if (!connected())
        return false;
    const QString file = readablePathOf(path);
    return !file.isEmpty() && SafeFile::isRegularFile(file);
}

int FolderPhoneAgent::GetLocalPath(QString& path)
{
    const QString file = reachablePath(path);
    if (!connected() || file.isEmpty() || !QFileInfo::exists(file))
        return AgentResult::FileMissing;
    path = toStoredPath(file);
    return OpenWindowExplorer(path) ? AgentResult::Ok : AgentResult::Refused;
}

int FolderPhoneAgent::GetDeviceIndex()
{
    return connected() ? DeviceRegistry::indexOf(this) : -1;
}

QString FolderPhoneAgent::DeviceIdentity()
{
    // The folder, resolved: two names of one folder are one phone.
    const QString canonical = QFileInfo(m_root).canonicalFilePath();
    return QStringLiteral("folder:") + (canonical.isEmpty() ? m_root : canonical);
}

QString FolderPhoneAgent::StorageRoot()
{
    // On media transfer the first folder, "\Phone", names the storage.
    return m_kind == ConnectionKind::MassStorage ? toStoredPath(m_root) : QString();
}

QString FolderPhoneAgent::GetCameraFolder()
{
    if (m_kind == ConnectionKind::MassStorage)
        return toStoredPath(m_root + QStringLiteral("/DCIM/Camera"));
    return kPhoneRoot + QStringLiteral("\\DCIM\\Camera");
}

bool FolderPhoneAgent::IsStorageMounted()
{
    if (m_kind != ConnectionKind::MassStorage || !connected())
        return false;
    QMutexLocker lock(&m_mutex);
    return m_mounted && QFileInfo(m_root).isDir();
}

void FolderPhoneAgent::RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int reserved)
{
    Q_UNUSED(reserved);
    if (!callback || m_stopping)
        return;
    const int result = !connected()       ? AgentResult::Disconnected
        : deviceIndex != GetDeviceIndex() ? AgentResult::Refused
                                          : faults().mountResult;
    qCDebug(lcHostDevice) << "FolderPhoneAgent::RequestUmsMount"
                          << ": index" << deviceIndex << "result" << result;
    startThread([this, result, callback] {
        if (result == AgentResult::Ok) {
            QMutexLocker lock(&m_mutex);
            m_mounted = true;
        }
        callback(result);
    });
}
