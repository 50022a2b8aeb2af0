#include "model/photoitemviewmodel.h"

#include "host/contract/ideviceagent.h"
#include "host/services/devicepath.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocfont.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoroles.h"
#include "model/thumbnaillookup.h"

#include <QDebug>
#include <QFileInfo>
#include <QFontMetrics>
#include <QSet>

#include <algorithm>

PhotoItemViewModel::PhotoItemViewModel(QObject* parent, IDeviceNexaAgent* agent)
    : QAbstractTableModel(parent)
    , m_agent(agent)
    , m_storageRoot(agent ? agent->StorageRoot() : QString())
{
}

PhotoItemViewModel::~PhotoItemViewModel() = default;

void PhotoItemViewModel::SetImportedPaths(const QSet<QString>& pathKeys)
{
    if (pathKeys == m_importedKeys)
        return;
    m_importedKeys = pathKeys;
    if (!m_items.isEmpty())
        emit dataChanged(index(0, 0), index(m_items.size() - 1, PhotoColumn::Count - 1),
            { PhotoRole::ImportedRole, Qt::ToolTipRole });
}

bool PhotoItemViewModel::AddItem(CPhotoDataItem* item)
{
    if (!item || m_itemSet.contains(item))
        return false;
    const int row = m_items.size();
    beginInsertRows(QModelIndex(), row, row);
    m_items.append(item);
    m_itemSet.insert(item);
    endInsertRows();
    return true;
}

int PhotoItemViewModel::AddItems(const QList<CPhotoDataItem*>& items)
{
    QList<CPhotoDataItem*> added;
    added.reserve(items.size());
    for (CPhotoDataItem* item : items) {
        if (!item)
            continue;
        // One look into the set: it grows only for an item not shown yet,
        // which also drops a second copy within items.
        const int shown = m_itemSet.size();
        m_itemSet.insert(item);
        if (m_itemSet.size() > shown)
            added.append(item);
    }
    if (added.isEmpty())
        return 0;
    // Views and proxies handle one notification for the run of rows, not
    // one per row.
    const int first = m_items.size();
    beginInsertRows(QModelIndex(), first, first + added.size() - 1);
    m_items.append(added);
    endInsertRows();
    return added.size();
}

bool PhotoItemViewModel::DeleteItem(CPhotoDataItem* item)
{
    qCDebug(lcModel) << "PhotoItemViewModel::DeleteItem start";
    const int row = IndexOf(item);
    if (row >= 0) {
        beginRemoveRows(QModelIndex(), row, row);
        m_items.removeAt(row);
        if (!m_items.contains(item))
            m_itemSet.remove(item);
        endRemoveRows();
    }
    qCDebug(lcModel) << "PhotoItemViewModel::DeleteItem end";
    return true;
}

int PhotoItemViewModel::IndexOf(CPhotoDataItem* item) const
{
    if (!item || !m_itemSet.contains(item))
        return -1;
    return m_items.indexOf(item);
}

bool PhotoItemViewModel::SetItems(int number, const QList<CPhotoDataItem*>& items)
{
    beginResetModel();
    m_number = number;
    m_items = items;
    m_itemSet.clear();
    for (CPhotoDataItem* item : items)
        m_itemSet.insert(item);
    endResetModel();
    return true;
}

void PhotoItemViewModel::RemoveListedItems(OCMediaItemList* list, QStringList& paths)
{
    // The model lets go of the items before the list deletes them.
    QSet<CPhotoDataItem*> leaving;
    for (const QString& path : qAsConst(paths)) {
        if (CPhotoDataItem* item = list->findItem(path, false))
            leaving.insert(item);
    }
    QList<CPhotoDataItem*> remaining = list->allItems();
    remaining.erase(std::remove_if(remaining.begin(), remaining.end(),
                        [&](CPhotoDataItem* item) { return leaving.contains(item); }),
        remaining.end());
    SetItems(-1, remaining);
    list->removeItems(paths);
}

