#include "agentrecorder.h"
#include "host/device/devicefunctions.h"
#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSemaphore>
#include <QSet>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

QList<ItemReport> fileReports()
{
    QList<ItemReport> files;
    for (const ItemReport& report : AgentRecorder::items()) {
        if (report.code == ItemLoadCode::Item)
            files.append(report);
    }
    return files;
}

QList<int> codes()
{
    QList<int> result;
    for (const ItemReport& report : AgentRecorder::items())
        result.append(report.code);
    return result;
}

} // namespace

class TestFolderPhoneAgent : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    bool listAll(FolderPhoneAgent& agent)
    {
        AgentRecorder::reset();
        agent.SetItemLoadCallback(&AgentRecorder::itemLoad);
        if (agent.StartItemLoad(QStringLiteral("ROOT")) != AgentResult::ListingStarted)
            return false;
        return QTest::qWaitFor([] { return AgentRecorder::listingEnded(); }, kWait);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>();
        QVERIFY(m_phone->isValid());
    }

    void init() { AgentRecorder::reset(); }

    void listingReportsEveryFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage);
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp);
        QTest::newRow("media transfer, minimal") << int(ConnectionKind::MtpBasic);
    }

    void listingReportsEveryFile()
    {
        QFETCH(int, kind);
        TestEnvironment env;
        FolderPhoneAgent agent(m_phone->folder(), kind);
        QVERIFY(listAll(agent));

        const QList<int> sequence = codes();
        QCOMPARE(sequence.first(), int(ItemLoadCode::Started));
        QCOMPARE(sequence.last(), int(ItemLoadCode::Finished));
        const QList<ItemReport> files = fileReports();
        QCOMPARE(files.size(), m_phone->generator().files().size());
        QCOMPARE(sequence.size(), files.size() + 2);

        // Paths, names, sizes and pixel sizes are the hostile phone's table's.
        QSet<QString> ids;
        QHash<QString, QString> idOf; // by phone path
        for (const ItemReport& report : files) {
            const QString file = agent.fileSystemPathOf(report.path);
            QVERIFY2(QFileInfo(file).isFile(), qPrintable(report.path));
            QVERIFY(!report.objectId.isEmpty());
            ids.insert(report.objectId);
            idOf.insert(report.path, report.objectId);

            const QFileInfo info(file);
            if (kind == ConnectionKind::MtpBasic) {
                QVERIFY(report.type.isEmpty());
                QCOMPARE(report.size, 0);
                QCOMPARE(report.width, 0);
                continue;
            }
            QCOMPARE(report.type, info.suffix());
            QCOMPARE(QDateTime::fromString(report.modifiedDate, Qt::ISODate),
                info.lastModified().addMSecs(-info.lastModified().time().msec()));
        }
        QCOMPARE(ids.size(), files.size());

        // Over media transfer the date taken is the phone's capture date.
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            const QString tail = QStringLiteral("\\") + toStoredPath(photo.relativePath);
            const auto report = std::find_if(files.begin(), files.end(),
                [&tail](const ItemReport& r) { return r.path.endsWith(tail); });
            QVERIFY2(report != files.end(), qPrintable(tail));
            const QDate taken = QDateTime::fromString(report->shootingDate, Qt::ISODate).date();
            QCOMPARE(taken, kind == ConnectionKind::Mtp ? photo.shootingDate.date() : QDate());
        }

        // A second listing gives every file the id it had.
        QVERIFY(listAll(agent));
        for (const ItemReport& report : fileReports())
            QCOMPARE(report.objectId, idOf.value(report.path));
    }

    // Record dates are local times; the zone's offset differs between winter
    // and summer.
    void recordDatesFollowTheLocalZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin");
    }

    void recordDatesFollowTheLocalZone()
    {
        QFETCH(QByteArray, zone);
        QTemporaryDir storage;
        const QList<QDateTime> times = { QDateTime(QDate(2024, 1, 15), QTime(23, 30), Qt::UTC),
            QDateTime(QDate(2024, 7, 1), QTime(0, 10), Qt::UTC),
            QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59), Qt::UTC) };
        for (int i = 0; i < times.size(); ++i) {
            QFile file(storage.filePath(QStringLiteral("f%1.txt").arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
            file.flush();
            QVERIFY(file.setFileTime(times.at(i), QFileDevice::FileModificationTime));
        }
        const QByteArray previous = qgetenv("TZ");
        qputenv("TZ", zone);
        FolderPhoneAgent agent(storage.path(), ConnectionKind::Mtp);
        const bool listed = listAll(agent);
        QHash<QString, QString> dates;
        for (const ItemReport& report : fileReports())
            dates.insert(report.fileName, report.modifiedDate);
        QHash<QString, QString> expected;
        for (int i = 0; i < times.size(); ++i)
            expected.insert(
                QStringLiteral("f%1.txt").arg(i), times.at(i).toLocalTime().toString(Qt::ISODate));
        previous.isNull() ? qunsetenv("TZ") : qputenv("TZ", previous);
        QVERIFY(listed);
        QCOMPARE(dates, expected);
        QVERIFY(expected.value("f0.txt") != times.at(0).toString("yyyy-MM-ddTHH:mm:ss"));
    }

    // A second listing while one is held at its first file is refused.
    void secondListingIsBusy()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        QSemaphore entered;
        QSemaphore release;
        AgentRecorder::setItemHook([&](const ItemReport& report) {
            if (report.code == ItemLoadCode::Item && fileReports().size() == 1) {
                entered.release();
                release.acquire();
            }
        });
        agent.SetItemLoadCallback(&AgentRecorder::itemLoad);
        QCOMPARE(agent.StartItemLoad(QStringLiteral("ROOT")), int(AgentResult::ListingStarted));
        QVERIFY(entered.tryAcquire(1, kWait));
        QCOMPARE(agent.StartItemLoad(QStringLiteral("ROOT")), int(AgentResult::Busy));
        QVERIFY(agent.IsBusy());
        release.release();
        QVERIFY(QTest::qWaitFor([] { return AgentRecorder::listingEnded(); }, kWait));
        QCOMPARE(codes().last(), int(ItemLoadCode::Finished));
        AgentRecorder::setItemHook(nullptr);
    }

    void thumbnails_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("expected");
        const int mtp = ConnectionKind::Mtp;
        const QString photo = m_phone->generator().photos().at(1).relativePath;
        QTest::newRow("camera photo") << mtp << photo << 0;
        QTest::newRow("animated gif") << mtp << QStringLiteral("Download/dancing dots.gif") << 0;
        QTest::newRow("text") << mtp << QStringLiteral("Download/notes.txt") << 8;
        QTest::newRow("gone") << mtp << QStringLiteral("DCIM/Camera/never there.jpg")
                              << int(AgentResult::FileMissing);
    }

    void thumbnails()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(int, expected);
        FolderPhoneAgent agent(m_phone->folder(), kind);
        QCOMPARE(agent.RequestThumbnails(
                     agent.phonePathOf(m_phone->file(file)), 2, &AgentRecorder::thumbnail),
            0);
        QVERIFY(QTest::qWaitFor([] { return !AgentRecorder::thumbnailCodes().isEmpty(); }, kWait));
        QCOMPARE(AgentRecorder::thumbnailCodes(), QList<int> { expected });
        QPixmap pixmap;
        agent.GetThumbnailImage(&pixmap);
        QCOMPARE(pixmap.isNull(), expected != 0);
        if (expected == 0) {
            QVERIFY(pixmap.width() <= 300 && pixmap.height() <= 300);
            QVERIFY(qMax(pixmap.width(), pixmap.height()) >= 120);
        }
    }

    // Nothing is written outside the storage. On mass storage, where phone
    // paths are PC paths, a PC file there (one the user located) can be read.
    void pathsNeverLeaveTheStorage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("readable");
        QTest::newRow("parent of the phone root")
            << int(ConnectionKind::Mtp) << QStringLiteral("\\Phone\\..\\x.jpg") << false;
        QTest::newRow("other root")
            << int(ConnectionKind::Mtp) << QStringLiteral("\\Phones\\x.jpg") << false;
        QTest::newRow("pc path on mtp")
            << int(ConnectionKind::Mtp) << QStringLiteral("\\etc\\hosts") << false;
        QTest::newRow("outside on mass storage")
            << int(ConnectionKind::MassStorage) << QStringLiteral("\\etc\\hosts") << true;
        QTest::newRow("climbing out on mass storage")
            << int(ConnectionKind::MassStorage) << QStringLiteral("{root}\\..\\x.jpg") << false;
    }

    void pathsNeverLeaveTheStorage()
    {
        QFETCH(int, kind);
        QFETCH(QString, path);
        QFETCH(bool, readable);
        FolderPhoneAgent agent(m_phone->folder(), kind);
        path.replace(QStringLiteral("{root}"), toStoredPath(m_phone->folder()));
        QCOMPARE(agent.fileSystemPathOf(path), QString());
        QCOMPARE(agent.IsFileExist(path), readable);
        QVERIFY(agent.RenameFile(path, QStringLiteral("y.jpg"), &AgentRecorder::renamed) != 0);
    }

    void thumbnailNoticeOncePerPhone()
    {
        TestEnvironment env;
        MessageBoxRecorder boxes(MsgBoxFlag::Ok | MsgBoxFlag::Checked);
        // A mounted storage's thumbnails are read from files: no notice.
        FolderPhoneAgent card(m_phone->folder(), ConnectionKind::MassStorage);
        ShowThumbnailNoticePupup(nullptr, 16, card.GetDeviceIndex());
        QCOMPARE(boxes.requests().size(), 0);
        FolderPhoneAgent first(m_phone->folder(), ConnectionKind::Mtp);
        ShowThumbnailNoticePupup(nullptr, 16, first.GetDeviceIndex());
        ShowThumbnailNoticePupup(nullptr, 16, first.GetDeviceIndex());
        QCOMPARE(boxes.requests().size(), 1);
        QVERIFY(!boxes.requests().first().checkBoxText.isEmpty());
        // The box was answered with "don't show again": the next phone gets none.
        FolderPhoneAgent second(m_phone->folder(), ConnectionKind::Mtp);
        ShowThumbnailNoticePupup(nullptr, 16, second.GetDeviceIndex());
        ShowThumbnailNoticePupup(nullptr, 16, -1);
        QCOMPARE(boxes.requests().size(), 1);
    }

    // A callback that waits for the GUI thread while the GUI thread destroys
    // the agent: the destructor must let the call through.
    void destroyWhileCallbackWaitsForThisThread()
    {
        auto agent = std::make_unique<FolderPhoneAgent>(m_phone->folder(), ConnectionKind::Mtp);
        QSemaphore entered;
        int delivered = 0;
        AgentRecorder::setItemHook([&](const ItemReport& report) {
            if (report.code != ItemLoadCode::Item)
                return;
            if (fileReports().size() == 1)
                entered.release();
            QMetaObject::invokeMethod(
                this, [&delivered] { ++delivered; }, Qt::BlockingQueuedConnection);
        });
        agent->SetItemLoadCallback(&AgentRecorder::itemLoad);
        QCOMPARE(agent->StartItemLoad(QStringLiteral("ROOT")), int(AgentResult::ListingStarted));
        QVERIFY(entered.tryAcquire(1, kWait));
        agent.reset();
        // The call in flight got through; the listing stopped after it.
        QCOMPARE(delivered, 1);
        QVERIFY(!codes().contains(ItemLoadCode::Finished));
        AgentRecorder::setItemHook(nullptr);
    }
};

QTEST_MAIN(TestFolderPhoneAgent)
#include "tst_folderphoneagent.moc"
