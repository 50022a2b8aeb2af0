#include "screen/selectionstatus.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QSet>
#include <QStackedWidget>

#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/widgets/cexttableview.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/screenshared.h"
#include "screen/viewpage.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const quint32 TransferBits = OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB;

bool transferRunning()
{
    return (g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & TransferBits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & TransferBits);
}

bool listing()
{
    return g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing);
}

qint64 sizeOf(const QModelIndexList& indexes)
{
    qint64 total = 0;
    for (const QModelIndex& index : indexes) {
        if (const CPhotoDataItem* item = photoItemOf(index))
            total += item->fileSize();
    }
    return total;
}

} // namespace

SelectionStatus::SelectionStatus(
    QStackedWidget* pages, std::function<QAbstractItemView*()> currentView, QObject* parent)
    : QObject(parent)
    , m_pages(pages)
    , m_currentView(std::move(currentView))
{
}

QModelIndexList SelectionStatus::selectedRows(const QAbstractItemView* view)
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

QStringList SelectionStatus::selectedPaths(bool existingOnly) const
{
    QStringList paths;
    for (const QModelIndex& index : selectedRows(m_currentView())) {
        if (existingOnly && !index.data(PhotoRole::ExistsRole).toBool())
            continue;
        const QString path = index.data(PhotoRole::PathRole).toString();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

QModelIndexList SelectionStatus::update(int mode)
{
    const QModelIndexList selected = selectedRows(m_currentView());
    const int rows = rowsShown();
    publishSelection(rows, selected.size());
    if (auto* table = qobject_cast<CExtTableView*>(m_pages->currentWidget()))
        table->setHeaderAllChecked(rows > 0 && selected.size() == rows);
    showSelection();
    if (m_pages->isVisible() && !selected.isEmpty()) {
        if (mode == ViewPage::ThumbList)
            emit showTutorialMove(true, 70, 160);
        else if (mode == ViewPage::Album)
            emit showTutorialMove(true, 120, 240);
        else
            emit showTutorialMove(true, 200, 125);
    }
    return selected;
}

void SelectionStatus::publishSelection(int rows, int selected)
{
    g_SharedValue.deleteState(PhotoType,
        OCSharedValue::PluginListEmpty | OCSharedValue::PluginSelectionSome
            | OCSharedValue::PluginSelectionOne | OCSharedValue::PluginSelectionAll
            | OCSharedValue::PluginSelectionChecked,
        OCSharedValue::PluginState);
    quint32 flags = 0;
    if (rows == 0) {
        flags = OCSharedValue::PluginListEmpty;
    } else {
        if (selected != 0)
            flags |= OCSharedValue::PluginSelectionSome;
        if (selected == 1)
            flags |= OCSharedValue::PluginSelectionOne;
        if (selected == rows)
            flags |= OCSharedValue::PluginSelectionAll;
    }
    if (flags)
        g_SharedValue.addState(PhotoType, flags, OCSharedValue::PluginState);
}

int SelectionStatus::rowsShown() const
{
    QAbstractItemView* view = m_currentView();
    return view && view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
}

void SelectionStatus::showText(const QString& shown)
{
    if (!m_pages->isVisible() || transferRunning())
        return;
    emit statusTextChanged(listing() ? screenText("Loading...") : shown, Qt::AlignCenter);
}

QString SelectionStatus::selectionText() const
{
    QAbstractItemView* view = m_currentView();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return QString();
    const QModelIndexList selected = selectedRows(view);
    // "1 file", "0 files", "2 files", selected or not.
    auto status = [](int count, qint64 size) {
        return QStringLiteral("%1 %2, %3")
            .arg(count)
            .arg(count == 1 ? screenText("file") : screenText("files"))
            .arg(GetSize(size, 0));
    };
    if (!selected.isEmpty())
        return status(selected.size(), sizeOf(selected));
    return status(model->rowCount(view->rootIndex()), totalSizeShown(model, view->rootIndex()));
}

qint64 SelectionStatus::totalSizeShown(const QAbstractItemModel* model, const QModelIndex& root)
{
    // Every row shown: add up the items themselves, without an index and a
    // data call per row through the proxy (a fifth of a second at 50,000).
    const auto* proxy = qobject_cast<const OCSortFilterProxyModel*>(model);
    const auto* items
        = qobject_cast<const PhotoItemViewModel*>(proxy ? proxy->sourceModel() : model);
    if (items && (!proxy || (proxy->SearchText().isEmpty() && !root.isValid()))) {
        qint64 total = 0;
        for (int row = 0; row < items->rowCount(); ++row) {
            if (const CPhotoDataItem* item = items->itemAt(row))
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

void SelectionStatus::showSelection()
{
    if (!m_pages->isVisible() || transferRunning() || listing())
        return;
    if (rowsShown() == 0 && selectedRows(m_currentView()).isEmpty())
        emit hideTutorialMove(false);
    showText(selectionText());
}

void SelectionStatus::scrollToSelected(int column)
{
    QAbstractItemView* view = m_currentView();
    const QModelIndexList selected = selectedRows(view);
    if (!m_pages->isVisible() || selected.isEmpty())
        return;
    const QModelIndex target = selected.first().sibling(selected.first().row(), column);
    if (target.isValid())
        view->scrollTo(target, QAbstractItemView::PositionAtTop);
}

void SelectionStatus::updateHasRows()
{
    if (rowsShown() > 0)
        g_SharedValue.addState(
            PhotoType, OCSharedValue::PluginViewHasRows, OCSharedValue::PluginState);
    else
        g_SharedValue.deleteState(
            PhotoType, OCSharedValue::PluginViewHasRows, OCSharedValue::PluginState);
}

void SelectionStatus::updateTransferButtons(int itemType)
{
    QWidget* parent = m_pages->parentWidget();
    if (itemType != PhotoType || !parent || !parent->isVisible())
        return;
    const bool busy = g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & TransferBits;
    const bool viewer = g_SharedValue.getState(PhotoType, OCSharedValue::PluginState)
        & OCSharedValue::PluginViewerOpen;
    emit toPhoneEnabled(false);
    emit toPcEnabled(!busy && !viewer);
}
