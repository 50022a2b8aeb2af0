#include "agentrecorder.h"
#include "common/hostfiles.h"
#include "host/device/devicefunctions.h"
#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "support/samplephonefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QtTest>

using namespace HostFiles;

namespace {

constexpr int kWait = 20000;

bool transferEnded()
{
    for (const ProgressReport& report : AgentRecorder::progress()) {
        if (report.current < 0 && report.current == report.total
            && report.current != TransferMarker::Start)
            return true;
    }
    return false;
}

// Starts a transfer job that reports to the recorder.
int transfer(FolderPhoneAgent& agent, const QStringList& sources, const QString& target,
    const QString& direction)
{
    return agent.TransferFiles(sources, target, direction, &AgentRecorder::transferProgress,
        &AgentRecorder::transferDone, -1, 1, 0);
}

} // namespace

class TestAgentJobs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    QStringList photoFiles(int count, const QString& root = {}) const
    {
        return samplePhotos(*m_phone, count, root);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(6, 11);
        QVERIFY(m_phone->isValid());
    }

    void init() { AgentRecorder::reset(); }

    void transferToPcReportsProgressAndCopies_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage);
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp);
    }

    void transferToPcReportsProgressAndCopies()
    {
        QFETCH(int, kind);
        QTemporaryDir target;
        FolderPhoneAgent agent(m_phone->folder(), kind);
        const QStringList files = photoFiles(3);
        QStringList sources;
        for (const QString& file : files)
            sources.append(toFileSystemPath(agent.phonePathOf(file))); // as the screen sends them
        // A file of the same name already waits at the destination.
        QFile clash(target.filePath(QFileInfo(files.at(1)).fileName()));
        QVERIFY(clash.open(QIODevice::WriteOnly));
        clash.write("mine");
        clash.close();

        QCOMPARE(transfer(agent, sources, target.path(), "toPC"), 0);
        QVERIFY(QTest::qWaitFor(transferEnded, kWait));
        const QList<ProgressReport> reports = AgentRecorder::progress();
        QCOMPARE(reports.first().current, qint64(TransferMarker::Start));
        const int jobId = reports.first().status;
        QVERIFY(jobId > 0);
        QCOMPARE(AgentRecorder::completions(), (QList<QPair<int, int>> { { jobId, 0 } }));

        QStringList written;
        for (const ProgressReport& report : reports) {
            if (report.status == -1 && !written.contains(report.name))
                written.append(report.name);
        }
        QCOMPARE(written.size(), 3);
        const QString renamed
            = QFileInfo(files.at(1)).completeBaseName() + QStringLiteral(" (1).jpg");
        QCOMPARE(QFileInfo(written.at(1)).fileName(), renamed);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(digest(written.at(i)), digest(files.at(i)));
            QCOMPARE(
                QFileInfo(written.at(i)).lastModified(), QFileInfo(files.at(i)).lastModified());
        }
        QCOMPARE(contents(clash.fileName()), QByteArray("mine"));
        QCOMPARE(filesIn(target.path()).size(), 4);
        agent.CloseTransfer(jobId);
    }

    // A job stopped at its first file: cancelled, it ends with code 2 and no
    // file; with the agent destroyed, it ends without a result. Either way no
    // partial file stays and the sources are untouched.
    void stoppedTransferLeavesNoPartialFile_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::newRow("cancel the job") << "job";
        QTest::newRow("cancel every job") << "every";
        QTest::newRow("destroy the agent") << "destroy";
    }

    void stoppedTransferLeavesNoPartialFile()
    {
        QFETCH(QString, stop);
        const bool destroy = stop == QLatin1String("destroy");
        QTemporaryDir target;
        auto agent = std::make_unique<FolderPhoneAgent>(m_phone->folder(), ConnectionKind::Mtp);
        FolderAgentFaults faults;
        faults.delayPerFileMs = destroy ? 60000 : 0;
        agent->setFaults(faults);
        const QStringList files = photoFiles(3);
        QStringList sources;
        for (const QString& file : files)
            sources.append(agent->phonePathOf(file));
        const QStringList sourceEntries = filesIn(QFileInfo(files.first()).path());
        QSemaphore writing;
        QSemaphore release;
        int jobId = 0;
        AgentRecorder::setProgressHook([&](const ProgressReport& report) {
            if (report.current == TransferMarker::Start)
                jobId = report.status;
            // Held at the first file's first report until cancelled; a
            // destroyed agent must not find its worker held.
            if (report.status == -1 && report.current == 0) {
                writing.release();
                if (!destroy)
                    release.acquire();
            }
        });
        QCOMPARE(transfer(*agent, sources, target.path(), "toPC"), 0);
        QVERIFY(writing.tryAcquire(1, kWait));
        if (destroy) {
            agent.reset();
            QCOMPARE(
                AgentRecorder::progress().last().current, qint64(TransferMarker::EndWithoutResult));
            QVERIFY(AgentRecorder::completions().isEmpty());
            for (const QString& name : filesIn(target.path()))
                QVERIFY2(!name.endsWith(QLatin1String(".part")), qPrintable(name));
        } else {
            agent->CancelTransfer(stop == QLatin1String("job") ? jobId : -1);
            release.release();
            QVERIFY(QTest::qWaitFor(transferEnded, kWait));
            QCOMPARE(AgentRecorder::progress().last().current, qint64(TransferMarker::End));
            QCOMPARE(AgentRecorder::progress().last().status, 2);
            QCOMPARE(AgentRecorder::completions(), (QList<QPair<int, int>> { { jobId, 2 } }));
            QCOMPARE(filesIn(target.path()), QStringList());
        }
        QCOMPARE(filesIn(QFileInfo(files.first()).path()), sourceEntries);
        for (const QString& file : files)
            QVERIFY(QFileInfo(file).size() > 0);
    }

    void transferProblems_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("started");
        QTest::addColumn<int>("result");
        QTest::newRow("unknown direction") << "sideways" << 3 << -99;
        QTest::newRow("one source gone") << "toPC" << 0 << int(AgentResult::FileMissing);
    }

    void transferProblems()
    {
        QFETCH(QString, direction);
        QFETCH(int, started);
        QFETCH(int, result);
        QTemporaryDir target;
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QStringList sources = { agent.phonePathOf(photoFiles(1).first()),
            QStringLiteral("\\Phone\\DCIM\\Camera\\gone.jpg") };
        QCOMPARE(transfer(agent, sources, target.path(), direction), started);
        if (started != 0) {
            QVERIFY(AgentRecorder::progress().isEmpty());
            return;
        }
        QVERIFY(QTest::qWaitFor(transferEnded, kWait));
        QCOMPARE(AgentRecorder::progress().last().status, result);
        // The file that was there still arrived.
        QCOMPARE(filesIn(target.path()),
            QStringList { QFileInfo(toFileSystemPath(sources.first())).fileName() });
    }

    void phoneGoesAwayMidJob_data()
    {
        QTest::addColumn<QString>("job");
        QTest::newRow("to the PC, half-way through the second file") << "toPC";
        QTest::newRow("to the phone, half-way through the second file") << "toPhone";
        QTest::newRow("delete, at the second file") << "delete";
    }

    void phoneGoesAwayMidJob()
    {
        QFETCH(QString, job);
        auto storage = m_phone->copy();
        QVERIFY(storage);
        QTemporaryDir pc;
        FolderPhoneAgent agent(storage->path(), ConnectionKind::Mtp);
        FolderAgentFaults faults;
        faults.disconnectAtTransfer = 2;
        faults.disconnectAtDelete = 2;
        agent.setFaults(faults);
        const QStringList files = photoFiles(3, storage->path());
        QStringList sources;
        for (int i = 0; i < 3; ++i) {
            if (job == QLatin1String("toPhone")) {
                sources.append(pc.filePath(QStringLiteral("from the PC %1.jpg").arg(i)));
                QVERIFY(QFile::copy(files.at(i), sources.last()));
            } else {
                sources.append(agent.phonePathOf(files.at(i)));
            }
        }
        const QString camera = QFileInfo(files.first()).path();
        const QString target = job == QLatin1String("toPC") ? pc.path() : camera;
        const QStringList before = filesIn(target);

        if (job == QLatin1String("delete")) {
            QCOMPARE(DeleteFilesInPhone(
                         &agent, sources, reinterpret_cast<void*>(&AgentRecorder::deleted)),
                0);
            QVERIFY(
                QTest::qWaitFor([] { return AgentRecorder::deleteNotices().size() == 3; }, kWait));
            QList<int> codes;
            for (const DeleteNotice& notice : AgentRecorder::deleteNotices())
                codes.append(notice.error);
            QCOMPARE(codes, (QList<int> { -2, 0, AgentResult::Disconnected }));
            QCOMPARE(filesIn(camera).size(), before.size() - 1);
            QVERIFY(!QFileInfo::exists(files.at(0)));
        } else {
            QCOMPARE(
                transfer(agent, sources, job == QLatin1String("toPC") ? pc.path() : QString(), job),
                0);
            QVERIFY(QTest::qWaitFor([] { return !AgentRecorder::completions().isEmpty(); }, kWait));
            QCOMPARE(AgentRecorder::completions().first().second, int(AgentResult::Disconnected));
            // The first file whole, the second undone, the third never begun.
            QStringList added = filesIn(target);
            for (const QString& name : before)
                added.removeOne(name);
            QCOMPARE(added.size(), 1);
            QCOMPARE(digest(QDir(target).filePath(added.first())), digest(files.first()));
        }
        for (int i = 1; i < 3; ++i)
            QVERIFY(QFileInfo(files.at(i)).size() > 0);
        // A phone that went away takes no new job.
        QCOMPARE(agent.GetDeviceIndex(), -1);
        QCOMPARE(transfer(agent, sources, pc.path(), "toPC"), int(AgentResult::Disconnected));
        QCOMPARE(
            agent.DeleteFiles(sources, &AgentRecorder::deleted), int(AgentResult::Disconnected));
    }

    void secondDeleteWhileOneRunsIsBusy()
    {
        auto storage = m_phone->copy();
        QVERIFY(storage);
        FolderPhoneAgent agent(storage->path(), ConnectionKind::Mtp);
        QSemaphore started;
        QSemaphore release;
        AgentRecorder::setDeleteHook([&](const DeleteNotice& notice) {
            if (notice.error == -2) {
                started.release();
                release.acquire();
            }
        });
        const QStringList files = photoFiles(2, storage->path());
        const QString first = agent.phonePathOf(files.at(0));
        const QString second = agent.phonePathOf(files.at(1));
        void* callback = reinterpret_cast<void*>(&AgentRecorder::deleted);
        QCOMPARE(DeleteFilesInPhone(&agent, { first }, callback), 0);
        QVERIFY(started.tryAcquire(1, kWait));
        QCOMPARE(DeleteFilesInPhone(&agent, { second }, callback), 2);
        agent.CancelDeleteJob(AgentRecorder::deleteNotices().first().jobId);
        release.release();
        QVERIFY(QTest::qWaitFor([] { return AgentRecorder::deleteNotices().size() == 2; }, kWait));
        QCOMPARE(AgentRecorder::deleteNotices().last().error, 2);
        QVERIFY(agent.IsFileExist(first));
        QVERIFY(agent.IsFileExist(second));
    }

    void renameRefusals_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("expected");
        QTest::newRow("slash") << "a/b.jpg" << int(AgentResult::Refused);
        QTest::newRow("backslash") << "a\\b.jpg" << int(AgentResult::Refused);
        QTest::newRow("empty") << "  " << int(AgentResult::Refused);
        QTest::newRow("dot dot") << ".." << int(AgentResult::Refused);
    }

    void renameRefusals()
    {
        QFETCH(QString, newName);
        QFETCH(int, expected);
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QString path = agent.phonePathOf(photoFiles(1).first());
        QCOMPARE(RenameFileInPhone(
                     &agent, path, newName, reinterpret_cast<void*>(&AgentRecorder::renamed)),
            expected);
        QVERIFY(agent.IsFileExist(path));
        QVERIFY(AgentRecorder::renameResults().isEmpty());
    }
};

QTEST_MAIN(TestAgentJobs)
#include "tst_agentjobs.moc"
