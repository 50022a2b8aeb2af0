// FolderPhoneAgent: listing, file records and thumbnails.
#include "folderphoneagent.h"

#include "host/contract/devicefilerecord.h"
#include "host/db/photometadatareader.h"
#include "host/services/mediaextensions.h"
#include "imageheaderprobe.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

namespace {

const QDir::Filters kListFilter = QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// A transfer writes into a hidden temporary file first; it is not on the
// phone until it has its name.
bool isTransferTemporary(const QString& fileName)
{
    return fileName.startsWith(QLatin1String(".~transfer-"))
        && fileName.endsWith(QLatin1String(".part"));
}

} // namespace

int FolderPhoneAgent::StartItemLoad(const QString& root)
{
    if (!connected())
        return ErrorDisconnected;
    FolderAgentFaults current;
    {
        QMutexLocker lock(&m_mutex);
        if (m_faults.busyItemLoad > 0) {
            --m_faults.busyItemLoad;
            return ErrorBusy;
        }
        if (m_kind == ConnectionKind::MassStorage && !m_mounted)
            return ErrorBusy;
        current = m_faults;
    }
    const QString folder
        = (root.isEmpty() || root == QLatin1String("ROOT")) ? m_root : fileSystemPathOf(root);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return ErrorRefused;
    if (m_listing.exchange(true))
        return ErrorBusy;
    if (!QDirIterator(folder, kListFilter, QDirIterator::Subdirectories).hasNext()) {
        m_listing = false;
        qDebug() << "host"
                 << "FolderPhoneAgent::StartItemLoad"
                 << ": nothing to list" << folder;
        return ErrorNone;
    }
    m_stopListing = false;
    qDebug() << "host"
             << "FolderPhoneAgent::StartItemLoad"
             << ": start" << folder;
    startThread([this, current, folder] { runListing(current, folder); });
    return ListingStarted;
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

void FolderPhoneAgent::fillRecord(const QFileInfo& info, DeviceFileRecord* record)
{
    const QString path = info.filePath();
    record->path = CString(phonePathOf(path));
    record->fileName = CString(info.fileName());
    record->objectId = CString(objectIdFor(path));
    if (m_kind == ConnectionKind::MtpBasic || !info.exists())
        return;
    const QString suffix = info.suffix();
    record->type = CString(suffix);
    record->size = qint32(qMin<qint64>(info.size(), std::numeric_limits<qint32>::max()));
    const QDateTime modified = info.lastModified();
    const QDateTime born = info.birthTime();
    record->modifiedDate = CString(modified.toString(Qt::ISODate));
    record->createdDate = CString((born.isValid() ? born : modified).toString(Qt::ISODate));
    if (isPhotoExtension(suffix)) {
        const QSize size = ImageHeaderProbe::size(path);
        record->width = size.width() > 0 ? size.width() : 0;
        record->height = size.height() > 0 ? size.height() : 0;
    }
}

void FolderPhoneAgent::reportEvent(int changeKind, const QString& fileSystemPath)
{
    DeviceFileRecord record;
    fillRecord(QFileInfo(fileSystemPath), &record);
    record.changeKind = changeKind;
    qDebug() << "host"
             << "FolderPhoneAgent::reportEvent"
             << ": change" << changeKind << GetCString2QString(record.path)
             << GetCString2QString(record.objectId);
    reportItem(ItemLoadCode::Event, quintptr(&record));
}

void FolderPhoneAgent::runListing(FolderAgentFaults faults, QString folder)
{
    reportItem(ItemLoadCode::Started, 0);
    int reported = 0;
    int error = ErrorNone;
    QDirIterator it(folder, kListFilter, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (m_stopping || m_stopListing) {
            error = connected() ? int(ErrorBusy) : int(ErrorDisconnected);
            break;
        }
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (name.contains(QLatin1Char('\\'))) {
            qDebug() << "host"
                     << "FolderPhoneAgent::runListing"
                     << ": skipped, name has a backslash" << info.filePath();
            continue;
        }
        if (isTransferTemporary(name))
            continue;
        if (faults.disconnectAtFile > 0 && reported + 1 >= faults.disconnectAtFile) {
            disconnect();
            error = ErrorDisconnected;
            break;
        }
        DeviceFileRecord record;
        fillRecord(info, &record);
        reportItem(ItemLoadCode::Item, quintptr(&record));
        ++reported;
        if (faults.vanishAfterListing.contains(name) && QFile::remove(info.filePath()))
            qDebug() << "host"
                     << "FolderPhoneAgent::runListing"
                     << ": vanished" << info.filePath();
        if (faults.delayPerFileMs > 0)
            pause(faults.delayPerFileMs, &m_stopListing);
    }
    // A storage that went away under the walk ends the listing with an error.
    if (error == ErrorNone && !QFileInfo(m_root).isDir()) {
        disconnect();
        error = ErrorDisconnected;
    }
    m_listing = false;
    qDebug() << "host"
             << "FolderPhoneAgent::runListing"
             << ": end" << reported << "files, error" << error;
    if (m_stopping)
        return;
    reportItem(error == ErrorNone ? int(ItemLoadCode::Finished) : error, 0);
}

int FolderPhoneAgent::RequestThumbnails(
    const QString& path, const int& kind, PFN_ThumbnailCallback callback)
{
    Q_UNUSED(kind);
    if (!connected())
        return ErrorDisconnected;
    const QString file = fileSystemPathOf(path);
    if (!callback || file.isEmpty())
        return ErrorRefused;
    int faultCode = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (m_faults.busyThumbnails > 0) {
            --m_faults.busyThumbnails;
            return ErrorBusy;
        }
        if (m_thumbnailInFlight)
            return ErrorBusy;
        m_thumbnailInFlight = true;
        faultCode = m_faults.thumbnailErrors.value(QFileInfo(file).fileName(), 0);
    }
    startThread([this, file, faultCode, callback] { runThumbnail(file, faultCode, callback); });
    return ErrorNone;
}

void FolderPhoneAgent::runThumbnail(QString file, int faultCode, PFN_ThumbnailCallback callback)
{
    QImage image;
    int code = faultCode;
    if (code == ErrorNone) {
        if (!QFileInfo(file).isFile()) {
            code = ErrorFileMissing;
        } else {
            image = PhotoMetadataReader::thumbnail(file);
            code = image.isNull() ? int(ErrorNoThumbnail) : int(ErrorNone);
        }
    }
    {
        QMutexLocker lock(&m_mutex);
        m_thumbnail = image;
        m_thumbnailInFlight = false;
    }
    if (code != ErrorNone)
        qDebug() << "host"
                 << "FolderPhoneAgent::runThumbnail"
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
