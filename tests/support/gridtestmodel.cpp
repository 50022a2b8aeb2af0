#include "support/gridtestmodel.h"

#include <QFont>
#include <QMimeData>

namespace {
const int ExistsRole = Qt::UserRole + 10;
const int NewRole = Qt::UserRole + 109;
const int RowRole = Qt::UserRole + 1;
} // namespace

QVector<GridTestModel::Photo> GridTestModel::makePhotos(
    int count, int perGroup, const QPixmap& thumbnail)
{
    QVector<Photo> photos;
    photos.reserve(count);
    const QDate first(2023, 1, 1);
    for (int i = 0; i < count; ++i) {
        const int group = perGroup > 0 ? i / perGroup : 0;
        Photo photo;
        photo.name = QStringLiteral("IMG_%1").arg(i, 6, 10, QLatin1Char('0'));
        photo.taken = first.addDays(group);
        photo.folder = QStringLiteral("\\Phone\\DCIM\\F%1").arg(group, 5, 10, QLatin1Char('0'));
        photo.thumbnail = thumbnail;
        photos.append(photo);
    }
    return photos;
}

int GridTestModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_photos.size();
}

int GridTestModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 15;
}

QVariant GridTestModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_photos.size())
        return QVariant();
    const Photo& p = m_photos.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
        case 10:
            return p.exists;
        case 2:
            return p.name;
        case 7:
            return p.taken.isValid() ? QVariant(p.taken) : QVariant(0);
        case 9:
            return p.folder;
        case 11:
            return p.folder + QLatin1Char('\\') + p.name;
        case 13:
            return p.isNew ? 0 : 1;
        default:
            return QString();
        }
    case Qt::DecorationRole:
        switch (index.column()) {
        case 0:
            return p.thumbnail;
        case 2:
            return p.name;
        case 7:
            return p.taken.isValid() ? p.taken.toString(QStringLiteral("d MMMM yyyy"))
                                     : QStringLiteral("Unknown date");
        case 9:
            return p.folder;
        default:
            return QString();
        }
    case ExistsRole:
        return p.exists;
    case NewRole:
        return p.isNew;
    case RowRole:
        return index.row();
    default:
        return QVariant();
    }
}

bool GridTestModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::SizeHintRole)
        return QAbstractTableModel::setData(index, value, role);
    m_thumbnailSize = value.toSize();
    return true;
}

Qt::ItemFlags GridTestModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
    if (index.isValid())
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList GridTestModel::mimeTypes() const
{
    return { QStringLiteral("application/tz-itemdata"), QStringLiteral("text/uri-list") };
}

QMimeData* GridTestModel::mimeData(const QModelIndexList& indexes) const
{
    m_draggedRows.clear();
    for (const QModelIndex& index : indexes)
        m_draggedRows.append(index.data(RowRole).toInt());
    auto* data = new QMimeData;
    data->setData(QStringLiteral("application/tz-itemdata"), QByteArray::number(indexes.size()));
    return data;
}

void GridTestModel::append(const Photo& photo)
{
    insert(m_photos.size(), photo);
}

void GridTestModel::insert(int row, const Photo& photo)
{
    beginInsertRows(QModelIndex(), row, row);
    m_photos.insert(row, photo);
    endInsertRows();
}

void GridTestModel::removeAt(int row, int count)
{
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_photos.remove(row, count);
    endRemoveRows();
}

void GridTestModel::resetTo(const QVector<Photo>& photos)
{
    beginResetModel();
    m_photos = photos;
    endResetModel();
}
