#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QModelIndexList>
#include <QPixmap>
#include <QVector>

// A small stand-in for the photo table model: the same 15 columns and the
// roles the thumbnail views read (display texts of columns 7, 2 and 9 as
// group keys, the thumbnail as decoration of column 0, captions as
// decoration of columns 7 and 9).
class GridTestModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Photo
    {
        QString name;
        QDate taken;
        QString folder;
        QPixmap thumbnail;
        bool exists = true;
        bool isNew = false;
    };

    using QAbstractTableModel::QAbstractTableModel;

    // count photos, perGroup to a day and a folder, named in order.
    static QVector<Photo> makePhotos(int count, int perGroup, const QPixmap& thumbnail = QPixmap());

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Records the thumbnail size the album page hands over (size-hint role).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    void append(const Photo& photo);
    void insert(int row, const Photo& photo);
    void removeAt(int row, int count = 1);
    void resetTo(const QVector<Photo>& photos);
    const Photo& photo(int row) const { return m_photos.at(row); }

    // Rows handed to the last mimeData call.
    QList<int> lastDraggedRows() const { return m_draggedRows; }
    QSize thumbnailSize() const { return m_thumbnailSize; }

private:
    QVector<Photo> m_photos;
    mutable QList<int> m_draggedRows;
    QSize m_thumbnailSize;
};
