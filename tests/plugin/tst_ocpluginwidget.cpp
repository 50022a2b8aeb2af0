#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "host/services/registry.h"
#include "host/widgets/cexttableview.h"
#include "model/logcapture.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"
#include "support/screenfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

const QString SettingsKey
    = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\PluginSetting\\PhonePhoto");

int readInt(const char* name)
{
    return GetRegstryInt(1, SettingsKey, QLatin1String(name));
}

void writeInt(const char* name, int value)
{
    SetRegstryInt(1, SettingsKey, QLatin1String(name), value);
}

void writeString(const char* name, const QString& value)
{
    SetRegstryStr(1, SettingsKey, QLatin1String(name), value);
}

// A phone that shows the listing callback it would call.
class CallbackAgent : public FolderPhoneAgent
{
public:
    using FolderPhoneAgent::FolderPhoneAgent;
    void SetItemLoadCallback(PFN_ItemLoadCallback callback) override
    {
        given = callback;
        FolderPhoneAgent::SetItemLoadCallback(callback);
    }
    PFN_ItemLoadCallback given = nullptr;
};

ScreenFixture::Options notCreated(int kind = 0x80000, bool thumbnails = true)
{
    ScreenFixture::Options options;
    options.connectionKind = kind;
    options.phoneThumbnails = thumbnails;
    options.create = false;
    return options;
}

// True when the stored logical columns sit at distinct visual positions.
bool isPermutation(QHeaderView* header)
{
    QSet<int> seen;
    for (int logical = 0; logical < header->count(); ++logical)
        seen.insert(header->visualIndex(logical));
    return seen.size() == header->count() && !seen.contains(-1);
}

QString identityOrder()
{
    QStringList parts;
    for (int column = 0; column < 14; ++column)
        parts.append(QString::number(column));
    return parts.join(',');
}

} // namespace

class TestOCPluginWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ITEM_TYPE>("ITEM_TYPE");
        qRegisterMetaType<Qt::Alignment>("Qt::Alignment");
        qRegisterMetaType<quintptr>("quintptr");
    }

    void settingsSurviveARestart()
    {
        ScreenFixture fixture;
        PhotoItemViewWidget* screen = fixture.screen();
        emit fixture.manager().on_signal_pmgr_changedType_View(1);
        screen->SetSortInfo(0, PhotoColumn::Size, 1);
        screen->SetSortInfo(1, PhotoColumn::DateTaken, 0);
        screen->SetSortInfo(2, PhotoColumn::Folder, 1);
        screen->SetThumbSize(3);
        QHeaderView* list = screen->listView()->horizontalHeader();
        list->moveSection(list->visualIndex(PhotoColumn::Folder), 2);
        list->resizeSection(PhotoColumn::Name, 333);
        screen->thumbListView()->horizontalHeader()->resizeSection(PhotoColumn::Folder, 222);
        const QString listOrder = screen->GetColumnList(0);
        const QString listWidths = screen->GetColumnWidths(0);
        const QString thumbWidths = screen->GetColumnWidths(1);
        QVERIFY(listOrder != identityOrder());

        fixture.destroyWidget();
        fixture.createWidget();
        screen = fixture.screen();
        QCOMPARE(screen->GetViewMode(true), 1);
        QCOMPARE(screen->GetThumbSize(), 3);
        QCOMPARE(screen->GetSortColumn(0), int(PhotoColumn::Size));
        QCOMPARE(screen->GetSortOrder(0), 1);
        QCOMPARE(screen->GetSortColumn(1), int(PhotoColumn::DateTaken));
        QCOMPARE(screen->GetSortColumn(2), int(PhotoColumn::Folder));
        QCOMPARE(screen->GetSortOrder(2), 1);
        QCOMPARE(screen->GetColumnList(0), listOrder);
        QCOMPARE(screen->GetColumnWidths(0), listWidths);
        QCOMPARE(screen->GetColumnWidths(1), thumbWidths);
    }

    void storedSortFallsBack_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("restoredColumn");
        QTest::addColumn<int>("restoredOrder");
        QTest::newRow("order without a column is ignored") << -1 << 1 << 2 << 0;
        QTest::newRow("size without an order") << 4 << -1 << 4 << 0;
        QTest::newRow("size with a damaged order") << 4 << 7 << 4 << 0;
    }

    void storedSortFallsBack()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(int, restoredColumn);
        QFETCH(int, restoredOrder);
        ScreenFixture fixture(notCreated());
        if (column != -1)
            writeInt("ListSortColumn", column);
        if (order != -1)
            writeInt("ListSortOrder", order);
        fixture.createWidget();
        QCOMPARE(fixture.screen()->GetSortColumn(0), restoredColumn);
        QCOMPARE(fixture.screen()->GetSortOrder(0), restoredOrder);
    }

    void damagedColumnStrings_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("widths");
        QTest::addColumn<QString>("restoredOrder"); // empty: the identity
        QTest::addColumn<int>("nameWidth"); // -1: not taken from the string
        const QString same;
        QTest::newRow("letters") << "x,y,z"
                                 << "abc" << same << -1;
        QTest::newRow("out of range") << "99,0"
                                      << "0,0,99999" << same << -1;
        QTest::newRow("stops at the damage") << "1,0,x,2"
                                             << "0,0,333,abc,444"
                                             << "1,0,2,3,4,5,6,7,8,9,10,11,12,13" << 333;
        QTest::newRow("a thousand parts")
            << QString("0,").repeated(1000) << QString("50,").repeated(1000) << QString() << 50;
    }

    void damagedColumnStrings()
    {
        QFETCH(QString, order);
        QFETCH(QString, widths);
        QFETCH(QString, restoredOrder);
        QFETCH(int, nameWidth);
        ScreenFixture fixture(notCreated());
        writeString("ListColumnList", order);
        writeString("ListColumnWidth", widths);
        fixture.createWidget();
        QVERIFY(fixture.isValid());
        QHeaderView* header = fixture.screen()->listView()->horizontalHeader();
        QCOMPARE(header->count(), int(PhotoColumn::Count));
        QVERIFY(isPermutation(header));
        if (!restoredOrder.isNull() || order.count(',') < 100)
            QCOMPARE(fixture.screen()->GetColumnList(0),
                restoredOrder.isEmpty() ? identityOrder() : restoredOrder);
        if (nameWidth >= 0)
            QCOMPARE(header->sectionSize(PhotoColumn::Name), nameWidth);
        for (int column = 0; column < header->count(); ++column)
            QVERIFY(header->sectionSize(column) < 2000);
        // The check column keeps its fixed width whatever the string says.
        QCOMPARE(header->sectionSize(PhotoColumn::Check), 32);
    }

    void phoneCapabilities_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("thumbnails");
        QTest::addColumn<int>("storedMode");
        QTest::addColumn<int>("viewerSupport");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("viewerThumbnails");
        QTest::addColumn<bool>("resolutionShown");
        QTest::newRow("mass storage, nothing stored")
            << 0x80000 << true << -1 << -1 << 2 << true << true;
        QTest::newRow("damaged mode") << 0x80000 << true << 17 << -1 << 2 << true << true;
        QTest::newRow("media transfer") << 0x40000 << true << 2 << -1 << 0 << true << false;
        QTest::newRow("no phone thumbnails") << 0x80000 << false << 2 << -1 << 0 << true << true;
        QTest::newRow("no viewer thumbnails") << 0x80000 << true << 2 << 0 << 2 << false << true;
    }

    void phoneCapabilities()
    {
        QFETCH(int, kind);
        QFETCH(bool, thumbnails);
        QFETCH(int, storedMode);
        QFETCH(int, viewerSupport);
        QFETCH(int, page);
        QFETCH(bool, viewerThumbnails);
        QFETCH(bool, resolutionShown);
        ScreenFixture fixture(notCreated(kind, thumbnails));
        if (storedMode != -1)
            writeInt("ViewMode", storedMode);
        if (viewerSupport != -1)
            SetRegstryInt(1,
                QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\DeviceDB\\%1")
                    .arg(fixture.agent()->GetDeviceIndex()),
                QStringLiteral("MTPThumbnail"), viewerSupport);
        fixture.createWidget();
        PhotoItemViewWidget* screen = fixture.screen();
        QCOMPARE(screen->currentIndex(), page);
        QCOMPARE(screen->viewerThumbnails(), viewerThumbnails);
        for (CExtTableView* table : { screen->listView(), screen->thumbListView() })
            QCOMPARE(!table->isColumnHidden(PhotoColumn::Resolution), resolutionShown);
        fixture.destroyWidget();
        QCOMPARE(readInt("ViewMode"), page);
    }

    void hostRequestsReachTheScreen()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 2);
        PluginManager& host = fixture.manager();
        PhotoItemViewWidget* screen = fixture.screen();
        QSignalSpy notice(screen, &PhotoItemViewWidget::on_signal_notice_thumbnail);
        QSignalSpy boxesClosed(screen, &PhotoItemViewWidget::on_signal_messagebox_close);
        QSignalSpy deviceChanged(screen, &PhotoItemViewWidget::on_signal_devicechange);
        QSignalSpy status(&host, &PluginManager::statusTextRequested);
        QSignalSpy pair(&host, &PluginManager::pairWidgetAnnounced);
        QSignalSpy toPc(&host, &PluginManager::toPcButtonEnabled);
        LogCapture log;

        emit host.on_signal_pmgr_changedType_View(0);
        QCOMPARE(screen->currentIndex(), 0);
        QCOMPARE(notice.count(), 1);

        status.clear();
        emit host.on_signal_pmgr_statusbar_finish();
        QCOMPARE(status.count(), 0); // queued to the next pass
        QTRY_VERIFY(status.count() > 0);

        emit host.on_signal_pmgr_plugin_pairwidget(OCGlobal::ITEM_PHONE_PHOTO, nullptr);
        QCOMPARE(pair.count(), 1);
        QCOMPARE(pair.first().at(1).value<QWidget*>(), screen);
        emit host.on_signal_devicechange(false);
        QCOMPARE(deviceChanged.count(), 1);
        QCOMPARE(boxesClosed.count(), 1);
        emit host.on_signal_main_close();
        emit host.on_signal_phoneview_close();
        QCOMPARE(boxesClosed.count(), 3);

        // Main menu: commands run once the host's menu has closed.
        emit host.signalSelectAllFromMainMenu();
        QTRY_COMPARE(PhotoItemViewWidget::selectedRowIndexes(fixture.currentView()).size(),
            fixture.model()->rowCount());
        emit host.signalSelectNoneFromMainMenu();
        QTRY_VERIFY(PhotoItemViewWidget::selectedRowIndexes(fixture.currentView()).isEmpty());
        fixture.select({ 1 });
        QStringList shown;
        SetOpenWindowExplorerHandler([&shown](const QString& folder) { shown.append(folder); });
        emit host.signalShowInWindowsFromMainMenu();
        QTRY_COMPARE(shown.size(), 1);
        emit host.signalCopyFromMainMenu();
        const auto copied = [] {
            const QMimeData* data = QApplication::clipboard()->mimeData();
            return data && data->hasFormat(QStringLiteral("application/tz-itemdata"));
        };
        QTRY_VERIFY(copied());
        emit host.signalDeleteFromMainMenu();
        QTRY_VERIFY(log.contains("DeleteOperation::start : start"));
        // The properties dialog is modal: close it once it is up.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        closer.start(20);
        emit host.signalPropertyFromMainMenu();
        QTRY_VERIFY(log.contains("PropertiesController::showProperties : end"));
        closer.stop();
        // The delete's end rebuilds the rows, and with them the selection.
        QTRY_VERIFY(log.contains("DeleteOperation::end : end"));
        fixture.select({ 0 });
        emit host.signalMusicPlayFromMainMenu();
        QTRY_COMPARE(screen->currentIndex(), int(PhotoItemViewWidget::ViewerMode));
        // Last: choosing the entry lists the phone, which the rows above
        // were filled without.
        toPc.clear();
        emit host.on_signal_pmgr_leftview_actionsubitem(
            OCGlobal::ITEM_PHONE_PHOTO, "clicked", "Photo", QString(), 0);
        QVERIFY(toPc.count() >= 1);
        QCOMPARE(screen->currentIndex(), 0); // the viewer closes
        emit host.on_signal_device_init(16);
        QCOMPARE(fixture.model()->rowCount(), 0);
        QApplication::clipboard()->clear();
    }

    void pluginRequestsReachTheHost()
    {
        CallbackAgent* agent = nullptr;
        ScreenFixture::Options options;
        options.makeAgent = [&agent](const QString& folder, int kind) {
            return std::unique_ptr<FolderPhoneAgent>(agent = new CallbackAgent(folder, kind));
        };
        ScreenFixture fixture(options);
        PluginManager& host = fixture.manager();
        OCPluginWidget* widget = fixture.widget();
        PhotoItemViewWidget* screen = fixture.screen();
        QSignalSpy modes(&host, &PluginManager::viewModeReported);
        QSignalSpy status(&host, &PluginManager::statusTextRequested);
        QSignalSpy playlistToPhone(&host, &PluginManager::playlistToPhoneRequested);
        QSignalSpy dragOut(&host, &PluginManager::dragOutTransferRequested);

        emit screen->on_signal_changedType_View(1, 7);
        QCOMPARE(modes.last().at(0).toInt(), 1);
        QCOMPARE(modes.last().at(1).toUInt(), 7u);
        emit widget->on_signal_showStatusBarMessage(
            QStringLiteral("from the widget"), Qt::AlignLeft);
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("from the widget"));

        widget->TransferToPhone(12);
        QCOMPARE(playlistToPhone.last().at(0).toInt(), 12);
        OCPluginWidget::FileContentsCallback("\\DCIM\\b.jpg", "/tmp/b.jpg", 512, 99);
        QCOMPARE(dragOut.count(), 1);
        QCOMPARE(dragOut.last().at(3).value<quintptr>(), quintptr(99));

        // Once the widget is gone, callbacks find nobody, and the phone has
        // no listing callback to call.
        QVERIFY(agent->given);
        fixture.destroyWidget();
        QVERIFY(!OCPluginWidget::instance());
        QVERIFY(!agent->given);
        OCPluginWidget::FileContentsCallback("\\DCIM\\b.jpg", "/tmp/b.jpg", 512, 99);
        PhotoItemViewWidget::ItemLoadCallback(-1, 0);
        QCOMPARE(dragOut.count(), 1);
    }

    void dropsFromTheHost_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("kinds"); // "photo" or "text" files
        QTest::addColumn<int>("location");
        QTest::addColumn<bool>("reachesModel");
        QTest::addColumn<int>("sent");
        QTest::newRow("photos") << QString() << QStringList { "photo", "photo" } << 1 << true << 2;
        QTest::newRow("pc_photo with photos and text")
            << "pc_photo" << QStringList { "photo", "text" } << 1 << true << 1;
        QTest::newRow("other text with photos")
            << "music" << QStringList { "photo" } << 1 << false << 0;
        QTest::newRow("photos and a text file")
            << QString() << QStringList { "photo", "text" } << 1 << false << 0;
        QTest::newRow("on the navigation tree")
            << QString() << QStringList { "photo" } << 2 << false << 0;
    }

    void dropsFromTheHost()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, kinds);
        QFETCH(int, location);
        QFETCH(bool, reachesModel);
        QFETCH(int, sent);
        ScreenFixture fixture;
        const QStringList photos = fixture.photoFiles();
        const QString textFile = fixture.settingsFolder() + QStringLiteral("/notes.txt");
        QFile notes(textFile);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("notes");
        notes.close();
        QList<QUrl> urls;
        int photo = 0;
        for (const QString& kind : kinds)
            urls.append(QUrl::fromLocalFile(kind == "photo" ? photos.at(photo++) : textFile));
        QMimeData data;
        data.setUrls(urls);
        if (!text.isEmpty())
            data.setText(text);
        QSignalSpy toPhone(&fixture.manager(), &PluginManager::transferToPhoneRequested);
        LogCapture log;

        emit fixture.manager().on_signal_pmgr_droped_data(&data, -1, DROP_LOCATION(location));
        QCOMPARE(log.contains("PhotoItemViewModel::dropMimeData [[start]]"), reachesModel);
        QCOMPARE(toPhone.isEmpty() ? 0 : toPhone.first().at(0).toStringList().size(), sent);
    }

    void f5StaysInThePlugin_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("F5") << int(Qt::Key_F5) << true;
        QTest::newRow("F6") << int(Qt::Key_F6) << false;
    }

    void f5StaysInThePlugin()
    {
        QFETCH(int, key);
        QFETCH(bool, accepted);
        ScreenFixture fixture;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        press.ignore();
        QApplication::sendEvent(fixture.widget(), &press);
        QCOMPARE(press.isAccepted(), accepted);
    }
};

QTEST_MAIN(TestOCPluginWidget)
#include "tst_ocpluginwidget.moc"
