#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

#include "fakephotodb.h"
#include "host/contract/devicefilerecord.h"
#include "host/services/appservices.h"
#include "logcapture.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "support/testenvironment.h"

namespace {

std::unique_ptr<CPhotoDataItem> deviceItem(
    const QString& path, const QString& objectId = QString(), const QString& type = "jpg")
{
    DeviceFileRecord record;
    record.path = CString(path);
    record.objectId = CString(objectId);
    record.type = CString(type);
    record.size = 10;
    return std::make_unique<CPhotoDataItem>(reinterpret_cast<quintptr>(&record));
}

QString photoPath(const QString& name)
{
    return QStringLiteral("/DCIM/%1.jpg").arg(name);
}

// One step of a script: "2 a" lists a.jpg from the device (object id "a"),
// "2 t.txt" lists a file of another type, "1 a" and "5 a" read a.jpg through
// the database, "4 a" is a.jpg sent to the phone from /pc/a.jpg, "8 a=m"
// reports that the file of id "a" is now m.jpg, "7 a=n" that a.jpg has the
// id n now, and "9 a" reports the removal of the file of id "a".
ItemEvent scriptEvent(const QString& step)
{
    const int code = step.section(' ', 0, 0).toInt();
    const QString name = step.section(' ', 1);
    switch (code) {
    case ItemEventCode::Listed:
    case ItemEventCode::Locate:
        return ItemEvent(code, std::make_unique<CPhotoDataItem>(photoPath(name), QString()));
    case ItemEventCode::TransferredToPhone:
        return ItemEvent(
            code, std::make_unique<CPhotoDataItem>(photoPath(name), "/pc/" + name + ".jpg"));
    case ItemEventCode::Changed:
        return ItemEvent(
            code, deviceItem(photoPath(name.section('=', 1)), name.section('=', 0, 0)));
    case ItemEventCode::ObjectIdAssigned:
        return ItemEvent(
            code, deviceItem(photoPath(name.section('=', 0, 0)), name.section('=', 1)));
    default:
        if (name.contains('.'))
            return ItemEvent(
                code, deviceItem("/DCIM/" + name, name.section('.', 0, 0), name.section('.', 1)));
        return ItemEvent(code, deviceItem(photoPath(name), name));
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

    std::unique_ptr<OCModelInsertThread> makeThread(bool loadMode)
    {
        auto thread = std::make_unique<OCModelInsertThread>(loadMode);
        thread->setMediaList(m_list.get());
        thread->setModel(m_model.get());
        return thread;
    }
    void addRow(const QString& path, const QVariantMap& values = {})
    {
        m_database->addRow(path, values);
        m_second->addRow(path, values);
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
    // Queues the steps on a load-mode thread, which merges them once told
    // to go, and waits for its end.
    void runScript(const QStringList& steps)
    {
        auto thread = makeThread(true);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        for (const QString& step : steps)
            thread->addData(scriptEvent(step));
        thread->exec();
        QVERIFY(finished.wait(30000));
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
    }
    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
        m_list.reset();
        m_env.reset();
    }

    void runEnds_data()
    {
        QTest::addColumn<bool>("loadMode");
        QTest::newRow("load mode: merged after exec, ends by itself") << true;
        QTest::newRow("transfers: merged at once, ends after finish") << false;
    }

    void runEnds()
    {
        QFETCH(bool, loadMode);
        auto thread = makeThread(loadMode);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        for (int i = 0; i < 3; ++i)
            thread->addData(scriptEvent(QStringLiteral("2 %1").arg(i)));
        QTest::qWait(100);
        QCOMPARE(m_model->rowCount(), loadMode ? 0 : 3);
        QCOMPARE(finished.count(), 0);
        QVERIFY(thread->isRunning());
        if (loadMode)
            thread->exec();
        else
            thread->finish();
        QVERIFY(finished.wait(30000));
        QCOMPARE(m_model->rowCount(), 3);
        QVERIFY(!thread->isRunning());
        // A later event starts another run.
        thread->addData(scriptEvent("2 late"));
        QVERIFY(thread->isRunning());
        if (!loadMode)
            thread->finish();
        QVERIFY(finished.wait(30000));
        QCOMPARE(m_model->rowCount(), 4);
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
        QTest::newRow("removal of a file we sent is ours")
            << QStringList { "4 s" } << QStringList {} << QStringList { "9 s", "2 e" }
            << QStringList { "s", "e" } << true << 1 << 0;
        QTest::newRow("our file's new id re-indexes it, then it can go")
            << QStringList { "4 s" } << QStringList {} << QStringList { "7 s=n", "9 n", "2 e" }
            << QStringList { "e" } << true << -1 << 1;
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
            if (step.startsWith("4 "))
                addRow("/pc/" + step.mid(2) + ".jpg");
        }
        runScript(listed);
        QCOMPARE(m_model->rowCount(), listed.size());
        if (CPhotoDataItem* sent = m_list->findItem(photoPath("s"), false))
            m_list->setObjectId(sent->path, "s");
        for (const QString& step : listed)
            m_database->deleteItem(-1, { photoPath(step.mid(2)) }, true);
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

    void locatedFileAlreadyListedIsAnnounced()
    {
        addRow(photoPath("b"));
        auto thread = makeThread(true);
        QSignalSpy located(thread.get(), &OCModelInsertThread::locatedItemListed);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        for (const char* step : { "2 a", "2 b", "5 b", "5 c" })
            thread->addData(scriptEvent(step));
        thread->exec();
        QVERIFY(finished.wait(30000));
        QCOMPARE(modelTitles(), (QStringList { "a", "b" }));
        QCOMPARE(located.count(), 2); // b, and c which is no photo of the database
        QCOMPARE(located.first().at(0).toString(), QStringLiteral("\\DCIM\\b.jpg"));
    }

    // A fetcher stuck in the photo database when its owner goes is not
    // waited for: it ends, and goes, by itself.
    void stuckFetcherOutlivesItsOwner()
    {
        m_database->hold = m_second->hold = true;
        auto thread = makeThread(false);
        thread->addData(ItemEvent(ItemEventCode::TransferredToPhone,
            std::make_unique<CPhotoDataItem>("/Phone/a.jpg", "/pc/a.jpg")));
        QTRY_COMPARE(m_database->held + m_second->held, 1);
        QCOMPARE(OCModelInsertThread::runningCount(), 1);
        QElapsedTimer destroying;
        destroying.start();
        thread.reset();
        QVERIFY(destroying.elapsed() < 10000);
        m_database->letGo.release();
        m_second->letGo.release();
        QTRY_COMPARE_WITH_TIMEOUT(OCModelInsertThread::runningCount(), 0, 10000);
        QCOMPARE(m_model->rowCount(), 0);
    }

    void refusedEventsDoNothing()
    {
        auto thread = makeThread(false);
        thread->addData(ItemEvent(12, deviceItem("/DCIM/a.jpg")));
        thread->addData(ItemEvent(-3, deviceItem("/DCIM/b.jpg")));
        thread->addData(ItemEvent(ItemEventCode::ListedFull, nullptr));
        thread->addData(ItemEvent(ItemEventCode::ListedFull, deviceItem("/DCIM/ok.jpg")));
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        thread->finish();
        QVERIFY(finished.wait(30000));
        QCOMPARE(m_model->rowCount(), 1);
        QCOMPARE(m_list->count(), 1);
    }

    void pauseHoldsMergingBack()
    {
        auto thread = makeThread(false);
        thread->pause(true);
        for (int i = 0; i < 3; ++i)
            thread->addData(scriptEvent(QStringLiteral("1 %1").arg(i)));
        for (int i = 0; i < 3; ++i)
            addRow(photoPath(QString::number(i)));
        QTest::qWait(300);
        QCOMPARE(m_model->rowCount(), 0);
        thread->on_resume();
        QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 3, 30000);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        thread->finish();
        QVERIFY(finished.wait(30000));
    }

    void memoryPressureStopsAndStillAppliesRemovals()
    {
        LogCapture log;
        runScript({ "2 a", "2 b" });
        auto thread = makeThread(false);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        SetMemoryBudget(1);
        thread->addData(scriptEvent("9 a"));
        thread->addData(scriptEvent("1 c"));
        addRow(photoPath("c"));
        QVERIFY(finished.wait(30000));
        SetMemoryBudget(0);
        QVERIFY(thread->stoppedForMemory());
        QVERIFY(log.contains("memory overflow!!"));
        QCOMPARE(thread->queueCount(), 0);
        QCOMPARE(modelTitles(), QStringList { "b" }); // c given up, a's removal applied
        verifyModelShowsList();
    }

    void stopDropsTheBatchBeingFetched()
    {
        m_database->hold = m_second->hold = true;
        auto thread = makeThread(false);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        addRow(photoPath("a"));
        thread->addData(scriptEvent("1 a"));
        QTRY_COMPARE(m_database->held + m_second->held, 1);
        thread->stop();
        QVERIFY(!thread->isRunning());
        m_database->letGo.release();
        m_second->letGo.release();
        QTRY_COMPARE(OCModelInsertThread::runningCount(), 0);
        QTest::qWait(100); // the answer of the fetch arrives, and is dropped
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_list->count(), 0);
        QCOMPARE(finished.count(), 0);
    }

