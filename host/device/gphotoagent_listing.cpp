// GPhotoAgent: the listing's walk and thumbnails.
#include "gphotoagent.h"

#include "gphotoagent_shared.h"
#include "gphotocamera.h"
#include "gphotoworker.h"
#include "host/contract/devicefilerecord.h"
#include "host/db/jpegcodec.h"
#include "host/db/photometadatareader.h"
#include "host/services/boundedimage.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryFile>

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

namespace {

// Between folders, and every so many files inside one, the walk lets a
// waiting thumbnail or transfer go first.
constexpr int kFilesBetweenYields = 64;
// A file without a preview of its own is fetched whole for its thumbnail only
// when it is this small (a screenshot, not a 50 MB RAW over USB).
constexpr qint64 kWholeFileThumbnailBytes = 8 * 1024 * 1024;
const QSize kThumbnailBox(PhotoMetadataReader::kThumbnailSide, PhotoMetadataReader::kThumbnailSide);

bool hidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The folder photos sent to the device go to: a camera folder under DCIM.
int cameraFolderRank(const QString& folder)
{
    if (folder.endsWith(QLatin1String("/DCIM/Camera"), Qt::CaseInsensitive))
        return 3;
    if (folder.contains(QLatin1String("/DCIM/"), Qt::CaseInsensitive))
        return 2;
    if (folder.endsWith(QLatin1String("/DCIM"), Qt::CaseInsensitive))
        return 1;
    return 0;
}

// A device's preview is a JPEG almost always: naming the format spares
// probing every image plug-in with it (a RAW reader takes any bytes for a
// sensor dump and decodes them at great cost).
QByteArray previewFormat(const QByteArray& bytes)
{
    return bytes.startsWith("\xff\xd8\xff") ? QByteArrayLiteral("jpeg") : QByteArray();
}

// Whether the preview's header names a picture: its pixels are decoded only
// when the picture is taken (GetThumbnailImage).
bool readablePreview(QByteArray bytes)
{
    if (!previewFormat(bytes).isEmpty()) {
        const QSize size = JpegCodec::size(
            reinterpret_cast<const uchar*>(bytes.constData()), qsizetype(bytes.size()));
        return BoundedImage::decodeSize(size, kThumbnailBox).isValid();
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, previewFormat(bytes));
    // The header's size first: a HEIF reader's size() decodes the picture.
    return BoundedImage::decodeSize(BoundedImage::declaredSize(reader), kThumbnailBox).isValid();
}

// A thumbnail from the whole file's bytes: the same reader as for PC files
// (embedded previews of JPEG and RAW, HEIF through its plug-in), which wants
// a file.
QImage thumbnailOfBytes(const QByteArray& bytes, const QString& name)
{
    QTemporaryFile file(
        QDir::tempPath() + QStringLiteral("/photo-host-thumb-XXXXXX.") + fileExtension(name));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return QImage();
    return PhotoMetadataReader::thumbnail(file.fileName());
}

} // namespace

int GPhotoAgent::StartItemLoad(const QString& root)
{
    if (!m_shared->isConnected())
        return AgentResult::Disconnected;
    if (!root.isEmpty() && root != QLatin1String("ROOT"))
        return AgentResult::Refused;
    if (m_shared->listing.exchange(true))
        return AgentResult::Busy;
    m_shared->stopListing = false;
    std::shared_ptr<Shared> shared = m_shared;
    if (!m_worker->post(GPhotoWorker::Background,
            [shared](GPhotoCamera& camera) { runWalk(*shared, camera); })) {
        m_shared->listing = false;
        return AgentResult::Disconnected;
    }
    qCDebug(lcHostDevice) << "GPhotoAgent::StartItemLoad: start" << m_device.model;
    return AgentResult::ListingStarted;
}

void GPhotoAgent::StopItemLoad()
{
    m_shared->stopListing = true;
}

namespace {

constexpr int kSkippedExamples = 5;

void skip(ListingReport* report, int reason, const QString& devicePath)
{
    ++report->skipped[reason];
    if (report->examples.size() < kSkippedExamples)
        report->examples.append(toStoredPath(devicePath));
    qCWarning(lcHostDevice) << "GPhotoAgent::walkFolder: not listed, reason" << reason
                            << devicePath;
}

} // namespace

