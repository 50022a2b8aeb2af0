#include "gphotolibrary.h"

#include "host/services/logcategories.h"

#if defined(__SANITIZE_ADDRESS__)
#define PHOTO_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PHOTO_LEAK_CHECKS 1
#endif
#endif
#if defined(PHOTO_LEAK_CHECKS)
#include <sanitizer/lsan_interface.h>
#endif

#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-port-info-list.h>
#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

namespace {

CameraAbilitiesList* g_abilities = nullptr;

// libgphoto2's drivers and port modules leak small blocks while they are
// listed and detect devices, and are unloaded afterwards: not the project's
// to free, and unnamed in a leak report.
struct ThirdPartyLeaks
{
#if defined(PHOTO_LEAK_CHECKS)
    ThirdPartyLeaks()
    {
        __lsan_disable();
    }
    ~ThirdPartyLeaks()
    {
        __lsan_enable();
    }
#endif
};

// Loading every driver takes a while: once per process, under the mutex.
CameraAbilitiesList* abilitiesList(GPContext* context)
{
    if (g_abilities)
        return g_abilities;
    CameraAbilitiesList* list = nullptr;
    if (gp_abilities_list_new(&list) < GP_OK)
        return nullptr;
    int loaded = GP_OK;
    {
        [[maybe_unused]] const ThirdPartyLeaks ignored;
        loaded = gp_abilities_list_load(list, context);
    }
    if (loaded < GP_OK) {
        qCWarning(lcHostDevice) << "GPhotoLibrary: cannot load the camera drivers"
                                << GPhotoLibrary::errorText(loaded);
        gp_abilities_list_free(list);
        return nullptr;
    }
    g_abilities = list;
    return g_abilities;
}

GPPortInfoList* g_ports = nullptr;

// The port list, read once and again at each detection (ports come and go
// with devices); reading it loads every port module, which is not free.
GPPortInfoList* portList(bool fresh)
{
    if (g_ports && !fresh)
        return g_ports;
    GPPortInfoList* list = nullptr;
    if (gp_port_info_list_new(&list) < GP_OK)
        return g_ports;
    int loaded = GP_OK;
    {
        [[maybe_unused]] const ThirdPartyLeaks ignored;
        loaded = gp_port_info_list_load(list);
    }
    if (loaded < GP_OK) {
        gp_port_info_list_free(list);
        return g_ports;
    }
    if (g_ports)
        gp_port_info_list_free(g_ports);
    g_ports = list;
    return g_ports;
}

struct Context
{
    GPContext* context = gp_context_new();
    ~Context() { gp_context_unref(context); }
};

} // namespace

namespace GPhotoLibrary {

QMutex& mutex()
{
    static QMutex library;
    return library;
}

bool detect(QList<GPhotoDeviceId>* devices, QString* error)
{
    QMutexLocker lock(&mutex());
    Context context;
    GPPortInfoList* ports = portList(true);
    CameraAbilitiesList* abilities = abilitiesList(context.context);
    if (!ports || !abilities) {
        *error = QStringLiteral("libgphoto2 cannot load its drivers or ports");
        return false;
    }
    CameraList* found = nullptr;
    gp_list_new(&found);
    int result = GP_OK;
    {
        [[maybe_unused]] const ThirdPartyLeaks ignored;
        result = gp_abilities_list_detect(abilities, ports, found, context.context);
    }
    if (result < GP_OK) {
        *error = errorText(result);
        gp_list_free(found);
        return false;
    }
    for (int i = 0; i < gp_list_count(found); ++i) {
        const char* model = nullptr;
        const char* port = nullptr;
        gp_list_get_name(found, i, &model);
        gp_list_get_value(found, i, &port);
        // The generic "usb:" entry stands for a device that also has a proper port.
        if (model && port && qstrcmp(port, "usb:") != 0)
            devices->append({ QString::fromUtf8(model), QString::fromUtf8(port) });
    }
    gp_list_free(found);
    return true;
}

int prepare(Camera* camera, const GPhotoDeviceId& device, CameraAbilities* abilities)
{
    QMutexLocker lock(&mutex());
    Context context;
    CameraAbilitiesList* list = abilitiesList(context.context);
    if (!list)
        return GP_ERROR_LIBRARY;
    const int model = gp_abilities_list_lookup_model(list, device.model.toUtf8().constData());
    if (model < GP_OK)
        return GP_ERROR_MODEL_NOT_FOUND;
    int result = gp_abilities_list_get_abilities(list, model, abilities);
    if (result >= GP_OK)
        result = gp_camera_set_abilities(camera, *abilities);
    if (result < GP_OK)
        return result;
    GPPortInfoList* ports = portList(false);
    if (!ports)
        return GP_ERROR_LIBRARY;
    const int port = gp_port_info_list_lookup_path(ports, device.port.toUtf8().constData());
    if (port < GP_OK)
        return GP_ERROR_UNKNOWN_PORT;
    GPPortInfo info;
    result = gp_port_info_list_get_info(ports, port, &info);
    // The camera copies the port's description: the list may be read anew.
    return result < GP_OK ? result : gp_camera_set_port_info(camera, info);
}

QString errorText(int code)
{
    return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(gp_result_as_string(code))).arg(code);
}

} // namespace GPhotoLibrary
