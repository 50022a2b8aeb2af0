#include "host/services/ocsharedvalue.h"
#include "host/widgets/octhumnailsortbutton.h"
#include "support/gridtestmodel.h"
#include "support/testenvironment.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace {

// Two days in two folders, names not in date order.
QVector<GridTestModel::Photo> samplePhotos()
{
    const QStringList names { "delta", "alpha", "echo", "charlie", "bravo", "foxtrot" };
    QVector<GridTestModel::Photo> photos;
    for (int i = 0; i < names.size(); ++i) {
        GridTestModel::Photo photo;
        photo.name = names.at(i);
        photo.taken = QDate(2023, 5, 1 + i % 2);
        photo.folder
            = i < 3 ? QStringLiteral("\\Phone\\DCIM\\Camera") : QStringLiteral("\\Phone\\Pictures");
        photos.append(photo);
    }
    return photos;
}

} // namespace

class TestAlbumViewWidget : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<GridTestModel> m_model;
    std::unique_ptr<QSortFilterProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<AlbumViewWidget> m_page;

    template<typename T> T* child(const char* name) const
    {
        T* widget = m_page->findChild<T*>(QLatin1String(name));
        if (!widget)
            qWarning("no %s", name);
        return widget;
    }

    OCThumnailSortButton* button(int mode) const
    {
        const char* names[] = { "btn_photo_day", "btn_photo_name", "btn_photo_album" };
        return child<OCThumnailSortButton>(names[mode]);
    }

    QList<int> buttonTypes() const
    {
        return { button(0)->ButtonType(), button(1)->ButtonType(), button(2)->ButtonType() };
    }

    QStringList shownNames() const
    {
        QStringList names;
        for (int row = 0; row < m_proxy->rowCount(); ++row)
            names.append(m_proxy->index(row, 2).data().toString());
        return names;
    }

    void makePage(const QVector<GridTestModel::Photo>& photos = samplePhotos())
    {
        m_model->resetTo(photos);
        m_page = std::make_unique<AlbumViewWidget>();
        m_page->SetModel(m_proxy.get());
        m_page->SetThumbSize(2);
        m_page->SetSortState(7, 0);
        m_page->resize(1000, 700);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

private slots:
    void initTestCase() { qRegisterMetaType<Qt::SortOrder>(); }

    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_model = std::make_unique<GridTestModel>();
        m_proxy = std::make_unique<QSortFilterProxyModel>();
        m_proxy->setSourceModel(m_model.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(m_proxy.get());
    }

    void cleanup()
    {
        m_page.reset();
        m_tester.reset();
        m_proxy.reset();
        m_model.reset();
        m_env.reset();
    }

    void sortButtonsSwitchAndReverse()
    {
        makePage();
        QSignalSpy sorts(m_page.get(), &AlbumViewWidget::on_signal_sort_changed);
        QSignalSpy views(m_page.get(), &AlbumViewWidget::on_signal_view_changed);

        QTest::mouseClick(button(0), Qt::LeftButton); // the same mode again: reversed
        QCOMPARE(sorts.takeFirst(), QVariantList({ 7, QVariant::fromValue(Qt::DescendingOrder) }));
        QCOMPARE(views.takeFirst().at(0).toInt(), 0);
        QCOMPARE(buttonTypes(), QList<int>({ 1, 2, 2 }));
        QCOMPARE(m_proxy->sortColumn(), 7);
        QCOMPARE(m_proxy->index(0, 7).data().toDate(), QDate(2023, 5, 2));

        QTest::mouseClick(button(2), Qt::LeftButton); // another mode starts ascending
        QCOMPARE(sorts.takeFirst(), QVariantList({ 9, QVariant::fromValue(Qt::AscendingOrder) }));
        QCOMPARE(views.takeFirst().at(0).toInt(), 2);
        QCOMPARE(m_page->CurrentMode(), 2);
        QCOMPARE(m_proxy->index(0, 9).data().toString(), QStringLiteral("\\Phone\\DCIM\\Camera"));

        QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(buttonTypes(), QList<int>({ 2, 2, 1 }));
        QCOMPARE(m_proxy->index(0, 9).data().toString(), QStringLiteral("\\Phone\\Pictures"));

        QTest::mouseClick(button(1), Qt::LeftButton);
        QVERIFY(m_page->IsAscending());
        QCOMPARE(
            shownNames(), QStringList({ "alpha", "bravo", "charlie", "delta", "echo", "foxtrot" }));
    }

    void sortStateChoosesTheView_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("types");
        QTest::newRow("folder") << 9 << 0 << 2 << QList<int> { 2, 2, 0 };
        QTest::newRow("another column") << 4 << 0 << 0 << QList<int> { 0, 2, 2 };
    }

    void sortStateChoosesTheView()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(int, mode);
        QFETCH(QList<int>, types);
        makePage();
        QSignalSpy views(m_page.get(), &AlbumViewWidget::on_signal_view_changed);
        m_page->SetSortState(column, order);
        QCOMPARE(m_page->CurrentMode(), mode);
        QCOMPARE(buttonTypes(), types);
        QCOMPARE(m_proxy->sortColumn(), AlbumViewWidget::GroupColumn(mode));
        QCOMPARE(int(m_proxy->sortOrder()), order);
        // Restoring a sort is not a click: the view is reported only when it changes.
        QCOMPARE(views.count(), mode == 0 ? 0 : 1);
    }

    // "echo" and "bravo", both of 1 May, are new; ties go by path.
    void newPhotosComeFirst()
    {
        g_SharedValue.SetDisplayNewIcon(true);
        auto photos = samplePhotos();
        photos[2].isNew = true;
        photos[4].isNew = true;
        makePage(photos);
        m_page->SetSortState(7, 0);
        QCOMPARE(shownNames(),
            (QStringList { "echo", "bravo", "delta", "alpha", "charlie", "foxtrot" }));
    }

    // Out-of-range steps are clamped; every view and the model's cells
    // take the one size.
    void sizeSteps_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("applied");
        QTest::newRow("smallest") << 0 << 0;
        QTest::newRow("above the range") << 7 << 3;
    }

    void sizeSteps()
    {
        QFETCH(int, step);
        QFETCH(int, applied);
        makePage();
        const QSize before = m_page->View(0)->iconSize();
        QSignalSpy relayouts(m_page.get(), SIGNAL(on_signal_update_item_position(bool)));
        m_page->SetThumbSize(step);
        QCOMPARE(relayouts.count(), 1); // applied once, through the slider
        QCOMPARE(m_page->GetThumbSize(), applied);
        QCOMPARE(child<QSlider>("phone_thumbsize_bar")->value(), applied);
        QCOMPARE(m_page->View(0)->iconSize().width() > before.width(), applied > 2);
        for (int mode = 0; mode < 3; ++mode) {
            QCOMPARE(m_page->View(mode)->gridSize(), m_page->View(0)->gridSize());
            QCOMPARE(m_page->View(mode)->iconSize(), m_model->thumbnailSize());
        }
        QCOMPARE(child<QPushButton>("btn_photo_minus")->isEnabled(), applied > 0);
        QCOMPARE(child<QPushButton>("btn_photo_plus")->isEnabled(), applied < 3);
        if (step != applied) { // clamped to the step shown: nothing changes
            m_page->SetThumbSize(step);
            QCOMPARE(relayouts.count(), 1);
        }
    }

    void checkAllFollowsTheSelection()
    {
        makePage();
        auto* checkAll = child<QCheckBox>("phone_checkAll");
        ThumbnailGroupView* view = m_page->View(0);
        view->selectAll();
        QVERIFY(checkAll->isChecked());
        const QString firstDay = m_proxy->index(0, 7).data().toString();
        QCOMPARE(view->SelectedCounts().value(firstDay), 3);

        view->selectionModel()->select(
            m_proxy->index(4, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        QVERIFY(!checkAll->isChecked());

        const QPoint box(6, checkAll->height() / 2);
        QTest::mouseClick(checkAll, Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 6);
        QVERIFY(checkAll->isChecked());
        QTest::mouseClick(checkAll, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(!view->selectionModel()->hasSelection());
        QCOMPARE(view->SelectedCounts().value(firstDay), 0);

        // Each view has its own selection: the Name view starts empty.
        view->selectAll();
        QTest::mouseClick(button(1), Qt::LeftButton);
        QVERIFY(!checkAll->isChecked());
    }

    void dropsOnAViewReachThePage()
    {
        makePage();
        int drops = 0;
        QDropEvent* seen = nullptr;
        connect(m_page.get(), &AlbumViewWidget::on_signal_drop_event, this, [&](QDropEvent* event) {
            ++drops;
            seen = event;
        });
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile("/tmp/a.jpg") });
        QWidget* target = m_page->View(0)->viewport();
        // The drop goes to the widget that accepted the drag's entry.
        QDragEnterEvent enter(
            QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QCOMPARE(drops, 1);
        QCOMPARE(seen, &drop);
    }
};

QTEST_MAIN(TestAlbumViewWidget)
#include "tst_albumviewwidget.moc"