CPhotoDataItem* PhotoItemViewModel::itemAt(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row) : nullptr;
}

void PhotoItemViewModel::refreshItem(CPhotoDataItem* item)
{
    const int row = IndexOf(item);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, PhotoColumn::Count - 1));
}

void PhotoItemViewModel::refreshThumbnail(CPhotoDataItem* item)
{
    const int row = IndexOf(item);
    if (row >= 0)
        emit dataChanged(index(row, PhotoColumn::Thumbnail), index(row, PhotoColumn::Thumbnail),
            { Qt::DecorationRole });
}

void PhotoItemViewModel::refreshThumbnails()
{
    if (!m_items.isEmpty())
        emit dataChanged(index(0, PhotoColumn::Thumbnail),
            index(m_items.size() - 1, PhotoColumn::Thumbnail), { Qt::DecorationRole });
}

int PhotoItemViewModel::rowCount(const QModelIndex& parent) const
{
    // A table: valid parents have no children.
    return parent.isValid() ? 0 : m_items.size();
}

int PhotoItemViewModel::columnCount(const QModelIndex&) const
{
    return PhotoColumn::Count;
}

QVariant PhotoItemViewModel::displayValue(const CPhotoDataItem* item, int column) const
{
    switch (column) {
    case PhotoColumn::Thumbnail:
    case PhotoColumn::Exists:
        return item->exists();
    case PhotoColumn::Name:
        return item->title;
    case PhotoColumn::Resolution:
        return item->resolutionSortKey();
    case PhotoColumn::Size:
        return item->sizeSortKey();
    case PhotoColumn::Type:
        return item->fileType();
    case PhotoColumn::DateAdded:
        return item->addedDate().date();
    case PhotoColumn::DateTaken:
        if (item->shootingDate().isNull())
            return 0;
        return item->shootingDate().date();
    case PhotoColumn::Folder:
        return item->folder();
    case PhotoColumn::Path:
        return item->path;
    case PhotoColumn::NewFirst:
        return item->isNew ? 0 : 1;
    default:
        return QString();
    }
}

QVariant PhotoItemViewModel::decorationValue(const CPhotoDataItem* item, int column) const
{
    switch (column) {
    case PhotoColumn::Thumbnail:
        if (g_SharedValue.IsPartialLoading())
            return m_thumbnails ? m_thumbnails->cachedThumbnail(item->path) : QPixmap();
        return item->thumbnail();
    case PhotoColumn::Name:
        return item->title;
    case PhotoColumn::Resolution:
        return item->resolutionText();
    case PhotoColumn::Size:
        return GetSize(item->fileSize(), 0);
    case PhotoColumn::DateTaken: {
        const QString text = GetFormattedDate(item->shootingDate().date());
        return text.isEmpty() ? GetQString(tr("Unknown date")) : text;
    }
    case PhotoColumn::Folder:
        return DevicePath::relativeFolder(item->folder(), m_storageRoot);
    default:
        return QString();
    }
}

QVariant PhotoItemViewModel::sizeHint(const QModelIndex& index) const
{
    if (m_viewMode == 3 || m_viewerOpen)
        return QSize(116, 74);
    if (m_viewMode == 2)
        return m_thumbnailCellSize;
    if (m_viewMode != 0 && m_viewMode != 1)
        return QVariant();
    const CPhotoDataItem* item = itemAt(index.row());
    QString text;
    if (item) {
        switch (index.column()) {
        case PhotoColumn::Resolution:
        case PhotoColumn::Size:
        case PhotoColumn::Folder:
            text = decorationValue(item, index.column()).toString();
            break;
        case PhotoColumn::Name:
        case PhotoColumn::Type:
        case PhotoColumn::DateAdded:
        case PhotoColumn::DateTaken:
            text = displayValue(item, index.column()).toString();
            break;
        default:
            break;
        }
    }
    // Views ask for size hints a lot; a font built per call costs a font lookup.
    if (!m_normalMetrics)
        m_normalMetrics = std::make_unique<QFontMetrics>(g_Font.GetIFNormal());
    const QSize size = m_normalMetrics->size(Qt::TextSingleLine, text);
    return QSize(size.width() + 12, size.height());
}

