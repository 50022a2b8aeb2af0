#include "host/app/hostoptions.h"
#include "host/app/hostpage.h"
#include "host/app/hostsession.h"
#include "host/app/mainwindow.h"
#include "host/app/navigationtree.h"
#include "host/app/pluginarea.h"
#include "host/app/pluginmanager.h"
#include "host/app/storagewatcher.h"
#include "host/app/tutorialbubble.h"
#include "host/contract/iplugins.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotolibrary.h"
#include "host/services/fileutils.h"
#include "host/services/ocmsgbox.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Stands in for the phone screen: records what the window asks of it, and
// connects to the plug-in manager by name as the real screen does.
class FakeScreen : public QObject, public IPlugins
{
    Q_OBJECT

public:
    QWidget* widget = nullptr;
    QList<bool> shows;
    QList<bool> visibleAtAction; // the widget's visibility when an action arrived
    bool answerViewRequests = false;

    QString GetName() override { return QStringLiteral("device_photo"); }
    QWidget* CreateWidget(const QString&) override
    {
        widget = new QWidget(m_parent);
        widget->hide();
        QObject* pmgr = hostContext->pluginManager;
        connect(pmgr,
            SIGNAL(
                on_signal_pmgr_leftview_actionsubitem(ITEM_TYPE, QString, QString, QString, int)),
            this, SLOT(onAction(ITEM_TYPE)));
        connect(pmgr, SIGNAL(on_signal_pmgr_changedType_View(int)), this, SLOT(onViewRequest(int)));
        connect(this, SIGNAL(reportView(int, uint)), pmgr, SLOT(on_changedType_View(int, uint)));
        return widget;
    }
    bool HasWidget(const QString&) override { return widget; }
    QString GetTitle() override { return QString(); }
    bool SetParentWidget(QWidget* parent) override
    {
        m_parent = parent;
        return true;
    }
    bool Prepare() override { return true; }
    bool DestroyWidget() override
    {
        delete widget;
        widget = nullptr;
        return true;
    }
    bool ShowWidget(bool show) override
    {
        shows.append(show);
        widget->setVisible(show);
        return true;
    }
    bool Configure(quint32) override { return true; }

signals:
    void reportView(int mode, uint flags);

private slots:
    void onAction(ITEM_TYPE) { visibleAtAction.append(widget->isVisible()); }
    void onViewRequest(int mode)
    {
        if (answerViewRequests)
            emit reportView(mode, 0);
    }

private:
    QWidget* m_parent = nullptr;
};

// A window with a real plug-in manager and session around the fake screen,
// in a fresh test environment.
struct WindowFixture
{
    explicit WindowFixture(const QString& phoneFolder)
    {
        options.phoneFolder = phoneFolder;
        options.configDir = env.folder();
        session = std::make_unique<HostSession>(options);
        QString error;
        opened = session->open(&manager, &error);
        window = std::make_unique<MainWindow>(&manager, session.get());
        screen.hostContext = session->context();
        screen.SetParentWidget(window->pluginArea());
        window->pluginArea()->setPluginWidget(screen.CreateWidget(QStringLiteral("device_photo")));
        window->setPlugin(&screen);
        window->show();
    }
    ~WindowFixture()
    {
        window->setPlugin(nullptr);
        screen.DestroyWidget();
    }

    template<typename T> T* find(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
    NavigationTree* tree() const { return window->navigationTree(); }
    bool photoEntryShown() const
    {
        QTreeWidgetItem* item = tree()->entry(OCGlobal::ITEM_PHONE_PHOTO);
        return item && !item->isHidden();
    }

    TestEnvironment env; // first made, last gone
    HostOptions options;
    PluginManager manager;
    std::unique_ptr<HostSession> session;
    std::unique_ptr<MainWindow> window;
    FakeScreen screen;
    bool opened = false;
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    const char* const m_viewButtons[3]
        = { "viewListButton", "viewThumbsButton", "viewAlbumButton" };

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(4);
        QVERIFY(m_phone->isValid());
    }

    void navigationChoiceEmitsTheAction_data()
    {
        QTest::addColumn<int>("itemType");
        QTest::addColumn<int>("album"); // index into the library's albums, -1 for none
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("screenShown");
        QTest::newRow("photo") << 16 << -1 << "phone_photo" << true;
        QTest::newRow("music") << 14 << -1 << "phone_music" << false;
        QTest::newRow("pc album") << 3 << 0 << "album" << false;
    }

