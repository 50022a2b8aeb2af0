#include "host/contract/pluginhostcontext.h"
#include "host/mime/qfilecontentsmimedata.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocplugin.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"
#include "support/testenvironment.h"

#include <QAbstractItemModelTester>
#include <QDataStream>
#include <QMimeData>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

using TransferToPhoneFiles = void (OCPluginWidget::*)(int, const QStringList&);
using TransferToPhonePlaylist = void (OCPluginWidget::*)(int, int);

namespace {

QByteArray itemData(qint32 type, qint32 playlist, qint64 total)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << type << playlist << total;
    return bytes;
}

} // namespace

class TestPhotoItemViewModel : public QObject
{
    Q_OBJECT

private:
    std::vector<std::unique_ptr<CPhotoDataItem>> m_items;
    std::unique_ptr<TestEnvironment> m_env; // the widget saves its view settings
    std::unique_ptr<MessageBoxRecorder> m_boxes; // the screen's notices
    PluginHostContext m_context;
    std::unique_ptr<OCPlugin> m_plugin;
    std::unique_ptr<OCPluginWidget> m_widget;
    PhotoItemViewModel* m_model = nullptr;
    std::unique_ptr<QSortFilterProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<QAbstractItemModelTester> m_proxyTester;

    CPhotoDataItem* addPhoto(const QString& path, quint32 size, int width = 0, int height = 0)
    {
        m_items.push_back(std::make_unique<CPhotoDataItem>(path, QString()));
        CPhotoDataItem* item = m_items.back().get();
        item->setFileSize(size);
        item->setWidth(width);
        item->setHeight(height);
        item->setExists(true);
        m_model->AddItem(item);
        return item;
    }
    // The proxy index of the row showing this item.
    QModelIndex proxyIndex(CPhotoDataItem* item, int column)
    {
        return m_proxy->mapFromSource(m_model->index(m_model->IndexOf(item), column));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_boxes = std::make_unique<MessageBoxRecorder>();
        m_plugin = std::make_unique<OCPlugin>();
        m_plugin->hostContext = &m_context;
        m_widget = std::make_unique<OCPluginWidget>(m_plugin.get(), nullptr);
        m_model = m_widget->model();
        m_proxy = std::make_unique<QSortFilterProxyModel>();
        m_proxy->setSourceModel(m_model);
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            m_model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_proxyTester = std::make_unique<QAbstractItemModelTester>(
            m_proxy.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        m_proxyTester.reset();
        m_modelTester.reset();
        m_proxy.reset();
        m_widget.reset();
        m_plugin.reset();
        m_items.clear();
        m_boxes.reset();
        m_env.reset();
    }

    // Day and folder captions as the album headers show them, inside the phone.
    void captions()
    {
        CPhotoDataItem* item = addPhoto("\\Phone\\DCIM\\Camera\\c.jpg", 1);
        item->setShootingDate(QDateTime(QDate(2023, 6, 2), QTime(12, 0)));
        const QModelIndex row = m_model->index(0, 0);
        QCOMPARE(row.siblingAtColumn(PhotoColumn::Folder).data(Qt::DecorationRole).toString(),
            QStringLiteral("DCIM/Camera"));
        QCOMPARE(row.siblingAtColumn(PhotoColumn::DateTaken).data(Qt::DecorationRole).toString(),
            GetFormattedDate(QDate(2023, 6, 2)));
    }

    void editsFindTheirItemThroughRowRole()
    {
        CPhotoDataItem* b = addPhoto("/p/b.jpg", 2);
        CPhotoDataItem* a = addPhoto("/p/a.jpg", 1);
        a->isChecked = b->isChecked = false;
        m_proxy->sort(2, Qt::AscendingOrder); // proxy rows differ from model rows
        QVERIFY(m_proxy->setData(proxyIndex(a, 1), true, Qt::CheckStateRole));
        QVERIFY(a->isChecked && !b->isChecked);

        QSignalSpy changed(m_model, &QAbstractItemModel::dataChanged);
        QVERIFY(m_proxy->setData(proxyIndex(b, 2), "Beach", Qt::EditRole));
        QCOMPARE(b->title, QStringLiteral("Beach"));
        QVERIFY(m_proxy->setData(proxyIndex(b, 2), "", Qt::EditRole));
        QCOMPARE(b->title, QStringLiteral("Beach"));
        QVERIFY(!m_proxy->setData(proxyIndex(b, 8), "x", Qt::EditRole));

        QVERIFY(m_proxy->setData(proxyIndex(a, 0), "/p/new/Sun.png", PhotoRole::PathRole));
        QCOMPARE(a->path, QStringLiteral("\\p\\new\\Sun.png"));
        QCOMPARE(a->title, QStringLiteral("Sun"));
        QCOMPARE(a->fileName(), QStringLiteral("Sun.png"));
        QVERIFY(changed.count() >= 3);
    }

    void rotationRequests_data()
    {
        QTest::addColumn<int>("loadState");
        QTest::addColumn<quint32>("size");
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("rotated");
        QTest::newRow("120 MB refused") << 2 << 125829120u << 90 << false << 1 << 0;
        QTest::newRow("angle 2 ignored") << 2 << 10u << 2 << true << 0 << 0;
        QTest::newRow("not loaded") << 0 << 10u << 90 << true << 0 << 0;
    }
    void rotationRequests()
    {
        QFETCH(int, loadState);
        QFETCH(quint32, size);
        QFETCH(int, angle);
        CPhotoDataItem* item = addPhoto("/p/a.jpg", size);
        item->setLoadState(loadState);
        QSignalSpy failed(m_model, &PhotoItemViewModel::on_signal_failed_rotate);
        QSignalSpy rotate(m_model, &PhotoItemViewModel::on_signal_rotate_image);
        QTEST(m_model->setData(m_model->index(0, 0), angle, PhotoRole::RotateRole), "result");
        QTEST(failed.count(), "failed");
        QTEST(rotate.count(), "rotated");
        QCOMPARE(m_boxes->requests().size(), failed.count()); // the over-size notice
        if (rotate.count())
            QCOMPARE(rotate.first(), (QList<QVariant> { item->path, angle }));
    }

    void addItemsAppendsOneRun_data()
    {
        // Names of photos: "-" stands for a null pointer; a repeated name is
        // the same item.
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("inserted"); // rows of the one notification, 0 for none
        QTest::newRow("empty") << QStringList { "a" } << QStringList {} << QStringList { "a" } << 0;
        QTest::newRow("shown, null and twice left out")
            << QStringList { "a", "b" } << QStringList { "a", "-", "c", "b", "c", "d" }
            << QStringList { "a", "b", "c", "d" } << 2;
        QTest::newRow("only shown ones")
            << QStringList { "a", "b" } << QStringList { "b", "-", "a" } << QStringList { "a", "b" }
            << 0;
    }

    void addItemsAppendsOneRun()
    {
        QFETCH(QStringList, shown);
        QFETCH(QStringList, added);
        QFETCH(QStringList, rows);
        QFETCH(int, inserted);
        QMap<QString, CPhotoDataItem*> items;
        for (const QString& name : shown)
            items[name] = addPhoto("/p/" + name + ".jpg", 1);
        for (const QString& name : added) {
            if (name != "-" && !items.contains(name)) {
                m_items.push_back(
                    std::make_unique<CPhotoDataItem>("/p/" + name + ".jpg", QString()));
                items[name] = m_items.back().get();
            }
        }
        QList<CPhotoDataItem*> list;
        for (const QString& name : added)
            list << items.value(name, nullptr);

        QSignalSpy spy(m_model, &QAbstractItemModel::rowsInserted);
        QCOMPARE(m_model->AddItems(list), inserted);
        QCOMPARE(spy.count(), inserted ? 1 : 0);
        if (inserted) {
            QCOMPARE(spy.first().at(1).toInt(), shown.size());
            QCOMPARE(spy.first().at(2).toInt(), shown.size() + inserted - 1);
        }
        QCOMPARE(m_model->rowCount(), rows.size());
        for (int row = 0; row < rows.size(); ++row) {
            CPhotoDataItem* item = items.value(rows.at(row));
            QCOMPARE(m_model->itemAt(row), item);
            QCOMPARE(m_model->IndexOf(item), row);
        }
    }

    void dragOfTwoTableRows()
    {
        CPhotoDataItem* a = addPhoto("/p/a.jpg", 1000);
        addPhoto("/p/b.jpg", 24);
        CPhotoDataItem* gone = addPhoto("/p/gone.jpg", 5);
        gone->setExists(false);
        QModelIndexList cells;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 15; ++column)
                cells << m_proxy->index(row, column);
        cells << proxyIndex(gone, 2);
        std::unique_ptr<QMimeData> mime(m_proxy->mimeData(cells));
        QVERIFY(mime);
        QCOMPARE(mime->urls().size(), 2);
        QCOMPARE(mime->urls().first(), QUrl::fromLocalFile(a->path.replace('\\', '/')));

        g_SharedValue.SetShowTransferNotiDlg(true);
        mime.reset(m_model->mimeData({ m_model->index(2, 0) }));
        QCOMPARE(mime->urls().size(), 1);
    }

