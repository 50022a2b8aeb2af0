#include "host/thumbs/thumbnailworker.h"

#include "host/contract/ideviceagent.h"
#include "host/contract/iphotodb.h"
#include "host/db/photometadatareader.h"
#include "host/services/boundedimage.h"
#include "host/services/exiforientation.h"
#include "host/services/logcategories.h"
#include "host/services/storedthumbnail.h"
#include "host/thumbs/agentthumbnailsource.h"
#include "host/thumbs/octhumnailmaker.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QVariant>

namespace {

// Stored thumbnails are at most this; bytes that claim more come out smaller.
QSize thumbnailBox()
{
    return QSize(PhotoMetadataReader::kThumbnailSide, PhotoMetadataReader::kThumbnailSide);
}

// Agent answers that say the file has no thumbnail, rather than "not now".
bool isPermanent(int code)
{
    return code != AgentThumbnailSource::Busy && code != AgentThumbnailSource::Interrupted
        && code != AgentThumbnailSource::NoAnswer;
}

} // namespace

ThumbnailWorker::ThumbnailWorker(
    IDeviceNexaAgent* agent, IPhotoDB* database, int connectionKind, const QString& folder)
    : m_agent(agent)
    , m_database(database)
    , m_kind(connectionKind)
    , m_folder(folder)
{
}

ThumbnailWorker::~ThumbnailWorker()
{
    requestStop();
    wait();
}

void ThumbnailWorker::add(const ThumbnailRequest& request)
{
    QMutexLocker lock(&m_mutex);
    int at = m_queue.size();
    if (!request.visibleRows) {
        // A single path someone waits for goes before the rows of the screen.
        for (int i = 0; i < m_queue.size(); ++i) {
            if (m_queue.at(i).visibleRows) {
                at = i;
                break;
            }
        }
    }
    m_queue.insert(at, request);
    m_wake.wakeAll();
}

void ThumbnailWorker::requestStop()
{
    m_stop = true;
    QMutexLocker lock(&m_mutex);
    m_wake.wakeAll();
}

bool ThumbnailWorker::takeNext(ThumbnailRequest* request, _tagIdxInfo* entry, bool* last)
{
    QMutexLocker lock(&m_mutex);
    for (;;) {
        if (m_stop)
            return false;
        while (!m_queue.isEmpty()
            && (*m_queue.first().cancelled || m_queue.first().entries.isEmpty())) {
            const ThumbnailRequest dropped = m_queue.takeFirst();
            // An empty request still ends, so its caller hears of it.
            if (!*dropped.cancelled) {
                *request = dropped;
                *last = true;
                *entry = _tagIdxInfo();
                return true;
            }
        }
        if (!m_queue.isEmpty())
            break;
        m_wake.wait(&m_mutex);
    }
    ThumbnailRequest& front = m_queue.first();
    *entry = front.entries.takeFirst();
    *request = front;
    request->entries.clear();
    *last = front.entries.isEmpty();
    if (*last)
        m_queue.removeFirst();
    return true;
}

void ThumbnailWorker::run()
{
    qCDebug(lcHostThumbs) << "ThumbnailWorker::run"
                          << ": start kind" << Qt::hex << m_kind << Qt::dec;
    ThumbnailRequest request;
    _tagIdxInfo entry;
    bool last = false;
    while (takeNext(&request, &entry, &last)) {
        if (!entry.path.isEmpty())
            process(request, entry);
        if (last && !*request.cancelled && !m_stop)
            emit requestDone(request.id);
    }
    qCDebug(lcHostThumbs) << "ThumbnailWorker::run"
                          << ": end";
}

int ThumbnailWorker::make(const QString& path, QByteArray* bytes, QImage* picture)
{
    if (m_kind == ConnectionKind::MassStorage) {
        // The same row and thumbnail the photo database makes when it lists
        // the file; what this manager hands out is upright.
        if (m_database) {
            const QSqlRecord row = m_database->setItemData(path, true, 13);
            const QByteArray stored = row.value(QStringLiteral("ThumbnailBinary")).toByteArray();
            const int orientation = row.value(QStringLiteral("ThumbnailOrientation")).toInt();
            *picture = StoredThumbnail::picture(stored, orientation, thumbnailBox());
            *bytes = ExifOrientation::normalized(orientation) == 1
                ? stored
                : PhotoMetadataReader::encodeThumbnail(*picture);
        } else {
            *bytes = OCThumnailMaker::thumbnailBytes(path);
            *picture = BoundedImage::readData(*bytes, thumbnailBox());
        }
        return picture->isNull() ? AgentResult::NoThumbnail : AgentResult::Ok;
    }
    const int code = AgentThumbnailSource::fetch(
        m_agent, path, [this] { return m_stop.load(); }, picture);
    if (code != AgentThumbnailSource::Ok)
        return code;
    const int side = PhotoMetadataReader::kThumbnailSide;
    if (picture->width() > side || picture->height() > side)
        *picture = picture->scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    *bytes = PhotoMetadataReader::encodeThumbnail(*picture);
    if (m_database && !bytes->isEmpty())
        m_database->insertThumbnailItem(path, *bytes, true);
    return bytes->isEmpty() ? AgentResult::NoThumbnail : AgentResult::Ok;
}

void ThumbnailWorker::process(const ThumbnailRequest& request, const _tagIdxInfo& entry)
{
    const QString& path = entry.path;
    QByteArray bytes;
    QImage picture;
    if (m_database && m_database->getThumbnailFromDB(path, &bytes, true)) {
        picture = BoundedImage::readData(bytes, thumbnailBox());
        if (picture.isNull()) {
            qCWarning(lcHostThumbs) << "ThumbnailWorker::process"
                                    << ": stored thumbnail unreadable" << path;
            bytes.clear();
        } else if (request.visibleRows) {
            emit thumbnailKnown(request.id, path, picture);
            return;
        }
    }
    if (bytes.isEmpty()) {
        const int code = make(path, &bytes, &picture);
        if (code != AgentResult::Ok) {
            if (!*request.cancelled)
                emit thumbnailFailed(request.id, path, isPermanent(code));
            return;
        }
    }
    if (*request.cancelled)
        return;
    const QString file = writeFile(bytes);
    if (file.isEmpty()) {
        emit thumbnailFailed(request.id, path, false);
        return;
    }
    emit thumbnailMade(request.id, path, file, picture);
}

QString ThumbnailWorker::writeFile(const QByteArray& bytes)
{
    const QString name
        = QDir(m_folder).filePath(QStringLiteral("thumb-%1.jpg").arg(++m_fileNumber));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        qCWarning(lcHostThumbs) << "ThumbnailWorker::writeFile"
                                << ": cannot write" << name << file.errorString();
        file.close();
        QFile::remove(name);
        return QString();
    }
    return name;
}
