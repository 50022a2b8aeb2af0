#include "host/services/ocsharedvalue.h"
#include "model/photoroles.h"
#include "support/testenvironment.h"
#include "viewer/fitsize.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"
#include "viewertestmodel.h"

#include <QtTest>

class TestFilmStrip : public QObject
{
    Q_OBJECT

private:
    // The viewer sized so that its strip shows exactly five whole cells.
    struct Fixture
    {
        TestEnvironment env;
        ViewerTestModel model;
        PhotoViewerWidget viewer;
        PhotoViwerList* strip = nullptr;

        explicit Fixture(int rows)
        {
            model.addRows(rows);
            viewer.SetModel(&model);
            viewer.resize(708, 500);
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
            strip = viewer.FilmStrip();
        }
        int current() const { return strip->currentIndex().row(); }
        int top() const { return strip->indexAt(QPoint(0, 0)).row(); }
    };

private slots:
    void fitSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("portrait shrunk") << QSize(100, 300) << QSize(100, 100) << QSize(33, 100);
        QTest::newRow("thin strip truncates") << QSize(1000, 3) << QSize(100, 100) << QSize(100, 0);
        QTest::newRow("negative box") << QSize(50, 40) << QSize(-10, -10) << QSize(0, 0);
    }

    void fitSize()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        int w = size.width();
        int h = size.height();
        FitSize(w, h, box.width(), box.height(), false);
        QCOMPARE(QSize(w, h), expected);
    }

    void countPerPage_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<int>("expected");
        QTest::newRow("five cells") << 20 << QSize(116, 74) << 5;
        QTest::newRow("zero size hint") << 20 << QSize(0, 0) << 0;
        QTest::newRow("empty model") << 0 << QSize(116, 74) << 0;
    }

    void countPerPage()
    {
        QFETCH(int, rows);
        QFETCH(QSize, cell);
        QFETCH(int, expected);
        Fixture f(0);
        f.model.setCellSize(cell);
        f.model.addRows(rows);
        QCOMPARE(f.strip->CountPerPage(), expected);
    }

    // Moves at both ends and across pages; the strip shows five cells.
    void moves_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QString>("move");
        QTest::addColumn<int>("expectedCurrent");
        QTest::addColumn<int>("expectedTop");
        QTest::addColumn<int>("announced");
        QTest::newRow("next off the page") << 20 << 4 << "next" << 5 << 5 << 1;
        QTest::newRow("prev at first photo") << 20 << 0 << "prev" << 0 << 0 << 0;
        QTest::newRow("prev off the page") << 20 << 0 << "nextPage,prev" << 4 << 0 << 1;
        QTest::newRow("prev page") << 20 << 12 << "prevPage" << 3 << 3 << 1;
        QTest::newRow("prev page at start") << 20 << 2 << "prevPage" << 0 << 0 << 1;
    }

    void moves()
    {
        QFETCH(int, rows);
        QFETCH(int, startRow);
        QFETCH(QString, move);
        QFETCH(int, expectedCurrent);
        QFETCH(int, expectedTop);
        QFETCH(int, announced);
        Fixture f(rows);
        QCOMPARE(f.strip->CountPerPage(), 5);
        f.strip->start(f.model.index(startRow, 0));
        QCOMPARE(f.current(), startRow);

        const QStringList moves = move.split(',');
        for (int i = 0; i < moves.size() - 1; ++i)
            QMetaObject::invokeMethod(f.strip, moves[i].toLatin1().constData());
        QSignalSpy selected(f.strip, &PhotoViwerList::selectChanged);
        QMetaObject::invokeMethod(f.strip, moves.last().toLatin1().constData());
        QCOMPARE(f.current(), expectedCurrent);
        QCOMPARE(f.top(), expectedTop);
        QCOMPARE(selected.count(), announced);
        if (announced > 0)
            QCOMPARE(selected.last().at(0).toModelIndex().row(), expectedCurrent);
        QCOMPARE(f.model.row(expectedCurrent).isNew, false);
    }

    void startOnCurrentStillAnnounces()
    {
        Fixture f(10);
        QSignalSpy selected(f.strip, &PhotoViwerList::selectChanged);
        f.strip->start(f.model.index(3, 0));
        QCOMPARE(selected.count(), 1);
        f.strip->start(f.model.index(3, 0));
        QCOMPARE(selected.count(), 2);
        QCOMPARE(selected.last().at(0).toModelIndex().row(), 3);
    }

    // A double click never opens a cell.
    void doubleClickDoesNothing()
    {
        Fixture f(10);
        f.strip->start(f.model.index(0, 0));
        QSignalSpy activated(f.strip, &QAbstractItemView::activated);
        QSignalSpy selected(f.strip, &PhotoViwerList::selectChanged);
        const QPoint at = f.strip->visualRect(f.model.index(2, 0)).center();
        QMouseEvent event(
            QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.strip->viewport(), &event);
        QCOMPARE(activated.count(), 0);
        QCOMPARE(selected.count(), 0);
        QCOMPARE(f.current(), 0);
    }

    void partialLoadingAsksForThumbnails_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::newRow("partial loading") << true;
        QTest::newRow("normal") << false;
    }

    void partialLoadingAsksForThumbnails()
    {
        QFETCH(bool, partial);
        Fixture f(3);
        g_SharedValue.SetPartialLoading(partial);
        QSignalSpy asked(f.strip, &PhotoViwerList::on_signal_start_thumbLoad);
        f.strip->viewport()->repaint();
        QCOMPARE(asked.count() > 0, partial);
    }
};

QTEST_MAIN(TestFilmStrip)
#include "tst_filmstrip.moc"
