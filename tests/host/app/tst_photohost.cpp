#include "common/hostfiles.h"
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/hostsession.h"
#include "host/app/mainwindow.h"
#include "host/app/pluginarea.h"
#include "host/app/pluginmanager.h"
#include "host/device/folderphoneagent.h"
#include "host/services/logsink.h"
#include "host/services/ocsharedvalue.h"
#include "hostilephone.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

HostOptions optionsFor(const QStringList& arguments, const TestEnvironment& env)
{
    HostOptions options;
    QString error;
    const QString plugin = QDir(TestEnvironment::binaryFolder()).filePath("libdevice_photo.so");
    if (!HostOptions::parse(
            QStringList { "photo-host", "--config-dir", env.folder(), "--plugin-library", plugin }
                + arguments,
            options, error))
        qWarning() << error;
    return options;
}

int countLines(const QString& logFile, const QString& text)
{
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return QString::fromUtf8(file.readAll()).count(text);
}

} // namespace

class TestPhotoHost : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    QTemporaryDir m_hostileFolder;
    std::unique_ptr<HostilePhone> m_hostile;

    static QString hostBinary()
    {
        return QDir(TestEnvironment::binaryFolder()).filePath("photo-host");
    }

    static bool run(QProcess& host, const QStringList& arguments)
    {
        host.start(hostBinary(), arguments);
        return host.waitForFinished(120000) && host.exitStatus() == QProcess::NormalExit;
    }

    // Lists a phone and quits: the lines of the list written, empty when the
    // run failed (its errors in errors).
    static QStringList listedLines(
        const QString& phone, const QStringList& arguments, QString* errors)
    {
        TestEnvironment env;
        const QString dump = env.path("list.txt");
        QProcess host;
        const bool ended = run(host,
            QStringList { "--phone", phone, "--config-dir", env.folder(), "--quit-when-listed",
                "--dump-list", dump }
                + arguments);
        *errors = QString::fromUtf8(host.readAllStandardError());
        if (!ended || host.exitCode() != 0)
            return {};
        return QString::fromUtf8(HostFiles::contents(dump)).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(3);
        QVERIFY(m_phone->isValid());
        m_hostile = std::make_unique<HostilePhone>(m_hostileFolder.path(), false);
        QVERIFY2(m_hostile->build(), qPrintable(m_hostile->errorString()));
    }

    void cleanupTestCase() { QVERIFY(HostilePhone::removeTree(m_hostileFolder.path())); }

    void cleanup()
    {
        RemoveLogSink();
        QApplication::setLayoutDirection(Qt::LeftToRight);
    }

    void startsOnThePhotoScreen_data()
    {
        QTest::addColumn<QStringList>("view");
        QTest::addColumn<int>("mode");
        QTest::newRow("no view") << QStringList {} << -1;
        QTest::newRow("list") << QStringList { "--view", "list" } << 0;
        QTest::newRow("thumbs") << QStringList { "--view", "thumbs" } << 1;
        QTest::newRow("album") << QStringList { "--view", "album" } << 2;
    }

    void startsOnThePhotoScreen()
    {
        QFETCH(QStringList, view);
        QFETCH(int, mode);
        TestEnvironment env;
        HostApplication host(optionsFor(QStringList { "--phone", m_phone->folder() } + view, env));
        QVERIFY(host.start());
        QVERIFY(host.window()->isPhotoScreenShown());
        QWidget* screen = host.window()->pluginArea()->pluginWidget();
        QVERIFY(screen && screen->isVisible());
        QSignalSpy requests(host.pluginManager(), &PluginManager::on_signal_pmgr_changedType_View);
        // Sent once the screen has been shown, on the next pass of the loop.
        QCOMPARE(requests.count(), 0);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(requests.count(), mode == -1 ? 0 : 1);
        if (mode != -1)
            QCOMPARE(requests.first().first().toInt(), mode);
        QVERIFY(QFileInfo::exists(QDir(env.folder()).filePath("photos.db")));
        QVERIFY(QFileInfo::exists(QDir(env.folder()).filePath("photo-host.log")));
        // The viewer's downloads go below the configuration folder too.
        QVERIFY(QFileInfo(QDir(env.folder()).filePath("Temp/viewer")).isDir());
    }

    void shutDownTellsTheScreenBeforeDestroyingIt()
    {
        TestEnvironment env;
        HostApplication host(optionsFor({ "--phone", m_phone->folder() }, env));
        QVERIFY(host.start());
        QPointer<QWidget> screen = host.window()->pluginArea()->pluginWidget();
        QList<bool> aliveAtClose;
        connect(host.pluginManager(), &PluginManager::on_signal_main_close,
            [&] { aliveAtClose.append(!screen.isNull()); });
        host.shutDown();
        QCOMPARE(aliveAtClose, QList<bool> { true });
        QVERIFY(screen.isNull());
        QVERIFY(!host.window());
        host.shutDown(); // a second time does nothing
        QCOMPARE(aliveAtClose.size(), 1);
    }

    void directionAndPartialLoading_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("rtl");
        QTest::addColumn<bool>("partial");
        QTest::newRow("defaults") << QStringList {} << false << false;
        QTest::newRow("rtl") << QStringList { "--rtl" } << true << false;
        QTest::newRow("partial loading") << QStringList { "--partial-loading" } << false << true;
    }

    void directionAndPartialLoading()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, rtl);
        QFETCH(bool, partial);
        TestEnvironment env;
        HostApplication host(optionsFor(arguments, env));
        QVERIFY(host.start());
        QCOMPARE(g_SharedValue.IsRTL(), rtl);
        QCOMPARE(g_SharedValue.IsPartialLoading(), partial);
        QCOMPARE(host.window()->isRightToLeft(), rtl);
        // Without a phone the screen is built all the same, and stays hidden.
        QVERIFY(host.window()->pluginArea()->pluginWidget());
        QVERIFY(!host.window()->isPhotoScreenShown());
    }

    void demoRunTakesAScreenshotAndKeepsItsPhone()
    {
        TestEnvironment env;
        const QString log = env.path("photo-host.log");
        for (int runNo = 1; runNo <= 2; ++runNo) {
            const QString shot = env.path(QStringLiteral("run%1.png").arg(runNo));
            QProcess host;
            QVERIFY(run(host, { "--demo", "--config-dir", env.folder(), "--screenshot", shot }));
            QVERIFY2(host.exitCode() == 0, host.readAllStandardError().constData());
            const QImage image(shot);
            QVERIFY(!image.isNull());
            QVERIFY(image.width() >= 800 && image.height() >= 500);
            if (runNo == 1) // something of the user's, that a regeneration would wipe
                QVERIFY(
                    QFile(env.path("cache/sample-phone/DCIM/mine.txt")).open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::exists(env.path("cache/sample-phone/DCIM/mine.txt")));
        QCOMPARE(countLines(log, "HostSession::prepareSamplePhone : generated"), 1);
        QCOMPARE(countLines(log, "HostSession::prepareSamplePhone : reused"), 1);
        QVERIFY(QFileInfo::exists(env.path("photos.db")));
    }

    void quitsWhenListedAndWritesTheList_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("sizes");
        QTest::newRow("mass storage") << QStringList {} << true;
        QTest::newRow("basic media transfer")
            << QStringList { "--connection", "mtp-basic" } << false;
        QTest::newRow("partial loading") << QStringList { "--partial-loading" } << true;
    }

    void quitsWhenListedAndWritesTheList()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, sizes);
        QString errors;
        const QStringList lines = listedLines(m_phone->folder(), arguments, &errors);
        QVERIFY2(!lines.isEmpty(), qPrintable(errors));
        const QStringList header = lines.first().split('\t');
        QVERIFY2(header.contains("Name") && header.contains("Size"), qPrintable(lines.first()));
        const int size = header.indexOf("Size");
        const QStringList rows = lines.mid(1);
        // A line for every camera photo at least, each with every column.
        const int photos = m_phone->generator().photos().size();
        QVERIFY2(rows.size() >= photos, qPrintable(lines.join('\n')));
        int withSize = 0;
        for (const QString& row : rows) {
            const QStringList cells = row.split('\t');
            QCOMPARE(cells.size(), header.size());
            withSize += cells.at(size).endsWith("KB") ? 1 : 0;
        }
        QCOMPARE(withSize >= photos, sizes);
    }

    // The whole hostile phone in one run: it ends, lists what can be listed,
    // says what it skipped and changes nothing.
    void hostilePhoneIsListed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("mass storage") << "mass";
        QTest::newRow("media transfer") << "mtp";
        QTest::newRow("basic media transfer") << "mtp-basic";
    }

    void hostilePhoneIsListed()
    {
        QFETCH(QString, kind);
        const QMap<QByteArray, QByteArray> before = HostilePhone::snapshot(m_hostileFolder.path());
        QString errors;
        const QStringList lines
            = listedLines(m_hostile->storage(), { "--connection", kind }, &errors);
        QVERIFY2(!lines.isEmpty(), qPrintable(errors));
        int listed = 0;
        int skipped = 0;
        for (const HostilePhone::Entry& entry : m_hostile->entries()) {
            // Mass storage lists what the photo database can read.
            const bool shown = entry.listed
                && (kind != "mass" || entry.picture != HostilePhone::Picture::Unusable);
            listed += shown ? 1 : 0;
            skipped += entry.skipReason >= 0 ? 1 : 0;
        }
        QVERIFY2(
            errors.contains(QStringLiteral("%1 files on the phone were not listed").arg(skipped)),
            qPrintable(errors));
        // A name with a line break keeps its row on one line.
        QCOMPARE(lines.size(), 1 + listed);
        QCOMPARE(HostilePhone::snapshot(m_hostileFolder.path()), before);
    }

    // The phone going away during the listing: the run says so by its exit
    // code and writes no list that would pass for complete.
    void phoneGoingAwayMidListing()
    {
        TestEnvironment env;
        MessageBoxRecorder boxes;
        const QString dump = env.path("list.txt");
        HostApplication host(optionsFor(
            { "--phone", m_phone->folder(), "--quit-when-listed", "--dump-list", dump }, env));
        QVERIFY(host.start());
        FolderAgentFaults faults;
        faults.disconnectAtFile = 3;
        host.session()->phone()->setFaults(faults);
        QTimer::singleShot(60000, [] { QCoreApplication::exit(-1); });
        QCOMPARE(QCoreApplication::exec(), int(HostApplication::ExitListingIncomplete));
        QVERIFY(!QFile::exists(dump));
        QCOMPARE(boxes.errorCodes(), QList<int> { AgentResult::Disconnected });
    }

    // photo-host --phone DIR --import DEST: every photo byte for byte in
    // DEST/YYYY/YYYY-MM-DD, one line on stdout; again, nothing is copied.
    void importsWithoutAWindow()
    {
        TestEnvironment env;
        const QString destination = env.path("Pictures");
        const QStringList arguments { "--phone", m_phone->folder(), "--config-dir",
            env.path("config"), "--import", destination };
        QProcess first;
        QVERIFY(run(first, arguments));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        const QString line = QString::fromUtf8(first.readAllStandardOutput()).trimmed();
        QVERIFY2(!line.contains('\n') && line.contains(" copied, 0 already there, 0 not copied"),
            qPrintable(line));
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            const QString copy = QDir(destination)
                                     .filePath(photo.shootingDate.toString("yyyy/yyyy-MM-dd/")
                                         + QFileInfo(photo.relativePath).fileName());
            QVERIFY2(
                HostFiles::contents(copy) == HostFiles::contents(m_phone->file(photo.relativePath)),
                qPrintable(copy));
        }
        QProcess second;
        QVERIFY(run(second, arguments));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().contains(": 0 copied,"));
    }

    // A run that cannot do what it was asked ends at once with its code and a
    // clear message; a damaged photo database is moved aside, with a notice.
    void unusableInputEndsClearly_data()
    {
        QTest::addColumn<QString>("prepare"); // kind:name, made in the config folder
        QTest::addColumn<QStringList>("arguments"); // {phone}: the sample phone
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QStringList listing { "--phone", "{phone}", "--quit-when-listed" };
        const QStringList shot { "--screenshot", "{env}/never.png", "--phone" };
        QTest::newRow("settings are a FIFO")
            << "fifo:registry.ini" << listing << 1 << "not a regular file";
        QTest::newRow("the log is a FIFO")
            << "fifo:photo-host.log" << listing << 1 << "not a regular file";
        QTest::newRow("the log is a folder")
            << "folder:photo-host.log" << listing << 1 << "not a regular file";
        QTest::newRow("the photo database is a FIFO")
            << "fifo:photos.db" << listing << 1 << "cannot be used";
        QTest::newRow("the photo database is damaged")
            << "damaged:photos.db" << listing << 0 << "a new one was made";
        QTest::newRow("listing without a phone")
            << "" << QStringList { "--quit-when-listed" } << 1 << "no phone to list";
        QTest::newRow("import into a file")
            << "file:a file" << QStringList { "--phone", "{phone}", "--import", "{env}/a file" }
            << 4 << "cannot write to the destination";
        QTest::newRow("missing phone folder") << "" << shot + QStringList { "/nonexistent/phone" }
                                              << 1 << "photo-host: phone folder not found";
        QTest::newRow("phone folder is a file")
            << "file:phone.txt" << shot + QStringList { "{env}/phone.txt" } << 1
            << "photo-host: not a folder";
        QTest::newRow("unreadable phone folder")
            << "unreadable:phone" << shot + QStringList { "{env}/phone" } << 1
            << "photo-host: permission denied";
    }

    void unusableInputEndsClearly()
    {
        QFETCH(QString, prepare);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        TestEnvironment env;
        const QString kind = prepare.section(':', 0, 0);
        const QString path = env.path(prepare.section(':', 1));
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "file") {
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        } else if (kind == "damaged") {
            QVERIFY(QFile(path).open(QIODevice::WriteOnly) && QFile(path).resize(4096));
        } else if (kind == "unreadable") {
            if (geteuid() == 0)
                QSKIP("root reads every folder");
            QVERIFY(QDir().mkpath(path));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
        arguments.replaceInStrings("{phone}", m_phone->folder());
        arguments.replaceInStrings("{env}", env.folder());
        QProcess host;
        QVERIFY(run(host, QStringList { "--config-dir", env.folder() } + arguments));
        if (kind == "unreadable")
            QFile::setPermissions(
                path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QString errors = QString::fromUtf8(host.readAllStandardError());
        QVERIFY2(host.exitCode() == exitCode && errors.contains(message), qPrintable(errors));
        if (exitCode == 4) // the import still reports what it did
            QVERIFY(host.readAllStandardOutput().contains(": 0 copied"));
        QVERIFY(!QFile::exists(env.path("never.png")));
        const QStringList aside
            = QDir(env.folder()).entryList({ "photos.db.damaged-*" }, QDir::Files);
        QCOMPARE(aside.size(), kind == "damaged" ? 1 : 0);
    }
};

QTEST_MAIN(TestPhotoHost)
#include "tst_photohost.moc"
