#include "host/app/pluginloader.h"
#include "host/contract/iplugins.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QWidget>
#include <QtTest>

class TestPluginLoader : public QObject
{
    Q_OBJECT

private:
    static QString fixture(const QString& name)
    {
        return QDir(QStringLiteral(FIXTURE_DIR)).filePath(QStringLiteral("libfixture_%1.so").arg(name));
    }
    static QString realPlugin() { return QDir(TestEnvironment::binaryFolder()).filePath("libdevice_photo.so"); }
    static QString hostBinary() { return QDir(TestEnvironment::binaryFolder()).filePath("photo-host"); }

private slots:
    void refusesBrokenLibraries_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/libdevice_photo.so") << "not found";
        QTest::newRow("no entry points") << fixture("noexports") << "entry points missing";
        QTest::newRow("other host") << fixture("badrecord") << "verification record differs";
        QTest::newRow("no IPlugins") << fixture("notaplugin") << "does not implement IPlugins";
    }

    void refusesBrokenLibraries()
    {
        QFETCH(QString, library);
        QFETCH(QString, reason);
        PluginLoader loader(library);
        QVERIFY(!loader.load());
        QVERIFY2(loader.errorString().contains(reason), qPrintable(loader.errorString()));
        QVERIFY(!loader.plugin());
    }

    void loadsThePhotoPlugin()
    {
        TestEnvironment env;
        PluginLoader loader(realPlugin());
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        IPlugins* plugin = loader.plugin();
        QCOMPARE(plugin->GetName(), QString("device_photo"));
        QVERIFY(qobject_cast<IPlugins*>(loader.instance()));
        QCOMPARE(loader.instance()->qt_metacast("IPlugins"), loader.instance()->qt_metacast(IPlugins_iid));
        QWidget parent;
        plugin->SetParentWidget(&parent);
        QWidget* widget = plugin->CreateWidget("device_photo");
        QVERIFY(widget);
        QCOMPARE(widget->objectName(), QString("device_photo"));
        QCOMPARE(plugin->publishedWidget, widget);
        loader.unload();  // DestroyWidget before unloading
        QVERIFY(!loader.plugin());
    }

    void hostExitsClearlyOnRefusal_data()
    {
        QTest::addColumn<QString>("library");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/libdevice_photo.so");
        QTest::newRow("other host") << fixture("badrecord");
        QTest::newRow("no IPlugins") << fixture("notaplugin");
    }

    void hostExitsClearlyOnRefusal()
    {
        QFETCH(QString, library);
        TestEnvironment env;
        QProcess host;
        host.start(hostBinary(), {"--plugin-library", library, "--config-dir", env.folder(), "--screenshot",
                                  env.path("never.png")});
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QVERIFY(host.exitCode() != 0);
        QVERIFY(host.readAllStandardError().contains("photo-host:"));
        QVERIFY(!QFile::exists(env.path("never.png")));
    }

    void hostTakesAScreenshot()
    {
        TestEnvironment env;
        QProcess host;
        host.start(hostBinary(), {"--config-dir", env.folder(), "--screenshot", env.path("window.png")});
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitCode(), 0);
        const QImage shot(env.path("window.png"));
        QVERIFY(!shot.isNull());
        QVERIFY(shot.width() >= 400 && shot.height() >= 300);
    }

    void badArgumentsAreRefused()
    {
        TestEnvironment env;
        QProcess host;
        host.start(hostBinary(), {"--connection", "bluetooth", "--config-dir", env.folder()});
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitCode(), 2);
        QVERIFY(host.readAllStandardError().contains("unknown connection kind"));
    }
};

QTEST_MAIN(TestPluginLoader)
#include "tst_pluginloader.moc"
