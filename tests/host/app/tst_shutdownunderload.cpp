// Shut-down under load: photo-host closes, or destroys the plug-in's widget
// through IPlugins, while a phone of 5,000 photos is being listed or its
// thumbnails fetched and a transfer to the PC runs. It must end without a
// deadlock, a leak (LeakSanitizer checks at exit) or a half-written file.
#include "common/hostfiles.h"
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/hostsession.h"
#include "host/app/importsettings.h"
#include "host/app/mainwindow.h"
#include "host/app/pluginarea.h"
#include "host/app/pluginmanager.h"
#include "host/contract/iplugins.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/fileutils.h"
#include "host/services/logsink.h"
#include "host/services/ocsharedvalue.h"
#include "support/testenvironment.h"

#include <QLibrary>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace HostFiles;

namespace {

const int Photos = 5000;
const int Sent = 150;
const int Wait = 120000; // hang guard only
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// Aborts the run when what it guards does not end: a hang guard for calls
// that block the GUI thread, where QTRY_* cannot look.
class HangGuard
{
public:
    explicit HangGuard(const char* what)
        : m_thread([this, what] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_ended.wait_for(lock, std::chrono::seconds(60), [this] { return m_done; }))
                qFatal("%s did not end: a deadlock", what);
        })
    {
    }
    ~HangGuard()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_ended.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::thread m_thread;
};

bool flag(int itemType, quint32 bits)
{
    return g_SharedValue.hasProcessState(itemType, bits);
}

bool transferToPcRuns()
{
    return flag(OCGlobal::ITEM_PC_PHOTO, OCSharedValue::ProcessTransferB);
}

} // namespace

class TestShutDownUnderLoad : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_phone;
    QStringList m_photos; // sorted, relative to the phone
    QHash<QString, qint64> m_sizes;
    // Pinned for the whole run: every host below loads and unloads it, and
    // types it registers with Qt point into its code.
    QLibrary m_library;

    IPlugins* livePlugin()
    {
        using InstanceFunction = QObject* (*)();
        auto instance = reinterpret_cast<InstanceFunction>(m_library.resolve("qt_plugin_instance"));
        return instance ? qobject_cast<IPlugins*>(instance()) : nullptr;
    }

    HostOptions optionsFor(const TestEnvironment& env, const QString& connection) const
    {
        HostOptions options;
        QString error;
        QStringList arguments { "photo-host", "--config-dir", env.folder(), "--plugin-library",
            m_library.fileName(), "--phone", m_phone.path(), "--connection", connection };
        // Mass storage: the host's partial loader makes rows and thumbnails
        // from the files while the screen lists. Media transfer: the rows
        // stream in through blocking calls to the GUI thread.
        if (connection == QLatin1String("mass"))
            arguments += QStringLiteral("--partial-loading");
        if (!HostOptions::parse(arguments, options, error))
            qWarning() << error;
        return options;
    }

    void sendToPc(HostApplication& host)
    {
        FolderPhoneAgent* phone = host.session()->phone();
        QStringList paths;
        for (int i = 0; i < Sent; ++i)
            paths.append(phone->phonePathOf(m_phone.filePath(m_photos.at(i * (Photos / Sent)))));
        host.pluginManager()->on_transfer_to_pc_withTotalSize(2, paths, 0, -1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_phone.isValid());
        SamplePhoneOptions options;
        options.seed = 5;
        options.photoCount = Photos;
        options.extras = false;
        options.distinctPictures = 6;
        SamplePhoneGenerator generator(options);
        QVERIFY2(generator.generate(m_phone.path()), qPrintable(generator.errorString()));
        m_photos = filesBelow(m_phone.path());
        QCOMPARE(m_photos.size(), Photos);
        for (const QString& file : qAsConst(m_photos))
            m_sizes.insert(file, QFileInfo(m_phone.filePath(file)).size());
        m_library.setFileName(
            QDir(TestEnvironment::binaryFolder()).filePath(QStringLiteral("libdevice_photo.so")));
        QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
    }

    void cleanup() { RemoveLogSink(); }

    void shutDownUnderLoad_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<bool>("destroyWidgetOnly");
        QTest::newRow("close, mass storage with background thumbnails") << "mass" << false;
        QTest::newRow("DestroyWidget, mass storage with background thumbnails") << "mass" << true;
        QTest::newRow("close, media transfer") << "mtp" << false;
        QTest::newRow("DestroyWidget, media transfer") << "mtp" << true;
    }

    void shutDownUnderLoad()
    {
        QFETCH(QString, connection);
        QFETCH(bool, destroyWidgetOnly);
        TestEnvironment env;
        HostApplication host(optionsFor(env, connection));
        QVERIFY(host.start());
        FolderPhoneAgent* phone = host.session()->phone();
        QVERIFY(phone);
        const QString library = env.path(QStringLiteral("Library"));
        ImportSettings settings;
        settings.destination = library;
        settings.layout = ImportLayout::Flat;
        settings.chosen = true;
        settings.save();
        // Slowed before the listing starts, so that it is still at work when
        // the host closes; the transfer takes the same pace.
        FolderAgentFaults slow;
        slow.delayPerFileMs = 5;
        phone->setFaults(slow);
        QVERIFY(
            QTest::qWaitFor([] { return flag(PhotoType, OCSharedValue::ProcessListing); }, Wait));
        sendToPc(host);
        QVERIFY(QTest::qWaitFor([&] { return !filesBelow(library).isEmpty(); }, Wait));
        QVERIFY(transferToPcRuns());
        QVERIFY(flag(PhotoType, OCSharedValue::ProcessListing));
        if (connection == QLatin1String("mass"))
            QCOMPARE(g_SharedValue.getState(99, OCSharedValue::PartialDeviceState),
                quint32(OCSharedValue::PartialRunning));

        if (destroyWidgetOnly) {
            IPlugins* plugin = livePlugin();
            QVERIFY(plugin && plugin->HasWidget(QStringLiteral("device_photo")));
            {
                HangGuard guard("DestroyWidget");
                QVERIFY(plugin->DestroyWidget());
            }
            QVERIFY(!plugin->HasWidget(QStringLiteral("device_photo")));
            QVERIFY(!host.window()->pluginArea()->pluginWidget());
            // The host's own work goes on without the screen.
            QVERIFY(QTest::qWaitFor([] { return !transferToPcRuns(); }, Wait));
            QCOMPARE(filesBelow(library).size(), Sent);
        }
        {
            HangGuard guard("the host's shut-down");
            host.shutDown();
        }
        QVERIFY(!host.window());
        QVERIFY(!transferToPcRuns());

        // Nothing on the phone changed, and what reached the PC is whole.
        const QStringList onPhone = filesBelow(m_phone.path());
        QCOMPARE(onPhone, m_photos);
        for (const QString& file : onPhone)
            QCOMPARE(QFileInfo(m_phone.filePath(file)).size(), m_sizes.value(file));
        QHash<QString, QString> byName;
        for (const QString& file : qAsConst(m_photos))
            byName.insert(QFileInfo(file).fileName(), m_phone.filePath(file));
        for (const QString& copy : filesBelow(library)) {
            const QString name = QFileInfo(copy).fileName();
            QVERIFY2(byName.contains(name), qPrintable(copy));
            QCOMPARE(digest(QDir(library).filePath(copy)), digest(byName.value(name)));
        }
    }
};

QTEST_MAIN(TestShutDownUnderLoad)
#include "tst_shutdownunderload.moc"
