#include "host/app/hostoptions.h"
#include "host/app/hostsession.h"
#include "host/device/folderphoneagent.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QFile>
#include <QtTest>

namespace {

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

private slots:
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

    // A run that stopped half-way left no mark: the sample phone is made
    // afresh. The demo run's test covers its reuse and its opening.
    void halfMadeSamplePhoneIsMadeAgain()
    {
        TestEnvironment env;
        const QString folder
            = HostSession::samplePhoneFolder(parsed({ "--demo", "--config-dir", env.folder() }));
        QVERIFY(folder.startsWith(env.folder()));
        QString error;
        QVERIFY2(HostSession::prepareSamplePhone(folder, &error), qPrintable(error));
        QVERIFY(touch(folder + "/mine.txt"));
        QVERIFY(QFile::remove(folder + ".done"));
        QVERIFY(HostSession::prepareSamplePhone(folder, &error));
        QVERIFY(!QFile::exists(folder + "/mine.txt"));
        QVERIFY(QFileInfo(folder + "/DCIM/Camera").isDir());
    }
};

QTEST_MAIN(TestHostSession)
#include "tst_hostsession.moc"
