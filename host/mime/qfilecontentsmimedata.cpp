#include "host/mime/qfilecontentsmimedata.h"

#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

QMutex g_deliveryMutex;
QHash<QString, bool> g_deliveries; // target path -> written
std::atomic<int> g_deliveryTimeoutMs { 30000 };

QString dragRoot()
{
    return QDir(GetAppPath()).filePath(QStringLiteral("drag"));
}

// Drop targets may still read the files after the drag ended, so a drag's
// folder outlives it; folders of earlier runs go when this run first drags.
void removeOldDragFolders()
{
    static std::atomic<bool> done { false };
    if (done.exchange(true))
        return;
    QDir root(dragRoot());
    if (root.exists())
        root.removeRecursively();
}

} // namespace

QFileContentsMimeData::QFileContentsMimeData()
{
    removeOldDragFolders();
}

QFileContentsMimeData::~QFileContentsMimeData() = default;

void QFileContentsMimeData::setFileContentsInfo(
    const QString& name, const QDateTime& time, qint64 size)
{
    m_files.append(FileContents { name, time, size });
}

void QFileContentsMimeData::setUrls(int kind, const QList<QUrl>& urls)
{
    m_kind = kind;
    m_fetched = false;
    m_localUrls.clear();
    if (kind == 1 || kind == 2) {
        m_phoneUrls = urls;
        return;
    }
    m_phoneUrls.clear();
    QMimeData::setUrls(urls);
}

void QFileContentsMimeData::setFileContentsCallback(PFN_FileContentsCallback callback)
{
    m_callback = callback;
}

QStringList QFileContentsMimeData::formats() const
{
    QStringList list = QMimeData::formats();
    if (!m_phoneUrls.isEmpty() && !list.contains(kUriList))
        list.append(kUriList);
    return list;
}

bool QFileContentsMimeData::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

void QFileContentsMimeData::setDeliveryTimeout(int milliseconds)
{
    g_deliveryTimeoutMs = qMax(0, milliseconds);
}

void QFileContentsMimeData::FileContentsDelivered(QString tarPath, bool ok)
{
    QMutexLocker lock(&g_deliveryMutex);
    g_deliveries.insert(QDir::cleanPath(toFileSystemPath(tarPath)), ok);
}

QVariant QFileContentsMimeData::retrieveData(const QString& mimeType, QVariant::Type type) const
{
    if (mimeType != kUriList || m_phoneUrls.isEmpty())
        return QMimeData::retrieveData(mimeType, type);
    if (!m_fetched) {
        m_localUrls = fetchPhoneFiles();
        m_fetched = true;
    }
    QList<QVariant> list;
    for (const QUrl& url : qAsConst(m_localUrls))
        list.append(url);
    return list;
}

QString QFileContentsMimeData::targetPathFor(
    int index, const QString& folder, QSet<QString>& used) const
{
    QString name = index < m_files.size() ? m_files.at(index).name : QString();
    if (name.isEmpty())
        name = QFileInfo(toFileSystemPath(m_phoneUrls.at(index).toLocalFile())).fileName();
    // A name from the phone must stay inside the drag folder.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("file%1").arg(index + 1);
    QString target = QDir(folder).filePath(name);
    const QFileInfo info(name);
    for (int copy = 2; used.contains(target) || QFileInfo::exists(target); ++copy) {
        const QString suffix
            = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        target = QDir(folder).filePath(
            QStringLiteral("%1 (%2)%3").arg(info.completeBaseName()).arg(copy).arg(suffix));
    }
    target = QDir::cleanPath(target);
    used.insert(target);
    return target;
}

QList<QUrl> QFileContentsMimeData::fetchPhoneFiles() const
{
    QList<QUrl> local;
    if (!m_callback) {
        qCWarning(lcHost) << "QFileContentsMimeData::fetchPhoneFiles"
                          << ": no callback";
        return local;
    }
    QDir().mkpath(dragRoot());
    QTemporaryDir folder(QDir(dragRoot()).filePath(QStringLiteral("XXXXXX")));
    if (!folder.isValid()) {
        qCWarning(lcHost) << "QFileContentsMimeData::fetchPhoneFiles"
                          << ": no drag folder";
        return local;
    }
    folder.setAutoRemove(false);
    QSet<QString> used;

    for (int i = 0; i < m_phoneUrls.size(); ++i) {
        const QUrl& url = m_phoneUrls.at(i);
        if (!url.isLocalFile() || url.toLocalFile().isEmpty()) {
            qCWarning(lcHost) << "QFileContentsMimeData::fetchPhoneFiles"
                              << ": skipped" << url;
            continue;
        }
        const QString target = targetPathFor(i, folder.path(), used);
        {
            QMutexLocker lock(&g_deliveryMutex);
            g_deliveries.remove(target);
        }
        const qint64 size = i < m_files.size() ? m_files.at(i).size : 0;
        m_callback(toStoredPath(url.toLocalFile()), target, size,
            reinterpret_cast<quintptr>(&QFileContentsMimeData::FileContentsDelivered));

        // The copy may run on another thread or in this thread's event loop.
        QElapsedTimer waited;
        waited.start();
        bool reported = false;
        bool ok = false;
        for (;;) {
            {
                QMutexLocker lock(&g_deliveryMutex);
                reported = g_deliveries.contains(target);
                ok = g_deliveries.take(target);
            }
            if (reported || waited.elapsed() > g_deliveryTimeoutMs)
                break;
            MsgPeekAndPump();
            QThread::msleep(5);
        }
        if (ok && QFileInfo(target).isFile()) {
            local.append(QUrl::fromLocalFile(target));
        } else {
            qCWarning(lcHost) << "QFileContentsMimeData::fetchPhoneFiles"
                              << (reported ? ": not delivered" : ": timed out") << url;
            QFile::remove(target);
        }
    }
    return local;
}