QVariant PhotoItemViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || m_items.isEmpty())
        return QVariant();
    const int row = index.row();
    const CPhotoDataItem* item = itemAt(row);

    switch (role) {
    case Qt::DisplayRole:
        return item ? displayValue(item, index.column()) : QVariant();
    case Qt::DecorationRole:
        return item ? decorationValue(item, index.column()) : QVariant();
    case Qt::FontRole:
        return m_viewMode == 2 ? QVariant(g_Font.GetIFNormal()) : QVariant();
    case Qt::CheckStateRole:
        return item && index.column() < PhotoColumn::Count ? QVariant(item->isChecked) : QVariant();
    case Qt::SizeHintRole:
        return sizeHint(index);
    case PhotoRole::RowRole:
        return row;
    case PhotoRole::ItemPointerRole:
        return item ? QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(item)) : QVariant();
    case PhotoRole::RotateRole:
        return item ? QVariant(item->loadState()) : QVariant();
    case PhotoRole::PathRole:
        return item ? QVariant(item->path) : QVariant();
    case PhotoRole::ExistsRole:
        return item ? QVariant(item->exists()) : QVariant();
    case PhotoRole::TitleRole:
        return item && index.column() == PhotoColumn::Name ? QVariant(item->title) : QVariant();
    case PhotoRole::NewRole:
        return item ? QVariant(item->isNew) : QVariant();
    case PhotoRole::NewShownRole:
        return item ? QVariant(item->newShown) : QVariant();
    case PhotoRole::ImportedRole:
        return item && m_importedKeys.contains(pathKey(item->path));
    case Qt::ToolTipRole:
        return item && index.column() == PhotoColumn::Name
                && m_importedKeys.contains(pathKey(item->path))
            ? QVariant(GetQString(tr("Imported to this computer")))
            : QVariant();
    default:
        return QVariant();
    }
}

CPhotoDataItem* PhotoItemViewModel::itemOfRowRole(const QModelIndex& index, int* row) const
{
    bool ok = false;
    const int rowOfRole = index.data(PhotoRole::RowRole).toInt(&ok);
    if (row)
        *row = ok ? rowOfRole : -1;
    return ok ? itemAt(rowOfRole) : nullptr;
}

void PhotoItemViewModel::reportColumnZero(int row)
{
    const QModelIndex cell = index(row, PhotoColumn::Thumbnail);
    emit dataChanged(cell, cell);
}

bool PhotoItemViewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    switch (role) {
    case Qt::SizeHintRole:
        m_thumbnailCellSize = value.toSize();
        if (index.isValid())
            emit dataChanged(index, index, { Qt::SizeHintRole });
        return true;
    case Qt::DecorationRole:
        // Pictures were stored elsewhere; only the views need to know.
        if (index.isValid())
            emit dataChanged(index, index, { Qt::DecorationRole });
        else if (!m_items.isEmpty())
            emit dataChanged(
                this->index(0, 0), this->index(m_items.size() - 1, 0), { Qt::DecorationRole });
        return true;
    case Qt::CheckStateRole: {
        if (!index.isValid())
            return false;
        int row = -1;
        CPhotoDataItem* item = itemOfRowRole(index, &row);
        if (row < 0 || row >= m_items.size())
            return QAbstractTableModel::setData(index, value, role);
        if (!item)
            return false;
        item->isChecked = value.toBool();
        return true;
    }
    case Qt::EditRole: {
        if (!index.isValid() || index.column() != PhotoColumn::Name)
            return QAbstractTableModel::setData(index, value, role);
        int row = -1;
        CPhotoDataItem* item = itemOfRowRole(index, &row);
        if (row < 0 || row >= m_items.size())
            return QAbstractTableModel::setData(index, value, role);
        if (!item)
            return false;
        item->setTitle(value.toString());
        emit dataChanged(index, index);
        return true;
    }
    case PhotoRole::RotateRole:
        return setRotate(index, value);
    case PhotoRole::PathRole:
        return setPath(index, value);
    case PhotoRole::ExistsRole:
    case PhotoRole::NewRole:
    case PhotoRole::NewShownRole:
        return setFlag(index, value, role);
    default:
        return QAbstractTableModel::setData(index, value, role);
    }
}

