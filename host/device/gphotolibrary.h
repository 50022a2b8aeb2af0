#pragma once

#include <QList>
#include <QMutex>
#include <QString>

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-camera.h>

// A phone or camera as libgphoto2 names it: the driver's model name and the
// port it hangs on ("usb:001,007", "disk:/media/card").
struct GPhotoDeviceId
{
    QString model;
    QString port;
    bool operator==(const GPhotoDeviceId& other) const
    {
        return model == other.model && port == other.port;
    }
};

// libgphoto2's process-wide parts: the driver list, loaded once, and the port
// list, read once and again at each detection, since ports come and go. The
// library loads drivers and port modules with global state; every use of
// those lists and every camera set-up goes through mutex(). Cameras
// themselves are not shared: each belongs to the one thread that opened it.
namespace GPhotoLibrary {

QMutex& mutex();

// The devices connected now (USB phones and cameras, mounted camera cards).
// False with a reason when the library cannot look.
bool detect(QList<GPhotoDeviceId>* devices, QString* error);

// Sets model and port on a new camera; a gphoto2 result code (GP_OK, or
// GP_ERROR_MODEL_NOT_FOUND / GP_ERROR_UNKNOWN_PORT for names it does not know).
int prepare(Camera* camera, const GPhotoDeviceId& device, CameraAbilities* abilities);

// The library's text for a result code.
QString errorText(int code);

} // namespace GPhotoLibrary
