#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/widgets/cexttableview.h"
#include "model/cphotodataitem.h"
#include "model/logcapture.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"
#include "support/screenfixture.h"
#include "thumbview/albumviewwidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

quint32 pluginState()
{
    return g_SharedValue.getState(PhotoType, OCSharedValue::PluginState);
}

// What the context menu offers, one character per command in menu order:
// '-' hidden, '0' shown disabled, '1' shown enabled.
struct MenuState
{
    bool opened = false;
    QString entries;
    QList<QAction*> actions;
};

// Opens the screen's context menu over the current view and reads it while
// it is open; whileOpen may act on it before it is closed.
MenuState openContextMenu(ScreenFixture& fixture, std::function<void(QMenu*)> whileOpen = {})
{
    MenuState state;
    QTimer::singleShot(0, [&state, whileOpen] {
        QMenu* menu = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible()
                && widget->objectName() == QLatin1String("device_photo_contextmenu"))
                menu = qobject_cast<QMenu*>(widget);
        }
        if (!menu)
            return;
        state.opened = true;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            state.actions.append(action);
            state.entries += !action->isVisible() ? QLatin1Char('-')
                : action->isEnabled()             ? QLatin1Char('1')
                                                  : QLatin1Char('0');
        }
        if (whileOpen)
            whileOpen(menu);
        menu->close();
    });
    emit fixture.currentView()->customContextMenuRequested(QPoint(5, 5));
    return state;
}

void markMissing(ScreenFixture& fixture, const QList<int>& rows)
{
    QAbstractItemModel* model = fixture.currentView()->model();
    for (int row : rows)
        model->setData(model->index(row, 0), false, PhotoRole::ExistsRole);
}

QMimeData* photoUrls(const QStringList& files)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    data->setUrls(urls);
    return data;
}

} // namespace

class TestPhotoItemViewWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ITEM_TYPE>("ITEM_TYPE");
        qRegisterMetaType<Qt::Alignment>("Qt::Alignment");
        qRegisterMetaType<quintptr>("quintptr");
    }

    void cleanup() { QApplication::clipboard()->clear(); }

    void viewModeRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("thumbnails");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("page");
        QTest::addColumn<uint>("flags");
        QTest::newRow("thumbnail list") << 0x80000 << true << false << 1 << 1 << 0u;
        QTest::newRow("albums") << 0x80000 << true << false << 2 << 2 << 0u;
        QTest::newRow("no phone thumbnails: thumbnail list")
            << 0x80000 << false << false << 1 << 0 << 7u;
        QTest::newRow("media transfer, not listed yet") << 0x40000 << true << false << 1 << 1 << 7u;
        QTest::newRow("media transfer, listed") << 0x40000 << true << true << 1 << 1 << 0u;
        QTest::newRow("basic media transfer, list") << 0x10000 << true << true << 0 << 0 << 0u;
    }

    void viewModeRules()
    {
        QFETCH(int, kind);
        QFETCH(bool, thumbnails);
        QFETCH(bool, listed);
        QFETCH(int, requested);
        QFETCH(int, page);
        QFETCH(uint, flags);
        ScreenFixture::Options options;
        options.connectionKind = kind;
        options.phoneThumbnails = thumbnails;
        ScreenFixture fixture(options);
        QVERIFY(fixture.isValid());
        PhotoItemViewWidget* screen = fixture.screen();
        screen->setListingState(
            listed ? PhotoItemViewWidget::Listed : PhotoItemViewWidget::NotListed);
        QSignalSpy reports(&fixture.manager(), &PluginManager::viewModeReported);
        emit fixture.manager().on_signal_pmgr_changedType_View(requested);
        QCOMPARE(screen->currentIndex(), page);
        QVERIFY(!reports.isEmpty());
        QCOMPARE(reports.last().at(0).toInt(), page);
        QCOMPARE(reports.last().at(1).toUInt(), flags);
        const quint32 modeBits = OCSharedValue::PluginViewMode0 | OCSharedValue::PluginViewMode1
            | OCSharedValue::PluginViewMode2 | OCSharedValue::PluginViewMode3;
        QCOMPARE(pluginState() & modeBits, quint32(OCSharedValue::PluginViewMode0 << page));
        QCOMPARE(screen->GetViewMode(true), page);
    }

    void viewerKeepsItsPageWhenTheHostAsksForAList()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        PhotoItemViewWidget* screen = fixture.screen();
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        fixture.select({ 2 });
        const QString path = fixture.rows().at(2).data(PhotoRole::PathRole).toString();
        QSignalSpy reports(&fixture.manager(), &PluginManager::viewModeReported);
        QSignalSpy toPc(&fixture.manager(), &PluginManager::toPcButtonEnabled);

        emit fixture.manager().signalMusicPlayFromMainMenu();
        QTRY_COMPARE(screen->currentIndex(), int(PhotoItemViewWidget::ViewerMode));
        QVERIFY(fixture.model()->isViewerOpen());
        QVERIFY(pluginState() & OCSharedValue::PluginViewerOpen);
        QCOMPARE(toPc.last().at(0).toBool(), false);
        QCOMPARE(screen->viewer()->FilmStrip()->currentIndex().data(PhotoRole::PathRole).toString(),
            path);

        emit fixture.manager().on_signal_pmgr_changedType_View(1);
        QCOMPARE(screen->currentIndex(), int(PhotoItemViewWidget::ViewerMode));
        QCOMPARE(reports.last().at(0).toInt(), 3);
        QCOMPARE(reports.last().at(1).toUInt(), 7u);
        QCOMPARE(screen->GetViewMode(true), 0);

        emit screen->viewer()->closeClicked();
        QCOMPARE(screen->currentIndex(), 0);
        QVERIFY(!fixture.model()->isViewerOpen());
        QVERIFY(!(pluginState() & OCSharedValue::PluginViewerOpen));
        QCOMPARE(toPc.last().at(0).toBool(), true);
    }

    void missingFileIsOfferedToBeLocatedInsteadOfViewed()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 1);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        markMissing(fixture, { 1 });
        fixture.boxes().setAnswer(MsgBoxFlag::Cancel);
        emit fixture.currentView()->doubleClicked(fixture.rows().at(1));
        QCOMPARE(fixture.boxes().requests().size(), 1);
        QCOMPARE(fixture.boxes().requests().first().title, QStringLiteral("Locate the original"));
        QCOMPARE(fixture.screen()->currentIndex(), 0);
        emit fixture.currentView()->doubleClicked(fixture.rows().at(0));
        QCOMPARE(fixture.screen()->currentIndex(), int(PhotoItemViewWidget::ViewerMode));
    }

    void selectionSetsHostFlagsAndStatusText()
    {
        ScreenFixture fixture;
        const int rows = fixture.fill();
        QVERIFY(rows > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        QSignalSpy status(&fixture.manager(), &PluginManager::statusTextRequested);
        fixture.select({ 0, 1 });
        const quint64 size = fixture.itemAt(fixture.rows().at(0))->fileSize()
            + fixture.itemAt(fixture.rows().at(1))->fileSize();
        QCOMPARE(status.last().at(0).toString(),
            QStringLiteral("2 files, %1").arg(GetSize(qint64(size), 0)));
        QCOMPARE(pluginState()
                & (OCSharedValue::PluginSelectionSome | OCSharedValue::PluginSelectionOne
                    | OCSharedValue::PluginSelectionAll),
            quint32(OCSharedValue::PluginSelectionSome));

        fixture.select({ 3 });
        QVERIFY(pluginState() & OCSharedValue::PluginSelectionOne);
        QVERIFY(status.last().at(0).toString().startsWith(QLatin1String("1 file, ")));
        fixture.currentView()->selectAll();
        QVERIFY(pluginState() & OCSharedValue::PluginSelectionAll);
        QVERIFY(fixture.screen()->listView()->isHeaderAllChecked());

        fixture.currentView()->clearSelection();
        qint64 total = 0;
        for (const QModelIndex& index : fixture.rows())
            total += fixture.itemAt(index)->fileSize();
        QCOMPARE(status.last().at(0).toString(),
            QStringLiteral("%1 files, %2").arg(rows).arg(GetSize(total, 0)));
        QVERIFY(!fixture.screen()->listView()->isHeaderAllChecked());
        QVERIFY(!(pluginState() & OCSharedValue::PluginSelectionSome));
    }

    // A re-initialised phone empties the list: no count, check box or
    // selection flag of the old one stays, on any page.
    void emptiedListLeavesNothingChecked_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("list") << 0;
        QTest::newRow("albums") << 2;
    }

    void emptiedListLeavesNothingChecked()
    {
        QFETCH(int, mode);
        ScreenFixture fixture;
        fixture.fill();
        emit fixture.manager().on_signal_pmgr_changedType_View(mode);
        auto* checkAll = fixture.screen()->albumView()->findChild<QCheckBox*>("phone_checkAll");
        fixture.currentView()->selectAll();
        QVERIFY(checkAll->isChecked() || fixture.screen()->listView()->isHeaderAllChecked());
        QSignalSpy status(&fixture.manager(), &PluginManager::statusTextRequested);
        emit fixture.manager().on_signal_device_init(PhotoType);
        QVERIFY(!status.isEmpty() && status.last().at(0).toString().startsWith("0 files, "));
        QVERIFY(!checkAll->isChecked() && !fixture.screen()->listView()->isHeaderAllChecked());
        QCOMPARE(
            pluginState() & (OCSharedValue::PluginSelectionSome | OCSharedValue::PluginListEmpty),
            quint32(OCSharedValue::PluginListEmpty));
    }

    void searchNarrowsTheViewAndTheStatus()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        QAbstractItemModelTester tester(
            fixture.screen()->proxyModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        int matching = 0;
        for (CPhotoDataItem* item : fixture.mediaList()->allItems())
            matching += item->title.contains(QLatin1String("img_2024"), Qt::CaseInsensitive);
        QVERIFY(matching > 0);
        QSignalSpy status(&fixture.manager(), &PluginManager::statusTextRequested);

        emit fixture.manager().on_signal_pmgr_textChanged_Search(QStringLiteral("img_2024"));
        QCOMPARE(fixture.currentView()->model()->rowCount(), matching);
        QVERIFY(status.last().at(0).toString().startsWith(QString::number(matching) + " "));
        QVERIFY(pluginState() & OCSharedValue::PluginViewHasRows);

        emit fixture.manager().on_signal_pmgr_textChanged_Search(QStringLiteral("no such photo"));
        QCOMPARE(fixture.currentView()->model()->rowCount(), 0);
        QVERIFY(!(pluginState() & OCSharedValue::PluginViewHasRows));
        emit fixture.manager().on_signal_pmgr_textChanged_Search(QString());
        QCOMPARE(fixture.currentView()->model()->rowCount(), fixture.model()->rowCount());
    }

    void headerClickIsKeptAsTheSortOfItsPage()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        PhotoItemViewWidget* screen = fixture.screen();
        QHeaderView* header = screen->listView()->horizontalHeader();
        const QPoint size(header->sectionViewportPosition(PhotoColumn::Size)
                + header->sectionSize(PhotoColumn::Size) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
        const int firstOrder = screen->GetSortOrder(0);
        QCOMPARE(screen->GetSortColumn(0), int(PhotoColumn::Size));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
        QCOMPARE(screen->GetSortOrder(0), 1 - firstOrder);
        // Sizes are ten-digit keys: the shown order is numeric.
        QAbstractItemModel* shown = fixture.currentView()->model();
        for (int row = 1; row < shown->rowCount(); ++row) {
            const quint32 previous = fixture.itemAt(shown->index(row - 1, 0))->fileSize();
            const quint32 current = fixture.itemAt(shown->index(row, 0))->fileSize();
            QVERIFY(screen->GetSortOrder(0) == 0 ? previous <= current : previous >= current);
        }
    }

    void sortOfAHiddenColumnFallsBack_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("storedColumn");
        QTest::addColumn<int>("storedOrder");
        QTest::newRow("list: path") << 0 << 11 << 2 << 0;
        QTest::newRow("list: no such column") << 0 << 40 << 2 << 0;
        QTest::newRow("list: date taken") << 0 << 7 << 7 << 1;
        QTest::newRow("thumbnail list: thumbnail") << 1 << 0 << 0 << 1;
        QTest::newRow("albums: folder") << 2 << 9 << 9 << 1;
    }

    void sortOfAHiddenColumnFallsBack()
    {
        QFETCH(int, mode);
        QFETCH(int, column);
        QFETCH(int, storedColumn);
        QFETCH(int, storedOrder);
        ScreenFixture fixture;
        fixture.screen()->SetSortInfo(mode, column, 1);
        QCOMPARE(fixture.screen()->GetSortColumn(mode), storedColumn);
        QCOMPARE(fixture.screen()->GetSortOrder(mode), storedOrder);
    }

    void contextMenuStates_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("busyType");
        QTest::addColumn<int>("busyFlags");
        QTest::addColumn<bool>("photosOnClipboard");
        QTest::addColumn<bool>("albumEntry");
        QTest::addColumn<QString>("entries");
        // View, to PC, to album, Property, Show in Windows, Locate, Copy,
        // Paste, Delete, Uncheck Selection.
        const QList<int> none;
        QTest::newRow("nothing selected")
            << none << none << 0x80000 << 0 << 0 << false << true << "00000-000-";
        QTest::newRow("one missing of two") << QList<int> { 1, 2 } << QList<int> { 2 } << 0x80000
                                            << 0 << 0 << false << true << "11100-101-";
        QTest::newRow("missing file while listing")
            << QList<int> { 1 } << QList<int> { 1 } << 0x80000 << PhotoType << 0x800 << false
            << true << "-----0--0-";
        QTest::newRow("while the PC library transfers")
            << QList<int> { 1 } << none << 0x80000 << int(OCGlobal::ITEM_PC_PHOTO) << 0x20 << false
            << true << "11111-100-";
    }

    void contextMenuStates()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, missing);
        QFETCH(int, kind);
        QFETCH(int, busyType);
        QFETCH(int, busyFlags);
        QFETCH(bool, photosOnClipboard);
        QFETCH(bool, albumEntry);
        QFETCH(QString, entries);
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        fixture.screen()->setFileAgentType(kind);
        g_SharedValue.SetShowToPCWithPlaylist(albumEntry);
        if (busyFlags)
            g_SharedValue.addState(busyType, quint32(busyFlags));
        if (photosOnClipboard)
            QApplication::clipboard()->setMimeData(photoUrls({ fixture.photoFiles().first() }));
        markMissing(fixture, missing);
        fixture.select(selected);

        const MenuState menu = openContextMenu(fixture);
        QVERIFY(menu.opened);
        QCOMPARE(menu.entries, entries);
    }

    void albumSubmenuTransfersToTheChosenAlbum()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        PhotoDB albums(fixture.database(), 1);
        const int longId = albums.createAlbum(QStringLiteral("Holidays at the seaside 2024"));
        const int shortId = albums.createAlbum(QStringLiteral("Cats"));
        // The library's own albums: favourites under the screen's label,
        // recently added not offered.
        QSqlQuery query(fixture.database()->connectionForCurrentThread());
        QVERIFY(query.exec(
            QStringLiteral("UPDATE PlaylistInfo SET Name = 'Favs' WHERE ItemType = 'favorite'")));
        fixture.select({ 0, 1 });
        const QStringList paths { fixture.rows().at(0).data(PhotoRole::PathRole).toString(),
            fixture.rows().at(1).data(PhotoRole::PathRole).toString() };
        QSignalSpy transfers(&fixture.manager(), &PluginManager::transferToPcRequested);

        QStringList labels;
        const MenuState menu = openContextMenu(fixture, [&](QMenu* opened) {
            QAction* album = nullptr;
            for (QAction* action : opened->actions()) {
                if (!action->isSeparator() && action->data().toInt() == 2)
                    album = action;
            }
            if (!album || !album->menu())
                return;
            for (QAction* entry : album->menu()->actions()) {
                labels.append(entry->text());
                if (entry->data().toInt() == longId)
                    entry->trigger();
            }
        });
        QVERIFY(menu.opened);
        QCOMPARE(labels, QStringList({ "Favorite Photo", "Holidays at the seas...", "Cats" }));
        QVERIFY(shortId != longId);
        // The command runs once the menu has closed.
        QCOMPARE(transfers.count(), 0);
        QTRY_COMPARE(transfers.count(), 1);
        QCOMPARE(transfers.first().at(0).toStringList(), paths);
        QCOMPARE(transfers.first().at(2).toInt(), longId);
    }

    void transferToPcTakesTheSelectedFiles_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<bool>("missingToo");
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("nothing selected") << QList<int>() << QList<int>() << false << QList<int>();
        QTest::newRow("two photos")
            << QList<int> { 0, 2 } << QList<int>() << false << QList<int> { 0, 2 };
        QTest::newRow("a missing file is left out")
            << QList<int> { 0, 1, 2 } << QList<int> { 1 } << false << QList<int> { 0, 2 };
        QTest::newRow("missing files too when the host says so")
            << QList<int> { 0, 1, 2 } << QList<int> { 1 } << true << QList<int> { 0, 1, 2 };
        QTest::newRow("only missing files")
            << QList<int> { 1 } << QList<int> { 1 } << false << QList<int>();
    }

    void transferToPcTakesTheSelectedFiles()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, missing);
        QFETCH(bool, missingToo);
        QFETCH(QList<int>, sent);
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        g_SharedValue.SetShowTransferNotiDlg(missingToo);
        markMissing(fixture, missing);
        fixture.select(selected);
        QSignalSpy transfers(&fixture.manager(), &PluginManager::transferToPcRequested);

        emit fixture.manager().on_siganl_pmgr_topc_click();
        if (sent.isEmpty()) {
            QCOMPARE(transfers.count(), 0);
            QCOMPARE(fixture.boxes().requests().size(), 1);
            QVERIFY(
                fixture.boxes().requests().first().text.startsWith("No contents are selected."));
            return;
        }
        QCOMPARE(transfers.count(), 1);
        QStringList paths;
        qint64 total = 0;
        for (int row : sent) {
            const QModelIndex index = fixture.rows().at(row);
            paths.append(index.data(PhotoRole::PathRole).toString());
            total += fixture.itemAt(index)->fileSize();
        }
        QCOMPARE(transfers.first().at(0).toStringList(), paths);
        QCOMPARE(transfers.first().at(1).toLongLong(), total);
        QCOMPARE(transfers.first().at(2).toInt(), -1);
    }

    void copyAndPasteKeys()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 3);
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        fixture.select({ 0 });
        QSignalSpy toPhone(&fixture.manager(), &PluginManager::transferToPhoneRequested);
        QWidget* view = fixture.currentView();
        view->setFocus();
        QTest::keySequence(view, QKeySequence::Copy);
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QVERIFY(copied && copied->hasFormat(QStringLiteral("application/tz-itemdata")));
        // A copy of this screen's own photos is not sent back to the phone.
        QTest::keySequence(view, QKeySequence::Paste);
        QCOMPARE(toPhone.count(), 0);

        const QString pcPhoto = fixture.photoFiles().last();
        QApplication::clipboard()->setMimeData(photoUrls({ pcPhoto }));
        QTest::keySequence(view, QKeySequence::Paste);
        QCOMPARE(toPhone.count(), 1);
        QCOMPARE(toPhone.first().at(0).toStringList(), QStringList { toStoredPath(pcPhoto) });
    }

    void filesSentToThePhoneJoinTheList()
    {
        ScreenFixture fixture;
        const int rows = fixture.fill();
        emit fixture.manager().on_signal_pmgr_changedType_View(0);
        LogCapture log;
        const QString source = fixture.photoFiles().first();
        const QString phonePath = QStringLiteral("\\Phone\\DCIM\\sent.jpg");
        fixture.screen()->addPendingSelection(phonePath);

        // Another kind of transfer is not ours.
        emit fixture.manager().on_signal_pmgr_finished_transfer_tophone(
            3, QStringLiteral("/Phone/DCIM/other.jpg"), source);
        emit fixture.manager().on_signal_pmgr_finished_transfer_tophone(
            2, QStringLiteral("/Phone/DCIM/sent.jpg"), source);
        emit fixture.manager().on_signal_pmgr_finished_transfer_tophone(2, QString(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(
            log.contains("PhotoItemViewWidget::on_finished_transfer : end"), 30000);
        QCOMPARE(fixture.model()->rowCount(), rows + 1);
        QVERIFY(fixture.mediaList()->findItem(phonePath, false));
        QVERIFY(!fixture.mediaList()->findItem(QStringLiteral("\\Phone\\DCIM\\other.jpg"), false));
        const QModelIndexList selected
            = PhotoItemViewWidget::selectedRowIndexes(fixture.currentView());
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data(PhotoRole::PathRole).toString(), phonePath);
    }

    void leavingTheScreenClearsMarks()
    {
        ScreenFixture fixture;
        QVERIFY(fixture.fill() > 1);
        const QList<CPhotoDataItem*> items = fixture.mediaList()->allItems();
        items.at(0)->isChecked = true;
        items.at(0)->isNew = items.at(0)->newShown = true;
        items.at(1)->isNew = true;
        QSignalSpy toPc(&fixture.manager(), &PluginManager::toPcButtonEnabled);

        emit fixture.manager().on_signal_pmgr_leftview_actionsubitem(
            OCGlobal::ITEM_PC_MUSIC, "clicked", "Music", QString(), 0);
        QVERIFY(!items.at(0)->isChecked);
        QVERIFY(!items.at(0)->isNew && !items.at(0)->newShown);
        QVERIFY(items.at(1)->isNew); // not yet seen: stays new

        emit fixture.manager().on_signal_pmgr_leftview_actionsubitem(
            OCGlobal::ITEM_PHONE_PHOTO, "clicked", "Photo", QString(), 0);
        QCOMPARE(toPc.count(), 1);
        QCOMPARE(toPc.last().at(0).toBool(), true);
        // A second click on the same entry does nothing.
        emit fixture.manager().on_signal_pmgr_leftview_actionsubitem(
            OCGlobal::ITEM_PHONE_PHOTO, "clicked", "Photo", QString(), 0);
        QCOMPARE(toPc.count(), 1);
    }

    void partialLoadingFetchesWhatTheDatabaseLacks()
    {
        ScreenFixture::Options options;
        options.create = false;
        ScreenFixture fixture(options);
        g_SharedValue.SetPartialLoading(true);
        fixture.createWidget();
        PhotoItemViewWidget* screen = fixture.screen();
        OCThumbnailManager::SetHostContext(screen->hostContext());
        PhotoDB* database = screen->hostContext()->photoDatabase;
        const QString path = toStoredPath(fixture.photoFiles().first());
        QSignalSpy finished(screen, &PhotoItemViewWidget::on_siganl_finished_getthumbnail);
        QVERIFY(!database->isExist(path, true));
        QVERIFY(screen->GetThumbnail(path, false).isNull()); // a lookup only
        QVERIFY(screen->FetchUnknownThumbnail(path, false));
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(database->isExist(path, true));
        QVERIFY(!screen->GetThumbnail(path, false).isNull());
        QVERIFY(!screen->GetThumbnail(path, true).isNull());
        // Known now: no second fetch, and the caller is told at once.
        QVERIFY(!screen->FetchUnknownThumbnail(path, true));
        QCOMPARE(finished.count(), 2);
        OCThumbnailManager::SetHostContext(nullptr);
    }
};

QTEST_MAIN(TestPhotoItemViewWidget)
#include "tst_photoitemviewwidget.moc"