bool PhotoItemViewModel::setRotate(const QModelIndex& index, const QVariant& value)
{
    if (!index.isValid() || index.row() >= m_items.size())
        return QAbstractTableModel::setData(index, value, PhotoRole::RotateRole);
    const int angle = value.toInt();
    if (angle == 2)
        return true;
    CPhotoDataItem* item = itemOfRowRole(index);
    if (!item)
        return false;
    if (item->loadState() != 2)
        return true;
    if (item->fileSize() > kMaxRotateSize) {
        emit on_signal_failed_rotate(0);
        return false;
    }
    emit on_signal_rotate_image(item->path, angle);
    return true;
}

bool PhotoItemViewModel::setPath(const QModelIndex& index, const QVariant& value)
{
    int row = -1;
    CPhotoDataItem* item = index.isValid() ? itemOfRowRole(index, &row) : nullptr;
    if (row < 0 || row >= m_items.size())
        return QAbstractTableModel::setData(index, value, PhotoRole::PathRole);
    if (!item)
        return false;
    item->setPath(value.toString());
    const QFileInfo info(toFileSystemPath(item->path));
    item->setTitle(info.completeBaseName());
    item->setFileName(info.fileName());
    emit dataChanged(index, index);
    return true;
}

bool PhotoItemViewModel::setFlag(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    int row = index.row();
    CPhotoDataItem* item = role == PhotoRole::ExistsRole ? itemAt(row) : itemOfRowRole(index, &row);
    if (row < 0 || row >= m_items.size())
        return QAbstractTableModel::setData(index, value, role);
    if (!item)
        return false;
    const bool flag = value.toBool();
    bool changed = false;
    switch (role) {
    case PhotoRole::ExistsRole:
        changed = item->exists() != flag;
        item->setExists(flag);
        break;
    case PhotoRole::NewRole:
        changed = item->isNew != flag;
        item->isNew = flag;
        break;
    default:
        changed = item->newShown != flag;
        item->newShown = flag;
        break;
    }
    if (changed)
        reportColumnZero(row);
    return true;
}

QVariant PhotoItemViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= PhotoColumn::Count)
        return QVariant();
    QString text;
    switch (section) {
    case PhotoColumn::Name:
        text = tr("Name");
        break;
    case PhotoColumn::Resolution:
        text = tr("Resolution");
        break;
    case PhotoColumn::Size:
        text = tr("Size");
        break;
    case PhotoColumn::Type:
        text = tr("Type");
        break;
    case PhotoColumn::DateAdded:
        text = tr("Date added");
        break;
    case PhotoColumn::DateTaken:
        text = tr("Date taken");
        break;
    case PhotoColumn::Favorite:
        text = tr("Favorite");
        break;
    case PhotoColumn::Folder:
        text = tr("Folder");
        break;
    default:
        break;
    }
    if (role == Qt::DisplayRole)
        return text;
    if (role == Qt::SizeHintRole) {
        const QSize size = QFontMetrics(g_Font.GetIFBold()).size(Qt::TextSingleLine, text);
        return QSize(size.width() + 26, size.height());
    }
    return QVariant();
}

Qt::ItemFlags PhotoItemViewModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
    if (index.isValid())
        result |= Qt::ItemIsDragEnabled;
    return result;
}

Qt::DropActions PhotoItemViewModel::supportedDropActions() const
{
    return Qt::CopyAction;
}
