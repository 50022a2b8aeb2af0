#include "hostsession.h"

#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/fileutils.h"
#include "host/services/logsink.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "nophoneagent.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QStandardPaths>

namespace {

// The demo phone is always the same phone, so a screenshot of it is too.
constexpr quint32 kSampleSeed = 7;
constexpr int kSamplePhotos = 24;
const char* const kSampleDeviceName = "Sample Phone";

QString sampleMarkerText()
{
    return QStringLiteral("seed=%1 photos=%2\n").arg(kSampleSeed).arg(kSamplePhotos);
}

} // namespace

HostSession::HostSession(const HostOptions& options)
    : m_options(options)
{
}

HostSession::~HostSession()
{
    // The agent's threads may still be in a callback: join them first, then
    // close the database the plug-in's rows came from.
    m_context = PluginHostContext();
    m_phone.reset();
    m_noPhone.reset();
    m_photoDb.reset();
    m_dbManager.reset();
}

QString HostSession::dataFolder(const HostOptions& options)
{
    if (!options.configDir.isEmpty())
        return QDir::cleanPath(QFileInfo(options.configDir).absoluteFilePath());
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

bool HostSession::useFolders(const HostOptions& options, QString* error)
{
    const QString folder = dataFolder(options);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    if (!options.configDir.isEmpty()) {
        SetRegistryFolder(folder);
        // Viewer downloads, thumbnails and drag copies live below it too.
        SetAppPath(folder);
    }
    InstallLogSink(QDir(folder).filePath(QStringLiteral("photo-host.log")), options.verbose);
    return true;
}

QString HostSession::cacheFolder(const HostOptions& options)
{
    if (!options.configDir.isEmpty())
        return QDir(dataFolder(options)).filePath(QStringLiteral("cache"));
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString HostSession::samplePhoneFolder(const HostOptions& options)
{
    return QDir(cacheFolder(options)).filePath(QStringLiteral("sample-phone"));
}

bool HostSession::prepareSamplePhone(const QString& folder, QString* error)
{
    // The marker is written last: a run stopped half-way generates again.
    const QString marker = folder + QStringLiteral(".done");
    QFile markerFile(marker);
    if (QFileInfo(folder).isDir() && markerFile.open(QIODevice::ReadOnly)
        && QString::fromUtf8(markerFile.readAll()) == sampleMarkerText()) {
        qDebug() << "host"
                 << "HostSession::prepareSamplePhone"
                 << ": reused" << folder;
        return true;
    }
    markerFile.close();
    QFile::remove(marker);
    if (QFileInfo::exists(folder) && !QDir(folder).removeRecursively()) {
        *error = QStringLiteral("cannot replace the sample phone in %1").arg(folder);
        return false;
    }
    SamplePhoneOptions options;
    options.seed = kSampleSeed;
    options.photoCount = kSamplePhotos;
    SamplePhoneGenerator generator(options);
    if (!QDir().mkpath(folder) || !generator.generate(folder)) {
        *error = QStringLiteral("cannot generate the sample phone in %1: %2")
                     .arg(folder, generator.errorString());
        return false;
    }
    if (!markerFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || markerFile.write(sampleMarkerText().toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(marker);
        return false;
    }
    qDebug() << "host"
             << "HostSession::prepareSamplePhone"
             << ": generated" << folder << generator.files().size() << "files";
    return true;
}

bool HostSession::open(QObject* pluginManager, QString* error)
{
    m_context.pluginManager = pluginManager;
    if (!openDatabase(error))
        return false;
    if (m_options.demo) {
        const QString folder = samplePhoneFolder(m_options);
        if (!prepareSamplePhone(folder, error))
            return false;
        if (!openPhone(folder, error))
            return false;
        return true;
    }
    if (!m_options.phoneFolder.isEmpty())
        return openPhone(m_options.phoneFolder, error);
    m_noPhone = std::make_unique<NoPhoneAgent>();
    m_context.deviceAgent = m_noPhone.get();
    qDebug() << "host"
             << "HostSession::open"
             << ": no phone";
    return true;
}

bool HostSession::openPhone(const QString& folder, QString* error)
{
    const QFileInfo info(folder);
    if (!info.exists()) {
        *error = QStringLiteral("phone folder not found: %1").arg(folder);
        return false;
    }
    if (!info.isDir()) {
        *error = QStringLiteral("not a folder: %1").arg(folder);
        return false;
    }
    // The listing walks the folder; without both rights it would list nothing.
    if (!info.isReadable() || !info.isExecutable()) {
        *error = QStringLiteral("cannot read the phone folder %1: permission denied").arg(folder);
        return false;
    }
    const QString name = m_options.demo ? QString::fromLatin1(kSampleDeviceName) : QString();
    m_phone = std::make_unique<FolderPhoneAgent>(folder, m_options.connectionKind, name);
    m_context.deviceAgent = m_phone.get();
    qDebug() << "host"
             << "HostSession::openPhone"
             << ":" << m_phone->storageFolder() << "kind" << Qt::hex << m_options.connectionKind
             << Qt::dec << "index" << m_phone->GetDeviceIndex();
    return true;
}

bool HostSession::openDatabase(QString* error)
{
    const QString folder = dataFolder(m_options);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the data folder %1").arg(folder);
        return false;
    }
    m_databaseFile = QDir(folder).filePath(QStringLiteral("photos.db"));
    m_dbManager = std::make_unique<DBManager>(m_databaseFile);
    if (!m_dbManager->connectionForCurrentThread().isOpen()) {
        *error = QStringLiteral("cannot open the photo database %1").arg(m_databaseFile);
        return false;
    }
    m_photoDb = std::make_unique<PhotoDB>(m_dbManager.get(), 1);
    m_context.dbManager = m_dbManager.get();
    m_context.photoDatabase = m_photoDb.get();
    return true;
}

bool HostSession::isPhoneConnected() const
{
    return m_phone && m_phone->GetDeviceIndex() != -1;
}

QString HostSession::phoneName() const
{
    return m_phone ? m_phone->DeviceName() : QString();
}

int HostSession::deviceIndex() const
{
    return m_context.deviceAgent ? m_context.deviceAgent->GetDeviceIndex() : -1;
}

bool HostSession::disconnectPhone()
{
    if (!isPhoneConnected())
        return false;
    // Boxes about the phone make no sense once it is gone.
    OCMsgBox::CloseAll();
    m_phone->disconnect();
    return true;
}

bool HostSession::reconnectPhone()
{
    if (!m_phone || isPhoneConnected())
        return false;
    return m_phone->reconnect();
}
