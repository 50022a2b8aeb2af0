#pragma once

#include "host/contract/pluginhostcontext.h"
#include "host/device/gphotolibrary.h"
#include "hostoptions.h"

#include <QString>
#include <QStringList>

#include <memory>

class DBManager;
class FolderPhoneAgent;
class GPhotoAgent;
class IDeviceNexaAgent;
class NoPhoneAgent;
class PhotoDB;
class QObject;
class QTemporaryDir;

// What photo-host gives the plug-in for one run: the phone (a folder-backed
// agent, a phone or camera through libgphoto2, or an agent that reports no
// device), the photo database in the data folder and the plug-in manager.
// Owns all of it; the plug-in must be gone before the session is destroyed,
// and before the phone is swapped for another.
class HostSession
{
public:
    // A phone asks its user to allow access the first time: opening waits that long.
    static constexpr int kCameraOpenTimeoutMs = 30000;

    explicit HostSession(const HostOptions& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Builds the context; false with a readable reason when a folder or the
    // database cannot be used.
    bool open(QObject* pluginManager, QString* error);

    PluginHostContext* context() { return &m_context; }
    IDeviceNexaAgent* agent() const { return m_context.deviceAgent; }
    FolderPhoneAgent* phone() const { return m_phone.get(); } // null without a folder phone
    GPhotoAgent* camera() const { return m_camera.get(); } // null without a libgphoto2 device
    PhotoDB* photoDatabase() const { return m_context.photoDatabase; }
    QString databaseFile() const { return m_databaseFile; }
    // What the user should hear about the start: a database moved aside or
    // replaced by a temporary one.
    const QStringList& notices() const { return m_notices; }

    bool hasPhone() const { return m_phone != nullptr || m_camera != nullptr; }
    bool isPhoneConnected() const;
    QString phoneName() const;
    int deviceIndex() const;
    int connectionKind() const;

    // The Device menu's disconnect and reconnect; false when nothing changed.
    bool disconnectPhone();
    bool reconnectPhone();
    // Opens a phone or camera through libgphoto2 in place of the current
    // phone, waiting a bounded time for it; the plug-in must not hold the
    // old agent any more. False with the reason for the user when it cannot
    // be opened (no phone then).
    bool openCamera(const GPhotoDeviceId& device, QString* error);
    // The same for a device opened already (DeviceOpener).
    void adoptCamera(std::unique_ptr<GPhotoAgent> camera);
    // No phone from now on; the plug-in must not hold the old agent any more.
    void closePhone();
    // What the phone's own page says about it.
    QString phoneDescription() const;

    // Where the database and log go, and where the sample phone is kept.
    static QString dataFolder(const HostOptions& options);
    // Makes the data folder and points the settings, the log and the
    // temporary copies into it when --config-dir names it; false with a
    // reason when it cannot be made.
    static bool useFolders(const HostOptions& options, QString* error);
    static QString cacheFolder(const HostOptions& options);
    static QString samplePhoneFolder(const HostOptions& options);
    // Generates the sample phone once; later runs reuse it.
    static bool prepareSamplePhone(const QString& folder, QString* error);

private:
    bool openPhone(const QString& folder, QString* error);
    bool openDatabase(QString* error);

    HostOptions m_options;
    PluginHostContext m_context;
    std::unique_ptr<FolderPhoneAgent> m_phone;
    std::unique_ptr<GPhotoAgent> m_camera;
    std::unique_ptr<NoPhoneAgent> m_noPhone;
    std::unique_ptr<DBManager> m_dbManager;
    std::unique_ptr<PhotoDB> m_photoDb;
    QString m_databaseFile;
    std::shared_ptr<QTemporaryDir> m_temporaryDatabase;
    QStringList m_notices;
};
