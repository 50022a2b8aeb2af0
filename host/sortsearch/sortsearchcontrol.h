#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class OCSortFilterProxyModel;
class QAbstractItemModel;

// The host's sort-and-search control, one for the process. A screen registers
// its model and gets an id and a proxy that sorts and searches it; the views
// show the proxy. When a sort asked of a proxy has finished, the control
// calls the registering object's slot on_sorted_Search(int, Qt::SortOrder) by
// name. A proxy goes away with its model.
class SortSearchControl : public QObject
{
    Q_OBJECT

public:
    static SortSearchControl* GetSortSearchControl();

    // id -1 registers a new model; an existing id gets the new receiver and
    // model in place of the old ones. Returns the id, -1 without a model.
    int SetItemModel(QObject* receiver, QAbstractItemModel* model, int id);
    OCSortFilterProxyModel* GetProxyModel(int id) const;
    // Shows the rows whose name contains text; false for an unknown id.
    bool DoSearch(const QString& text, int id);
    void RemoveItemModel(int id);
    int count() const { return m_entries.size(); }

    ~SortSearchControl() override;

private:
    SortSearchControl() = default;
    void reportSorted(int id, int column, Qt::SortOrder order);
    void forgetModel(QObject* model);

    struct Entry
    {
        QPointer<QObject> receiver;
        QAbstractItemModel* model = nullptr;
        OCSortFilterProxyModel* proxy = nullptr;
    };
    QHash<int, Entry> m_entries;
    int m_nextId = 1;
};
