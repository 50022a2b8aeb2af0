#include "sortsearchcontrol.h"

#include "ocsortfilterproxymodel.h"

#include <QAbstractItemModel>

#include "host/services/logcategories.h"

SortSearchControl* SortSearchControl::GetSortSearchControl()
{
    static SortSearchControl control;
    return &control;
}

SortSearchControl::~SortSearchControl()
{
    for (const Entry& entry : qAsConst(m_entries))
        delete entry.proxy;
}

int SortSearchControl::SetItemModel(QObject* receiver, QAbstractItemModel* model, int id)
{
    if (!model) {
        qCWarning(lcHost) << "SortSearchControl::SetItemModel"
                          << ": no model";
        return -1;
    }
    if (id == -1 || !m_entries.contains(id)) {
        id = m_nextId++;
        Entry entry;
        entry.proxy = new OCSortFilterProxyModel;
        entry.proxy->setObjectName(QStringLiteral("sortsearch_%1").arg(id));
        connect(entry.proxy, &OCSortFilterProxyModel::sorted, this,
            [this, id](int column, Qt::SortOrder order) { reportSorted(id, column, order); });
        m_entries.insert(id, entry);
    }
    Entry& entry = m_entries[id];
    if (entry.model && entry.model != model)
        disconnect(entry.model, nullptr, this, nullptr);
    entry.receiver = receiver;
    entry.model = model;
    entry.proxy->setSourceModel(model);
    connect(
        model, &QObject::destroyed, this, &SortSearchControl::forgetModel, Qt::UniqueConnection);
    qCDebug(lcHost) << "SortSearchControl::SetItemModel"
                    << ": id" << id;
    return id;
}

OCSortFilterProxyModel* SortSearchControl::GetProxyModel(int id) const
{
    const auto it = m_entries.constFind(id);
    return it == m_entries.constEnd() ? nullptr : it->proxy;
}

bool SortSearchControl::DoSearch(const QString& text, int id)
{
    OCSortFilterProxyModel* proxy = GetProxyModel(id);
    if (!proxy) {
        qCWarning(lcHost) << "SortSearchControl::DoSearch"
                          << ": unknown id" << id;
        return false;
    }
    proxy->SetSearchText(text);
    return true;
}

void SortSearchControl::RemoveItemModel(int id)
{
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return;
    if (it->model)
        disconnect(it->model, nullptr, this, nullptr);
    delete it->proxy;
    m_entries.erase(it);
}

void SortSearchControl::reportSorted(int id, int column, Qt::SortOrder order)
{
    const auto it = m_entries.constFind(id);
    if (it == m_entries.constEnd() || !it->receiver)
        return;
    QObject* receiver = it->receiver.data();
    if (receiver->metaObject()->indexOfMethod("on_sorted_Search(int,Qt::SortOrder)") < 0)
        return;
    QMetaObject::invokeMethod(receiver, "on_sorted_Search", Qt::DirectConnection,
        Q_ARG(int, column), Q_ARG(Qt::SortOrder, order));
}

void SortSearchControl::forgetModel(QObject* model)
{
    // Views of the proxy are gone or follow its deletion.
    const QList<int> ids = m_entries.keys();
    for (int id : ids) {
        if (m_entries.value(id).model == model)
            RemoveItemModel(id);
    }
}
