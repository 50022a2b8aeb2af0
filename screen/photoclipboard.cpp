#include "screen/photoclipboard.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "host/contract/ocglobal.h"
#include "host/services/fileutils.h"
#include "screen/selectionstatus.h"

namespace {

const QString ItemDataFormat = QStringLiteral("application/tz-itemdata");

} // namespace

bool PhotoClipboard::hasPhotos()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    // Our own copies carry the item data; their URLs may name phone files
    // that would be fetched when read.
    if (data->hasFormat(ItemDataFormat))
        return true;
    return data->hasUrls() && IsSupportedFiles(OCGlobal::ITEM_PHONE_PHOTO, data->urls(), false);
}

void PhotoClipboard::copy(const QAbstractItemView* view)
{
    const QModelIndexList selected = SelectionStatus::selectedRows(view);
    if (!view || !view->model() || selected.isEmpty())
        return;
    if (QMimeData* data = view->model()->mimeData(selected))
        QApplication::clipboard()->setMimeData(data);
}

void PhotoClipboard::paste(QAbstractItemModel* model)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!model || !data)
        return;
    model->dropMimeData(data, Qt::CopyAction, 0, 0, QModelIndex());
}
