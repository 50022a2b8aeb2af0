#include "gphotocamera.h"

#include "host/services/logcategories.h"

#include <QFile>
#include <QRegularExpression>

#include <gphoto2/gphoto2-file.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>
#include <gphoto2/gphoto2-widget.h>

#include <cstdlib>

#include <unistd.h>

namespace {

// Names are bytes as the device or the served folder has them (libgphoto2
// gives a phone's names in the locale's encoding): the file-name codec takes
// them there and back unchanged, bytes that are not UTF-8 included.
QByteArray encoded(const QString& text)
{
    return QFile::encodeName(text);
}

// Folder and file names from a list, in the device's order.
QStringList namesOf(CameraList* list)
{
    QStringList names;
    for (int i = 0; i < gp_list_count(list); ++i) {
        const char* name = nullptr;
        if (gp_list_get_name(list, i, &name) >= GP_OK && name)
            names.append(QFile::decodeName(name));
    }
    return names;
}

} // namespace

GPhotoCamera::GPhotoCamera()
{
    m_context = gp_context_new();
    gp_context_set_cancel_func(m_context, &GPhotoCamera::onCancel, this);
    gp_context_set_progress_funcs(
        m_context, &GPhotoCamera::onProgressStart, &GPhotoCamera::onProgressUpdate, nullptr, this);
    gp_context_set_error_func(m_context, &GPhotoCamera::onError, this);
}

GPhotoCamera::~GPhotoCamera()
{
    close();
    gp_context_unref(m_context);
}

int GPhotoCamera::open(const GPhotoDeviceId& device)
{
    close();
    m_device = device;
    Camera* camera = nullptr;
    int result = gp_camera_new(&camera);
    if (result < GP_OK)
        return result;
    result = GPhotoLibrary::prepare(camera, device, &m_abilities);
    if (result >= GP_OK) {
        // Drivers load port modules while they start: the library's lock.
        QMutexLocker lock(&GPhotoLibrary::mutex());
        result = gp_camera_init(camera, m_context);
    }
    if (result < GP_OK) {
        gp_camera_free(camera);
        return result;
    }
    m_camera = camera;
    return GP_OK;
}

void GPhotoCamera::close()
{
    if (!m_camera)
        return;
    // A device already gone answers exit with an error; it is freed anyway.
    gp_camera_exit(m_camera, m_context);
    gp_camera_free(m_camera);
    m_camera = nullptr;
}

bool GPhotoCamera::canDelete() const
{
    return m_abilities.file_operations & GP_FILE_OPERATION_DELETE;
}

bool GPhotoCamera::canUpload() const
{
    return m_abilities.folder_operations & GP_FOLDER_OPERATION_PUT_FILE;
}

int GPhotoCamera::storages(QList<GPhotoStorage>* storages)
{
    CameraStorageInformation* infos = nullptr;
    int count = 0;
    const int result = gp_camera_get_storageinfo(m_camera, &infos, &count, m_context);
    if (result < GP_OK)
        return result;
    for (int i = 0; i < count; ++i) {
        const CameraStorageInformation& info = infos[i];
        GPhotoStorage storage;
        storage.folder = (info.fields & GP_STORAGEINFO_BASE) ? QFile::decodeName(info.basedir)
                                                             : QStringLiteral("/");
        if (info.fields & GP_STORAGEINFO_DESCRIPTION)
            storage.label = QString::fromUtf8(info.description);
        if (storage.label.isEmpty() && (info.fields & GP_STORAGEINFO_LABEL))
            storage.label = QString::fromUtf8(info.label);
        if (info.fields & GP_STORAGEINFO_ACCESS) {
            storage.readOnly = info.access != GP_STORAGEINFO_AC_READWRITE;
            storage.deletable = info.access != GP_STORAGEINFO_AC_READONLY;
        }
        storages->append(storage);
    }
    std::free(infos);
    return GP_OK;
}

int GPhotoCamera::listFolders(const QString& folder, QStringList* names)
{
    CameraList* list = nullptr;
    gp_list_new(&list);
    const int result
        = gp_camera_folder_list_folders(m_camera, encoded(folder).constData(), list, m_context);
    if (result >= GP_OK)
        *names = namesOf(list);
    gp_list_free(list);
    return result;
}

int GPhotoCamera::listFiles(const QString& folder, QStringList* names)
{
    CameraList* list = nullptr;
    gp_list_new(&list);
    const int result
        = gp_camera_folder_list_files(m_camera, encoded(folder).constData(), list, m_context);
    if (result >= GP_OK)
        *names = namesOf(list);
    gp_list_free(list);
    return result;
}

int GPhotoCamera::fileInfo(const QString& folder, const QString& name, GPhotoFileInfo* info)
{
    CameraFileInfo raw {};
    const int result = gp_camera_file_get_info(
        m_camera, encoded(folder).constData(), encoded(name).constData(), &raw, m_context);
    if (result < GP_OK)
        return result;
    const CameraFileInfoFile& file = raw.file;
    info->size = (file.fields & GP_FILE_INFO_SIZE) ? qint64(file.size) : -1;
    info->modified = (file.fields & GP_FILE_INFO_MTIME) ? qint64(file.mtime) : 0;
    info->width = (file.fields & GP_FILE_INFO_WIDTH) ? int(file.width) : 0;
    info->height = (file.fields & GP_FILE_INFO_HEIGHT) ? int(file.height) : 0;
    info->deletable
        = !(file.fields & GP_FILE_INFO_PERMISSIONS) || (file.permissions & GP_FILE_PERM_DELETE);
    return result;
}

