#include "host/app/hostoptions.h"
#include "host/app/hostsession.h"
#include "host/db/photodb.h"
#include "host/device/devicefunctions.h"
#include "host/device/deviceregistry.h"
#include "host/device/folderphoneagent.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QList<int> g_mountResults;
void OC_STDCALL recordMount(int result)
{
    g_mountResults.append(result);
}

HostOptions parsed(const QStringList& arguments)
{
    HostOptions options;
    QString error;
    if (!HostOptions::parse(QStringList { "photo-host" } + arguments, options, error))
        qWarning() << error;
    return options;
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class TestHostSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(3);
        QVERIFY(m_phone->isValid());
    }

    void agentFollowsTheConnectionOption_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<int>("kind");
        QTest::newRow("mass") << "mass" << 0x80000;
        QTest::newRow("mtp") << "mtp" << 0x40000;
        QTest::newRow("mtp-basic") << "mtp-basic" << 0x10000;
    }

    void agentFollowsTheConnectionOption()
    {
        QFETCH(QString, connection);
        QFETCH(int, kind);
        TestEnvironment env;
        QObject manager;
        HostSession session(parsed({ "--phone", m_phone->folder(), "--connection", connection,
            "--config-dir", env.folder() }));
        QString error;
        QVERIFY2(session.open(&manager, &error), qPrintable(error));
        PluginHostContext* context = session.context();
        QVERIFY(context->deviceAgent);
        QCOMPARE(context->deviceAgent, session.phone());
        QCOMPARE(context->pluginManager, &manager);
        QVERIFY(context->dbManager);
        QVERIFY(context->photoDatabase);
        QCOMPARE(context->photoDatabase->store(), 1);
        const int index = context->deviceAgent->GetDeviceIndex();
        QVERIFY(index >= 0);
        QCOMPARE(DeviceRegistry::agent(index), context->deviceAgent);
        QCOMPARE(getFileAgentType(index), kind);
        QCOMPARE(context->deviceAgent->DeviceName(), QDir(m_phone->folder()).dirName());
    }

    void databaseLivesInTheConfigFolder()
    {
        TestEnvironment env;
        const QString config = env.path("config dir");
        const HostOptions options
            = parsed({ "--phone", m_phone->folder(), "--config-dir", config });
        int album = -1;
        {
            HostSession session(options);
            QString error;
            QVERIFY2(session.open(nullptr, &error), qPrintable(error));
            QCOMPARE(QFileInfo(session.databaseFile()).absolutePath(), QDir(config).absolutePath());
            QVERIFY(QFileInfo::exists(session.databaseFile()));
            album = session.photoDatabase()->createAlbum("Kept");
            QVERIFY(album >= 0);
        }
        // A second run finds what the first one stored.
        HostSession again(options);
        QString error;
        QVERIFY(again.open(nullptr, &error));
        bool found = false;
        for (const PhotoAlbum& a : again.photoDatabase()->albums())
            found = found || (a.id == album && a.name == "Kept");
        QVERIFY(found);
    }

    void withoutPhoneAnAgentReportsNoDevice()
    {
        TestEnvironment env;
        HostSession session(parsed({ "--config-dir", env.folder() }));
        QString error;
        QVERIFY2(session.open(nullptr, &error), qPrintable(error));
        IDeviceNexaAgent* agent = session.context()->deviceAgent;
        QVERIFY(agent);
        QVERIFY(!session.hasPhone());
        QVERIFY(!session.isPhoneConnected());
        QCOMPARE(agent->GetDeviceIndex(), -1);
        QCOMPARE(DeviceRegistry::indexOf(agent), -1);
        QVERIFY(!IsConnectedPhone(agent));
        QVERIFY(agent->StartItemLoad("ROOT") != 24);
        QVERIFY(agent->StartItemLoad("ROOT") != 0);
        g_mountResults.clear();
        agent->RequestUmsMount(-1, &recordMount, 0);
        QCOMPARE(g_mountResults, QList<int> { 13 });
        QVERIFY(!session.disconnectPhone());
        QVERIFY(!session.reconnectPhone());
        QVERIFY(session.photoDatabase());
    }

    // A device through libgphoto2 in place of a folder phone; one that
    // cannot be opened leaves no phone and says why.
    void opensCameras_data()
    {
        QTest::addColumn<QStringList>("camera"); // model, port
        QTest::addColumn<QString>("message"); // empty: opens
        QTest::newRow("directory browse") << QStringList { "Directory Browse", "disk:" } << "";
        QTest::newRow("unknown model")
            << QStringList { "No Such Camera", "disk:" } << "could not be opened";
        QTest::newRow("missing folder")
            << QStringList { "Directory Browse", "disk:/nonexistent/phone" } << "no such folder";
    }

    void opensCameras()
    {
        QFETCH(QStringList, camera);
        QFETCH(QString, message);
        const QString model = camera.at(0);
        QString port = camera.at(1);
        TestEnvironment env;
        SamplePhoneFixture phone(2);
        if (port == "disk:")
            port += phone.folder();
        HostSession session(
            parsed({ "--camera", model, "--port", port, "--config-dir", env.folder() }));
        QString error;
        QCOMPARE(session.open(nullptr, &error), message.isEmpty());
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(session.isPhoneConnected(), message.isEmpty());
        QCOMPARE(session.connectionKind(), message.isEmpty() ? 0x40000 : 0x80000);
        if (message.isEmpty())
            QCOMPARE(session.context()->deviceAgent->DeviceIdentity(),
                "folder:" + QFileInfo(phone.folder()).canonicalFilePath());
    }

    void unusableConfigFolderIsRefused()
    {
        TestEnvironment env;
        QVERIFY(touch(env.path("plain file")));
        HostSession session(parsed({ "--config-dir", env.path("plain file/config") }));
        QString error;
        QVERIFY(!session.open(nullptr, &error));
        QVERIFY2(error.contains("cannot create the data folder"), qPrintable(error));
    }

    void samplePhoneIsGeneratedOnce()
    {
        TestEnvironment env;
        const HostOptions options = parsed({ "--demo", "--config-dir", env.folder() });
        const QString folder = HostSession::samplePhoneFolder(options);
        QVERIFY(folder.startsWith(env.folder()));
        QString error;
        QVERIFY2(HostSession::prepareSamplePhone(folder, &error), qPrintable(error));
        QVERIFY(QFileInfo(folder + "/DCIM/Camera").isDir());

        // Reused as it is: a file added since stays.
        QVERIFY(touch(folder + "/mine.txt"));
        QVERIFY(HostSession::prepareSamplePhone(folder, &error));
        QVERIFY(QFile::exists(folder + "/mine.txt"));

        // A run that stopped half-way left no mark: generated afresh.
        QVERIFY(QFile::remove(folder + ".done"));
        QVERIFY(HostSession::prepareSamplePhone(folder, &error));
        QVERIFY(!QFile::exists(folder + "/mine.txt"));
        QVERIFY(QFileInfo(folder + "/DCIM/Camera").isDir());

        // The demo session opens it, under its own name.
        HostSession session(options);
        QVERIFY2(session.open(nullptr, &error), qPrintable(error));
        QVERIFY(session.isPhoneConnected());
        QCOMPARE(session.phoneName(), QString("Sample Phone"));
        QCOMPARE(session.phone()->storageFolder(), QDir(folder).absolutePath());
    }
};

QTEST_MAIN(TestHostSession)
#include "tst_hostsession.moc"
