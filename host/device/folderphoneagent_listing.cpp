// FolderPhoneAgent: listing, file records and thumbnails.
#include "folderphoneagent.h"

#include "folderwalk.h"
#include "host/contract/devicefilerecord.h"
#include "host/db/photometadatareader.h"
#include "host/services/imageheaderprobe.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A transfer writes into a hidden temporary file first; it is not on the
// phone until it has its name.
bool isTransferTemporary(const QString& fileName)
{
    return fileName.startsWith(QLatin1String(".~transfer-"))
        && fileName.endsWith(QLatin1String(".part"));
}

} // namespace

// Local-time ISO 8601 text for file times. Converting through QDateTime costs
// a time-zone lookup per call, too slow for a listing; the offset is looked up
// once per quarter hour of file time instead (zones change offset only on
// quarter hours).
QString FolderPhoneAgent::LocalDateText::text(qint64 msecsSinceEpoch)
{
    const qint64 quarter = 15 * 60 * 1000;
    const qint64 bucket = msecsSinceEpoch >= 0 ? msecsSinceEpoch / quarter
                                               : (msecsSinceEpoch - quarter + 1) / quarter;
    auto it = m_offsets.constFind(bucket);
    if (it == m_offsets.constEnd())
        it = m_offsets.insert(
            bucket, QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::LocalTime).offsetFromUtc());
    qint64 seconds = msecsSinceEpoch / 1000 - (msecsSinceEpoch % 1000 < 0 ? 1 : 0) + it.value();
    qint64 days = seconds / 86400;
    if (seconds % 86400 < 0)
        --days;
    seconds -= days * 86400;
    const QDate date = QDate::fromJulianDay(2440588 + days); // 1970-01-01
    char buffer[40];
    const int length = std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02dT%02d:%02d:%02d",
        date.year(), date.month(), date.day(), int(seconds / 3600), int(seconds / 60 % 60),
        int(seconds % 60));
    return QString::fromLatin1(buffer, length);
}

int FolderPhoneAgent::StartItemLoad(const QString& root)
{
    if (!connected())
        return AgentResult::Disconnected;
    FolderAgentFaults current;
    {
        QMutexLocker lock(&m_mutex);
        if (m_faults.busyItemLoad > 0) {
            --m_faults.busyItemLoad;
            return AgentResult::Busy;
        }
        if (m_kind == ConnectionKind::MassStorage && !m_mounted)
            return AgentResult::Busy;
        current = m_faults;
    }
    const QString folder
        = (root.isEmpty() || root == QLatin1String("ROOT")) ? m_root : reachablePath(root);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return AgentResult::Refused;
    if (m_listing.exchange(true))
        return AgentResult::Busy;
    // Skipped files are something to list too: their notice.
    FolderWalk peek(m_root, folder);
    FolderWalk::File first;
    ListingReport report;
    report.ran = true;
    if (!peek.next(&first) && peek.skippedTotal() == 0 && !peek.storageGone()) {
        m_listing = false;
        report.complete = true;
        setListingReport(report);
        qCDebug(lcHostDevice) << "FolderPhoneAgent::StartItemLoad"
                              << ": nothing to list" << folder;
        return AgentResult::Ok;
    }
    m_stopListing = false;
    setListingReport(report);
    qCDebug(lcHostDevice) << "FolderPhoneAgent::StartItemLoad"
                          << ": start" << folder;
    startThread([this, current, folder] { runListing(current, folder); });
    return AgentResult::ListingStarted;
}

void FolderPhoneAgent::StopItemLoad()
{
    m_stopListing = true;
}

void FolderPhoneAgent::reportItem(int code, quintptr info)
{
    if (PFN_ItemLoadCallback callback = m_itemLoadCallback.load())
        callback(code, info);
}

void FolderPhoneAgent::fillRecord(
    const FolderWalk::File& file, LocalDateText& dates, DeviceFileRecord* record)
{
    record->path = CString(phonePathOf(file.path));
    record->fileName = CString(file.fileName);
    record->objectId = CString(objectIdFor(file.path));
    if (m_kind == ConnectionKind::MtpBasic)
        return;
    const int dot = file.fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot >= 0 ? file.fileName.mid(dot + 1) : QString();
    record->type = CString(suffix);
    record->size = file.size;
    record->modifiedDate = CString(dates.text(file.modifiedMs));
    record->createdDate = CString(dates.text(file.createdMs));
    // A media-transfer phone reports an object's capture date, which for a
    // photo is the time its file was written; without it every row would
    // read "Unknown date" until the photo is opened.
    if (m_kind == ConnectionKind::Mtp)
        record->shootingDate = record->modifiedDate;
    if (isPhotoExtension(suffix)) {
        const QSize size = ImageHeaderProbe::size(file.path);
        record->width = size.width() > 0 ? size.width() : 0;
        record->height = size.height() > 0 ? size.height() : 0;
    }
}

