#include "viewertestmodel.h"

#include "model/photoroles.h"

ViewerTestModel::ViewerTestModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void ViewerTestModel::addRows(int count)
{
    if (count <= 0)
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + count - 1);
    for (int i = 0; i < count; ++i) {
        Row row;
        row.path
            = QStringLiteral("\\phone\\DCIM\\photo_%1.jpg").arg(m_rows.size(), 3, 10, QChar('0'));
        row.size = 1000 + m_rows.size();
        m_rows.append(row);
    }
    endInsertRows();
}

int ViewerTestModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int ViewerTestModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : PhotoColumn::Count;
}

QVariant ViewerTestModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == PhotoColumn::Size)
            return QStringLiteral("%1").arg(row.size, 10, 10, QChar('0'));
        if (index.column() == PhotoColumn::Path)
            return row.path;
        if (index.column() == PhotoColumn::NewFirst)
            return row.isNew ? 0 : 1;
        return {};
    case Qt::DecorationRole:
        return index.column() == PhotoColumn::Thumbnail ? QVariant(row.thumbnail) : QVariant();
    case Qt::SizeHintRole:
        return m_cellSize;
    case PhotoRole::RowRole:
        return index.row();
    case PhotoRole::ItemPointerRole:
        return QVariant::fromValue<quintptr>(row.item);
    case PhotoRole::PathRole:
        return row.path;
    case PhotoRole::ExistsRole:
        return row.exists;
    case PhotoRole::NewRole:
        return row.isNew;
    default:
        return {};
    }
}

bool ViewerTestModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size() || role != PhotoRole::NewRole)
        return false;
    m_rows[index.row()].isNew = value.toBool();
    emit dataChanged(index, index, { role });
    return true;
}