    void navigationChoiceEmitsTheAction()
    {
        QFETCH(int, itemType);
        QFETCH(int, album);
        QFETCH(QString, key);
        QFETCH(bool, screenShown);
        WindowFixture f(m_phone->folder());
        QVERIFY(f.opened);
        const int id = album >= 0 ? f.session->photoDatabase()->albums().at(album).id
            : itemType == 3       ? -1
                                  : f.session->deviceIndex();
        QSignalSpy actions(&f.manager, &PluginManager::on_signal_pmgr_leftview_actionsubitem);

        QVERIFY(f.tree()->selectEntry(itemType, id));
        QCOMPARE(actions.count(), 1);
        const QList<QVariant> args = actions.takeFirst();
        QCOMPARE(args.at(0).value<ITEM_TYPE>(), ITEM_TYPE(itemType));
        QCOMPARE(args.at(1).toString(), QString("clicked"));
        QCOMPARE(args.at(2).toString(), f.tree()->currentItem()->text(0));
        QCOMPARE(args.at(3).toString(), key);
        QCOMPARE(args.at(4).toInt(), id);
        // The screen sees itself shown exactly when the action is about it.
        QCOMPARE(f.screen.visibleAtAction, QList<bool> { screenShown });
        QCOMPARE(f.screen.widget->isVisible(), screenShown);
        QCOMPARE(f.find<QStackedWidget>("hostPages")->currentWidget() == f.window->pluginArea(),
            screenShown);
        for (const char* name : { "actionCopy", "actionDelete", "actionView" })
            QCOMPARE(f.action(name)->isEnabled(), screenShown);
    }

    void viewButtonAsksTheScreen_data()
    {
        QTest::addColumn<bool>("screenAnswers");
        QTest::newRow("screen reports the new mode") << true;
        QTest::newRow("screen keeps its mode") << false;
    }

    void viewButtonAsksTheScreen()
    {
        QFETCH(bool, screenAnswers);
        WindowFixture f(m_phone->folder());
        f.window->selectStartEntry();
        f.screen.answerViewRequests = screenAnswers;
        f.manager.on_changedType_View(0, 0);
        QSignalSpy requests(&f.manager, &PluginManager::on_signal_pmgr_changedType_View);
        QTest::mouseClick(f.find<QToolButton>("viewAlbumButton"), Qt::LeftButton);
        QCOMPARE(requests.count(), 1);
        QCOMPARE(requests.first().first().toInt(), 2);
        // The buttons show the mode the screen is in, not the one clicked.
        QCOMPARE(f.find<QToolButton>("viewAlbumButton")->isChecked(), screenAnswers);
        QCOMPARE(f.find<QToolButton>("viewListButton")->isChecked(), !screenAnswers);
    }

