#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QSize>
#include <QVector>

// A stand-in for the photo model: the columns and roles the viewer reads.
class ViewerTestModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Row
    {
        QString path;
        qint64 size = 0;
        bool exists = true;
        bool isNew = true;
        QPixmap thumbnail;
        quintptr item = 0;
    };

    explicit ViewerTestModel(QObject* parent = nullptr);

    void addRows(int count); // rows named "\\phone\\DCIM\\photo_NNN.jpg"
    Row& row(int r) { return m_rows[r]; }
    void setCellSize(const QSize& size) { m_cellSize = size; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    QVector<Row> m_rows;
    QSize m_cellSize { 116, 74 };
};
