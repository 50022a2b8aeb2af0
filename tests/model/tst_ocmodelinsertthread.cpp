#include "fakephotodb.h"
#include "host/contract/devicefilerecord.h"
#include "host/services/appservices.h"
#include "host/services/ocsharedvalue.h"
#include "logcapture.h"
#include "model/cphotodataitem.h"
#include "model/guicall.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/photoitemviewwidget.h"
#include "support/testenvironment.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>

#include <atomic>

namespace {

CPhotoDataItem* deviceItem(const QString& path, const QString& objectId = QString(),
    const QString& type = QStringLiteral("jpg"))
{
    DeviceFileRecord record;
    record.path = CString(path);
    record.objectId = CString(objectId);
    record.type = CString(type);
    record.size = 10;
    return new CPhotoDataItem(reinterpret_cast<quintptr>(&record));
}

ItemEvent* itemEvent(int code, CPhotoDataItem* item)
{
    return new ItemEvent(code, item);
}

QString photoPath(const QString& name)
{
    return QStringLiteral("/DCIM/%1.jpg").arg(name);
}

// One step of a script: "2 a" lists a.jpg from the device (object id "a"),
// "2 t.txt" lists a file of another type, "1 a" and "5 a" read a.jpg through
// the database, "8 a=m" reports that the file of id "a" is now m.jpg, and
// "9 a" reports the removal of the file of id "a".
ItemEvent* scriptEvent(const QString& step)
{
    const int code = step.section(' ', 0, 0).toInt();
    const QString name = step.section(' ', 1);
    switch (code) {
    case ItemEventCode::Listed:
    case ItemEventCode::Locate:
        return itemEvent(code, new CPhotoDataItem(photoPath(name), QString()));
    case ItemEventCode::Changed:
        return itemEvent(
            code, deviceItem(photoPath(name.section('=', 1)), name.section('=', 0, 0)));
    default:
        if (name.contains('.'))
            return itemEvent(
                code, deviceItem("/DCIM/" + name, name.section('.', 0, 0), name.section('.', 1)));
        return itemEvent(code, deviceItem(photoPath(name), name));
    }
}

} // namespace

