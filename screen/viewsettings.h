#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class AlbumViewWidget;
class CExtTableView;
class QAbstractItemView;

// The view settings of the photo screen's pages: the sort kept per view mode
// (with the sort before it, which orders rows of equal keys), the column
// order and widths of the two tables as the settings store them, and the
// album page's thumbnail size. Damaged settings fall back to defaults.
class ViewSettings : public QObject
{
    Q_OBJECT

public:
    ViewSettings(CExtTableView* list, CExtTableView* thumbList, AlbumViewWidget* album,
        QObject* parent = nullptr);

    static int defaultSortColumn(int mode);
    void setSort(int mode, int column, int order);
    // -1 for a mode without sort settings.
    int sortColumn(int mode) const;
    int sortOrder(int mode) const;
    // Sorts the page of a mode, the previous sort first.
    void applySort(int mode, int column, int order);
    // A header click sorted a page.
    void headerSorted(int mode, int column, int order);
    // While new photos are marked, they come first in a table's order.
    void sortNewFirst(QAbstractItemView* view, int page);

    QString columnList(int mode) const;
    QString columnWidths(int mode) const;
    void setColumnList(int mode, const QString& text);
    void setColumnWidths(int mode, const QString& text);
    int thumbSize() const;
    void setThumbSize(int size);

signals:
    // A sort other than by the new mark: new photos go to the top again.
    void newMarksFirstWanted();

private:
    CExtTableView* tableOf(int mode) const;
    bool isUsableColumn(int mode, int column) const;
    void announceSort(int column);

    CExtTableView* m_list;
    CExtTableView* m_thumbList;
    AlbumViewWidget* m_album;
    QMap<int, int> m_column;
    QMap<int, int> m_order;
    QMap<int, int> m_previousColumn;
    QMap<int, int> m_previousOrder;
};
