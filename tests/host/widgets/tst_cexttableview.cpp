#include "host/resources/hoststylesheet.h"
#include "host/widgets/cexttableheader.h"
#include "host/widgets/cexttableview.h"

#include <QAbstractItemModelTester>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(QDropEvent*)

namespace {

// Display values are sort keys, decorations the texts users read; drops of
// file lists are accepted, and counted if the view ever applies one itself.
class MediaModel : public QStandardItemModel
{
public:
    QStringList mimeTypes() const override { return { QStringLiteral("text/uri-list") }; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    bool dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) override
    {
        ++drops;
        return true;
    }
    int drops = 0;
};

// Records the keys that reach it from its child.
class KeyParent : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

} // namespace

class TestCExtTableView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KeyParent> m_parent;
    MediaModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    CExtTableView* m_view = nullptr;

    void fill(int rows)
    {
        m_model->clear();
        m_model->setColumnCount(4);
        for (int row = 0; row < rows; ++row) {
            QList<QStandardItem*> cells;
            for (int column = 0; column < 4; ++column) {
                auto* cell = new QStandardItem;
                cell->setData(QStringLiteral("key%1").arg(rows - row, 3, 10, QLatin1Char('0')),
                    Qt::DisplayRole);
                cell->setData(
                    QStringLiteral("text %1.%2").arg(row).arg(column), Qt::DecorationRole);
                cells.append(cell);
            }
            m_model->appendRow(cells);
        }
    }

    int selectedRows() const { return m_view->selectionModel()->selectedRows(0).size(); }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<Qt::SortOrder>();
        qRegisterMetaType<QDropEvent*>();
    }

    void init()
    {
        m_parent = std::make_unique<KeyParent>();
        m_model = new MediaModel;
        m_model->setParent(m_parent.get());
        m_proxy = new QSortFilterProxyModel(m_parent.get());
        m_proxy->setSourceModel(m_model);
        m_view = new CExtTableView(OCGlobal::ITEM_PHONE_PHOTO, m_parent.get());
        m_view->setModel(m_proxy);
        m_view->SetCheckColumn(1);
        fill(5);
        m_view->resize(600, 300);
        m_parent->resize(600, 300);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }

    void cleanup() { m_parent.reset(); }

    void headerBoxSelectsAndClearsEveryRow()
    {
        QSignalSpy sorted(m_view, &CExtTableView::on_signal_sort_changed);
        const int sortColumn = m_view->horizontalHeader()->sortIndicatorSection();
        const QRect box = m_view->extHeader()->CheckBoxRect();
        QVERIFY(!box.isEmpty());
        QTest::mouseClick(m_view->horizontalHeader()->viewport(), Qt::LeftButton, {}, box.center());
        QCOMPARE(selectedRows(), 5);
        QVERIFY(m_view->isHeaderAllChecked());
        QTest::mouseClick(m_view->horizontalHeader()->viewport(), Qt::LeftButton, {}, box.center());
        QCOMPARE(selectedRows(), 0);
        QVERIFY(!m_view->isHeaderAllChecked());
        // The box's section never sorts.
        QCOMPARE(sorted.count(), 0);
        QCOMPARE(m_view->horizontalHeader()->sortIndicatorSection(), sortColumn);

        // The box follows a selection made otherwise.
        m_view->selectAll();
        QVERIFY(m_view->isHeaderAllChecked());
        m_view->selectionModel()->select(
            m_proxy->index(3, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        QVERIFY(!m_view->isHeaderAllChecked());
    }

    // Clicks as (row, column); a negative row is a double click on -row - 1.
    void checkBoxesAddToTheSelection_data()
    {
        QTest::addColumn<QList<QPoint>>("clicks");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("second box adds")
            << QList<QPoint> { { 1, 0 }, { 1, 2 } } << QList<int> { 0, 2 };
        QTest::newRow("box again removes")
            << QList<QPoint> { { 1, 0 }, { 1, 2 }, { 1, 0 } } << QList<int> { 2 };
        QTest::newRow("double click ticks and unticks")
            << QList<QPoint> { { 1, 0 }, { 1, -3 } } << QList<int> { 0 };
        QTest::newRow("a cell replaces")
            << QList<QPoint> { { 1, 0 }, { 2, 3 } } << QList<int> { 3 };
    }

    void checkBoxesAddToTheSelection()
    {
        QFETCH(QList<QPoint>, clicks);
        QFETCH(QList<int>, selected);
        QSignalSpy opened(m_view, &QAbstractItemView::doubleClicked);
        for (const QPoint& click : clicks) {
            const int row = click.y() < 0 ? -click.y() - 1 : click.y();
            const QPoint at = m_view->visualRect(m_proxy->index(row, click.x())).center();
            QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, at);
            if (click.y() < 0)
                QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, at);
        }
        QList<int> rows;
        for (const QModelIndex& index : m_view->selectionModel()->selectedRows(0))
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, selected);
        QCOMPARE(opened.count(), 0);
    }

    // Where the handle sits must read at a glance: it is darker than its
    // track, and at the start of the bar (right in right-to-left) when the
    // table shows its first columns.
    void scrollHandleReadsAsTheHandle_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("left to right") << int(Qt::LeftToRight);
        QTest::newRow("right to left") << int(Qt::RightToLeft);
    }

    void scrollHandleReadsAsTheHandle()
    {
        QFETCH(int, layout);
        qApp->setStyleSheet(HostStyleSheet(layout == Qt::RightToLeft));
        m_parent->setLayoutDirection(Qt::LayoutDirection(layout));
        for (int column = 0; column < 4; ++column)
            m_view->setColumnWidth(column, 400);
        QScrollBar* bar = m_view->horizontalScrollBar();
        QTRY_VERIFY(bar->isVisible());
        QVERIFY(bar->value() == 0 && bar->maximum() > bar->pageStep());
        const QImage shot = bar->grab().toImage();
        qApp->setStyleSheet(QString());
        auto shade = [&shot](int x) { return qGray(shot.pixel(x, shot.height() / 2)); };
        const int start = layout == Qt::RightToLeft ? shot.width() - 30 : 30;
        const int end = layout == Qt::RightToLeft ? 30 : shot.width() - 30;
        QVERIFY2(shade(start) + 30 < shade(end),
            qPrintable(QStringLiteral("handle %1, track %2").arg(shade(start)).arg(shade(end))));
    }

    void dropsAreReportedNotApplied_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("leaves"); // the drag leaves instead of dropping
        QTest::newRow("file list") << "text/uri-list" << true << false;
        QTest::newRow("file list taken away") << "text/uri-list" << true << true;
        QTest::newRow("foreign format") << "application/x-other" << false << false;
    }

    void dropsAreReportedNotApplied()
    {
        QFETCH(QString, format);
        QFETCH(bool, accepted);
        QFETCH(bool, leaves);
        QSignalSpy drops(m_view, &CExtTableView::on_signal_drop_event);
        QMimeData data;
        data.setData(format, QByteArray("file:///tmp/a.jpg\r\n"));
        const QPoint at(50, 50);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QCOMPARE(m_view->isDropVisible(), accepted);
        if (leaves) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(m_view->viewport(), &leave);
        } else {
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view->viewport(), &drop);
        }
        QCOMPARE(drops.count(), accepted && !leaves ? 1 : 0);
        QVERIFY(!m_view->isDropVisible());
        QCOMPARE(m_model->drops, 0);
    }

    void commandKeysGoToTheParent_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<bool>("passedOn");
        QTest::newRow("copy") << QKeySequence(QKeySequence::Copy) << true;
        QTest::newRow("down") << QKeySequence(Qt::Key_Down) << false;
    }

    void commandKeysGoToTheParent()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(bool, passedOn);
        m_view->setFocus();
        m_view->setCurrentIndex(m_proxy->index(0, 2));
        QTest::keySequence(m_view, keys);
        QCOMPARE(!m_parent->keys.isEmpty(), passedOn);
    }

};

QTEST_MAIN(TestCExtTableView)
#include "tst_cexttableview.moc"
