// GPhotoAgent's jobs on libgphoto2's "Directory Browse" camera over a copy of
// a generated sample phone: what reaches the PC and the phone, deletes, a
// device that refuses, cancel, and the folder pulled away mid-job.
#include "agentrecorder.h"
#include "common/hostfiles.h"
#include "host/contract/devicefilerecord.h"
#include "host/device/gphotoagent.h"
#include "host/services/fileutils.h"
#include "support/samplephonefixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using HostFiles::digest;

namespace {

constexpr int kWait = 20000;

QStringList partialFiles(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, { "*.part" }, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

bool transferEnded()
{
    for (const ProgressReport& report : AgentRecorder::progress()) {
        if (report.current == TransferMarker::End && report.total == TransferMarker::End)
            return true;
    }
    return false;
}

int transferResult()
{
    for (const ProgressReport& report : AgentRecorder::progress()) {
        if (report.current == TransferMarker::End && report.total == TransferMarker::End)
            return report.status;
    }
    return -100;
}

// Makes a file undeletable, as on a device that refuses; false where the
// file system or the user's rights do not allow it.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

} // namespace

class TestGPhotoAgent : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    std::unique_ptr<QTemporaryDir> m_storage; // this test's copy of the phone
    std::unique_ptr<GPhotoAgent> m_camera;