void GPhotoAgent::runWalk(Shared& shared, GPhotoCamera& camera)
{
    QElapsedTimer clock;
    clock.start();
    ListingReport report;
    report.ran = true;
    QStringList pending;
    {
        QMutexLocker lock(&shared.mutex);
        report.listing = shared.listingReport.listing + 1;
        shared.listingReport = report;
        pending = shared.storageFolders;
    }
    shared.report(ItemLoadCode::Started, 0);
    std::reverse(pending.begin(), pending.end());
    int result = AgentResult::Ok;
    while (!pending.isEmpty() && result == AgentResult::Ok) {
        if (shared.stopListing || !GPhotoWorker::runMoreUrgent(camera, GPhotoWorker::Background)) {
            result = shared.isConnected() ? int(AgentResult::Busy) : int(AgentResult::Disconnected);
            break;
        }
        // A served folder removed, renamed or swapped for another under the
        // walk: what was listed is not all there is.
        if (shared.local.isLocal() && !shared.local.isSame()) {
            shared.lose("listing", GP_ERROR_IO);
            result = AgentResult::Disconnected;
            break;
        }
        const QString folder = pending.takeLast();
        QStringList subfolders;
        result = walkFolder(shared, camera, folder, &subfolders, &report);
        // Depth first, in the device's order.
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
            pending.append(*it);
    }
    shared.listing = false;
    report.complete = result == AgentResult::Ok;
    report.error = result;
    {
        QMutexLocker lock(&shared.mutex);
        shared.listingReport = report;
    }
    if (report.complete)
        qCDebug(lcHostDevice) << "GPhotoAgent::runWalk: end" << report.listed << "photos,"
                              << report.skippedTotal() << "skipped, in" << clock.elapsed() << "ms";
    else
        qCWarning(lcHostDevice) << "GPhotoAgent::runWalk: stopped after" << report.listed
                                << "photos, error" << result;
    shared.report(report.complete ? int(ItemLoadCode::Finished) : result, 0);
}

int GPhotoAgent::walkFolder(Shared& shared, GPhotoCamera& camera, const QString& folder,
    QStringList* subfolders, ListingReport* report)
{
    const int verdict = shared.local.checkFolder(folder);
    if (verdict != GPhotoLocalFolder::Passes) {
        skip(report, verdict, folder);
        return AgentResult::Ok;
    }
    QStringList folders;
    QStringList files;
    int result = camera.listFolders(folder, &folders);
    if (result >= GP_OK)
        result = camera.listFiles(folder, &files);
    if (result < GP_OK) {
        if (result == GP_ERROR_CANCEL || !shared.stillThere(camera)) {
            if (result != GP_ERROR_CANCEL)
                shared.lose("listing", result);
            return shared.isConnected() ? int(AgentResult::Busy) : int(AgentResult::Disconnected);
        }
        // One unreadable folder does not end the walk.
        qCWarning(lcHostDevice) << "GPhotoAgent::walkFolder: cannot list" << folder
                                << GPhotoLibrary::errorText(result);
        skip(report, ListingReport::Unreadable, folder);
        return AgentResult::Ok;
    }
    for (const QString& name : qAsConst(folders)) {
        if (!hidden(name))
            subfolders->append(joined(folder, name));
    }
    {
        QMutexLocker lock(&shared.mutex);
        const int rank = cameraFolderRank(folder);
        if (rank > 0
            && (!shared.cameraFolderSeen
                || rank > cameraFolderRank(GPhotoPath::devicePath(shared.cameraFolder)))) {
            shared.cameraFolder = toStoredPath(folder);
            shared.cameraFolderSeen = true;
        }
    }
    int sinceYield = 0;
    for (const QString& name : qAsConst(files)) {
        if (hidden(name) || !isPhotoExtension(fileExtension(name)))
            continue;
        if (++sinceYield % kFilesBetweenYields == 0
            && (shared.stopListing
                || !GPhotoWorker::runMoreUrgent(camera, GPhotoWorker::Background)))
            return shared.isConnected() ? int(AgentResult::Busy) : int(AgentResult::Disconnected);
        const QString device = joined(folder, name);
        GPhotoFileInfo own;
        const int check = shared.local.checkFile(device, &own, true);
        if (check == GPhotoLocalFolder::Missing)
            continue; // gone since the folder was read
        if (check != GPhotoLocalFolder::Passes) {
            skip(report, check, device);
            continue;
        }
        GPhotoFileInfo info;
        result = camera.fileInfo(folder, name, &info);
        if (result < GP_OK) {
            if (!shared.stillThere(camera)) {
                shared.lose("listing", result);
                return AgentResult::Disconnected;
            }
            qCWarning(lcHostDevice) << "GPhotoAgent::walkFolder: no information on" << folder
                                    << name << GPhotoLibrary::errorText(result);
            skip(report, ListingReport::Unreadable, device);
            continue;
        }
        if (shared.local.isLocal()) {
            // The driver describes a link itself, not the photo it leads to.
            info.size = own.size;
            info.modified = own.modified;
        }
        GPhotoKnownFile file { folder, name, info.size, info.modified, QString() };
        const QString path = GPhotoPath::phonePath(folder, name);
        file.objectId = shared.remember(path, file);
        DeviceFileRecord record;
        shared.fillRecord(path, file, &record);
        record.width = info.width;
        record.height = info.height;
        shared.report(ItemLoadCode::Item, quintptr(&record));
        ++report->listed;
    }
    return AgentResult::Ok;
}

