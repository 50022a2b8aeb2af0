#include "common/hostfiles.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/agentthumbnailsource.h"
#include "host/thumbs/partialloader.h"
#include "support/photodatabasefixture.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QSignalSpy>
#include <QSqlRecord>
#include <QThread>
#include <QtTest>

namespace {

constexpr int kWait = 20000;
// Answers must come within this; the loader looks every 10 ms.
constexpr int kAnswerBound = 3000;

// What a screen does from its side: it writes a state, here from a thread of its own.
void requestFromAnotherThread(quint32 deviceState, quint32 fetchState = 0)
{
    QThread* thread = QThread::create([=] {
        if (deviceState)
            g_SharedValue.SetPartialDeviceState(deviceState);
        if (fetchState)
            g_SharedValue.SetPartialGetThumbnailState(fetchState);
    });
    thread->start();
    thread->wait();
    delete thread;
}

quint32 deviceState()
{
    return g_SharedValue.GetPartialDeviceState();
}

quint32 fetchState()
{
    return g_SharedValue.GetPartialGetThumbnailState();
}

} // namespace

class TestPartialLoader : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    std::unique_ptr<PhotoDatabaseFixture> m_data;

    int withThumbnail(const QStringList& paths) const
    {
        int count = 0;
        QByteArray bytes;
        for (const QString& path : paths)
            count += m_data->db.getThumbnailFromDB(path, &bytes, true) ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(12, 9);
        QVERIFY(m_phone->isValid());
    }

    void init()
    {
        m_data = std::make_unique<PhotoDatabaseFixture>(); // resets the shared state
        g_SharedValue.SetPartialLoading(true);
        AgentThumbnailSource::setLimits(40, 20, 10000);
    }

    void cleanup() { m_data.reset(); }

    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage);
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp);
    }

    // Left alone, the loader goes through every photo of the phone, damaged
    // ones included, and ends idle.
    void fillsTheDatabase_data() { kinds_data(); }

    void fillsTheDatabase()
    {
        QFETCH(int, kind);
        FolderPhoneAgent agent(m_phone->folder(), kind);
        PartialLoader loader;
        QSignalSpy finished(&loader, &PartialLoader::finished);
        QVERIFY(loader.start(&agent, &m_data->db));
        QCOMPARE(deviceState(), quint32(OCSharedValue::PartialRunning));
        QVERIFY(finished.wait(kWait));
        QCOMPARE(deviceState(), quint32(OCSharedValue::PartialIdle));
        QCOMPARE(fetchState(), quint32(OCSharedValue::PartialThumbIdle));
        QVERIFY(!loader.isRunning());

        // Camera photos, screenshots, GIFs, TIFF, BMP and the two bad JPEGs.
        QCOMPARE(loader.filesDone(), m_phone->generator().photos().size() + 3 + 2 + 2 + 2);
        const QStringList photos = HostFiles::samplePhonePaths(*m_phone, agent);
        QCOMPARE(withThumbnail(photos), photos.size());
        if (kind == ConnectionKind::MassStorage) {
            const QSqlRecord row = m_data->db.setItemData(photos.first(), false, 13);
            QCOMPARE(row.value("Width").toInt(), 1280);
        }
        const QString broken
            = agent.phonePathOf(m_phone->file(QStringLiteral("DCIM/Camera/broken.jpg")));
        QCOMPARE(withThumbnail({ broken }), 0);
    }

    // A screen pauses the loader (4), waits for 8, and sets 2 to go on; the
    // loader then finishes its work. The handshake is the same in every
    // connection kind.
    void pauseAndResume()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        PartialLoader loader;
        loader.setPacing(150); // long enough to find it at work
        QSignalSpy finished(&loader, &PartialLoader::finished);
        QVERIFY(loader.start(&agent, &m_data->db));
        QVERIFY(QTest::qWaitFor([&] { return loader.filesDone() >= 1; }, kWait));

        requestFromAnotherThread(OCSharedValue::PartialPauseRequested);
        QVERIFY(QTest::qWaitFor(
            [] { return deviceState() == OCSharedValue::PartialPaused; }, kAnswerBound));
        QVERIFY(loader.isRunning());
        QCOMPARE(fetchState(), quint32(OCSharedValue::PartialThumbIdle));
        const int whenPaused = loader.filesDone();
        QVERIFY(whenPaused < 21);
        // A stop of the fetch during the pause is answered too, and the job stays.
        requestFromAnotherThread(0, OCSharedValue::PartialThumbStopRequested);
        QVERIFY(QTest::qWaitFor(
            [] { return fetchState() == OCSharedValue::PartialThumbIdle; }, kAnswerBound));
        QCOMPARE(loader.filesDone(), whenPaused);
        QVERIFY(loader.isRunning());

        loader.setPacing(0);
        requestFromAnotherThread(OCSharedValue::PartialRunning);
        QVERIFY(finished.wait(kWait));
        QCOMPARE(deviceState(), quint32(OCSharedValue::PartialIdle));
        QCOMPARE(loader.filesDone(), 21);
        QCOMPARE(withThumbnail(HostFiles::samplePhonePaths(*m_phone, agent)), m_phone->generator().photos().size());
    }

    // A stop request (0x10) ends the job with state 1; so does a stop of the
    // fetch through the agent outside a pause; so does the host's own stop.
    void stopRequests_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("how"); // 0 device stop, 1 fetch stop, 2 host
        QTest::newRow("mass storage, stop request") << int(ConnectionKind::MassStorage) << 0;
        QTest::newRow("mass storage, host stop") << int(ConnectionKind::MassStorage) << 2;
        QTest::newRow("media transfer, fetch stop") << int(ConnectionKind::Mtp) << 1;
        QTest::newRow("media transfer, host stop") << int(ConnectionKind::Mtp) << 2;
    }

    void stopRequests()
    {
        QFETCH(int, kind);
        QFETCH(int, how);
        FolderPhoneAgent agent(m_phone->folder(), kind);
        PartialLoader loader;
        loader.setPacing(150);
        QSignalSpy finished(&loader, &PartialLoader::finished);
        QVERIFY(loader.start(&agent, &m_data->db));
        QVERIFY(QTest::qWaitFor([&] { return loader.filesDone() >= 1; }, kWait));
        if (how == 1)
            QCOMPARE(fetchState(), quint32(OCSharedValue::PartialThumbRunning));

        if (how == 0)
            requestFromAnotherThread(OCSharedValue::PartialStopRequested);
        else if (how == 1)
            requestFromAnotherThread(0, OCSharedValue::PartialThumbStopRequested);
        else
            QVERIFY(loader.stop());
        QVERIFY(QTest::qWaitFor(
            [] {
                return deviceState() == OCSharedValue::PartialIdle
                    && fetchState() == OCSharedValue::PartialThumbIdle;
            },
            kAnswerBound));
        QVERIFY(finished.count() == 1 || finished.wait(kAnswerBound));
        QVERIFY(!loader.isRunning());
        QVERIFY(loader.filesDone() < 21);
    }

    void refusedOutsidePartialLoading()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        PartialLoader loader;
        g_SharedValue.SetPartialLoading(false);
        QVERIFY(!loader.start(&agent, &m_data->db));
        g_SharedValue.SetPartialLoading(true);
        QVERIFY(!loader.start(&agent, nullptr));
        QVERIFY(!loader.isRunning());
        QCOMPARE(deviceState(), quint32(OCSharedValue::PartialIdle)); // never set
    }
};

QTEST_MAIN(TestPartialLoader)
#include "tst_partialloader.moc"