    // The camera over a fresh copy of the phone, listed.
    bool openListed()
    {
        AgentRecorder::reset();
        m_camera.reset();
        m_storage = m_phone->copy();
        if (!m_storage)
            return false;
        m_camera = std::make_unique<GPhotoAgent>(
            GPhotoDeviceId { QStringLiteral("Directory Browse"), "disk:" + m_storage->path() });
        QString why;
        if (m_camera->open(kWait, &why) != AgentResult::Ok) {
            qWarning() << why;
            return false;
        }
        m_camera->SetItemLoadCallback(&AgentRecorder::itemLoad);
        if (m_camera->StartItemLoad(QStringLiteral("ROOT")) != AgentResult::ListingStarted)
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!AgentRecorder::listingEnded() && waited.elapsed() < kWait)
            QTest::qWait(5);
        return AgentRecorder::listingEnded();
    }

    QString photo(int index) const { return m_phone->generator().photos().at(index).relativePath; }
    QString phonePath(const QString& relative) const { return toStoredPath("/" + relative); }
    QString onDevice(const QString& relative) const { return m_storage->filePath(relative); }

    int transfer(const QStringList& sources, const QString& target, const QString& direction)
    {
        return m_camera->TransferFiles(sources, target, direction, &AgentRecorder::transferProgress,
            &AgentRecorder::transferDone, -1, 1, 0);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(5, 13);
        QVERIFY(m_phone->isValid());
    }

    void cleanup()
    {
        GPhotoAgent::setTestFaults({});
        m_camera.reset();
        m_storage.reset();
        AgentRecorder::reset();
    }

    void uploadLandsUnderAFreeName()
    {
        QVERIFY(openListed());
        const QString folder = m_camera->GetCameraFolder();
        QCOMPARE(folder, QStringLiteral("\\DCIM\\Camera"));
        const QString source = m_phone->file(photo(2)); // the same name is on the device
        QCOMPARE(transfer({ toStoredPath(source) }, folder, "toPhone"), int(AgentResult::Ok));
        QTRY_VERIFY_WITH_TIMEOUT(transferEnded(), kWait);
        QCOMPARE(transferResult(), 0);
        const QFileInfo name(source);
        const QString landed
            = QStringLiteral("DCIM/Camera/%1 (1).%2").arg(name.completeBaseName(), name.suffix());
        QCOMPARE(digest(onDevice(landed)), digest(source));
        QVERIFY(m_camera->IsFileExist(phonePath(landed)));
        QList<int> kinds;
        for (const ItemReport& report : AgentRecorder::items()) {
            if (report.code == ItemLoadCode::Event && report.path == phonePath(landed))
                kinds.append(report.changeKind);
        }
        QCOMPARE(kinds, (QList<int> { 0, 1 }));
    }

    void deletes_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("deletes") << false;
        QTest::newRow("the device refuses") << true;
    }

    void deletes()
    {
        QFETCH(bool, refused);
        QVERIFY(openListed());
        const QString file = onDevice(photo(3));
        if (refused && !setImmutable(file, true))
            QSKIP("cannot make a file undeletable here");
        QCOMPARE(m_camera->DeleteFiles({ phonePath(photo(3)) }, &AgentRecorder::deleted),
            int(AgentResult::Ok));
        QTRY_VERIFY_WITH_TIMEOUT(AgentRecorder::deleteNotices().size() >= (refused ? 2 : 3), kWait);
        const QList<DeleteNotice> notices = AgentRecorder::deleteNotices();
        if (refused)
            setImmutable(file, false);
        QCOMPARE(notices.first().error, -2);
        QCOMPARE(notices.last().error, refused ? int(AgentResult::AccessDenied) : 0);
        QCOMPARE(notices.size(), refused ? 2 : 3);
        QCOMPARE(QFileInfo::exists(file), refused);
        QCOMPARE(m_camera->IsFileExist(phonePath(photo(3))), refused);
        QVERIFY(m_camera->GetDeviceIndex() != -1);
    }

    void cancelLeavesNothing()
    {
        QVERIFY(openListed());
        // Large enough that the copy is still running when cancelled.
        QFile big(onDevice("DCIM/Camera/big.jpg"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 16; ++i) {
            QRandomGenerator::global()->fillRange(
                reinterpret_cast<quint32*>(block.data()), block.size() / 4);
            big.write(block);
        }
        big.close();
        AgentRecorder::reset();
        m_camera->SetItemLoadCallback(&AgentRecorder::itemLoad);
        QCOMPARE(m_camera->StartItemLoad("ROOT"), int(AgentResult::ListingStarted));
        QTRY_VERIFY_WITH_TIMEOUT(AgentRecorder::listingEnded(), kWait);
        GPhotoAgent* camera = m_camera.get();
        AgentRecorder::setProgressHook([camera](const ProgressReport& report) {
            if (report.current == TransferMarker::Start)
                camera->CancelTransfer(report.status);
        });
        QTemporaryDir target;
        QCOMPARE(
            transfer({ "\\DCIM\\Camera\\big.jpg" }, target.path(), "toPC"), int(AgentResult::Ok));
        QTRY_VERIFY_WITH_TIMEOUT(transferEnded(), kWait);
        QCOMPARE(transferResult(), int(AgentResult::Busy));
        QVERIFY(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void folderGoneMidJob_data()
    {
        QTest::addColumn<bool>("thumbnail");
        QTest::newRow("thumbnail") << true;
        QTest::newRow("transfer") << false;
    }

    void folderGoneMidJob()
    {
        QFETCH(bool, thumbnail);
        QVERIFY(openListed());
        std::atomic<int> lost { 0 };
        m_camera->setLostHandler([&lost] { ++lost; });
        QTemporaryDir target;
        const QString storage = m_storage->path();
        if (thumbnail) {
            QVERIFY(QDir(storage).removeRecursively());
            QCOMPARE(m_camera->RequestThumbnails(phonePath(photo(0)), 2, &AgentRecorder::thumbnail),
                int(AgentResult::Ok));
            QTRY_COMPARE_WITH_TIMEOUT(
                AgentRecorder::thumbnailCodes(), QList<int> { AgentResult::Disconnected }, kWait);
        } else {
            // The storage goes once the first file is under way.
            AgentRecorder::setProgressHook([storage](const ProgressReport& report) {
                if (report.status == -1 && report.current == 0)
                    QDir(storage).removeRecursively();
            });
            QCOMPARE(transfer({ phonePath(photo(0)), phonePath(photo(1)) }, target.path(), "toPC"),
                int(AgentResult::Ok));
            QTRY_VERIFY_WITH_TIMEOUT(transferEnded(), kWait);
            QCOMPARE(transferResult(), int(AgentResult::Disconnected));
            QVERIFY(partialFiles(target.path()).isEmpty());
            QVERIFY(!QFileInfo::exists(target.filePath(QFileInfo(photo(1)).fileName())));
        }
        QCOMPARE(m_camera->GetDeviceIndex(), -1);
        QCOMPARE(lost.load(), 1);
        QCOMPARE(m_camera->StartItemLoad("ROOT"), int(AgentResult::Disconnected));
    }

    // A photo turned in the viewer goes back over media transfer without
    // rename or overwrite: whatever step fails, the photo stays whole on the
    // device at least once, and the list hears where.
    void replaceNeverLosesThePhoto_data()
    {
        QTest::addColumn<int>("failAt"); // the step a fault fails, 0: none
        QTest::addColumn<bool>("undeletable"); // the original cannot be deleted
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("original"); // its content after: "old", "new" or "gone"
        QTest::addColumn<bool>("turnedCopyKept");
        QTest::newRow("replaced") << 0 << false << 0 << "new" << false;
        QTest::newRow("turned copy not sent")
            << 1 << false << int(AgentResult::WriteFailed) << "old" << false;
        QTest::newRow("turned copy of another size")
            << 2 << false << int(AgentResult::WriteFailed) << "old" << false;
        QTest::newRow("original cannot be deleted")
            << 0 << true << int(AgentResult::AccessDenied) << "old" << false;
        QTest::newRow("original not sent again")
            << 4 << false << int(AgentResult::WriteFailed) << "gone" << true;
        QTest::newRow("original sent again of another size")
            << 5 << false << int(AgentResult::WriteFailed) << "gone" << true;
        QTest::newRow("turned copy cannot be deleted") << 6 << false << 0 << "new" << true;
    }

    void replaceNeverLosesThePhoto()
    {
        QFETCH(int, failAt);
        QFETCH(bool, undeletable);
        QFETCH(int, result);
        QFETCH(QString, original);
        QFETCH(bool, turnedCopyKept);
        GPhotoAgentFaults faults;
        faults.failReplaceAtStep = failAt;
        GPhotoAgent::setTestFaults(faults);
        QVERIFY(openListed());
        const QString target = onDevice(photo(0));
        const QByteArray old = digest(target);
        const QString turned = m_phone->file(photo(1)); // stands for the turned copy
        if (undeletable && !setImmutable(target, true))
            QSKIP("cannot make a file undeletable here");
        QCOMPARE(m_camera->ReplaceFile(toStoredPath(turned), phonePath(photo(0)),
                     &AgentRecorder::transferProgress, &AgentRecorder::transferDone),
            int(AgentResult::Ok));
        QTRY_VERIFY_WITH_TIMEOUT(transferEnded(), kWait);
        if (undeletable)
            setImmutable(target, false);
        QCOMPARE(transferResult(), result);
        const QByteArray now = digest(target);
        QCOMPARE(now.isEmpty() ? "gone" : now == old ? "old" : "new", original);
        const QFileInfo name(target);
        const QStringList copies
            = QDir(name.path())
                  .entryList({ name.completeBaseName() + " (turned*" }, QDir::Files | QDir::Hidden);
        QCOMPARE(copies.size(), turnedCopyKept ? 1 : 0);
        if (turnedCopyKept)
            QCOMPARE(digest(name.path() + '/' + copies.first()), digest(turned));
        QMap<QString, QList<int>> events;
        for (const ItemReport& report : AgentRecorder::items()) {
            if (report.code == ItemLoadCode::Event)
                events[report.path].append(report.changeKind);
        }
        QCOMPARE(events.value(phonePath(photo(0))),
            original == "new"        ? QList<int> { DeviceChange::Changed }
                : original == "gone" ? QList<int> { DeviceChange::Removed }
                                     : QList<int> {});
        QCOMPARE(m_camera->IsFileExist(phonePath(photo(0))), original != "gone");
        if (turnedCopyKept)
            QVERIFY(m_camera->IsFileExist(
                phonePath(QFileInfo(photo(0)).path() + '/' + copies.first())));
    }
};

QTEST_MAIN(TestGPhotoAgent)
#include "tst_gphotoagent.moc"
