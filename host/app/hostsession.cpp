#include "hostsession.h"

#include "host/db/dbmanager.h"
#include "host/db/photodatabaseguard.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotoagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/logsink.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "host/services/safefile.h"
#include "nophoneagent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QStandardPaths>

#include <sys/stat.h>

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
    m_camera.reset();
    m_noPhone.reset();
    m_photoDb.reset();
    m_dbManager.reset();
    m_temporaryDatabase.reset();
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
    // A FIFO, socket or device named like the settings or the log would hang
    // whoever opens it, and a folder there cannot be written: say so and stop.
    const QString log = QDir(folder).filePath(QStringLiteral("photo-host.log"));
    for (const QString& file : { RegistryFile(), log }) {
        struct stat status;
        if (::stat(QFile::encodeName(file).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
            *error = QStringLiteral("%1 is not a regular file (a folder, FIFO, socket or device): "
                                    "move it away, or choose another folder with --config-dir")
                         .arg(file);
            return false;
        }
    }
    InstallLogSink(log, options.verbose);
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
    QByteArray markerText;
    if (QFileInfo(folder).isDir() && SafeFile::readAll(marker, &markerText, 4096)
        && QString::fromUtf8(markerText) == sampleMarkerText()) {
        qCDebug(lcHostApp) << "HostSession::prepareSamplePhone"
                           << ": reused" << folder;
        return true;
    }
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
    qCDebug(lcHostApp) << "HostSession::prepareSamplePhone"
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
    if (m_options.opensCamera())
        return openCamera({ m_options.cameraModel, m_options.cameraPort }, error);
    m_noPhone = std::make_unique<NoPhoneAgent>();
    m_context.deviceAgent = m_noPhone.get();
    qCDebug(lcHostApp) << "HostSession::open"
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
    qCDebug(lcHostApp) << "HostSession::openPhone"
                       << ":" << m_phone->storageFolder() << "kind" << Qt::hex
                       << m_options.connectionKind << Qt::dec << "index"
                       << m_phone->GetDeviceIndex();
    return true;
}

void HostSession::closePhone()
{
    m_context.deviceAgent = nullptr;
    m_phone.reset();
    m_camera.reset();
    if (!m_noPhone)
        m_noPhone = std::make_unique<NoPhoneAgent>();
    m_context.deviceAgent = m_noPhone.get();
}

bool HostSession::openCamera(const GPhotoDeviceId& device, QString* error)
{
    closePhone();
    auto camera = std::make_unique<GPhotoAgent>(device);
    QString why;
    if (camera->open(kCameraOpenTimeoutMs, &why) != AgentResult::Ok) {
        *error = QStringLiteral("cannot open %1 at %2: %3").arg(device.model, device.port, why);
        qCWarning(lcHostApp) << "HostSession::openCamera:" << *error;
        return false;
    }
    adoptCamera(std::move(camera));
    return true;
}

void HostSession::adoptCamera(std::unique_ptr<GPhotoAgent> camera)
{
    closePhone();
    m_camera = std::move(camera);
    m_context.deviceAgent = m_camera.get();
    qCDebug(lcHostApp) << "HostSession::adoptCamera:" << m_camera->DeviceName()
                       << m_camera->device().port << "index" << m_camera->GetDeviceIndex();
}

QString HostSession::phoneDescription() const
{
    if (m_camera)
        return QObject::tr("Connected through libgphoto2 as %1 at %2.")
            .arg(m_camera->device().model, m_camera->device().port);
    if (m_phone)
        return QObject::tr("Its storage is the folder %1.").arg(m_phone->storageFolder());
    return QString();
}

bool HostSession::openDatabase(QString* error)
{
    const QString folder = dataFolder(m_options);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the data folder %1").arg(folder);
        return false;
    }
    const PhotoDatabaseGuard::Result checked
        = PhotoDatabaseGuard::prepare(QDir(folder).filePath(QStringLiteral("photos.db")));
    if (!checked.ok) {
        *error = checked.error;
        return false;
    }
    if (!checked.notice.isEmpty())
        m_notices.append(checked.notice);
    m_temporaryDatabase = checked.temporaryFolder;
    m_databaseFile = checked.file;
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
    return hasPhone() && m_context.deviceAgent && m_context.deviceAgent->GetDeviceIndex() != -1;
}

QString HostSession::phoneName() const
{
    return hasPhone() && m_context.deviceAgent ? m_context.deviceAgent->DeviceName() : QString();
}

int HostSession::connectionKind() const
{
    return m_camera ? m_camera->GetConnectionKind() : m_options.connectionKind;
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
    if (m_camera)
        m_camera->disconnect();
    else
        m_phone->disconnect();
    return true;
}

bool HostSession::reconnectPhone()
{
    // A device through libgphoto2 comes back as a new device: openCamera.
    if (!m_phone || isPhoneConnected())
        return false;
    return m_phone->reconnect();
}