void FolderPhoneAgent::reportEvent(int changeKind, const QString& fileSystemPath)
{
    DeviceFileRecord record;
    LocalDateText dates;
    FolderWalk::File file;
    if (FolderWalk::readFile(fileSystemPath, &file)) {
        fillRecord(file, dates, &record);
    } else {
        // Gone already (a delete): the record names it, nothing more.
        record.path = CString(phonePathOf(fileSystemPath));
        record.fileName = CString(QFileInfo(fileSystemPath).fileName());
        record.objectId = CString(objectIdFor(fileSystemPath));
    }
    record.changeKind = changeKind;
    qCDebug(lcHostDevice) << "FolderPhoneAgent::reportEvent"
                          << ": change" << changeKind << GetCString2QString(record.path)
                          << GetCString2QString(record.objectId);
    reportItem(ItemLoadCode::Event, quintptr(&record));
}

void FolderPhoneAgent::runListing(FolderAgentFaults faults, QString folder)
{
    reportItem(ItemLoadCode::Started, 0);
    int reported = 0;
    int error = AgentResult::Ok;
    LocalDateText dates;
    FolderWalk walk(m_root, folder);
    FolderWalk::File file;
    while (walk.next(&file)) {
        if (m_stopping || m_stopListing) {
            error = connected() ? AgentResult::Busy : AgentResult::Disconnected;
            break;
        }
        if (isTransferTemporary(file.fileName))
            continue;
        if (faults.disconnectAtFile > 0 && reported + 1 >= faults.disconnectAtFile) {
            disconnect();
            error = AgentResult::Disconnected;
            break;
        }
        DeviceFileRecord record;
        fillRecord(file, dates, &record);
        reportItem(ItemLoadCode::Item, quintptr(&record));
        ++reported;
        if (faults.vanishAfterListing.contains(file.fileName) && QFile::remove(file.path))
            qCDebug(lcHostDevice) << "FolderPhoneAgent::runListing"
                                  << ": vanished" << file.path;
        if (faults.delayPerFileMs > 0)
            pause(faults.delayPerFileMs, &m_stopListing);
    }
    // A storage that went away or was swapped under the walk ends the
    // listing as a phone that went away: what was listed is not all there is.
    if (error == AgentResult::Ok && walk.storageGone()) {
        disconnect();
        error = AgentResult::Disconnected;
    }
    m_listing = false;
    ListingReport report;
    report.ran = true;
    report.complete = error == AgentResult::Ok;
    report.error = error;
    report.listed = reported;
    for (int reason = 0; reason < ListingReport::ReasonCount; ++reason)
        report.skipped[reason] = walk.skipped()[reason];
    for (const QString& path : walk.skippedExamples())
        report.examples.append(phonePathOf(path));
    setListingReport(report);
    if (error == AgentResult::Ok)
        qCDebug(lcHostDevice) << "FolderPhoneAgent::runListing"
                              << ": end" << reported << "files," << report.skippedTotal()
                              << "skipped";
    else
        qCWarning(lcHostDevice) << "FolderPhoneAgent::runListing"
                                << ": stopped after" << reported << "files, error" << error;
    if (m_stopping)
        return;
    reportItem(error == AgentResult::Ok ? int(ItemLoadCode::Finished) : error, 0);
}

int FolderPhoneAgent::RequestThumbnails(
    const QString& path, const int& kind, PFN_ThumbnailCallback callback)
{
    Q_UNUSED(kind);
    if (!connected())
        return AgentResult::Disconnected;
    const QString file = reachablePath(path);
    if (!callback || file.isEmpty())
        return AgentResult::Refused;
    int faultCode = 0;
    bool goAway = false;
    {
        QMutexLocker lock(&m_mutex);
        if (m_faults.busyThumbnails > 0) {
            --m_faults.busyThumbnails;
            return AgentResult::Busy;
        }
        if (m_thumbnailInFlight)
            return AgentResult::Busy;
        m_thumbnailInFlight = true;
        goAway = ++m_thumbnailRequests == m_faults.disconnectAtThumbnail;
        faultCode = goAway ? AgentResult::Disconnected
                           : m_faults.thumbnailErrors.value(QFileInfo(file).fileName(), 0);
    }
    if (goAway)
        disconnect();
    startThread([this, file, faultCode, callback] { runThumbnail(file, faultCode, callback); });
    return AgentResult::Ok;
}

void FolderPhoneAgent::runThumbnail(QString file, int faultCode, PFN_ThumbnailCallback callback)
{
    QImage image;
    int code = faultCode;
    if (code == AgentResult::Ok) {
        if (!QFileInfo(file).isFile()) {
            code = AgentResult::FileMissing;
        } else {
            image = PhotoMetadataReader::thumbnail(file);
            code = image.isNull() ? AgentResult::NoThumbnail : AgentResult::Ok;
        }
    }
    {
        QMutexLocker lock(&m_mutex);
        m_thumbnail = image;
        m_thumbnailInFlight = false;
    }
    if (code != AgentResult::Ok)
        qCDebug(lcHostDevice) << "FolderPhoneAgent::runThumbnail"
                              << ": error" << code << file;
    if (!m_stopping)
        callback(code);
}

void FolderPhoneAgent::GetThumbnailImage(QPixmap* pixmap)
{
    if (!pixmap)
        return;
    QImage image;
    {
        QMutexLocker lock(&m_mutex);
        image = m_thumbnail;
    }
    // The caller's (GUI) thread makes the pixmap; workers only touch QImage.
    *pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}
