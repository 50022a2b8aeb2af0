#pragma once

#include "gphotolibrary.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-context.h>

// One file as the device describes it.
struct GPhotoFileInfo
{
    qint64 size = -1; // -1: the device does not say
    qint64 modified = 0; // seconds since the epoch, 0: not known
    int width = 0;
    int height = 0;
    bool deletable = true;
};

// One storage of the device (internal memory, a card).
struct GPhotoStorage
{
    QString folder; // where its files start, "/" or "/store_00010001"
    QString label;
    bool readOnly = false;
    bool deletable = true;
};

// A libgphoto2 Camera and its GPContext. Not thread-safe: it belongs to the
// one thread that opened it, and every call goes through that thread. Calls
// return gphoto2 result codes (GP_OK and above mean success). While a call
// runs, the context asks cancelRequested() and reports progress as a
// fraction from 0 to 1.
class GPhotoCamera
{
public:
    GPhotoCamera();
    ~GPhotoCamera();
    GPhotoCamera(const GPhotoCamera&) = delete;
    GPhotoCamera& operator=(const GPhotoCamera&) = delete;

    int open(const GPhotoDeviceId& device);
    void close();
    bool isOpen() const { return m_camera != nullptr; }
    const GPhotoDeviceId& device() const { return m_device; }
    bool canDelete() const;
    bool canUpload() const;
    // The last error text the driver gave, for the log.
    QString lastError() const { return m_lastError; }

    void setCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }
    void setProgress(std::function<void(double fraction)> progress)
    {
        m_progress = std::move(progress);
    }

    int storages(QList<GPhotoStorage>* storages);
    int listFolders(const QString& folder, QStringList* names);
    int listFiles(const QString& folder, QStringList* names);
    int fileInfo(const QString& folder, const QString& name, GPhotoFileInfo* info);
    // A view of the file (preview, normal, EXIF) into memory.
    int read(const QString& folder, const QString& name, CameraFileType type, QByteArray* bytes);
    // The file itself, written to fd as it arrives (fd stays the caller's).
    int download(const QString& folder, const QString& name, int fd);
    int upload(const QString& folder, const QString& name, int fd);
    int remove(const QString& folder, const QString& name);
    int makeFolder(const QString& parent, const QString& name);
    // The serial number where the device gives one; empty otherwise.
    QString serialNumber();

    // Results that mean the device is gone or no longer answers.
    static bool isDisconnect(int result);

private:
    static GPContextFeedback onCancel(GPContext* context, void* data);
    static unsigned int onProgressStart(
        GPContext* context, float target, const char* text, void* data);
    static void onProgressUpdate(GPContext* context, unsigned int id, float current, void* data);
    static void onError(GPContext* context, const char* text, void* data);

    Camera* m_camera = nullptr;
    GPContext* m_context = nullptr;
    GPhotoDeviceId m_device;
    CameraAbilities m_abilities {};
    std::function<bool()> m_cancelCheck;
    std::function<void(double)> m_progress;
    float m_progressTarget = 0;
    QString m_lastError;
};