class TestOCModelInsertThread : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    FakePhotoDB* m_database = nullptr; // both stores answer alike
    FakePhotoDB* m_second = nullptr;
    std::unique_ptr<OCMediaItemList> m_list;
    std::unique_ptr<PhotoItemViewModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<PhotoItemViewWidget> m_screen;

    OCModelInsertThread* makeThread(bool loadMode)
    {
        auto* thread = new OCModelInsertThread(loadMode, m_screen.get());
        thread->setMediaList(m_list.get());
        thread->setModel(m_model.get());
        return thread;
    }
    // Both threads of a test end before the fixture goes.
    void finishAndWait(OCModelInsertThread* thread)
    {
        thread->finish();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
    }
    void addRow(const QString& path, const QVariantMap& values = {})
    {
        m_database->addRow(path, values);
        m_second->addRow(path, values);
    }
    void deleteRow(int, const QStringList& paths, bool)
    {
        m_database->deleteItem(-1, paths, true);
        m_second->deleteItem(-1, paths, true);
    }
    void verifyModelShowsList()
    {
        QCOMPARE(m_model->rowCount(), m_list->count());
        for (CPhotoDataItem* item : m_list->allItems())
            QVERIFY(m_model->IndexOf(item) >= 0);
    }
    QStringList modelTitles() const
    {
        QStringList titles;
        for (int row = 0; row < m_model->rowCount(); ++row)
            titles << m_model->itemAt(row)->title;
        return titles;
    }
    // Queues the steps on a load-mode thread, which takes them in as few
    // batches as it may once it is told to go, and waits for it to end.
    void runScript(const QStringList& steps)
    {
        if (steps.isEmpty())
            return; // a load-mode thread waits for its first event
        OCModelInsertThread* thread = makeThread(true);
        thread->start();
        for (const QString& step : steps)
            thread->addData(scriptEvent(step));
        thread->exec();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_database = new FakePhotoDB;
        m_second = new FakePhotoDB;
        m_list = std::make_unique<OCMediaItemList>(m_database, m_second, nullptr);
        m_model = std::make_unique<PhotoItemViewModel>(nullptr, nullptr);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_screen = std::make_unique<PhotoItemViewWidget>();
        m_screen->setMediaList(m_list.get());
        m_screen->setModel(m_model.get());
    }
    void cleanup()
    {
        m_screen.reset(); // deletes the threads, which stop first
        m_tester.reset();
        m_model.reset();
        m_list.reset();
        m_env.reset();
    }

    void loadModeMergesAfterExec()
    {
        LogCapture log;
        OCModelInsertThread* thread = makeThread(true);
        thread->start();
        for (int i = 0; i < 3; ++i)
            thread->addData(itemEvent(2, deviceItem(QStringLiteral("/DCIM/%1.jpg").arg(i))));
        QTest::qWait(100);
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(thread->queueCount(), 3);
        thread->exec();
        // It ends by itself once the queue is empty.
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(log.count("successed media info & insert"), 3);
        verifyModelShowsList();
    }

    void batchKeepsListAndModelInOrder_data()
    {
        QTest::addColumn<QStringList>("listed"); // merged before the batch
        QTest::addColumn<QStringList>("rows"); // database rows during the batch
        QTest::addColumn<QStringList>("batch");
        QTest::addColumn<QStringList>("shown"); // the model's rows afterwards
        QTest::addColumn<bool>("ordered"); // else only the last row's place counts
        QTest::addColumn<int>("insertions"); // row insertion notifications, -1: any
        QTest::addColumn<int>("resets");

        QTest::newRow("new files")
            << QStringList {} << QStringList {} << QStringList { "2 a", "2 b", "2 c", "2 d", "2 e" }
            << QStringList { "a", "b", "c", "d", "e" } << true << 1 << 0;
        QTest::newRow("new, known and rejected files")
            << QStringList { "2 a" } << QStringList { "k" }
            << QStringList { "2 b", "2 a", "2 t.txt", "1 x", "1 k", "2 c", "1 k" }
            << QStringList { "a", "b", "k", "c" } << true << -1 << 0;
        QTest::newRow("known file without its row goes")
            << QStringList { "1 d", "2 a" } << QStringList {} << QStringList { "2 b", "1 d", "2 c" }
            << QStringList { "a", "b", "c" } << true << -1 << 0;
        QTest::newRow("new file rejected later in the batch")
            << QStringList {} << QStringList {} << QStringList { "2 a", "2 d", "1 d", "2 e" }
            << QStringList { "a", "e" } << true << -1 << 0;
        QTest::newRow("changed file keeps its row")
            << QStringList { "2 a", "2 b" } << QStringList {}
            << QStringList { "2 c", "8 a=m", "2 d" } << QStringList { "m", "b", "c", "d" } << true
            << 1 << 0;
        QTest::newRow("removal between new files")
            << QStringList { "2 a", "2 b", "2 c" } << QStringList {}
            << QStringList { "2 d", "9 a", "2 e" } << QStringList { "b", "c", "d", "e" } << false
            << -1 << 1;
        QTest::newRow("two removals, one reset")
            << QStringList { "2 a", "2 b", "2 c" } << QStringList {}
            << QStringList { "9 a", "2 d", "9 b", "2 e" } << QStringList { "c", "d", "e" } << false
            << -1 << 1;
    }

    void batchKeepsListAndModelInOrder()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, batch);
        QFETCH(QStringList, shown);
        QFETCH(bool, ordered);
        QFETCH(int, insertions);
        QFETCH(int, resets);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(m_model.get());
        proxy.sort(2);
        QAbstractItemModelTester proxyTester(
            &proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const QString& step : listed) {
            if (step.startsWith("1 "))
                addRow(photoPath(step.mid(2)));
        }
        runScript(listed);
        QCOMPARE(m_model->rowCount(), listed.size());
        for (const QString& step : listed)
            deleteRow(-1, { photoPath(step.mid(2)) }, true);
        for (const QString& name : rows)
            addRow(photoPath(name));

        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        runScript(batch);
        verifyModelShowsList();
        QCOMPARE(proxy.rowCount(), m_model->rowCount());
        QStringList titles = modelTitles();
        QCOMPARE(titles.size(), shown.size());
        QCOMPARE(titles.last(), shown.last());
        if (!ordered) {
            titles.sort();
            shown.sort();
        }
        QCOMPARE(titles, shown);
        if (insertions >= 0)
            QCOMPARE(inserted.count(), insertions);
        QCOMPARE(reset.count(), resets);
    }

    void locateFindsARowOfTheSameBatch()
    {
        QTableView view;
        m_screen->addWidget(&view);
        m_screen->setCurrentWidget(&view);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(m_model.get());
        proxy.sort(2, Qt::DescendingOrder);
        view.setModel(&proxy);
        addRow(photoPath("b"));
        runScript({ "2 a", "2 b", "2 c", "5 b", "2 d" });
        QCOMPARE(modelTitles(), (QStringList { "a", "b", "c", "d" }));
        QCOMPARE(view.currentIndex().data(PhotoRole::PathRole).toString(),
            QStringLiteral("\\DCIM\\b.jpg"));
        m_screen->removeWidget(&view);
    }

    void otherModeMergesAtOnceAndEndsAfterFinish()
    {
        LogCapture log;
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(itemEvent(2, deviceItem("/DCIM/a.jpg")));
        thread->addData(itemEvent(2, deviceItem("/DCIM/b.jpg")));
        thread->addData(itemEvent(2, deviceItem("/DCIM/a.jpg")));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 2, 30000);
        QTRY_VERIFY(log.contains("contains file & listing data"));
        QVERIFY(thread->isRunning());
        finishAndWait(thread);
        verifyModelShowsList();
        QVERIFY(log.contains("tophone"));
    }

    // A worker stuck in the photo database when its screen goes is not
    // destroyed while it runs (Qt would abort): it ends, and goes, by itself.
    void stuckWorkerOutlivesItsScreen()
    {
        m_database->hold = m_second->hold = true;
        m_screen->addThreadModelDataWithToPhone(
            itemEvent(4, new CPhotoDataItem("/Phone/a.jpg", "/pc/a.jpg")));
        QTRY_COMPARE(m_database->held + m_second->held, 1);
        QPointer<OCModelInsertThread> worker = m_screen->findChild<OCModelInsertThread*>();
        m_screen.reset();
        QVERIFY(worker && worker->isRunning());
        m_database->letGo.release();
        m_second->letGo.release();
        QTRY_VERIFY_WITH_TIMEOUT(!worker, 10000);
    }

    void twoRemovalsOneReset()
    {
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        for (const QString name : { "a", "b", "c" })
            thread->addData(itemEvent(2, deviceItem("/DCIM/" + name + ".jpg", name)));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 3, 30000);

        QSignalSpy resets(m_model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
        const int queuedBefore = thread->queueCount();
        thread->addData(itemEvent(9, deviceItem("/DCIM/a.jpg", "a")));
        thread->addData(itemEvent(9, deviceItem("/DCIM/b.jpg", "b")));
        QVERIFY(thread->queueCount() <= queuedBefore + 1);
        QCOMPARE(thread->removedFiles(), (QStringList { "\\DCIM\\a.jpg", "\\DCIM\\b.jpg" }));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 1, 30000);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(m_list->count(), 1);
        QVERIFY(m_list->findItem("/DCIM/c.jpg", false));
        finishAndWait(thread);
    }

    void ownTransfersAreFiltered()
    {
        LogCapture log;
        addRow("/pc/sent.jpg");
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(itemEvent(4, new CPhotoDataItem("/Phone/sent.jpg", "/pc/sent.jpg")));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 1, 30000);
        CPhotoDataItem* sent = m_model->itemAt(0);
        QCOMPARE(sent->sourcePath, QStringLiteral("\\pc\\sent.jpg"));

        // A removal report of our own file does nothing.
        m_list->setObjectId(sent->path, "first");
        thread->addData(itemEvent(9, deviceItem("/Phone/sent.jpg", "first")));
        QTRY_COMPARE_WITH_TIMEOUT(thread->queueCount(), 0, 30000);
        QTRY_VERIFY(thread->removedFiles().isEmpty());
        QCOMPARE(m_model->rowCount(), 1);

        // The phone's id for it only re-indexes the item, once.
        thread->addData(itemEvent(7, deviceItem("/Phone/sent.jpg", "phone-id")));
        QTRY_COMPARE_WITH_TIMEOUT(m_list->findItem("phone-id", true), sent, 30000);
        QVERIFY(sent->sourcePath.isEmpty());
        QCOMPARE(m_model->rowCount(), 1);

        // From now on it is an ordinary file of the phone.
        thread->addData(itemEvent(9, deviceItem("/Phone/sent.jpg", "phone-id")));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 0, 30000);
        finishAndWait(thread);
        QVERIFY(log.contains("removed event"));
    }

    void rejectedEventRemovesItsRow()
    {
        LogCapture log;
        addRow("/DCIM/a.jpg");
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(itemEvent(1, new CPhotoDataItem("/DCIM/a.jpg", QString())));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 1, 30000);
        deleteRow(-1, { "/DCIM/a.jpg" }, true);
        QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
        thread->addData(itemEvent(1, new CPhotoDataItem("/DCIM/a.jpg", QString())));
        QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 30000);
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_list->count(), 0); // gone once the row was gone
        finishAndWait(thread);
        QVERIFY(log.contains("failed insert model data"));
    }

    void refusedEventsDoNothing()
    {
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(nullptr);
        thread->addData(itemEvent(12, deviceItem("/DCIM/a.jpg")));
        thread->addData(itemEvent(-3, deviceItem("/DCIM/b.jpg")));
        thread->addData(itemEvent(2, nullptr));
        thread->addData(itemEvent(2, deviceItem("/DCIM/ok.jpg")));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 1, 30000);
        finishAndWait(thread);
        QCOMPARE(m_list->count(), 1);
    }

    void pauseHoldsMergingBack()
    {
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->pause(true);
        QVERIFY(thread->isPaused());
        for (int i = 0; i < 3; ++i)
            thread->addData(itemEvent(2, deviceItem(QStringLiteral("/DCIM/%1.jpg").arg(i))));
        QTest::qWait(300);
        QVERIFY(m_model->rowCount() <= 1); // at most the event taken before the flag was seen
        thread->on_resume();
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 3, 30000);
        // Pausing while events flow returns, though the worker waits for us.
        for (int i = 3; i < 40; ++i)
            thread->addData(itemEvent(2, deviceItem(QStringLiteral("/DCIM/%1.jpg").arg(i))));
        thread->on_pause();
        thread->on_resume();
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 40, 30000);
        finishAndWait(thread);
    }

    void memoryPressureStopsAndStillAppliesRemovals()
    {
        LogCapture log;
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(itemEvent(2, deviceItem("/DCIM/a.jpg", "a")));
        thread->addData(itemEvent(2, deviceItem("/DCIM/b.jpg", "b")));
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 2, 30000);
        finishAndWait(thread);

        SetMemoryBudget(1);
        thread->addData(itemEvent(9, deviceItem("/DCIM/a.jpg", "a")));
        thread->addData(itemEvent(2, deviceItem("/DCIM/c.jpg", "c")));
        thread->start();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
        SetMemoryBudget(0);
        QVERIFY(thread->stoppedForMemory());
        QVERIFY(log.contains("memory overflow!!"));
        QCOMPARE(thread->queueCount(), 0);
        QCOMPARE(m_model->rowCount(), 1); // c discarded, a's removal applied
        QVERIFY(m_list->findItem("/DCIM/b.jpg", false));
        verifyModelShowsList();
    }

    void stopGivesUpAWaitingHandOver()
    {
        OCModelInsertThread* thread = makeThread(false);
        thread->start();
        thread->addData(itemEvent(2, deviceItem("/DCIM/a.jpg")));
        // No event pumping here: the worker's merge waits for this thread.
        QThread::msleep(200);
        thread->stop();
        QVERIFY(thread->wait(3000));
        QCoreApplication::processEvents(); // a given-up call must not run now
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_list->count(), 0);
    }

    void guiCallRules()
    {
        int ran = 0;
        QCOMPARE(GuiCall::run(m_screen.get(), [&] { ++ran; }, {}), GuiCall::Done);
        QCOMPARE(ran, 1); // on its own thread it runs at once

        std::atomic<int> result { -1 };
        auto* context = new QObject;
        QThread* worker = QThread::create([&] {
            result = GuiCall::run(
                context, [&] { ++ran; }, [] { return false; });
        });
        worker->start();
        QThread::msleep(50);
        delete context; // the posted call is dropped, and the worker let go
        QVERIFY(worker->wait(10000));
        QCOMPARE(result.load(), int(GuiCall::Cancelled));
        QCOMPARE(ran, 1);
        delete worker;
    }

    // Events stream from another thread, posted to the GUI thread as the
    // agent's callbacks post them, while the GUI thread reads the rows
    // through a sort proxy and a visible view and now and then pauses the
    // worker.
    void streamWhileTheGuiReads()
    {
        LogCapture log;
        // In the QtTest mode the testers format both sides of every passing
        // comparison: one walk over thousands of rows would take seconds.
        // Here their failures are warnings, looked for in the log below.
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(m_model.get());
        proxy.setDynamicSortFilter(true);
        proxy.sort(4, Qt::AscendingOrder);
        QAbstractItemModelTester proxyTester(
            &proxy, QAbstractItemModelTester::FailureReportingMode::Warning);
        QTableView view;
        view.setModel(&proxy);
        m_screen->addWidget(&view);
        m_screen->setCurrentWidget(&view);
        m_screen->resize(600, 400);
        m_screen->show();

        // A few sizes: rows read through the database land in a few places
        // of the size order, rows from the device (size 10) in one.
        for (int i = 0; i < 500; ++i)
            addRow(QStringLiteral("/DB/%1.jpg").arg(i), { { "FileSize", (i % 3) * 1000 } });
        OCModelInsertThread* thread = makeThread(false);
        thread->start();

        const int total = qEnvironmentVariableIsSet("STRESS_EVENTS")
            ? qEnvironmentVariableIntValue("STRESS_EVENTS")
            : 10000;
        // Shared with events still posted if the test fails half way.
        struct Counters
        {
            std::atomic<int> posted { 0 };
            std::atomic<int> queued { 0 };
            std::atomic<bool> quit { false };
        };
        auto counters = std::make_shared<Counters>();
        QThread* producer = QThread::create([counters, thread, total] {
            QRandomGenerator random(7);
            const int names = qMax(1, total / 8); // most files are listed again
            for (int i = 0; i < total && !counters->quit; ++i) {
                ItemEvent* event = nullptr;
                const int kind = random.bounded(1000);
                const QString id = QStringLiteral("id%1").arg(random.bounded(names));
                if (kind < 540) {
                    const int name = random.bounded(names);
                    event = itemEvent(2,
                        deviceItem(QStringLiteral("/DCIM/%1.jpg").arg(name),
                            QStringLiteral("id%1").arg(name)));
                } else if (kind < 550) {
                    event = itemEvent(
                        2, deviceItem(QStringLiteral("/DCIM/%1.txt").arg(i), id, "txt"));
                } else if (kind < 700) {
                    event = itemEvent(1,
                        new CPhotoDataItem(
                            QStringLiteral("/DB/%1.jpg").arg(random.bounded(600)), QString()));
                } else if (kind < 800) {
                    event
                        = itemEvent(8, deviceItem(QStringLiteral("/DCIM/moved/%1.jpg").arg(i), id));
                } else if (kind < 985) {
                    event = itemEvent(7,
                        deviceItem(QStringLiteral("/DCIM/%1.jpg").arg(random.bounded(names)),
                            QStringLiteral("id%1").arg(random.bounded(names))));
                } else if (kind < 995) {
                    event = itemEvent(5,
                        new CPhotoDataItem(
                            QStringLiteral("/DB/%1.jpg").arg(random.bounded(500)), QString()));
                } else {
                    event = itemEvent(9, deviceItem(QString(), id));
                }
                // Bounded: a few hundred events at most wait for the GUI thread.
                while (counters->posted - counters->queued > 300 && !counters->quit)
                    QThread::msleep(1);
                ++counters->posted;
                QMetaObject::invokeMethod(
                    thread,
                    [thread, event, counters] {
                        thread->addData(event);
                        ++counters->queued;
                    },
                    Qt::QueuedConnection);
            }
        });
        producer->start();
        auto joinProducer = qScopeGuard([&] {
            counters->quit = true;
            producer->wait();
            delete producer;
        });

        QRandomGenerator random(11);
        QElapsedTimer stall; // a bound against a deadlock, not a speed check
        stall.start();
        int pausedPasses = 0;
        while (counters->queued < total || thread->queueCount() > 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            for (int read = 0; read < 20 && proxy.rowCount() > 0; ++read) {
                const int row = random.bounded(proxy.rowCount());
                QVERIFY(!proxy.index(row, 2).data().toString().isNull());
                proxy.index(row, 0).data(Qt::DecorationRole);
            }
            if (pausedPasses > 0 && --pausedPasses == 0) {
                thread->pause(false);
            } else if (pausedPasses == 0 && random.bounded(100) == 0) {
                thread->pause(true);
                if (random.bounded(2) == 0)
                    thread->pause(false); // at once
                else
                    pausedPasses = 1 + random.bounded(5); // for a few passes
            }
            QVERIFY2(stall.elapsed() < 600000, "the stream does not get through");
        }
        if (pausedPasses > 0)
            thread->pause(false);
        finishAndWait(thread);
        verifyModelShowsList();
        QCOMPARE(proxy.rowCount(), m_model->rowCount());
        QVERIFY(m_model->rowCount() > total / 10);
        QVERIFY(log.contains("removed event"));
        QVERIFY(!log.contains("FAIL!")); // the testers found nothing
        QVERIFY(!log.contains("given up"));
        m_screen->removeWidget(&view);
    }
};

QTEST_MAIN(TestOCModelInsertThread)
#include "tst_ocmodelinsertthread.moc"
