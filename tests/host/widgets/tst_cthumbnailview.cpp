#include "host/services/ocsharedvalue.h"
#include "host/widgets/cthumbnailview.h"
#include "support/gridtestmodel.h"
#include "support/testenvironment.h"

#include <QAbstractItemModelTester>
#include <QDrag>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace {

// A view whose drags are recorded instead of run, and whose blocks can be
// set by the test.
class TestView : public CThumbnailView
{
public:
    TestView()
        : CThumbnailView(OCGlobal::ITEM_PHONE_PHOTO)
    {
    }

    QVector<ItemBlock> fixedBlocks;
    bool useFixedBlocks = false;
    QStringList draggedFormats;
    int drags = 0;

protected:
    void layoutItems() override
    {
        if (useFixedBlocks)
            setItemBlocks(fixedBlocks);
        else
            CThumbnailView::layoutItems();
    }
    Qt::DropAction execDrag(QDrag* drag, Qt::DropActions, Qt::DropAction defaultAction) override
    {
        ++drags;
        draggedFormats = drag->mimeData()->formats();
        delete drag;
        return defaultAction;
    }
};

QPixmap solid(const QColor& color, const QSize& size = QSize(120, 90))
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

void mouse(QWidget* target, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons,
    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

QList<int> selectedRows(const QAbstractItemView& view)
{
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestCThumbnailView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<GridTestModel> m_model;
    std::unique_ptr<TestView> m_view;

    void showView(int rows, const QSize& viewport = QSize(1000, 600))
    {
        showPhotos(GridTestModel::makePhotos(rows, 7), viewport);
    }

    void showPhotos(const QVector<GridTestModel::Photo>& photos, const QSize& viewport)
    {
        m_model->resetTo(photos);
        m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setModel(m_model.get());
        m_view->resize(viewport);
        m_view->show();
        // A window without width is never exposed; its geometry still counts.
        if (viewport.width() > 0)
            QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    QPoint centreOf(int row) const { return m_view->visualRect(m_model->index(row, 0)).center(); }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_model = std::make_unique<GridTestModel>();
        m_view = std::make_unique<TestView>();
    }

    void cleanup()
    {
        m_view.reset();
        m_model.reset();
        m_env.reset();
    }

    void layoutPlacesEveryRowOnce_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("grid");
        QTest::addColumn<bool>("rtl");
        QTest::newRow("empty") << 0 << 1000 << QSize(156, 142) << false;
        QTest::newRow("ragged") << 37 << 700 << QSize(186, 162) << false;
        QTest::newRow("right to left") << 37 << 700 << QSize(186, 162) << true;
        QTest::newRow("narrower than a cell") << 9 << 100 << QSize(156, 142) << false;
        QTest::newRow("zero grid") << 9 << 1000 << QSize(0, 0) << false;
    }

    void layoutPlacesEveryRowOnce()
    {
        QFETCH(int, rows);
        QFETCH(int, width);
        QFETCH(QSize, grid);
        QFETCH(bool, rtl);
        m_view->setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
        m_view->setGridSize(grid);
        showView(rows, QSize(width, 400));
        QCOMPARE(m_view->viewport()->width(), width);

        QRect previous;
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = m_model->index(row, 0);
            const QRect rect = m_view->visualRect(index);
            QVERIFY2(!rect.isEmpty(), qPrintable(QString::number(row)));
            // Reading order: right of (left of, mirrored) the previous item,
            // or on a lower grid row.
            if (row > 0) {
                const bool sameLine = rect.top() == previous.top();
                QVERIFY(sameLine || rect.top() >= previous.bottom());
                if (sameLine)
                    QVERIFY(rtl ? rect.right() < previous.left() : rect.left() > previous.right());
            }
            previous = rect;
            const int shown = m_view->verticalScrollBar()->value();
            m_view->scrollTo(index);
            QCOMPARE(m_view->indexAt(m_view->visualRect(index).center()), index);
            m_view->verticalScrollBar()->setValue(shown);
        }
        if (rtl && rows > 0)
            QCOMPARE(m_view->visualRect(m_model->index(0, 0)).right(), width - 1 - 13);
    }

    // Rows that arrive one at a time are placed correctly as soon as anyone
    // asks, although the layout itself waits for the next frame.
    void positionsAreRightWhenAskedDuringStreaming()
    {
        showView(0); // six to a grid row: x = 13 + 156 c, y = 12 + 142 l
        QSortFilterProxyModel proxy;
        QAbstractItemModelTester tester(&proxy);
        proxy.setSourceModel(m_model.get());
        proxy.sort(2, Qt::DescendingOrder);
        m_view->setModel(&proxy);
        const auto photos = GridTestModel::makePhotos(40, 5);
        for (const auto& photo : photos) {
            m_model->append(photo);
            // The new photo sorts first and every earlier one moves on by one.
            QCOMPARE(proxy.index(0, 2).data().toString(), photo.name);
            const int last = proxy.rowCount() - 1;
            const QRect rect = m_view->visualRect(proxy.index(last, 0));
            QCOMPARE(rect.topLeft(), QPoint(13 + (last % 6) * 156, 12 + (last / 6) * 142));
            QCOMPARE(
                m_view->indexAt(m_view->visualRect(proxy.index(0, 0)).center()), proxy.index(0, 0));
        }
    }

    // Scrolling to a row that has just arrived reaches it, although its
    // layout had not run when it was asked for.
    void scrollsToRowsJustAdded()
    {
        showView(0, QSize(1000, 300));
        for (const auto& photo : GridTestModel::makePhotos(100, 5)) {
            m_model->append(photo);
            const QModelIndex last = m_model->index(m_model->rowCount() - 1, 0);
            m_view->scrollTo(last);
            QVERIFY(m_view->viewport()->rect().contains(m_view->visualRect(last)));
        }
    }

    void keyboardMovesAcrossBlocks_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        // Blocks: rows 0-4 three to a grid row, rows 5-8 three to a grid row.
        QTest::newRow("right across blocks") << 4 << int(Qt::Key_Right) << 5;
        QTest::newRow("left at start") << 0 << int(Qt::Key_Left) << 0;
        QTest::newRow("down in block") << 1 << int(Qt::Key_Down) << 4;
        QTest::newRow("down to a short grid row") << 2 << int(Qt::Key_Down) << 4;
        QTest::newRow("down into next block") << 4 << int(Qt::Key_Down) << 6;
        QTest::newRow("up into previous block") << 7 << int(Qt::Key_Up) << 4;
        QTest::newRow("up from next block, short row") << 5 << int(Qt::Key_Up) << 3;
        QTest::newRow("end") << 2 << int(Qt::Key_End) << 8;
        QTest::newRow("home") << 7 << int(Qt::Key_Home) << 0;
    }

    void keyboardMovesAcrossBlocks()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        m_view->useFixedBlocks = true;
        m_view->fixedBlocks = { { 0, 5, QPoint(13, 12), 3 }, { 5, 4, QPoint(13, 400), 3 } };
        showView(9);
        m_view->setCurrentIndex(m_model->index(start, 0));
        QTest::keyClick(m_view.get(), Qt::Key(key));
        QCOMPARE(m_view->currentIndex().row(), expected);
    }

    void rubberBandSelectsTouchedItems()
    {
        showView(30); // six to a grid row: x = 13 + 156 c, y = 12 + 142 l
        QWidget* vp = m_view->viewport();
        mouse(vp, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, QPoint(200, 100), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, centreOf(8), Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, centreOf(8), Qt::NoButton);
        QCOMPARE(selectedRows(*m_view), QList<int>({ 0, 1, 2, 6, 7, 8 }));
    }

    void shiftClickSelectsTheRowsBetween()
    {
        showView(30);
        QWidget* vp = m_view->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, centreOf(9));
        QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, centreOf(2));
        QCOMPARE(selectedRows(*m_view), QList<int>({ 2, 3, 4, 5, 6, 7, 8, 9 }));
        QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, centreOf(5));
        QCOMPARE(selectedRows(*m_view), QList<int>({ 2, 3, 4, 6, 7, 8, 9 }));
    }

    void dragCarriesTheModelsDragData()
    {
        showView(10);
        m_view->selectionModel()->select(
            QItemSelection(m_model->index(1, 0), m_model->index(1, 14)),
            QItemSelectionModel::Select);
        m_view->selectionModel()->select(
            QItemSelection(m_model->index(3, 0), m_model->index(3, 14)),
            QItemSelectionModel::Select);
        QWidget* vp = m_view->viewport();
        const QPoint start = centreOf(3);
        mouse(vp, QEvent::MouseButtonPress, start, Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, start + QPoint(5, 5), Qt::LeftButton);
        mouse(vp, QEvent::MouseMove, start + QPoint(40, 40), Qt::LeftButton);
        mouse(vp, QEvent::MouseButtonRelease, start + QPoint(40, 40), Qt::NoButton);
        QCOMPARE(m_view->drags, 1);
        QVERIFY(m_view->draggedFormats.contains("application/tz-itemdata"));
        QList<int> rows = m_model->lastDraggedRows();
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, QList<int>({ 1, 3 }));
    }

    void dropIsReportedNotHandled_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("file urls") << "text/uri-list" << true;
        QTest::newRow("plain text") << "text/plain" << false;
    }

    void dropIsReportedNotHandled()
    {
        QFETCH(QString, format);
        QFETCH(bool, accepted);
        showView(3);
        int drops = 0;
        connect(m_view.get(), &CThumbnailView::on_signal_drop_event, this,
            [&drops](QDropEvent*) { ++drops; });
        QMimeData data;
        data.setData(format, "file:///tmp/a.jpg\r\n");
        QWidget* vp = m_view->viewport();
        QDragEnterEvent enter(
            QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QCOMPARE(m_view->isDropVisible(), accepted);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &drop);
        QCOMPARE(drops, accepted ? 1 : 0);
        QVERIFY(!m_view->isDropVisible());
    }

    void newMarkOnlyWhereTheHostShowsIt_data()
    {
        QTest::addColumn<bool>("hostShowsNew");
        QTest::addColumn<bool>("photoIsNew");
        QTest::addColumn<bool>("marked");
        QTest::newRow("new photo") << true << true << true;
        QTest::newRow("seen photo") << true << false << false;
        QTest::newRow("host hides marks") << false << true << false;
    }

    void newMarkOnlyWhereTheHostShowsIt()
    {
        QFETCH(bool, hostShowsNew);
        QFETCH(bool, photoIsNew);
        QFETCH(bool, marked);
        g_SharedValue.SetDisplayNewIcon(hostShowsNew);
        auto photos = GridTestModel::makePhotos(1, 1);
        photos[0].thumbnail = solid(Qt::darkGreen);
        showPhotos(photos, QSize(400, 300));
        m_model->resetTo(photos); // the same state as after the next reset
        const QImage plain = m_view->viewport()->grab().toImage();
        photos[0].isNew = photoIsNew;
        m_model->resetTo(photos);
        const QImage shown = m_view->viewport()->grab().toImage();
        QCOMPARE(shown != plain, marked);
    }

    void startsThumbnailLoadingOnPaintAndScroll()
    {
        showView(200);
        QSignalSpy loads(m_view.get(), &CThumbnailView::on_signal_start_thumbLoad);
        m_view->viewport()->repaint();
        QVERIFY(loads.count() >= 1);
        const int afterPaint = loads.count();
        m_view->verticalScrollBar()->setValue(300);
        QVERIFY(loads.count() > afterPaint);
    }

    // A long name uses its cell's width, wider than the picture (the album
    // page's largest step: 231 pixels in a 256 pixel cell), and stops short
    // of the next cell.
    void longNamesUseTheCellsWidth()
    {
        auto photos = GridTestModel::makePhotos(2, 7);
        photos[0].name = QString(200, QLatin1Char('l'));
        m_view->setGridSize(QSize(256, 232));
        m_view->setIconSize(QSize(231, 197));
        showPhotos(photos, QSize(1000, 400));
        const QImage image = m_view->viewport()->grab().toImage();
        const QRect item = m_view->visualRect(m_model->index(0, 0));
        const int next = m_view->visualRect(m_model->index(1, 0)).left();
        int left = image.width();
        int right = -1;
        for (int y = item.bottom() - 16; y <= item.bottom(); ++y) {
            for (int x = 0; x < next + 20; ++x) {
                if (qGray(image.pixel(x, y)) < 140) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        QVERIFY2(right - left > 225 && right < next,
            qPrintable(QStringLiteral("%1 to %2, next at %3").arg(left).arg(right).arg(next)));
    }
};

QTEST_MAIN(TestCThumbnailView)
#include "tst_cthumbnailview.moc"
