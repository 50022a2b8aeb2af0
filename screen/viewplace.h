#pragma once

#include <QModelIndexList>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QAbstractItemView;

// Where the user was in a view: the selected rows and the first row in view,
// by path, so that a new listing of the phone can put them back where the
// files remain.
class ViewPlace
{
public:
    // rows: the selected rows of the view, one column-0 index per row.
    static ViewPlace of(const QAbstractItemView* view, const QModelIndexList& rows);
    // Brings a row of the source model into view and selects it, through
    // the proxies between the view and the source. False when not shown.
    static bool showRow(QAbstractItemView* view, const QAbstractItemModel* source, int row);

    bool isEmpty() const { return m_selection.isEmpty() && m_top.isEmpty(); }
    int selectedCount() const { return m_selection.size(); }
    QString topPath() const { return m_top; }
    // Selects the rows of the remembered paths and scrolls the remembered
    // top row (else the first selected one) to the top.
    void restoreIn(QAbstractItemView* view) const;

private:
    QStringList m_selection;
    QString m_top;
};
