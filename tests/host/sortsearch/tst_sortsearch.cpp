#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/sortsearch/sortsearchcontrol.h"

#include <QAbstractItemModelTester>
#include <QDate>
#include <QPointer>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

// A table whose display values are given keys (column 0) and names
// (column 1).
class KeyModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_keys.size();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return QVariant();
        return index.column() == 0 ? m_keys.at(index.row()) : QVariant(m_names.at(index.row()));
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || role != Qt::DisplayRole || index.column() != 0)
            return false;
        m_keys[index.row()] = value;
        emit dataChanged(index, index, { Qt::DisplayRole });
        return true;
    }

    void setRows(const QList<QVariant>& keys, const QStringList& names = QStringList())
    {
        beginResetModel();
        m_keys = keys;
        m_names = names;
        while (m_names.size() < m_keys.size())
            m_names.append(QStringLiteral("row %1").arg(m_names.size()));
        endResetModel();
    }
    void insert(int row, const QVariant& key, const QString& name)
    {
        beginInsertRows(QModelIndex(), row, row);
        m_keys.insert(row, key);
        m_names.insert(row, name);
        endInsertRows();
    }
    void remove(int row)
    {
        beginRemoveRows(QModelIndex(), row, row);
        m_keys.removeAt(row);
        m_names.removeAt(row);
        endRemoveRows();
    }

private:
    QList<QVariant> m_keys;
    QStringList m_names;
};

// Receives the control's report by name, as a screen does.
class SortReceiver : public QObject
{
    Q_OBJECT

public:
    QList<QPair<int, Qt::SortOrder>> reports;

private slots:
    void on_sorted_Search(int column, Qt::SortOrder order) { reports.append({ column, order }); }
};

QList<QVariant> shownKeys(const QAbstractItemModel& proxy, int column = 0)
{
    QList<QVariant> keys;
    for (int row = 0; row < proxy.rowCount(); ++row)
        keys.append(proxy.index(row, column).data());
    return keys;
}

QStringList namesShown(const QAbstractItemModel& proxy)
{
    QStringList shown;
    for (int row = 0; row < proxy.rowCount(); ++row)
        shown.append(proxy.index(row, 1).data().toString());
    return shown;
}

bool isOrdered(const QAbstractItemModel& proxy, Qt::SortOrder order)
{
    for (int row = 1; row < proxy.rowCount(); ++row) {
        const auto previous = OCSortFilterProxyModel::keyOf(proxy.index(row - 1, 0).data());
        const auto current = OCSortFilterProxyModel::keyOf(proxy.index(row, 0).data());
        const int compared
            = OCSortFilterProxyModel::compareKeys(previous, current, Qt::CaseInsensitive);
        if (order == Qt::AscendingOrder ? compared > 0 : compared < 0)
            return false;
    }
    return true;
}

} // namespace

