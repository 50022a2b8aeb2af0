#include "previewsortproxy.h"

#include <QDate>

bool PreviewSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant l = left.data(sortRole());
    const QVariant r = right.data(sortRole());
    const bool leftDate = l.userType() == QMetaType::QDate;
    const bool rightDate = r.userType() == QMetaType::QDate;
    if (leftDate != rightDate)
        return rightDate; // no date first
    if (leftDate)
        return l.toDate() < r.toDate();
    return QSortFilterProxyModel::lessThan(left, right);
}
