#include "host/services/ocsharedvalue.h"
#include "support/gridtestmodel.h"
#include "support/testenvironment.h"
#include "thumbview/thumbnailgroupview.h"

#include <QAbstractItemModelTester>
#include <QDrag>
#include <QRandomGenerator>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace {

class RecordingGroupView : public ThumbnailGroupView
{
public:
    int drags = 0;

protected:
    Qt::DropAction execDrag(QDrag* drag, Qt::DropActions, Qt::DropAction) override
    {
        ++drags;
        delete drag;
        return Qt::IgnoreAction;
    }
};

// Photos in groups of the given sizes: group g is day g and folder g.
QVector<GridTestModel::Photo> photosInGroups(const QList<int>& sizes)
{
    QVector<GridTestModel::Photo> photos;
    for (int g = 0; g < sizes.size(); ++g) {
        for (int i = 0; i < sizes.at(g); ++i) {
            GridTestModel::Photo photo;
            photo.name = QStringLiteral("IMG_%1_%2")
                             .arg(g, 3, 10, QLatin1Char('0'))
                             .arg(i, 3, 10, QLatin1Char('0'));
            photo.taken = QDate(2023, 3, 1).addDays(g);
            photo.folder = QStringLiteral("\\Phone\\DCIM\\F%1").arg(g, 3, 10, QLatin1Char('0'));
            photos.append(photo);
        }
    }
    return photos;
}