    void dragKindFollowsConnection_data()
    {
        QTest::addColumn<int>("connection");
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << 0x80000 << 0;
        QTest::newRow("full records") << 0x40000 << 2;
        QTest::newRow("minimal records") << 0x10000 << 1;
    }
    void dragKindFollowsConnection()
    {
        QFETCH(int, connection);
        addPhoto("/p/a.jpg", 1);
        m_widget->view()->setFileAgentType(connection);
        std::unique_ptr<QMimeData> mime(m_model->mimeData({ m_model->index(0, 2) }));
        auto* contents = qobject_cast<QFileContentsMimeData*>(mime.get());
        QVERIFY(contents);
        QTEST(contents->urlKind(), "kind");
        QVERIFY(contents->hasUrls());
    }

    void drops_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QByteArray>("itemData");
        QTest::addColumn<QByteArray>("playlist");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("playlistId");
        const QList<QUrl> mixed { QUrl::fromLocalFile("/pc/a.JPG"),
            QUrl::fromLocalFile("/pc/b.txt"), QUrl::fromLocalFile("/pc/c") };
        const QStringList none;
        QTest::newRow("own drag") << mixed << itemData(16, -1, 10) << QByteArray()
                                  << int(Qt::CopyAction) << true << none << -1;
        QTest::newRow("pc photo library")
            << mixed << itemData(3, 4, 10) << QByteArray() << int(Qt::CopyAction) << true
            << QStringList { "\\pc\\a.JPG" } << -1;
        QTest::newRow("truncated item data") << mixed << itemData(3, 4, 10).left(6) << QByteArray()
                                             << int(Qt::CopyAction) << false << none << -1;
        QTest::newRow("playlist") << QList<QUrl>() << QByteArray() << QByteArray("12")
                                  << int(Qt::CopyAction) << true << none << 12;
        QTest::newRow("playlist not a number")
            << QList<QUrl>() << QByteArray() << QByteArray("12abc") << int(Qt::CopyAction) << false
            << none << -1;
        QTest::newRow("web urls") << QList<QUrl> { QUrl("http://example.invalid/a.jpg") }
                                  << QByteArray() << QByteArray() << int(Qt::CopyAction) << true
                                  << none << -1;
        QTest::newRow("move refused")
            << mixed << QByteArray() << QByteArray() << int(Qt::MoveAction) << false << none << -1;
        QTest::newRow("nothing usable") << QList<QUrl>() << QByteArray() << QByteArray()
                                        << int(Qt::CopyAction) << false << none << -1;
    }
    void drops()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QByteArray, itemData);
        QFETCH(QByteArray, playlist);
        QFETCH(int, action);
        QFETCH(QStringList, files);
        QFETCH(int, playlistId);
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!itemData.isNull())
            data.setData("application/tz-itemdata", itemData);
        if (!playlist.isNull())
            data.setData("application/tz-playlist", playlist);
        data.setText("ignored here");
        QSignalSpy toPhone(m_widget.get(),
            static_cast<TransferToPhoneFiles>(&OCPluginWidget::on_signal_transfer_to_phone));
        QSignalSpy toPhonePlaylist(m_widget.get(),
            static_cast<TransferToPhonePlaylist>(&OCPluginWidget::on_signal_transfer_to_phone));
        QTEST(
            m_model->dropMimeData(&data, Qt::DropAction(action), 0, 0, QModelIndex()), "accepted");
        QCOMPARE(toPhone.count(), files.isEmpty() ? 0 : 1);
        if (!files.isEmpty())
            QCOMPARE(toPhone.first(), (QList<QVariant> { 2, files }));
        QCOMPARE(toPhonePlaylist.count(), playlistId < 0 ? 0 : 1);
        if (playlistId >= 0)
            QCOMPARE(toPhonePlaylist.first(), (QList<QVariant> { 2, playlistId }));
    }

};

QTEST_MAIN(TestPhotoItemViewModel)
#include "tst_photoitemviewmodel.moc"
