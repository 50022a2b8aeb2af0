#include "host/services/ocsharedvalue.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "support/testenvironment.h"
#include "testimages.h"
#include "viewer/photoviewercenter.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"
#include "viewertestmodel.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QtTest>

#include <memory>

namespace {

QPushButton* button(QWidget& viewer, const char* name)
{
    return viewer.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Shows the viewer on the model, `width` wide.
bool showViewer(PhotoViewerWidget& viewer, QAbstractItemModel* model, int width)
{
    viewer.SetModel(model);
    viewer.resize(width, 500);
    viewer.show();
    return QTest::qWaitForWindowExposed(&viewer);
}

// Width at which the film strip shows `cells` whole thumbnails.
int viewerWidthFor(int cells)
{
    return 108 + 116 * cells + 20;
}

} // namespace

// The real photo model behind the host's kind of sort proxy, with photo files
// in a temporary folder.
struct RealModel
{
    TestEnvironment env;
    PhotoItemViewModel model { nullptr, nullptr };
    QSortFilterProxyModel proxy;
    std::vector<std::unique_ptr<CPhotoDataItem>> items;
    QAbstractItemModelTester modelTester { &model };
    QAbstractItemModelTester proxyTester { &proxy };

    RealModel()
    {
        model.setViewerOpen(true);
        proxy.setSourceModel(&model);
    }

