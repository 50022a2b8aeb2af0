#pragma once

#include <QSortFilterProxyModel>

// Sorts like the host's sort proxy where QSortFilterProxyModel cannot: the
// date-taken key of a photo without a date is the integer 0, which must sort
// before every date rather than compare equal to all of them.
class PreviewSortProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
