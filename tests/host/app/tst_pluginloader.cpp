#include "host/app/pluginloader.h"
#include "host/contract/iplugins.h"
#include "support/testenvironment.h"

#include <QDir>
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

    // photo-host ends at once, with its code and a message, on a library it
    // refuses or an argument it does not know.
    void hostExitsClearlyOnRefusal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString library = QStringLiteral("--plugin-library");
        QTest::newRow("missing library")
            << QStringList { library, "/nonexistent/libdevice_photo.so" } << 1 << "photo-host:";
        QTest::newRow("other host") << QStringList { library, fixture("badrecord") } << 1
                                    << "photo-host:";
        QTest::newRow("no IPlugins") << QStringList { library, fixture("notaplugin") } << 1
                                     << "photo-host:";
        QTest::newRow("unknown connection")
            << QStringList { "--connection", "bluetooth" } << 2 << "unknown connection kind";
    }

    void hostExitsClearlyOnRefusal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        TestEnvironment env;
        QProcess host;
        host.start(hostBinary(),
            arguments + QStringList { "--config-dir", env.folder(), "--screenshot", env.path("never.png") });
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.exitCode(), exitCode);
        QVERIFY(host.readAllStandardError().contains(message.toUtf8()));
        QVERIFY(!QFile::exists(env.path("never.png")));
    }
};

QTEST_MAIN(TestPluginLoader)
#include "tst_pluginloader.moc"