    CPhotoDataItem* add(const QString& name, const QSize& size, int rotation = 0)
    {
        const QString file = env.path(name);
        if (!QFile::exists(file))
            TestImages::writeSolid(file, size, Qt::darkCyan);
        items.push_back(std::make_unique<CPhotoDataItem>(file));
        CPhotoDataItem* item = items.back().get();
        item->setDirection(rotation, true);
        item->isNew = true;
        model.AddItem(item);
        return item;
    }
};

class TestPhotoViewerWidget : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_SharedValue.reset(); }

    void rotateSizeCheck_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("clockwise");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("100 MB clockwise") << qint64(104857600) << true << true;
        QTest::newRow("one byte more counter-clockwise") << qint64(104857601) << false << false;
    }

    void rotateSizeCheck()
    {
        QFETCH(qint64, size);
        QFETCH(bool, clockwise);
        QFETCH(bool, allowed);
        TestEnvironment env;
        MessageBoxRecorder boxes;
        ViewerTestModel model;
        model.addRows(3);
        model.row(1).size = size;
        PhotoViewerWidget viewer;
        viewer.SetModel(&model);
        viewer.show();
        viewer.FilmStrip()->start(model.index(1, 0));
        QSignalSpy rotate(&viewer, &PhotoViewerWidget::rotateImage);

        QTest::mouseClick(
            button(viewer, clockwise ? "btn_photo_viewer_rotate_r" : "btn_photo_viewer_rotate_l"),
            Qt::LeftButton);
        QCOMPARE(rotate.count(), allowed ? 1 : 0);
        QCOMPARE(boxes.requests().size(), allowed ? 0 : 1);
        if (allowed)
            QCOMPARE(rotate.last(), (QList<QVariant> { model.index(1, 0), clockwise ? 90 : -90 }));
        else
            QCOMPARE(boxes.requests().first().text,
                QStringLiteral("The more than 100 MB photo files do not support rotation."));
    }

    // Right-to-left layout swaps the places and meanings of the buttons; a
    // button with nowhere to go is disabled.
    void photoAndPageButtons_data()
    {
        QTest::addColumn<bool>("rtl");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected"); // -1: disabled
        // 30 photos, 5 per page, the strip at row 12 (rows 8 to 12 visible).
        QTest::newRow("ltr next photo") << false << 30 << 12 << "btn_photo_viewer_big_next" << 13;
        QTest::newRow("ltr previous page")
            << false << 30 << 12 << "btn_photo_viewer_small_pre" << 3;
        QTest::newRow("rtl previous photo") << true << 30 << 12 << "btn_photo_viewer_big_pre" << 13;
        QTest::newRow("rtl next photo") << true << 30 << 12 << "btn_photo_viewer_big_next" << 11;
        // Mirrored, the cell at the strip's left edge ends the page (rows 11 to 16 shown).
        QTest::newRow("rtl previous page")
            << true << 30 << 12 << "btn_photo_viewer_small_pre" << 21;
        QTest::newRow("rtl next page") << true << 30 << 12 << "btn_photo_viewer_small_next" << 11;
        QTest::newRow("first of many") << false << 20 << 0 << "btn_photo_viewer_small_pre" << -1;
        QTest::newRow("last of many") << false << 20 << 19 << "btn_photo_viewer_big_next" << -1;
        QTest::newRow("rtl first of many")
            << true << 20 << 0 << "btn_photo_viewer_small_next" << -1;
    }

    void photoAndPageButtons()
    {
        QFETCH(bool, rtl);
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(QString, name);
        QFETCH(int, expected);
        TestEnvironment env;
        g_SharedValue.SetRTL(rtl);
        ViewerTestModel model;
        model.addRows(rows);
        PhotoViewerWidget viewer;
        viewer.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
        QVERIFY(showViewer(viewer, &model, viewerWidthFor(5)));
        viewer.reSetCurrentIndex(model.index(row, 0));
        auto* pressed = viewer.findChild<QPushButton*>(name);
        QCOMPARE(pressed->isEnabled(), expected >= 0);
        pressed->click();
        QCOMPARE(viewer.FilmStrip()->currentIndex().row(), expected >= 0 ? expected : row);
    }

    // Opening a photo: the strip announces it, it counts as seen, and the
    // centre shows it turned by the item's rotation.
    void openPhoto()
    {
        RealModel m;
        m.add("a.png", QSize(120, 80));
        CPhotoDataItem* b = m.add("b.png", QSize(120, 80), 90);
        PhotoViewerWidget viewer;
        viewer.SetModel(&m.proxy);
        viewer.resize(776, 600);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QSignalSpy load(&viewer, qOverload<const QModelIndex&>(&PhotoViewerWidget::loadFile));

        viewer.reSetCurrentIndex(m.proxy.index(1, 0));
        QCOMPARE(load.count(), 1);
        QCOMPARE(load.last().at(0).toModelIndex().data(PhotoRole::PathRole).toString(), b->path);
        QCOMPARE(b->isNew, false);
        QCOMPARE(viewer.Center()->ImageSize(), QSize(80, 120));
        QCOMPARE(viewer.title(), QStringLiteral("b.png"));

        // The screen turns the shown picture once a rotation passed its checks.
        viewer.RotateView(b->path, -90);
        QCOMPARE(viewer.Center()->ImageSize(), QSize(120, 80));
        viewer.RotateView(b->path, 45);
        QCOMPARE(viewer.Center()->ImageSize(), QSize(120, 80));
    }

    void downloadCoversTheViewer()
    {
        TestEnvironment env;
        ViewerTestModel model;
        model.addRows(5);
        PhotoViewerWidget viewer;
        QVERIFY(showViewer(viewer, &model, 700));
        viewer.reSetCurrentIndex(model.index(2, 0));

        viewer.startDownloadImage();
        QVERIFY(viewer.LoadingWidget()->isVisible());
        QVERIFY(viewer.FilmStrip()->IsDownloading());
        QTest::keyClick(viewer.FilmStrip(), Qt::Key_Right);
        QCOMPARE(viewer.FilmStrip()->currentIndex().row(), 2);

        viewer.stopDownloadImage();
        QVERIFY(!viewer.LoadingWidget()->isVisible());
        QTest::keyClick(viewer.FilmStrip(), Qt::Key_Right);
        QCOMPARE(viewer.FilmStrip()->currentIndex().row(), 3);
    }

    // A long name is elided, and never holds the viewer wider than it is.
    void titleIsElided()
    {
        TestEnvironment env;
        PhotoViewerWidget viewer;
        viewer.resize(400, 500);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        auto* label = viewer.findChild<QLabel*>(QStringLiteral("label"));
        viewer.changetitle(QStringLiteral("a very long file name that cannot fit ").repeated(4));
        QVERIFY(label->text().endsWith(QChar(0x2026)));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        viewer.resize(300, 500);
        QCOMPARE(viewer.width(), 300);
    }

    void insertedRowsSelectTheFirstAndAskForThumbnails()
    {
        RealModel m;
        PhotoViewerWidget viewer;
        QVERIFY(showViewer(viewer, &m.proxy, viewerWidthFor(5)));
        viewer.SetSortOrder(PhotoColumn::Name, Qt::DescendingOrder);
        QSignalSpy more(&viewer, &PhotoViewerWidget::addThumbnail);
        QSignalSpy load(&viewer, qOverload<const QModelIndex&>(&PhotoViewerWidget::loadFile));

        m.add("b.png", QSize(8, 8));
        m.add("c.png", QSize(8, 8));
        m.add("a.png", QSize(8, 8));
        QCOMPARE(more.count(), 3);
        QVERIFY(load.count() >= 1);
        QStringList order;
        for (int row = 0; row < m.proxy.rowCount(); ++row)
            order << m.proxy.index(row, PhotoColumn::Name).data().toString();
        QCOMPARE(order, QStringList({ "c", "b", "a" }));
        QVERIFY(viewer.FilmStrip()->currentIndex().isValid());
    }

    void closingStopsAndClearsTheViewer()
    {
        RealModel m;
        const QString gif = m.env.path("clip.gif");
        QVERIFY(TestImages::writeGif(gif, QSize(20, 20), { Qt::red, Qt::blue }));
        m.add("clip.gif", QSize());
        PhotoViewerWidget viewer;
        viewer.SetModel(&m.proxy);
        viewer.show();
        viewer.reSetCurrentIndex(m.proxy.index(0, 0));
        QVERIFY(viewer.Center()->IsMovie());
        QVERIFY(viewer.FilmStrip()->IsActive());

        emit viewer.on_signal_closed();
        QVERIFY(!viewer.Center()->movie());
        QVERIFY(viewer.title().isEmpty());
        QVERIFY(!viewer.FilmStrip()->IsActive());
        // A download that ends after the viewer was cleared shows nothing.
        viewer.initViewer();
        viewer.loadFile(m.items[0]->path);
        QVERIFY(viewer.Center()->ImageSize().isEmpty());
    }
};

QTEST_MAIN(TestPhotoViewerWidget)
#include "tst_photoviewerwidget.moc"
