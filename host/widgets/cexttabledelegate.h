#pragma once

#include <QStyledItemDelegate>

// Draws the cells of CExtTableView. The host's media models carry sort keys
// in the display role and the texts users read in the decoration role, so a
// cell shows its decoration text. The check column shows a check box that
// follows the row's selection; the thumbnail column shows the decoration
// picture fitted into the cell. A row whose file is missing (ExistsRole
// false) is drawn in grey, its picture marked as broken; a row already
// imported (ImportedMark::Role) carries the imported mark in its mark column.
class CExtTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    enum ItemRole { ExistsRole = Qt::UserRole + 10 };

    explicit CExtTableDelegate(QObject* parent = nullptr);

    void SetCheckColumn(int column) { m_checkColumn = column; }
    void SetThumbnailColumn(int column) { m_thumbnailColumn = column; }
    void SetImportedMarkColumn(int column) { m_importedMarkColumn = column; }

    // The text a cell shows: its decoration when that is text, else nothing.
    static QString CellText(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    void paintCheck(QPainter* painter, const QStyleOptionViewItem& option) const;
    void paintThumbnail(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    int m_checkColumn = -1;
    int m_thumbnailColumn = -1;
    int m_importedMarkColumn = -1;
};
