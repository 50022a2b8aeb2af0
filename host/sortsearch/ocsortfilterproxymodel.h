#pragma once

#include <QPair>
#include <QSortFilterProxyModel>
#include <QString>
#include <QVector>

// The host's sort-and-search proxy. It sorts by the display role, whose
// values are the source model's sort keys, and filters by the name column.
//
// Keys are compared by kind before value: empty < number < date < date-time
// < text. A photo without a date taken carries the integer 0 as its key and
// so comes before every dated photo instead of comparing equal to all.
//
// A sort or a search first reads each row's key once into a table, then
// compares table entries: QSortFilterProxyModel would otherwise fetch two
// values per comparison.
class OCSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit OCSortFilterProxyModel(QObject* parent = nullptr);

    // The column whose display text a search matches (the name by default).
    void SetSearchColumn(int column);
    int SearchColumn() const { return m_searchColumn; }
    // Shows only rows whose name contains text, ignoring case; empty shows all.
    void SetSearchText(const QString& text);
    QString SearchText() const { return m_searchText; }

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The order that successive stable sorts by these columns would give (the
    // last one the main key), in one pass: a page that breaks ties by path
    // pays for one sort instead of one per key.
    void sortSuccessively(const QVector<QPair<int, Qt::SortOrder>>& sorts);

    // One sort key, as compared by this proxy.
    struct Key
    {
        enum Kind : quint8 { Empty, Number, Date, DateTime, Text, Other };
        Kind kind = Empty;
        double number = 0; // numbers and booleans
        qint64 instant = 0; // julian day or milliseconds since the epoch
        QString text;
    };
    static Key keyOf(const QVariant& value);
    // Negative, zero or positive as left sorts before, with or after right.
    static int compareKeys(const Key& left, const Key& right, Qt::CaseSensitivity textCase);

signals:
    // A sort asked through sort() has finished.
    void sorted(int column, Qt::SortOrder order);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // Reads the keys of the sort column for the duration of a sort or a
    // refilter; the source must not change meanwhile.
    class KeyTable
    {
    public:
        // Reads the tie-break columns' keys as well.
        KeyTable(OCSortFilterProxyModel* proxy, int column);
        ~KeyTable();

    private:
        OCSortFilterProxyModel* m_proxy;
    };

    QVector<Key> readKeys(int column) const;
    bool tieLessThan(const QModelIndex& left, const QModelIndex& right) const;

    int m_searchColumn = 2;
    QString m_searchText;
    int m_keyColumn = -1; // column of m_keys; -1 when no table is held
    QVector<Key> m_keys; // by source row
    // The earlier sorts of sortSuccessively, the last one first: they break
    // ties until a plain sort() by another key.
    QVector<QPair<int, Qt::SortOrder>> m_sortTies;
    QVector<QVector<Key>> m_tieKeys; // by tie level, then by source row, while a table is held
};