QImage GPhotoAgent::decodePreview(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, previewFormat(bytes));
    return BoundedImage::read(reader, kThumbnailBox);
}

int GPhotoAgent::RequestThumbnails(
    const QString& path, const int& kind, PFN_ThumbnailCallback callback)
{
    Q_UNUSED(kind);
    if (!m_shared->isConnected())
        return AgentResult::Disconnected;
    const QString device = GPhotoPath::devicePath(path);
    if (!callback || device.isEmpty())
        return AgentResult::Refused;
    {
        QMutexLocker lock(&m_shared->mutex);
        if (m_shared->thumbnailInFlight)
            return AgentResult::Busy;
        m_shared->thumbnailInFlight = true;
    }
    std::shared_ptr<Shared> shared = m_shared;
    const bool queued = m_worker->post(
        GPhotoWorker::Interactive, [shared, device, callback](GPhotoCamera& camera) {
            fetchThumbnail(*shared, camera, device, callback);
        });
    if (!queued) {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->thumbnailInFlight = false;
        return AgentResult::Disconnected;
    }
    return AgentResult::Ok;
}

void GPhotoAgent::fetchThumbnail(
    Shared& shared, GPhotoCamera& camera, const QString& device, PFN_ThumbnailCallback callback)
{
    QImage image;
    QByteArray preview;
    GPhotoKnownFile known;
    int code = shared.find(camera, device, &known);
    if (code == AgentResult::Ok)
        code = fetchPreview(shared, camera, known, &preview, &image);
    const int orientation = preview.isEmpty() ? 0 : orientationOnDevice(camera, known);
    {
        QMutexLocker lock(&shared.mutex);
        shared.thumbnail = image;
        shared.thumbnailPreview = preview;
        shared.thumbnailOrientation = orientation;
        shared.thumbnailInFlight = false;
    }
    if (!shared.stopping)
        callback(code);
}

// A device's preview is stored as the sensor saw it, like the picture: the
// file's EXIF says how to turn it. A device that gives no EXIF leaves it.
int GPhotoAgent::orientationOnDevice(GPhotoCamera& camera, const GPhotoKnownFile& known)
{
    QByteArray exif;
    if (camera.read(known.folder, known.name, GP_FILE_TYPE_EXIF, &exif) < GP_OK)
        return 0;
    return PhotoMetadataReader::orientationOfExif(exif);
}

int GPhotoAgent::fetchPreview(Shared& shared, GPhotoCamera& camera, const GPhotoKnownFile& known,
    QByteArray* preview, QImage* image)
{
    const QString& folder = known.folder;
    const QString& name = known.name;
    QByteArray bytes;
    int result = camera.read(folder, name, GP_FILE_TYPE_PREVIEW, &bytes);
    if (result >= GP_OK && readablePreview(bytes)) {
        *preview = bytes;
        return AgentResult::Ok;
    }
    if (result != GP_ERROR_CANCEL) {
        // No preview of its own (or none that decodes): a small file is
        // fetched whole, a large one gets the placeholder.
        const bool small = known.size >= 0 && known.size <= kWholeFileThumbnailBytes;
        if (small) {
            bytes.clear();
            result = camera.read(folder, name, GP_FILE_TYPE_NORMAL, &bytes);
            if (result >= GP_OK)
                *image = thumbnailOfBytes(bytes, name);
        }
    }
    if (!image->isNull())
        return AgentResult::Ok;
    if (result < GP_OK && result != GP_ERROR_CANCEL && !shared.stillThere(camera)) {
        shared.lose("thumbnail", result);
        return AgentResult::Disconnected;
    }
    if (result < GP_OK)
        qCDebug(lcHostDevice) << "GPhotoAgent::fetchPreview: none for" << folder << name
                              << GPhotoLibrary::errorText(result);
    return AgentResult::NoThumbnail;
}
