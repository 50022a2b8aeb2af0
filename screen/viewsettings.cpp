#include "screen/viewsettings.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStringList>

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/widgets/cexttableview.h"
#include "model/photoroles.h"
#include "screen/viewpage.h"
#include "thumbview/albumviewwidget.h"

namespace {

// The settings cover logical columns 0 to 13; column 14 is not stored.
const int StoredColumns = 14;
const int MaxColumnWidth = 4000;

bool hasSortSettings(int mode)
{
    return mode == ViewPage::List || mode == ViewPage::ThumbList || mode == ViewPage::Album
        || mode == ViewPage::None;
}

Qt::SortOrder sortOrderOf(int order)
{
    return order == Qt::DescendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}

// A header with every stored column, or null.
QHeaderView* storedHeader(CExtTableView* table)
{
    QHeaderView* header = table ? table->horizontalHeader() : nullptr;
    return header && header->count() >= StoredColumns ? header : nullptr;
}

// Part i of a settings string as a number in [0, limit); -1 when it is not.
int numberAt(const QStringList& parts, int i, int limit)
{
    bool ok = false;
    const int value = parts.at(i).trimmed().toInt(&ok);
    return ok && value >= 0 && value < limit ? value : -1;
}

} // namespace

ViewSettings::ViewSettings(
    CExtTableView* list, CExtTableView* thumbList, AlbumViewWidget* album, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_thumbList(thumbList)
    , m_album(album)
{
}

int ViewSettings::defaultSortColumn(int mode)
{
    return mode == ViewPage::Album ? int(PhotoColumn::DateTaken) : int(PhotoColumn::Name);
}

CExtTableView* ViewSettings::tableOf(int mode) const
{
    return mode == ViewPage::List ? m_list : mode == ViewPage::ThumbList ? m_thumbList : nullptr;
}

bool ViewSettings::isUsableColumn(int mode, int column) const
{
    // A damaged setting may name any number; a table also refuses a hidden column.
    const CExtTableView* table = tableOf(mode);
    return column >= 0 && column < PhotoColumn::Count && !(table && table->isColumnHidden(column));
}

void ViewSettings::setSort(int mode, int column, int order)
{
    if (!hasSortSettings(mode))
        return;
    if (!isUsableColumn(mode, column)) {
        column = defaultSortColumn(mode);
        order = Qt::AscendingOrder;
    }
    m_column[mode] = column;
    m_order[mode] = sortOrderOf(order);
}

int ViewSettings::sortColumn(int mode) const
{
    return hasSortSettings(mode) ? m_column.value(mode, defaultSortColumn(mode)) : -1;
}

int ViewSettings::sortOrder(int mode) const
{
    return hasSortSettings(mode) ? m_order.value(mode, Qt::AscendingOrder) : -1;
}

void ViewSettings::applySort(int mode, int column, int order)
{
    if (mode == ViewPage::Album) {
        m_album->SetSortState(column, order);
        return;
    }
    CExtTableView* table = tableOf(mode);
    if (!table || !table->model())
        return;
    if (!isUsableColumn(mode, column)) {
        column = defaultSortColumn(mode);
        order = Qt::AscendingOrder;
    }
    // The path sort first: with stable sorts it orders rows of equal keys.
    const int previous = PhotoColumn::Path;
    QHeaderView* header = table->horizontalHeader();
    auto* proxy = qobject_cast<OCSortFilterProxyModel*>(table->model());
    if (!proxy) {
        header->setSortIndicator(previous, Qt::AscendingOrder);
        header->setSortIndicator(column, sortOrderOf(order));
        return;
    }
    // The proxy does both sorts in one pass, and none when its rows are in
    // that order already; the header only shows the result.
    {
        const QSignalBlocker quiet(header);
        header->setSortIndicator(column, sortOrderOf(order));
    }
    header->viewport()->update();
    proxy->sortSuccessively({ { previous, Qt::AscendingOrder }, { column, sortOrderOf(order) } });
    setSort(mode, column, order);
    announceSort(column);
}

void ViewSettings::headerSorted(int mode, int column, int order)
{
    setSort(mode, column, order);
    announceSort(column);
}

void ViewSettings::sortNewFirst(QAbstractItemView* view, int page)
{
    if (g_SharedValue.IsDisplayNewIcon() && page != ViewPage::Album && view && view->model())
        view->model()->sort(PhotoColumn::NewFirst, Qt::AscendingOrder);
}

void ViewSettings::announceSort(int column)
{
    if (g_SharedValue.IsDisplayNewIcon() && column != PhotoColumn::NewFirst)
        emit newMarksFirstWanted();
}

QString ViewSettings::columnList(int mode) const
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header)
        return QString();
    QStringList parts;
    for (int column = 0; column < StoredColumns; ++column)
        parts.append(QString::number(header->visualIndex(column)));
    return parts.join(QLatin1Char(','));
}

QString ViewSettings::columnWidths(int mode) const
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header)
        return QString();
    QStringList parts;
    for (int column = 0; column < StoredColumns; ++column)
        parts.append(QString::number(header->sectionSize(column)));
    parts.append(QStringLiteral("0"));
    return parts.join(QLatin1Char(','));
}

void ViewSettings::setColumnList(int mode, const QString& text)
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header || text.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(','));
    const int sections = header->count();
    for (int i = 0; i < parts.size() && i < sections; ++i) {
        const int to = numberAt(parts, i, sections);
        if (to < 0) {
            qCWarning(lcScreen) << "ViewSettings::setColumnList : damaged setting, stopped at part"
                                << i << parts.at(i);
            return;
        }
        header->moveSection(header->visualIndex(i), to);
    }
}

void ViewSettings::setColumnWidths(int mode, const QString& text)
{
    QHeaderView* header = storedHeader(tableOf(mode));
    if (!header || text.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(','));
    for (int i = 0; i < parts.size() && i < StoredColumns; ++i) {
        const int width = numberAt(parts, i, MaxColumnWidth + 1);
        if (width < 0) {
            qCWarning(lcScreen)
                << "ViewSettings::setColumnWidths : damaged setting, stopped at part" << i
                << parts.at(i);
            return;
        }
        // A list table saved with the existence column pulled out of sight
        // at position i gets that column back at the front.
        if (mode == ViewPage::List && header->logicalIndex(i) == PhotoColumn::Exists
            && header->sectionSize(i) != 0 && width == 0)
            header->moveSection(i, 0);
        if (header->sectionResizeMode(i) != QHeaderView::Fixed)
            header->resizeSection(i, width);
    }
}

int ViewSettings::thumbSize() const
{
    return m_album->GetThumbSize();
}

void ViewSettings::setThumbSize(int size)
{
    m_album->SetThumbSize(size);
}