void mouse(QWidget* target, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestThumbnailGroupView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<GridTestModel> m_model;
    std::unique_ptr<QSortFilterProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<RecordingGroupView> m_view;

    // Grid of size step 2 in a viewport 1000 pixels wide: four to a grid row.
    void showView(int groupColumn, const QList<int>& sizes, int width = 1000, bool sorted = true)
    {
        m_model->resetTo(photosInGroups(sizes));
        m_proxy->setSourceModel(m_model.get());
        if (sorted)
            m_proxy->sort(groupColumn, Qt::AscendingOrder);
        m_view->SetGroupColumn(groupColumn);
        m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setGridSize(QSize(216, 192));
        m_view->setIconSize(QSize(191, 157));
        m_view->setSpacing(14);
        m_view->setModel(m_proxy.get());
        m_view->ConnectModelSignals();
        // What the album page does on every selection change.
        connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, m_view.get(),
            [this] { m_view->UpdateSelectedCounts(); });
        m_view->resize(width, 2000);
        m_view->show();
        if (width > 0)
            QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    QPoint topLeftOf(int row) const { return m_view->visualRect(m_proxy->index(row, 0)).topLeft(); }

    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    void select(int first, int last)
    {
        m_view->selectionModel()->select(
            QItemSelection(m_proxy->index(first, 0), m_proxy->index(last, 14)),
            QItemSelectionModel::Select);
    }

    // Counts the view keeps agree with the rows of the model, and each group's
    // rows lie below its own header and above the next one.
    void verifyGroupsMatchModel()
    {
        QMap<QString, int> expected;
        for (int row = 0; row < m_proxy->rowCount(); ++row)
            ++expected[m_proxy->index(row, 7).data().toString()];
        QMap<QString, int> counted;
        const QMap<QString, int>& counts = m_view->GroupCounts();
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            if (it.value() != 0)
                counted.insert(it.key(), it.value());
        }
        QCOMPARE(counted, expected);
        QCOMPARE(m_view->GroupTotal(), expected.size());
        int row = 0;
        for (int g = 0; g < m_view->GroupTotal(); ++g) {
            const int end = row + counts.value(m_proxy->index(row, 7).data().toString());
            for (; row < end; ++row) {
                const QModelIndex index = m_proxy->index(row, 0);
                const QRect cell = m_view->visualRect(index);
                QVERIFY(cell.top() > m_view->HeaderRect(g).bottom());
                if (g + 1 < m_view->GroupTotal())
                    QVERIFY(cell.bottom() < m_view->HeaderRect(g + 1).top());
                QCOMPARE(m_view->indexAt(cell.center()), index);
            }
        }
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_model = std::make_unique<GridTestModel>();
        m_proxy = std::make_unique<QSortFilterProxyModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(m_proxy.get());
        m_view = std::make_unique<RecordingGroupView>();
    }

    void cleanup()
    {
        m_view.reset();
        m_tester.reset();
        m_proxy.reset();
        m_model.reset();
        m_env.reset();
    }

    void groupCountsFollowInsertsRemovalsAndResets()
    {
        showView(7, { 2, 3 });
        verifyGroupsMatchModel();
        QRandomGenerator random(20230301);
        for (int step = 0; step < 300; ++step) {
            const int action = random.bounded(10);
            if (action < 6 || m_model->rowCount() == 0) {
                GridTestModel::Photo photo;
                photo.name = QStringLiteral("P%1").arg(step);
                photo.taken = QDate(2023, 3, 1).addDays(random.bounded(7));
                m_model->insert(random.bounded(m_model->rowCount() + 1), photo);
            } else if (action < 9) {
                const int row = random.bounded(m_model->rowCount());
                m_model->removeAt(row, qMin(1 + random.bounded(3), m_model->rowCount() - row));
            } else {
                auto photos = photosInGroups({ random.bounded(1, 5), random.bounded(1, 5) });
                m_model->resetTo(photos);
            }
            if (step % 10 == 0)
                verifyGroupsMatchModel();
        }
        verifyGroupsMatchModel();
    }

    // The page may hand the same model over again, or another one: rows
    // are counted once, and only the shown model's.
    void modelGivenAgainOrReplaced()
    {
        showView(7, { 2, 2 });
        m_view->setModel(m_proxy.get());
        m_view->ConnectModelSignals();
        m_model->append(photosInGroups({ 1 }).first());
        const QString firstDay = m_proxy->index(0, 7).data().toString();
        QCOMPARE(m_view->GroupCounts().value(firstDay), 3);

        GridTestModel other;
        other.resetTo(photosInGroups({ 0, 0, 4 }));
        m_view->setModel(&other);
        m_view->ConnectModelSignals();
        m_model->append(photosInGroups({ 1 }).first());
        QCOMPARE(m_view->GroupCounts().value(firstDay), 0);
        QCOMPARE(m_view->GroupCounts().value(other.index(0, 7).data().toString()), 4);
        QCOMPARE(m_view->GroupTotal(), 1);
        m_view->setModel(nullptr);
    }

    void groupCheckBoxSelectsThenDeselects()
    {
        showView(7, { 3, 4 });
        verifyGroupsMatchModel();
        select(0, 0);
        select(4, 4);
        const QRect box = m_view->CheckBoxRect(1);

        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
        QCOMPARE(selectedRows(), QList<int>({ 0, 3, 4, 5, 6 }));
        QCOMPARE(m_view->SelectedCounts().value(m_proxy->index(3, 7).data().toString()), 4);

        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
        QCOMPARE(selectedRows(), QList<int>({ 0 }));
    }

    void cellsShowTheirThumbnails()
    {
        QPixmap red(160, 120);
        red.fill(Qt::red);
        auto photos = photosInGroups({ 2, 1 });
        photos[1].thumbnail = red;
        showView(7, {});
        m_model->resetTo(photos);
        const QImage shown = m_view->viewport()->grab().toImage();
        const QColor colour(shown.pixel(m_view->visualRect(m_proxy->index(1, 0)).center()));
        QVERIFY2(colour.red() > 200 && colour.green() < 60, qPrintable(colour.name()));
        QVERIFY(QColor(shown.pixel(m_view->visualRect(m_proxy->index(0, 0)).center())) != colour);
    }

    void pressOnHeaderStartsNothing()
    {
        showView(7, { 4, 4 });
        select(1, 1);
        QWidget* vp = m_view->viewport();
        const QPoint onBar = m_view->HeaderRect(0).center();
        mouse(vp, QEvent::MouseButtonPress, onBar, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, onBar + QPoint(30, 30), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, topLeftOf(6) + QPoint(20, 20), Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, topLeftOf(6) + QPoint(20, 20), Qt::NoButton);
        QCOMPARE(selectedRows(), QList<int>({ 1 }));
        QCOMPARE(m_view->drags, 0);

        // A press on the items still drags the selection.
        const QPoint onItem = topLeftOf(1) + QPoint(40, 40);
        mouse(vp, QEvent::MouseButtonPress, onItem, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, onItem + QPoint(5, 5), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, onItem + QPoint(50, 50), Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, onItem + QPoint(50, 50), Qt::NoButton);
        QCOMPARE(m_view->drags, 1);
    }

    // Without groups the same press is the view's own: a rubber band.
    void nameViewPassesPressesOn()
    {
        showView(2, { 4, 4 });
        QCOMPARE(m_view->GroupTotal(), 0);
        QWidget* vp = m_view->viewport();
        mouse(vp, QEvent::MouseButtonPress, QPoint(500, 5), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, QPoint(480, 30), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, topLeftOf(5) + QPoint(20, 20), Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, topLeftOf(5) + QPoint(20, 20), Qt::NoButton);
        QCOMPARE(selectedRows(), QList<int>({ 1, 2, 5, 6 }));
    }

    void rightToLeftPlacement()
    {
        g_SharedValue.SetRTL(true);
        m_view->setLayoutDirection(Qt::RightToLeft);
        showView(7, { 6, 2 });
        QVERIFY(topLeftOf(0).x() > topLeftOf(1).x());
        const QRect box = m_view->CheckBoxRect(0);
        QVERIFY(box.left() > 500);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
        QCOMPARE(selectedRows(), QList<int>({ 0, 1, 2, 3, 4, 5 }));
        // The left end of the bar, where the check box sits in the other
        // direction, is only the bar.
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(26, 38));
        QCOMPARE(selectedRows().size(), 6);
    }

    void degenerateSizesNeverHang_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("grid");
        QTest::addColumn<bool>("sorted");
        QTest::newRow("zero width") << 0 << QSize(216, 192) << true;
        QTest::newRow("zero grid") << 1000 << QSize(0, 0) << true;
        QTest::newRow("groups not consecutive") << 1000 << QSize(216, 192) << false;
    }

    void degenerateSizesNeverHang()
    {
        QFETCH(int, width);
        QFETCH(QSize, grid);
        QFETCH(bool, sorted);
        showView(7, { 3, 1, 2 }, width, sorted);
        if (!sorted) {
            // Days interleaved: the counts no longer describe runs of rows.
            const auto grouped = photosInGroups({ 3, 1, 2 });
            m_model->resetTo(
                { grouped[0], grouped[3], grouped[1], grouped[4], grouped[2], grouped[5] });
        }
        m_view->setGridSize(grid);
        m_view->on_update_item_position(true);
        QSet<QPair<int, int>> places;
        for (int row = 0; row < m_proxy->rowCount(); ++row) {
            const QRect rect = m_view->visualRect(m_proxy->index(row, 0));
            QVERIFY(!rect.isEmpty());
            places.insert(qMakePair(rect.x(), rect.y()));
        }
        QCOMPARE(places.size(), m_proxy->rowCount());
        QVERIFY(!m_view->viewport()->grab().isNull() || width == 0);
        mouse(m_view->viewport(), QEvent::MouseButtonPress, QPoint(5, 30), Qt::LeftButton);
        mouse(m_view->viewport(), QEvent::MouseButtonRelease, QPoint(5, 30), Qt::NoButton);
    }
};

QTEST_MAIN(TestThumbnailGroupView)
#include "tst_thumbnailgroupview.moc"
