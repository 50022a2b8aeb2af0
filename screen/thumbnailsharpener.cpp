#include "screen/thumbnailsharpener.h"

#include <QAbstractItemView>
#include <QFile>
#include <QImageReader>
#include <QTableView>
#include <QtConcurrent>

#include "host/services/boundedimage.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/imageheaderprobe.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"

namespace {

// Items keep thumbnails of at most this side; larger cells scale them up.
const int LargestSide = 300;
// The table's delegate paints inside this margin.
const int CellMargin = 4;
// A picture this close to the cell is not worth a decode of the file.
const double SharpShare = 0.95;

bool coversCell(const QSize& shown, const QSize& cell)
{
    const QSize needed = shown.scaled(cell, Qt::KeepAspectRatio);
    return shown.width() >= needed.width() * SharpShare
        && shown.height() >= needed.height() * SharpShare;
}

} // namespace

ThumbnailSharpener::ThumbnailSharpener(QObject* parent)
    : QObject(parent)
{
    connect(&m_job, &QFutureWatcher<Made>::finished, this, &ThumbnailSharpener::take);
}

ThumbnailSharpener::~ThumbnailSharpener()
{
    // One picture's decode; the job never waits for this thread.
    m_job.waitForFinished();
}

void ThumbnailSharpener::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

QSize ThumbnailSharpener::cellSize(const QAbstractItemView* view, int thumbnailColumn)
{
    if (!view || !view->model())
        return {};
    QSize cell = view->iconSize();
    if (!cell.isValid()) {
        const QModelIndex first = view->indexAt(view->viewport()->rect().topLeft());
        const bool table = qobject_cast<const QTableView*>(view) && thumbnailColumn >= 0;
        const QModelIndex shown = table ? first.sibling(first.row(), thumbnailColumn) : first;
        cell = view->visualRect(shown)
                   .adjusted(CellMargin, CellMargin, -CellMargin, -CellMargin)
                   .size();
    }
    if (cell.isEmpty())
        return {};
    return cell * view->devicePixelRatioF();
}

bool ThumbnailSharpener::sharpEnough(const CPhotoDataItem* item, const QSize& cell)
{
    if (!item || !item->thumbnailLoaded() || item->thumbnailBytes().isEmpty() || cell.isEmpty())
        return true;
    const QSize stored = ImageHeaderProbe::probe(item->thumbnailBytes()).size;
    if (stored.isEmpty())
        return true; // a broken thumbnail is the listing's to report
    const QSize shown = ExifOrientation::uprightSize(stored, item->thumbnailOrientation());
    return coversCell(shown, cell.boundedTo(QSize(LargestSide, LargestSide)));
}

bool ThumbnailSharpener::wanted(const CPhotoDataItem* item, const QSize& box) const
{
    if (item->path == m_running)
        return false;
    const QSize tried = m_tried.value(item->path);
    if (tried.isValid() && tried.width() >= box.width() && tried.height() >= box.height())
        return false;
    return !sharpEnough(item, box);
}

void ThumbnailSharpener::sharpen(const QList<CPhotoDataItem*>& inView, const QSize& cell)
{
    m_queue.clear();
    const QSize box = cell.boundedTo(QSize(LargestSide, LargestSide));
    if (box.isEmpty())
        return;
    for (const CPhotoDataItem* item : inView) {
        if (item && !item->path.isEmpty() && wanted(item, box))
            m_queue.append(Job { item->path, box, item->orientation() });
    }
    if (!m_queue.isEmpty())
        qCDebug(lcScreen) << "ThumbnailSharpener::sharpen:" << m_queue.size() << "cells of" << box;
    startNext();
}

void ThumbnailSharpener::reset()
{
    ++m_generation;
    m_queue.clear();
    m_tried.clear();
}

QByteArray ThumbnailSharpener::decode(
    const QString& fileSystemPath, const QSize& box, int orientation)
{
    QString why;
    QFile file;
    if (!SafeFile::openForReading(file, fileSystemPath, &why)) {
        qCWarning(lcScreen) << "ThumbnailSharpener::decode:" << fileSystemPath << why;
        return {};
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    // Stored as the file holds it; the item turns it when it is shown.
    reader.setAutoTransform(false);
    const QSize storedBox = ExifOrientation::swapsAxes(orientation) ? box.transposed() : box;
    const QImage image = BoundedImage::read(reader, storedBox, &why);
    if (image.isNull()) {
        qCWarning(lcScreen) << "ThumbnailSharpener::decode:" << fileSystemPath << why;
        return {};
    }
    return CPhotoDataItem::encodeThumbnail(image);
}

void ThumbnailSharpener::startNext()
{
    // Until take() has the answer: a finished job's result is not read yet.
    if (!m_running.isEmpty())
        return;
    if (m_queue.isEmpty())
        return;
    const Job job = m_queue.takeFirst();
    m_running = job.path;
    // Unquoted, so the log names the file as it is stored.
    qCDebug(lcScreen).noquote() << "ThumbnailSharpener::startNext: decode" << job.box.width()
                                << job.box.height() << job.path;
    const quint64 generation = m_generation;
    m_job.setFuture(QtConcurrent::run([job, generation] {
        return Made { job, decode(toFileSystemPath(job.path), job.box, job.orientation),
            generation };
    }));
}

void ThumbnailSharpener::take()
{
    const Made made = m_job.result();
    m_running.clear();
    CPhotoDataItem* item = made.generation == m_generation && m_list
        ? m_list->findItem(made.job.path, false)
        : nullptr;
    if (item) {
        m_tried.insert(made.job.path, made.job.box);
        const QSize upgrade = ImageHeaderProbe::probe(made.bytes).size;
        const QSize current = ImageHeaderProbe::probe(item->thumbnailBytes()).size;
        // A file whose own picture is no larger than its preview keeps the preview.
        const bool larger = upgrade.width() * upgrade.height() > current.width() * current.height();
        if (larger) {
            item->setThumbnailData(made.bytes, made.job.orientation);
            if (m_model)
                m_model->refreshThumbnail(item);
        }
        qCDebug(lcScreen) << "ThumbnailSharpener::take:" << made.job.path << current << "->"
                          << upgrade << (larger ? "taken" : "kept the preview");
    }
    startNext();
}
