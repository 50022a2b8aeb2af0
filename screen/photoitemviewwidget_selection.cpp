// Selection state: the host's selection flags, the check-all boxes, the
// status-bar text and the select-all / select-none commands.
#include "screen/photoitemviewwidget.h"

#include "host/sortsearch/ocsortfilterproxymodel.h"

#include <QAbstractItemView>
#include <QDebug>
#include <QItemSelectionModel>
#include <QSet>

#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/cexttableview.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

const CPhotoDataItem* itemOf(const QModelIndex& index)
{
    return reinterpret_cast<const CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}

qint64 sizeOf(const QModelIndexList& indexes)
{
    qint64 total = 0;
    for (const QModelIndex& index : indexes) {
        if (const CPhotoDataItem* item = itemOf(index))
            total += item->fileSize();
    }
    return total;
}

} // namespace

QModelIndexList PhotoItemViewWidget::selectedRowIndexes(const QAbstractItemView* view)
{
    QModelIndexList indexes;
    QItemSelectionModel* selection = view ? view->selectionModel() : nullptr;
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!selection || !model)
        return indexes;
    // A table selects every cell of a row, a grid only column 0: count rows.
    QSet<int> seen;
    for (const QItemSelectionRange& range : selection->selection()) {
        if (range.parent() != view->rootIndex())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!seen.contains(row)) {
                seen.insert(row);
                indexes.append(model->index(row, 0, view->rootIndex()));
            }
        }
    }
    return indexes;
}

QStringList PhotoItemViewWidget::SelectedPaths(bool existingOnly) const
{
    QStringList paths;
    for (const QModelIndex& index : selectedRowIndexes(viewOf(Current))) {
        if (existingOnly && !index.data(PhotoRole::ExistsRole).toBool())
            continue;
        const QString path = index.data(PhotoRole::PathRole).toString();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void PhotoItemViewWidget::on_selection_Changed(const QItemSelection&, const QItemSelection&)
{
    QAbstractItemView* view = viewOf(Current);
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!view || !model)
        return;
    g_SharedValue.deleteState(PhotoType,
        OCSharedValue::PluginListEmpty | OCSharedValue::PluginSelectionSome
            | OCSharedValue::PluginSelectionOne | OCSharedValue::PluginSelectionAll
            | OCSharedValue::PluginSelectionChecked,
        OCSharedValue::PluginState);
    const int rows = model->rowCount(view->rootIndex());
    int selected = 0;
    if (rows == 0) {
        g_SharedValue.addState(
            PhotoType, OCSharedValue::PluginListEmpty, OCSharedValue::PluginState);
    } else {
        selected = selectedRowIndexes(view).size();
        quint32 flags = 0;
        if (selected != 0)
            flags |= OCSharedValue::PluginSelectionSome;
        if (selected == 1)
            flags |= OCSharedValue::PluginSelectionOne;
        if (selected == rows)
            flags |= OCSharedValue::PluginSelectionAll;
        if (flags)
            g_SharedValue.addState(PhotoType, flags, OCSharedValue::PluginState);
    }
    if (CExtTableView* table = tableOf(currentIndex()))
        table->setHeaderAllChecked(rows > 0 && selected == rows);
    UpdateStatusText();
    StartSelectionCheck(selected > 0 ? selectedRowIndexes(view) : QModelIndexList());
    if (isVisible() && selected > 0) {
        if (m_viewMode == ThumbListMode)
            emit on_signal_showTutorialMove(true, 70, 160);
        else if (m_viewMode == AlbumMode)
            emit on_signal_showTutorialMove(true, 120, 240);
        else
            emit on_signal_showTutorialMove(true, 200, 125);
    }
}

void PhotoItemViewWidget::SetStatusText(const QString& text)
{
    if (!isVisible()
        || hostTransferRunning(OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB))
        return;
    const bool listing = g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing);
    emit on_signal_statusbar_SetText(
        listing ? GetQString(tr("Loading...")) : text, Qt::AlignCenter);
}

QString PhotoItemViewWidget::SelectionStatusText() const
{
    QAbstractItemView* view = viewOf(Current);
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return QString();
    const QModelIndexList selected = selectedRowIndexes(view);
    // "1 file", "0 files", "2 files", selected or not.
    auto text = [](int count, qint64 size) {
        return QStringLiteral("%1 %2, %3")
            .arg(count)
            .arg(count == 1 ? GetQString(tr("file")) : GetQString(tr("files")))
            .arg(GetSize(size, 0));
    };
    if (!selected.isEmpty())
        return text(selected.size(), sizeOf(selected));
    return text(model->rowCount(view->rootIndex()), TotalSizeShown(model, view->rootIndex()));
}

qint64 PhotoItemViewWidget::TotalSizeShown(
    const QAbstractItemModel* model, const QModelIndex& root) const
{
    // Every row shown: add up the items themselves, without an index and a
    // data call per row through the proxy (a fifth of a second at 50,000).
    const bool everyRow = model == m_model
        || (model == m_proxy && m_proxy->SearchText().isEmpty() && !root.isValid());
    if (everyRow && m_model) {
        qint64 total = 0;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (const CPhotoDataItem* item = m_model->itemAt(row))
                total += item->fileSize();
        }
        return total;
    }
    const int rows = model->rowCount(root);
    QModelIndexList all;
    all.reserve(rows);
    for (int row = 0; row < rows; ++row)
        all.append(model->index(row, 0, root));
    return sizeOf(all);
}

void PhotoItemViewWidget::UpdateStatusText()
{
    if (!isVisible()
        || hostTransferRunning(OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB)
        || g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
        return;
    const QString text = SelectionStatusText();
    QAbstractItemView* view = viewOf(Current);
    const bool empty = !view || !view->model() || view->model()->rowCount(view->rootIndex()) == 0;
    if (empty && selectedRowIndexes(view).isEmpty())
        emit on_signal_hideTutorialMove(false);
    SetStatusText(text);
}

void PhotoItemViewWidget::UpdateViewHasRows()
{
    QAbstractItemView* view = viewOf(Current);
    const bool hasRows = view && view->model() && view->model()->rowCount(view->rootIndex()) > 0;
    if (hasRows)
        g_SharedValue.addState(
            PhotoType, OCSharedValue::PluginViewHasRows, OCSharedValue::PluginState);
    else
        g_SharedValue.deleteState(
            PhotoType, OCSharedValue::PluginViewHasRows, OCSharedValue::PluginState);
}

void PhotoItemViewWidget::on_changed_items()
{
    QAbstractItemView* view = viewOf(Current);
    if (!view || !view->model())
        return;
    SetViewMode(m_viewMode, false);
    if (!parentVisible())
        return;
    UpdateStatusText();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    UpdateViewHasRows();
}

void PhotoItemViewWidget::on_statusbar_finish()
{
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing)) {
        SetStatusText(GetQString(tr("Loading...")));
        return;
    }
    if (!hostTransferRunning(OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB))
        on_changed_items();
}

void PhotoItemViewWidget::ClearSelection()
{
    if (QAbstractItemView* view = viewOf(Current))
        view->clearSelection();
}

void PhotoItemViewWidget::on_make_selections()
{
    QAbstractItemView* view = viewOf(Current);
    if (!view)
        return;
    view->clearSelection();
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
    view->scrollToTop();
}

void PhotoItemViewWidget::on_selectall()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    if (QAbstractItemView* view = viewOf(Current))
        view->selectAll();
}

void PhotoItemViewWidget::on_selectnone()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    if (QAbstractItemView* view = viewOf(Current))
        view->clearSelection();
}
