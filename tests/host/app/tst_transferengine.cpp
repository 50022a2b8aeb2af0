#include "common/hostfiles.h"
#include "host/app/pluginmanager.h"
#include "host/app/transferengine.h"
#include "host/app/transferenginewindow.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/mime/qfilecontentsmimedata.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "support/photodatabasefixture.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace HostFiles;

namespace {

constexpr int kWait = 20000;

PluginManager* g_manager = nullptr;

// What the plug-in's drag-out callback does: ask the host through its manager.
void OC_STDCALL pluginDragOut(QString srcPath, QString tarPath, qint64 size, quintptr pFunc)
{
    g_manager->on_transfer_to_pc(2, srcPath, tarPath, size, pFunc);
}

struct Progress
{
    qint64 current;
    qint64 total;
    int status;
};

} // namespace

class TestTransferEngine : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    std::unique_ptr<PhotoDatabaseFixture> m_data;
    std::unique_ptr<PluginManager> m_manager;
    std::unique_ptr<TransferEngine> m_engine;
    QList<Progress> m_progress;
    QList<quint32> m_flagsWhileRunning; // the process flags seen at each progress report

    // PC photos to send to the phone, under names the phone does not have.
    QStringList pcPhotos(int count) const
    {
        QDir().mkpath(m_data->env.path(QStringLiteral("pc")));
        const QStringList photos = samplePhotos(*m_phone, count);
        QStringList list;
        for (int i = 0; i < count; ++i) {
            const QString target = m_data->env.path(QStringLiteral("pc/From PC %1.jpg").arg(i));
            QFile::copy(photos.at(i), target);
            list.append(toStoredPath(target));
        }
        return list;
    }

    bool waitForEnd()
    {
        return QTest::qWaitFor(
            [this] { return !m_progress.isEmpty() && m_progress.last().current == -1; }, kWait);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(8, 11);
        QVERIFY(m_phone->isValid());
    }

    void init()
    {
        m_data = std::make_unique<PhotoDatabaseFixture>();
        m_manager = std::make_unique<PluginManager>();
        g_manager = m_manager.get();
        m_engine = std::make_unique<TransferEngine>();
        m_engine->connectPluginManager(m_manager.get());
        m_engine->setPhotoDatabase(&m_data->db);
        m_engine->setProgressWindowShown(false);
        m_progress.clear();
        m_flagsWhileRunning.clear();
        connect(m_engine.get(), &TransferEngine::progressReported, this,
            [this](qint64 current, qint64 total, int status, const QString&) {
                m_progress.append({ current, total, status });
                m_flagsWhileRunning.append(g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO)
                    | g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO));
            });
    }

    void cleanup()
    {
        m_engine.reset();
        g_manager = nullptr;
        m_manager.reset();
        m_data.reset();
    }

    // Cancelled between two files, by the engine or the window's button:
    // what arrived is whole, nothing half-written stays, the sources stay,
    // and a cancel is no error.
    void cancelLeavesNoPartialFile_data()
    {
        QTest::addColumn<bool>("throughWindow");
        QTest::newRow("after the first file") << false;
        QTest::newRow("the window's cancel button") << true;
    }

    void cancelLeavesNoPartialFile()
    {
        QFETCH(bool, throughWindow);
        auto storage = m_phone->copy();
        QVERIFY(storage);
        FolderPhoneAgent agent(storage->path(), ConnectionKind::Mtp);
        FolderAgentFaults faults;
        faults.delayPerFileMs = 200;
        agent.setFaults(faults);
        m_engine->setDeviceAgent(&agent);
        m_engine->setProgressWindowShown(throughWindow);
        const QString camera = agent.fileSystemPathOf(agent.GetCameraFolder());
        const QStringList before = filesBelow(camera);
        MessageBoxRecorder boxes;
        if (!throughWindow)
            connect(m_engine.get(), &TransferEngine::fileArrived, m_engine.get(),
                &TransferEngine::cancel);
        const QStringList sources = pcPhotos(6);
        m_engine->transferToPhone(sources);
        TransferEngineWindow* window = throughWindow ? m_engine->progressWindow() : nullptr;
        if (window) {
            QVERIFY(window->isVisible());
            QVERIFY(QTest::qWaitFor([window] { return window->percent() > 0; }, kWait));
            QVERIFY(window->fileText().contains(QStringLiteral("of 6")));
            auto* cancel = window->findChild<QPushButton*>(QStringLiteral("transfer_cancel"));
            QVERIFY(cancel);
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
        QVERIFY(waitForEnd());
        QCOMPARE(m_progress.last().status, 2);
        QVERIFY(!window || !window->isVisible());
        QStringList arrived = filesBelow(camera);
        for (const QString& name : before)
            arrived.removeOne(name);
        QVERIFY(arrived.size() < sources.size());
        QVERIFY(throughWindow || !arrived.isEmpty());
        for (const QString& name : arrived)
            QCOMPARE(contents(QDir(camera).filePath(name)),
                contents(m_data->env.path(QStringLiteral("pc/") + name)));
        for (const QString& source : sources)
            QVERIFY(QFileInfo::exists(toFileSystemPath(source)));
        QVERIFY(boxes.requests().isEmpty());
        QVERIFY(!m_engine->isBusy());
    }

    // Each file that reaches the camera folder is announced, then the end of
    // the batch with empty paths; a file that cannot be read is reported once.
    void toPhone_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("playlist");
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp) << false;
        QTest::newRow("media transfer, an album") << int(ConnectionKind::Mtp) << true;
    }

    void toPhone()
    {
        QFETCH(int, kind);
        QFETCH(bool, playlist);
        auto storage = m_phone->copy();
        QVERIFY(storage);
        FolderPhoneAgent agent(storage->path(), kind);
        m_engine->setDeviceAgent(&agent);
        MessageBoxRecorder boxes;
        QSignalSpy finished(
            m_manager.get(), &PluginManager::on_signal_pmgr_finished_transfer_tophone);
        const QStringList sources = pcPhotos(3);
        const QString missing = toStoredPath(m_data->env.path(QStringLiteral("pc/not there.jpg")));
        if (playlist) {
            const int album = m_data->db.createAlbum(QStringLiteral("For the phone"));
            QVERIFY(m_data->db.addToAlbum(album, sources + QStringList { missing }));
            m_manager->on_transfer_to_phone(2, album);
        } else {
            m_manager->on_transfer_to_phone(
                2, QStringList { sources.at(0), missing, sources.at(1), sources.at(2) });
        }
        QVERIFY(waitForEnd());

        QCOMPARE(finished.size(), sources.size() + 1);
        for (int i = 0; i < sources.size(); ++i) {
            const QList<QVariant> arguments = finished.at(i);
            QCOMPARE(arguments.at(0).toInt(), 2);
            const QString phonePath = arguments.at(1).toString();
            QCOMPARE(arguments.at(2).toString(), sources.at(i));
            QCOMPARE(phonePath,
                agent.GetCameraFolder() + QLatin1Char('\\')
                    + QFileInfo(toFileSystemPath(sources.at(i))).fileName());
            QCOMPARE(contents(agent.fileSystemPathOf(phonePath)), contents(sources.at(i)));
            QVERIFY(QFileInfo::exists(toFileSystemPath(sources.at(i))));
        }
        QCOMPARE(finished.last(), (QList<QVariant> { 2, QString(), QString() }));
        QVERIFY(m_flagsWhileRunning.first() & OCSharedValue::ProcessTransferToPhone);
        QCOMPARE(g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO), 0u);
        // The album leaves the missing file out; a list names it, and it is shown.
        QCOMPARE(
            boxes.errorCodes(), playlist ? QList<int>() : QList<int> { AgentResult::FileMissing });
    }

    // A phone that refuses: no file is written, the code is shown (busy as 9),
    // and the batch still ends for the screen.
    void refusals_data()
    {
        QTest::addColumn<int>("refusal"); // 0: the phone went away
        QTest::addColumn<int>("shown");
        QTest::newRow("busy") << 2 << 9;
        QTest::newRow("refused") << 3 << 3;
        QTest::newRow("disconnected") << 0 << 13;
    }

    void refusals()
    {
        QFETCH(int, refusal);
        QFETCH(int, shown);
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        if (refusal == 0) {
            agent.disconnect();
        } else {
            FolderAgentFaults faults;
            faults.transferRefusal = refusal;
            agent.setFaults(faults);
        }
        m_engine->setDeviceAgent(&agent);
        const QStringList before = filesBelow(m_phone->folder());
        MessageBoxRecorder boxes;
        QSignalSpy finished(
            m_manager.get(), &PluginManager::on_signal_pmgr_finished_transfer_tophone);
        m_engine->transferToPhone(pcPhotos(2));
        QVERIFY(waitForEnd());
        QCOMPARE(boxes.errorCodes(), QList<int> { shown });
        QCOMPARE(filesBelow(m_phone->folder()), before);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO), 0u);
    }

    // A drop target asks the drag data of phone-only files for its URLs: each
    // file is fetched through the plug-in manager and this engine into the
    // drag folder, under the name asked for; a file gone from the phone is
    // left out.
    void dragOutOfPhoneOnlyFiles()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        m_engine->setDeviceAgent(&agent);
        const QStringList photos = samplePhonePaths(*m_phone, agent, 2);
        QFileContentsMimeData mime;
        QList<QUrl> urls;
        for (const QString& path :
            photos + QStringList { QStringLiteral("\\Phone\\DCIM\\gone.jpg") }) {
            urls.append(QUrl::fromLocalFile(toFileSystemPath(path)));
            mime.setFileContentsInfo(
                QFileInfo(toFileSystemPath(path)).fileName(), QDateTime::currentDateTime(), 0);
        }
        mime.setUrls(2, urls);
        mime.setFileContentsCallback(&pluginDragOut);

        const QList<QUrl> local = mime.urls();
        QCOMPARE(local.size(), 2);
        for (int i = 0; i < local.size(); ++i) {
            QVERIFY(local.at(i).isLocalFile());
            QCOMPARE(local.at(i).fileName(), QFileInfo(toFileSystemPath(photos.at(i))).fileName());
            QCOMPARE(contents(local.at(i).toLocalFile()),
                contents(agent.fileSystemPathOf(photos.at(i))));
        }
        // Only the delivered files are left in the drag folder, no staging.
        QCOMPARE(filesBelow(QFileInfo(local.first().toLocalFile()).path()).size(), 2);
    }

    // A callback value that is not the drag data's own function is never called.
    void dragOutWithUnknownCallback()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        m_engine->setDeviceAgent(&agent);
        QSignalSpy arrived(m_engine.get(), &TransferEngine::fileArrived);
        const QString target = m_data->env.path(QStringLiteral("drop/photo.jpg"));
        m_engine->dragOut(
            samplePhonePaths(*m_phone, agent, 1).first(), target, 0, quintptr(0x1234));
        QVERIFY(arrived.wait(kWait));
        QCOMPARE(contents(target),
            contents(agent.fileSystemPathOf(samplePhonePaths(*m_phone, agent, 1).first())));
    }
};

QTEST_MAIN(TestTransferEngine)
#include "tst_transferengine.moc"
