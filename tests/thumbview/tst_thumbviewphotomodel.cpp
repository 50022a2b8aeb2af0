// The album page and its grouped views over the photo model, seen through a
// sort proxy as the screen shows it.

#include "host/contract/pluginhostcontext.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocplugin.h"
#include "plugin/ocpluginwidget.h"
#include "support/testenvironment.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace {

QPixmap solid(const QColor& color)
{
    QPixmap pixmap(160, 120);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

class TestThumbviewPhotoModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    PluginHostContext m_context;
    std::unique_ptr<OCPlugin> m_plugin;
    std::unique_ptr<OCPluginWidget> m_widget;
    PhotoItemViewModel* m_model = nullptr;
    std::unique_ptr<QSortFilterProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::vector<std::unique_ptr<CPhotoDataItem>> m_items;

    CPhotoDataItem* addPhoto(
        const QString& path, const QDate& taken, const QColor& color = Qt::gray)
    {
        m_items.push_back(std::make_unique<CPhotoDataItem>(path, QString()));
        CPhotoDataItem* item = m_items.back().get();
        if (taken.isValid())
            item->setShootingDate(QDateTime(taken, QTime(12, 0)));
        item->setThumbnail(solid(color));
        item->setThumbnailLoaded(true);
        item->setExists(true);
        item->setFileSize(1000);
        m_model->AddItem(item);
        return item;
    }

    // Three days in two folders. (A photo without a date has the integer 0
    // as its sort key, which QSortFilterProxyModel cannot order against
    // dates; the host's own sort proxy does.)
    void addSamplePhotos()
    {
        addPhoto("\\Phone\\DCIM\\Camera\\c.jpg", QDate(2023, 6, 2), Qt::red);
        addPhoto("\\Phone\\DCIM\\Camera\\a.jpg", QDate(2023, 6, 1));
        addPhoto("\\Phone\\Pictures\\Screenshots\\s1.png", QDate(2023, 6, 3));
        addPhoto("\\Phone\\DCIM\\Camera\\b.jpg", QDate(2023, 6, 2));
        addPhoto("\\Phone\\Pictures\\Screenshots\\s2.png", QDate(2023, 6, 1));
    }

    QStringList groupCaptions(ThumbnailGroupView* view) const
    {
        QStringList captions;
        int row = 0;
        for (int g = 0; g < view->GroupTotal(); ++g) {
            captions.append(
                m_proxy->index(row, view->GroupColumn()).data(Qt::DecorationRole).toString());
            row += view->GroupCounts().value(
                m_proxy->index(row, view->GroupColumn()).data().toString());
        }
        return captions;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_plugin = std::make_unique<OCPlugin>();
        m_plugin->hostContext = &m_context;
        m_widget = std::make_unique<OCPluginWidget>(m_plugin.get(), nullptr);
        m_model = m_widget->model();
        m_model->SetViewMode(2);
        m_proxy = std::make_unique<QSortFilterProxyModel>();
        m_proxy->setSourceModel(m_model);
        m_tester = std::make_unique<QAbstractItemModelTester>(m_proxy.get());
    }

    void cleanup()
    {
        m_tester.reset();
        m_proxy.reset();
        m_widget.reset();
        m_plugin.reset();
        m_items.clear();
        m_env.reset();
    }

    void pageGroupsByDayAndFolder()
    {
        addSamplePhotos();
        AlbumViewWidget page;
        page.SetModel(m_proxy.get());
        page.SetThumbSize(1);
        page.SetSortState(7, 0);
        page.resize(1000, 700);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        ThumbnailGroupView* days = page.View(0);
        QCOMPARE(groupCaptions(days),
            QStringList({ GetFormattedDate(QDate(2023, 6, 1)), GetFormattedDate(QDate(2023, 6, 2)),
                GetFormattedDate(QDate(2023, 6, 3)) }));

        page.SetSortState(9, 1);
        ThumbnailGroupView* folders = page.View(2);
        // Headed as inside the phone, sorted as stored.
        QCOMPARE(groupCaptions(folders), QStringList({ "Pictures/Screenshots", "DCIM/Camera" }));
    }

    void gridShowsTheItemsThumbnails()
    {
        addSamplePhotos();
        ThumbnailGroupView view;
        view.SetGroupColumn(2);
        m_proxy->sort(2, Qt::AscendingOrder);
        view.setModel(m_proxy.get());
        view.ConnectModelSignals();
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex red = m_proxy->index(2, 0); // c.jpg
        QCOMPARE(red.sibling(2, 2).data().toString(), QStringLiteral("c"));
        const QImage image = view.viewport()->grab().toImage();
        const QColor colour(image.pixel(view.visualRect(red).center() - QPoint(0, 10)));
        QVERIFY2(colour.red() > 200 && colour.green() < 60 && colour.blue() < 60,
            qPrintable(colour.name()));
    }
};

QTEST_MAIN(TestThumbviewPhotoModel)
#include "tst_thumbviewphotomodel.moc"