int GPhotoCamera::read(
    const QString& folder, const QString& name, CameraFileType type, QByteArray* bytes)
{
    CameraFile* file = nullptr;
    int result = gp_file_new(&file);
    if (result < GP_OK)
        return result;
    m_progressTarget = 0;
    result = gp_camera_file_get(
        m_camera, encoded(folder).constData(), encoded(name).constData(), type, file, m_context);
    if (result >= GP_OK) {
        const char* data = nullptr;
        unsigned long size = 0;
        result = gp_file_get_data_and_size(file, &data, &size);
        if (result >= GP_OK)
            *bytes = QByteArray(data, int(qMin<unsigned long>(size, 0x7fffffff)));
    }
    gp_file_unref(file);
    return result;
}

// The library closes the descriptor it is given: it gets its own copy.
static int fileOnCopyOf(int fd, CameraFile** file)
{
    const int own = ::dup(fd);
    if (own < 0)
        return GP_ERROR_OS_FAILURE;
    const int result = gp_file_new_from_fd(file, own);
    if (result < GP_OK)
        ::close(own);
    return result;
}

int GPhotoCamera::download(const QString& folder, const QString& name, int fd)
{
    CameraFile* file = nullptr;
    int result = fileOnCopyOf(fd, &file);
    if (result < GP_OK)
        return result;
    m_progressTarget = 0;
    result = gp_camera_file_get(m_camera, encoded(folder).constData(), encoded(name).constData(),
        GP_FILE_TYPE_NORMAL, file, m_context);
    gp_file_unref(file);
    return result;
}

int GPhotoCamera::upload(const QString& folder, const QString& name, int fd)
{
    CameraFile* file = nullptr;
    int result = fileOnCopyOf(fd, &file);
    if (result < GP_OK)
        return result;
    gp_file_set_name(file, encoded(name).constData());
    m_progressTarget = 0;
    result = gp_camera_folder_put_file(m_camera, encoded(folder).constData(),
        encoded(name).constData(), GP_FILE_TYPE_NORMAL, file, m_context);
    gp_file_unref(file);
    return result;
}

int GPhotoCamera::remove(const QString& folder, const QString& name)
{
    return gp_camera_file_delete(
        m_camera, encoded(folder).constData(), encoded(name).constData(), m_context);
}

int GPhotoCamera::makeFolder(const QString& parent, const QString& name)
{
    return gp_camera_folder_make_dir(
        m_camera, encoded(parent).constData(), encoded(name).constData(), m_context);
}

QString GPhotoCamera::serialNumber()
{
    CameraWidget* widget = nullptr;
    if (gp_camera_get_single_config(m_camera, "serialnumber", &widget, m_context) >= GP_OK) {
        const char* value = nullptr;
        QString serial;
        if (gp_widget_get_value(widget, &value) >= GP_OK && value)
            serial = QString::fromUtf8(value).trimmed();
        gp_widget_free(widget);
        if (!serial.isEmpty())
            return serial;
    }
    // PTP devices say it in their summary.
    auto* summary = new CameraText;
    QString serial;
    if (gp_camera_get_summary(m_camera, summary, m_context) >= GP_OK) {
        static const QRegularExpression line(QStringLiteral("Serial Number:\\s*(\\S+)"));
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(summary->text));
        if (match.hasMatch())
            serial = match.captured(1);
    }
    delete summary;
    return serial;
}

bool GPhotoCamera::isDisconnect(int result)
{
    switch (result) {
    case GP_ERROR_IO:
    case GP_ERROR_IO_INIT:
    case GP_ERROR_IO_READ:
    case GP_ERROR_IO_WRITE:
    case GP_ERROR_IO_UPDATE:
    case GP_ERROR_IO_USB_FIND:
    case GP_ERROR_IO_USB_CLEAR_HALT:
    case GP_ERROR_TIMEOUT:
        return true;
    default:
        return false;
    }
}

GPContextFeedback GPhotoCamera::onCancel(GPContext*, void* data)
{
    auto* self = static_cast<GPhotoCamera*>(data);
    return self->m_cancelCheck && self->m_cancelCheck() ? GP_CONTEXT_FEEDBACK_CANCEL
                                                        : GP_CONTEXT_FEEDBACK_OK;
}

unsigned int GPhotoCamera::onProgressStart(GPContext*, float target, const char*, void* data)
{
    static_cast<GPhotoCamera*>(data)->m_progressTarget = target;
    return 1;
}

void GPhotoCamera::onProgressUpdate(GPContext*, unsigned int, float current, void* data)
{
    auto* self = static_cast<GPhotoCamera*>(data);
    if (self->m_progress && self->m_progressTarget > 0)
        self->m_progress(qBound(0.0, double(current) / self->m_progressTarget, 1.0));
}

void GPhotoCamera::onError(GPContext*, const char* text, void* data)
{
    auto* self = static_cast<GPhotoCamera*>(data);
    self->m_lastError = QString::fromUtf8(text);
    qCWarning(lcHostDevice) << "GPhotoCamera:" << self->m_device.model << self->m_lastError;
}