    // Random events, pauses and reads through a sorted proxy: afterwards the
    // model shows exactly the list, and the testers found nothing wrong.
    void randomStreamKeepsModelAndListInStep()
    {
        LogCapture log;
        // In the QtTest mode the testers format both sides of every passing
        // comparison: here their failures are warnings, looked for below.
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(m_model.get());
        proxy.setDynamicSortFilter(true);
        proxy.sort(4, Qt::AscendingOrder);
        QAbstractItemModelTester proxyTester(
            &proxy, QAbstractItemModelTester::FailureReportingMode::Warning);
        for (int i = 0; i < 500; ++i)
            addRow(QStringLiteral("/DB/%1.jpg").arg(i), { { "FileSize", (i % 3) * 1000 } });
        auto thread = makeThread(false);
        QRandomGenerator random(7);
        const int total = 2000;
        const int names = total / 8; // most files are listed again
        for (int i = 0; i < total; ++i) {
            const int kind = random.bounded(1000);
            const QString id = QStringLiteral("id%1").arg(random.bounded(names));
            const QString name = QString::number(random.bounded(names));
            if (kind < 540)
                thread->addData(ItemEvent(2, deviceItem("/DCIM/" + name + ".jpg", "id" + name)));
            else if (kind < 550)
                thread->addData(ItemEvent(2, deviceItem(QStringLiteral("/t/%1.txt").arg(i), id)));
            else if (kind < 700)
                thread->addData(ItemEvent(1,
                    std::make_unique<CPhotoDataItem>(
                        QStringLiteral("/DB/%1.jpg").arg(random.bounded(600)), QString())));
            else if (kind < 800)
                thread->addData(ItemEvent(8, deviceItem(QStringLiteral("/m/%1.jpg").arg(i), id)));
            else if (kind < 985)
                thread->addData(ItemEvent(7, deviceItem("/DCIM/" + name + ".jpg", id)));
            else
                thread->addData(ItemEvent(9, deviceItem(QString(), id)));
            if (i % 50 == 0) {
                thread->pause(random.bounded(4) == 0);
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                for (int read = 0; read < 20 && proxy.rowCount() > 0; ++read)
                    proxy.index(random.bounded(proxy.rowCount()), 2).data();
            }
        }
        thread->pause(false);
        QSignalSpy finished(thread.get(), &OCModelInsertThread::finished);
        thread->finish();
        QVERIFY(finished.wait(120000));
        verifyModelShowsList();
        QCOMPARE(proxy.rowCount(), m_model->rowCount());
        QVERIFY(m_model->rowCount() > total / 20);
        QVERIFY(log.contains("removed event"));
        QVERIFY(!log.contains("FAIL!")); // the testers found nothing
    }
};

QTEST_MAIN(TestOCModelInsertThread)
#include "tst_ocmodelinsertthread.moc"
