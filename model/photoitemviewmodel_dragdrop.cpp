// Drag out of and drops onto the phone photo screen.
#include "model/photoitemviewmodel.h"

#include "host/contract/ideviceagent.h"
#include "host/mime/qfilecontentsmimedata.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/photomodelhost.h"

#include <QAbstractItemView>
#include <QDataStream>
#include <QDebug>
#include <QHash>
#include <QSet>
#include <QUrl>

namespace {

const QString kItemData = QStringLiteral("application/tz-itemdata");
const QString kPlaylist = QStringLiteral("application/tz-playlist");
const QString kUriList = QStringLiteral("text/uri-list");

int urlKindOf(int connectionKind)
{
    switch (connectionKind) {
    case ConnectionKind::MtpBasic:
        return 1;
    case ConnectionKind::Mtp:
        return 2;
    default:
        return 0;
    }
}

// Photo files of the URLs, with stored separators; everything else is dropped.
QStringList photoFilesOf(const QList<QUrl>& urls)
{
    QStringList extensions;
    getSupportedExtensions(MediaKind::Photo, extensions);
    QStringList files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const QString extension = path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLower();
        if (extension.isEmpty() || !extensions.contains(extension))
            continue;
        files.append(toStoredPath(path));
    }
    return files;
}

} // namespace

QStringList PhotoItemViewModel::mimeTypes() const
{
    return { kItemData, kUriList };
}

QMimeData* PhotoItemViewModel::mimeData(const QModelIndexList& indexes) const
{
    auto* mime = new QFileContentsMimeData;
    QStringList paths;
    QHash<QString, qint64> sizes;
    const bool missingToo = g_SharedValue.IsShowTransferNotiDlg();
    for (const QModelIndex& index : indexes) {
        const CPhotoDataItem* item = itemOfRowRole(index);
        if (!item || (!item->exists() && !missingToo))
            continue;
        paths.append(item->path);
        sizes.insert(item->path, item->fileSize());
    }
    // A table selection gives one index per cell.
    removeDuplicateFileName(paths);

    QList<QUrl> urls;
    QSet<QUrl> seen;
    qint64 total = 0;
    for (const QString& path : qAsConst(paths)) {
        const QUrl url = QUrl::fromLocalFile(toFileSystemPath(path));
        if (seen.contains(url))
            continue;
        seen.insert(url);
        const qint64 size = sizes.value(path);
        total += size;
        urls.append(url);
        mime->setFileContentsInfo(getFileName(path, true), QDateTime::currentDateTime(), size);
    }

    QByteArray itemData;
    QDataStream stream(&itemData, QIODevice::WriteOnly);
    stream << qint32(OCGlobal::ITEM_PHONE_PHOTO) << qint32(-1) << qint64(total);
    mime->setData(kItemData, itemData);
    mime->setText(QStringLiteral("device_photo"));

    mime->setUrls(urlKindOf(m_host ? m_host->connectionKind() : 0), urls);
    if (m_host)
        mime->setFileContentsCallback(m_host->fileContentsCallback());
    return mime;
}

bool PhotoItemViewModel::dropMimeData(
    const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex&)
{
    qCDebug(lcModel) << "PhotoItemViewModel::dropMimeData [[start]]";
    if (!m_host)
        return false;
    m_host->hideDropIndicator();
    if (!data || !(supportedDropActions() & action))
        return false;
    const bool hasItemData = data->hasFormat(kItemData);
    const bool hasPlaylist = data->hasFormat(kPlaylist);
    if (!data->hasUrls() && !hasItemData && !hasPlaylist)
        return false;

    // URLs are read only where a transfer may follow: a drag of phone files
    // fetches them from the phone when its URLs are read.
    if (hasItemData) {
        QDataStream stream(data->data(kItemData));
        qint32 itemType = 0;
        qint32 playlistId = -1;
        stream >> itemType >> playlistId;
        if (stream.status() != QDataStream::Ok) {
            qCDebug(lcModel) << "PhotoItemViewModel::dropMimeData : unreadable item data";
            return false;
        }
        // Only the PC photo library's drags go to the phone; our own do nothing.
        if (itemType == OCGlobal::ITEM_PC_PHOTO) {
            const QStringList files = photoFilesOf(data->urls());
            if (!files.isEmpty())
                m_host->transferToPhone(files);
        }
    } else if (hasPlaylist) {
        bool ok = false;
        const int playlistId = QString::fromUtf8(data->data(kPlaylist)).trimmed().toInt(&ok);
        if (!ok) {
            qCDebug(lcModel) << "PhotoItemViewModel::dropMimeData : not a playlist id";
            return false;
        }
        m_host->transferPlaylistToPhone(playlistId);
    } else {
        const QStringList files = photoFilesOf(data->urls());
        if (!files.isEmpty())
            m_host->transferToPhone(files);
    }
    qCDebug(lcModel) << "PhotoItemViewModel::dropMimeData [[end]]";
    return true;
}