class TestSortSearch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KeyModel> m_model;
    std::unique_ptr<OCSortFilterProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private slots:
    void init()
    {
        m_model = std::make_unique<KeyModel>();
        m_proxy = std::make_unique<OCSortFilterProxyModel>();
        m_proxy->setSourceModel(m_model.get());
        m_proxy->SetSearchColumn(1);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_proxy.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_proxy.reset();
        m_model.reset();
    }

    void sortsByKindThenValue_data()
    {
        QTest::addColumn<QList<QVariant>>("keys");
        QTest::addColumn<int>("order");
        QTest::addColumn<QList<QVariant>>("expected");
        const QVariant none(0);
        const QVariant may(QDate(2024, 5, 1));
        const QVariant june(QDate(2024, 6, 1));
        const QVariant march2019(QDate(2019, 3, 1));
        QTest::newRow("no date before every date") << QList<QVariant> { june, none, march2019,
            none } << int(Qt::AscendingOrder) << QList<QVariant> { none, none, march2019, june };
        QTest::newRow("no date last when descending") << QList<QVariant> { none, may,
            june } << int(Qt::DescendingOrder) << QList<QVariant> { june, may, none };
        QTest::newRow("numbers by value")
            << QList<QVariant> { 10, 2, 33, -1 } << int(Qt::AscendingOrder)
            << QList<QVariant> { -1, 2, 10, 33 };
        QTest::newRow("text ignores case, ties keep their order") << QList<QVariant> { "b", "A",
            "a", "C" } << int(Qt::AscendingOrder) << QList<QVariant> { "A", "a", "b", "C" };
        // Characters beyond ASCII fold as QString folds them; symbols between
        // the two ASCII letter ranges stay where a folded text puts them.
        QTest::newRow("text beyond ascii ignores case")
            << QList<QVariant> { "Zoë", "ÅLESUND", "zoe", "ålesund b", "_x" }
            << int(Qt::AscendingOrder)
            << QList<QVariant> { "_x", "zoe", "Zoë", "ÅLESUND", "ålesund b" };
        QTest::newRow("empty before numbers before text") << QList<QVariant> { "x", QVariant(), 5,
            true } << int(Qt::AscendingOrder) << QList<QVariant> { QVariant(), true, 5, "x" };
    }

    void sortsByKindThenValue()
    {
        QFETCH(QList<QVariant>, keys);
        QFETCH(int, order);
        QFETCH(QList<QVariant>, expected);
        m_model->setRows(keys);
        m_proxy->sort(0, Qt::SortOrder(order));
        QCOMPARE(shownKeys(*m_proxy), expected);
    }

    // One pass gives what successive sorts give, whatever the orders, and
    // also when the main key is the one already in place.
    void oneSortEqualsSuccessiveSorts_data()
    {
        QTest::addColumn<int>("mainOrder");
        QTest::addColumn<int>("tieOrder");
        QTest::addColumn<bool>("alreadyByMain");
        QTest::newRow("ascending, ties ascending") << 0 << 0 << false;
        QTest::newRow("ascending, ties descending") << 0 << 1 << false;
        QTest::newRow("descending, ties descending") << 1 << 1 << true;
        QTest::newRow("main key already in place") << 0 << 0 << true;
    }
    void oneSortEqualsSuccessiveSorts()
    {
        QFETCH(int, mainOrder);
        QFETCH(int, tieOrder);
        QFETCH(bool, alreadyByMain);
        const auto main = Qt::SortOrder(mainOrder);
        const auto tie = Qt::SortOrder(tieOrder);
        const QList<QVariant> groups { 2, 1, 2, 1, 2, QVariant(), 1, QVariant() };
        const QStringList names { "e", "D", "a", "b", "C", "g", "f", "B" };
        KeyModel model;
        model.setRows(groups, names);
        OCSortFilterProxyModel reference;
        reference.setSourceModel(&model);
        reference.sort(1, tie);
        reference.sort(0, main);

        m_model->setRows(groups, names);
        if (alreadyByMain)
            m_proxy->sort(0, main);
        QSignalSpy sorted(m_proxy.get(), &OCSortFilterProxyModel::sorted);
        m_proxy->sortSuccessively({ { 1, tie }, { 0, main } });
        QCOMPARE(namesShown(*m_proxy), namesShown(reference));
        QCOMPARE(sorted.count(), 1);
        QCOMPARE(m_proxy->sortColumn(), 0);
        QCOMPARE(m_proxy->sortOrder(), main);
    }

    // Rows that come after a one-pass sort fall by its ties too.
    void rowsThatComeKeepTheTies()
    {
        m_model->setRows({ 2, 1, 2 }, { "m", "k", "c" });
        m_proxy->sortSuccessively({ { 1, Qt::AscendingOrder }, { 0, Qt::DescendingOrder } });
        m_model->insert(0, 2, "a");
        m_model->insert(2, 1, "z");
        m_model->insert(1, 2, "f");
        const QStringList expected { "a", "c", "f", "m", "k", "z" };
        QCOMPARE(namesShown(*m_proxy), expected);
    }

    void searchMatchesNamesIgnoringCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty shows all")
            << QString() << QStringList({ "a.b", "axb", "Beach", "Café" });
        QTest::newRow("letter case") << "BEACH" << QStringList({ "Beach" });
        QTest::newRow("dot is a dot") << "a.b" << QStringList({ "a.b" });
    }

    void searchMatchesNamesIgnoringCase()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        m_model->setRows({ 4, 1, 3, 2 }, { "Café", "a.b", "Beach", "axb" });
        m_proxy->sort(0, Qt::AscendingOrder);
        // From a search that hid every row: rows come back in sorted order.
        m_proxy->SetSearchText(QStringLiteral("nothing"));
        m_proxy->SetSearchText(text);
        QCOMPARE(namesShown(*m_proxy), shown);
    }

    void randomChangesKeepRowsSortedAndFiltered()
    {
        QRandomGenerator random(5);
        auto randomKey = [&random]() -> QVariant {
            switch (random.bounded(3)) {
            case 0:
                return 0;
            case 1:
                return QDate(2023, 1, 1).addDays(random.bounded(60));
            default:
                return QDate(2022, 6, 1).addDays(random.bounded(60));
            }
        };
        for (int row = 0; row < 50; ++row)
            m_model->insert(row, randomKey(), random.bounded(2) ? "keep" : "skip");
        m_proxy->sort(0, Qt::AscendingOrder);
        m_proxy->SetSearchText(QStringLiteral("keep"));
        for (int step = 0; step < 300; ++step) {
            const int rows = m_model->rowCount();
            switch (random.bounded(3)) {
            case 0:
                m_model->insert(
                    random.bounded(rows + 1), randomKey(), random.bounded(2) ? "keep" : "skip");
                break;
            case 1:
                if (rows > 0)
                    m_model->remove(random.bounded(rows));
                break;
            default:
                if (rows > 0)
                    m_model->setData(
                        m_model->index(random.bounded(rows), 0), randomKey(), Qt::DisplayRole);
                break;
            }
            int kept = 0;
            for (int row = 0; row < m_model->rowCount(); ++row)
                kept += m_model->index(row, 1).data().toString() == QLatin1String("keep");
            QCOMPARE(m_proxy->rowCount(), kept);
            QVERIFY2(isOrdered(*m_proxy, Qt::AscendingOrder), qPrintable(QString::number(step)));
        }
    }

    void controlReportsSortsByName()
    {
        SortSearchControl* control = SortSearchControl::GetSortSearchControl();
        const int before = control->count();
        SortReceiver receiver;
        auto model = std::make_unique<KeyModel>();
        model->setRows({ 3, 1, 2 }, { "c", "a", "b" });
        const int id = control->SetItemModel(&receiver, model.get(), -1);
        QVERIFY(id != -1);
        QCOMPARE(control->count(), before + 1);
        QPointer<OCSortFilterProxyModel> proxy = control->GetProxyModel(id);
        QVERIFY(proxy);
        QCOMPARE(proxy->sourceModel(), model.get());
        auto tester = std::make_unique<QAbstractItemModelTester>(
            proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);

        proxy->sort(0, Qt::DescendingOrder);
        QCOMPARE(receiver.reports.size(), 1);
        QCOMPARE(receiver.reports.first().first, 0);
        QCOMPARE(receiver.reports.first().second, Qt::DescendingOrder);
        proxy->SetSearchColumn(1); // this model keeps its names in column 1
        QVERIFY(control->DoSearch(QStringLiteral("b"), id));
        QCOMPARE(proxy->rowCount(), 1);
        QVERIFY(!control->DoSearch(QStringLiteral("b"), id + 1000));

        // A second registration gets its own proxy; the same id takes a new model.
        SortReceiver other;
        KeyModel second;
        const int otherId = control->SetItemModel(&other, &second, -1);
        QVERIFY(otherId != id);
        QVERIFY(control->GetProxyModel(otherId) != proxy);
        KeyModel replacement;
        QCOMPARE(control->SetItemModel(&other, &replacement, otherId), otherId);
        QCOMPARE(control->GetProxyModel(otherId)->sourceModel(), &replacement);

        // The proxy goes with its model.
        tester.reset();
        model.reset();
        QVERIFY(!proxy);
        QVERIFY(!control->GetProxyModel(id));
        control->RemoveItemModel(otherId);
        QCOMPARE(control->count(), before);

        // No model is refused; an object without on_sorted_Search is simply not told.
        QCOMPARE(control->SetItemModel(this, nullptr, -1), -1);
        QObject plain;
        const int plainId = control->SetItemModel(&plain, &second, -1);
        second.setRows({ 1, 2 });
        control->GetProxyModel(plainId)->sort(0, Qt::AscendingOrder);
        QCOMPARE(control->GetProxyModel(plainId)->rowCount(), 2);
        control->RemoveItemModel(plainId);
    }
};

QTEST_MAIN(TestSortSearch)
#include "tst_sortsearch.moc"