    // The toolbar, the status text and the loading bar show what the screen
    // says while it is shown, and nothing of it once another entry is.
    void toolbarAndStatusFollowTheScreen()
    {
        WindowFixture f(m_phone->folder());
        auto* toPc = f.find<QPushButton>("toPcButton");
        auto* search = f.find<QLineEdit>("searchBox");
        auto* status = f.find<QLabel>("statusText");
        auto* loading = f.find<QProgressBar>("loadingIndicator");
        f.window->selectStartEntry();
        f.manager.on_statusbarSetText(QStringLiteral("3 files, 1.2 MB"), Qt::AlignCenter);
        QCOMPARE(status->text(), QString("3 files, 1.2 MB"));
        emit f.manager.on_signal_pmgr_showModechangeLoading(true, OCGlobal::ITEM_PC_PHOTO);
        QVERIFY(loading->isVisible());
        emit f.manager.on_signal_pmgr_showModechangeLoading(false, OCGlobal::ITEM_PC_PHOTO);
        QVERIFY(!loading->isVisible());
        f.manager.on_changedType_View(1, 0);
        f.manager.on_topc_status(true);
        QVERIFY(toPc->isEnabled());
        QSignalSpy clicks(&f.manager, &PluginManager::on_siganl_pmgr_topc_click);
        QTest::mouseClick(toPc, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        f.manager.on_topc_status(false);
        QVERIFY(!toPc->isEnabled());
        // The tip never covers the viewer.
        auto* tip = f.window->findChild<TutorialBubble*>();
        emit f.manager.on_signal_pmgr_showTutorialMove(true, 70, 160);
        QVERIFY(tip->isVisible());
        f.manager.on_changedType_View(3, 7);
        QVERIFY(!tip->isVisible());
        emit f.manager.on_signal_pmgr_showTutorialMove(true, 70, 160);
        QVERIFY(!tip->isVisible());
        f.manager.on_changedType_View(1, 0);

        // Another entry: nothing of the toolbar reaches the hidden screen.
        f.manager.on_topc_status(true);
        QVERIFY(f.tree()->selectEntry(14));
        QVERIFY(!toPc->isEnabled());
        QVERIFY(!search->isEnabled());
        for (const char* name : m_viewButtons)
            QVERIFY(!f.find<QToolButton>(name)->isEnabled());
        const QString otherText = status->text();
        f.manager.on_statusbarSetText(QStringLiteral("late"), Qt::AlignCenter);
        QCOMPARE(status->text(), otherText);
        QVERIFY(f.tree()->selectEntry(16));
        QVERIFY(toPc->isEnabled());
        QVERIFY(search->isEnabled());
        QVERIFY(f.find<QToolButton>("viewThumbsButton")->isChecked());
    }

    void searchSendsOncePerPause()
    {
        WindowFixture f(m_phone->folder());
        f.window->selectStartEntry();
        auto* search = f.find<QLineEdit>("searchBox");
        QSignalSpy searches(&f.manager, &PluginManager::on_signal_pmgr_textChanged_Search);
        QTest::keyClicks(search, QStringLiteral("beach"));
        QVERIFY(searches.wait());
        QCOMPARE(searches.count(), 1);
        QCOMPARE(searches.takeFirst().first().toString(), QString("beach"));
        // Return does not wait.
        QTest::keyClicks(search, QStringLiteral(" 2"));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(searches.count(), 1);
        QCOMPARE(searches.takeFirst().first().toString(), QString("beach 2"));
        search->clear();
        QVERIFY(searches.wait());
        QCOMPARE(searches.takeFirst().first().toString(), QString());
    }

    // Files added outside photo-host, also in a folder made after the start,
    // are told once per burst.
    void storageChangesAreToldOncePerBurst()
    {
        const std::unique_ptr<QTemporaryDir> phone = m_phone->copy();
        QVERIFY(phone);
        StorageWatcher watcher(phone->path());
        watcher.setQuietTime(100);
        QSignalSpy changed(&watcher, &StorageWatcher::changed);
        for (int i = 0; i < 5; ++i)
            QVERIFY(QFile(phone->filePath(QStringLiteral("DCIM/Camera/new%1.jpg").arg(i)))
                        .open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(phone->filePath("DCIM/Trip")));
        QVERIFY(changed.wait());
        QTest::qWait(300);
        QCOMPARE(changed.count(), 1);
        QVERIFY(QFile(phone->filePath("DCIM/Trip/a.jpg")).open(QIODevice::WriteOnly));
        QVERIFY(changed.wait());
        QCOMPARE(changed.count(), 2);
        // Rewritten in place, as a rotation does it: the names stay, no change.
        QFile part(phone->filePath("DCIM/Trip/a.jpg.part"));
        QVERIFY(part.open(QIODevice::WriteOnly) && part.write("turned") == 6);
        part.close();
        QVERIFY(QFile::remove(phone->filePath("DCIM/Trip/a.jpg")));
        QVERIFY(part.rename(phone->filePath("DCIM/Trip/a.jpg")));
        QVERIFY(!changed.wait(500));
    }

    void storageSwitchStartsThenEnds()
    {
        WindowFixture f(m_phone->folder());
        QSignalSpy start(&f.manager, &PluginManager::on_signal_memcombo_changeStart);
        QSignalSpy end(&f.manager, &PluginManager::on_signal_memcombo_changeEnd);
        f.action("actionSwitchStorage")->trigger();
        QCOMPARE(start.count(), 1);
        QCOMPARE(end.count(), 0);
        QVERIFY(end.wait());
        QCOMPARE(end.first().first().toBool(), true);
    }

    void disconnectAndReconnect()
    {
        const std::unique_ptr<QTemporaryDir> copy = m_phone->copy();
        QVERIFY(copy);
        WindowFixture f(copy->path());
        f.window->selectStartEntry();
        const int firstIndex = f.session->deviceIndex();
        QSignalSpy changes(&f.manager, &PluginManager::on_signal_devicechange);
        QSignalSpy inits(&f.manager, &PluginManager::on_signal_device_init);
        QSignalSpy actions(&f.manager, &PluginManager::on_signal_pmgr_leftview_actionsubitem);
        QVERIFY(!f.action("actionReconnect")->isEnabled());

        // A box about the phone is open when it goes.
        bool watchdog = false;
        QTimer::singleShot(0, f.action("actionDisconnect"), &QAction::trigger);
        QTimer guard; // only so that a missing close fails instead of hanging
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [&watchdog] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                watchdog = true;
                box->close();
            }
        });
        guard.start(20000);
        const quint32 answer
            = OCMsgBox::ShowOCMessageBox(f.window.get(), "Notice", "Copying...", 0, MsgBoxFlag::Ok);
        QVERIFY(!watchdog);
        QCOMPARE(answer & MsgBoxFlag::Ok, 0u);

        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.takeFirst().first().toBool(), false);
        QVERIFY(!f.photoEntryShown());
        QVERIFY(!f.screen.widget->isVisible());
        QCOMPARE(actions.last().first().value<ITEM_TYPE>(), OCGlobal::ITEM_DEVICE);
        QCOMPARE(f.find<HostPage>("hostPage")->title(), QString("No phone connected"));
        QVERIFY(f.action("actionReconnect")->isEnabled());

        actions.clear();
        f.action("actionReconnect")->trigger();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().first().toBool(), true);
        QCOMPARE(inits.count(), 1);
        QVERIFY(f.session->deviceIndex() >= 0 && f.session->deviceIndex() != firstIndex);
        QVERIFY(f.photoEntryShown());
        QVERIFY(f.screen.widget->isVisible());
        QCOMPARE(actions.count(), 1);
        QCOMPARE(actions.first().first().value<ITEM_TYPE>(), OCGlobal::ITEM_PHONE_PHOTO);
        QCOMPARE(actions.first().at(4).toInt(), f.session->deviceIndex());

        // Its folder gone meanwhile, the phone cannot come back, and a box says so.
        MessageBoxRecorder boxes;
        f.action("actionDisconnect")->trigger();
        QVERIFY(copy->remove());
        changes.clear();
        f.action("actionReconnect")->trigger();
        QCOMPARE(boxes.requests().size(), 1);
        QVERIFY(boxes.requests().first().text.contains("cannot be reconnected"));
        QCOMPARE(changes.count(), 0);
        QVERIFY(!f.photoEntryShown());
    }

    void noPhoneButOtherDevices()
    {
        WindowFixture f { QString() };
        QVERIFY(f.opened);
        QSignalSpy actions(&f.manager, &PluginManager::on_signal_pmgr_leftview_actionsubitem);
        f.window->selectStartEntry();
        QCOMPARE(actions.count(), 1);
        QCOMPARE(actions.first().first().value<ITEM_TYPE>(), OCGlobal::ITEM_DEVICE);
        QVERIFY(!f.photoEntryShown());
        QVERIFY(!f.screen.widget->isVisible());
        QCOMPARE(f.find<HostPage>("hostPage")->title(), QString("No phone connected"));
        for (const char* name : { "actionDeviceInit", "actionCardInserted", "actionSwitchStorage",
                 "actionDisconnect", "actionReconnect" })
            QVERIFY2(!f.action(name)->isEnabled(), name);

        // Plugged-in devices are listed by model name; choosing one asks to
        // open it, and a device gone from the list takes its entry along.
        f.window->setOtherDevices({ { "Camera A", "usb:001,004" }, { "Phone B", "usb:001,005" } });
        QSignalSpy chosen(f.window.get(), &MainWindow::deviceChosen);
        const QList<QTreeWidgetItem*> found = f.tree()->findItems("Phone B", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        f.tree()->setCurrentItem(found.first());
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first(), (QVariantList { "Phone B", "usb:001,005" }));
        f.window->setOtherDevices({ { "Camera A", "usb:001,004" } });
        QVERIFY(f.tree()->findItems("Phone B", Qt::MatchExactly).isEmpty());
        QCOMPARE(f.tree()->currentItemType(), int(OCGlobal::ITEM_DEVICE));
        QVERIFY(NavigationTree::portOf(f.tree()->currentItem()).isEmpty());
    }

    void albumPageListsItsFiles()
    {
        WindowFixture f(m_phone->folder());
        PhotoDB* db = f.session->photoDatabase();
        const int album = db->createAlbum(QStringLiteral("Holidays"));
        QVERIFY(album >= 0);
        const QStringList files
            = { toStoredPath(m_phone->file(m_phone->generator().photos().at(1).relativePath)),
                  toStoredPath(m_phone->file(m_phone->generator().photos().at(0).relativePath)) };
        QVERIFY(db->addToAlbum(album, files));
        f.window->refreshLibrary();
        QVERIFY(f.tree()->selectEntry(3, album));
        auto* page = f.find<HostPage>("hostPage");
        QCOMPARE(page->title(), QString("Holidays"));
        QCOMPARE(page->items(), files);
        QCOMPARE(f.find<QLabel>("statusText")->text(), QString("2 files"));

        // The album goes while it is shown: the library takes its place.
        QSignalSpy actions(&f.manager, &PluginManager::on_signal_pmgr_leftview_actionsubitem);
        QList<PhotoAlbum> others = db->albums();
        others.erase(std::remove_if(others.begin(), others.end(),
                         [album](const PhotoAlbum& a) { return a.id == album; }),
            others.end());
        f.window->navigationTree()->setAlbums(others);
        QCOMPARE(actions.count(), 1);
        QCOMPARE(actions.first().at(4).toInt(), -1);
        QCOMPARE(page->title(), QString("Photos"));
        QVERIFY(page->items().contains(QString("Holidays (2 files)")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
