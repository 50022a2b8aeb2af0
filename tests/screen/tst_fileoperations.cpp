// Operations that touch the phone's files: delete, rotation, the viewer
// download, and transfers through photo-host's engine, over a folder phone.
#include "host/app/importcontroller.h"
#include "host/app/pluginmanager.h"
#include "host/app/transferengine.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"
#include "model/cphotodataitem.h"
#include "model/logcapture.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/photoitemviewwidget.h"
#include "screen/viewerdownloadfolder.h"
#include "support/screenfixture.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const QString DontShowKey
    = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\Preference\\DontShow");
const QString DontShowValue = QStringLiteral("Advanced_Dialog_Readonly");

ScreenFixture::Options kind(int connectionKind)
{
    ScreenFixture::Options options;
    options.connectionKind = connectionKind;
    return options;
}

QStringList pathsOf(const QModelIndexList& rows, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(rows.at(i).data(PhotoRole::PathRole).toString());
    return paths;
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QFileInfo(it.next()).fileName());
    files.sort();
    return files;
}

// Read afresh each time: a turned file replaces the old one.
QByteArray fileBytes(const QString& storedPath)
{
    QFile file(toFileSystemPath(storedPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QModelIndex firstJpeg(const ScreenFixture& fixture)
{
    for (const QModelIndex& index : fixture.rows()) {
        if (fixture.itemAt(index)->fileType() == QLatin1String("jpg"))
            return index;
    }
    return QModelIndex();
}

bool idle()
{
    return !g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessDelete);
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private slots:
    void deleteSelection_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("gone");
        QTest::addColumn<quint32>("answer");
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<bool>("removed");
        const quint32 ok = MsgBoxFlag::Ok;
        QTest::newRow("one photo") << 1 << 0 << ok << 0 << QList<int> { 0 } << true;
        QTest::newRow("five, two already gone") << 5 << 2 << ok << 0 << QList<int> { 0 } << true;
        QTest::newRow("all already gone") << 2 << 2 << ok << 0 << QList<int> { 0 } << true;
        QTest::newRow("cancel") << 2 << 0 << quint32(MsgBoxFlag::Cancel) << 0 << QList<int>()
                                << false;
        QTest::newRow("busy shown as 9") << 1 << 0 << ok << 2 << QList<int> { 9 } << false;
        QTest::newRow("refused shown as 7") << 1 << 0 << ok << 3 << QList<int> { 7 } << false;
        QTest::newRow("other code as is") << 1 << 0 << ok << 5 << QList<int> { 5 } << false;
    }

    void deleteSelection()
    {
        QFETCH(int, selected);
        QFETCH(int, gone);
        QFETCH(quint32, answer);
        QFETCH(int, refusal);
        QFETCH(QList<int>, codes);
        QFETCH(bool, removed);
        ScreenFixture fixture;
        const int rows = fixture.fill();
        QVERIFY(rows > selected);
        QList<int> chosen;
        for (int i = 0; i < selected; ++i)
            chosen.append(i);
        fixture.select(chosen);
        const QStringList paths = pathsOf(fixture.rows(), selected);
        for (int i = 0; i < gone; ++i)
            QVERIFY(QFile::remove(toFileSystemPath(paths.at(i))));
        FolderAgentFaults faults;
        faults.deleteRefusal = refusal;
        fixture.agent()->setFaults(faults);
        fixture.boxes().setAnswer(answer);

        fixture.screen()->OnDelete(true);
        QTRY_VERIFY(idle());

        const MessageBoxRequest question = fixture.boxes().requests().first();
        QCOMPARE(question.title, QStringLiteral("Delete"));
        QCOMPARE(question.text.contains(QFileInfo(toFileSystemPath(paths.first())).fileName()),
            selected == 1);
        QCOMPARE(fixture.boxes().errorCodes(), codes);
        // Already gone files leave the list even when the phone refuses.
        const int left
            = removed ? rows - selected : (answer == MsgBoxFlag::Ok ? rows - gone : rows);
        QCOMPARE(fixture.model()->rowCount(), left);
        for (int i = gone; i < selected; ++i)
            QCOMPARE(QFileInfo::exists(toFileSystemPath(paths.at(i))), !removed);
        QVERIFY(fixture.boxes().requests().size() == 1 + codes.size());
    }

    void deleteEndNotice_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("done") << 0 << QList<int> { 0 };
        QTest::newRow("busy, no box") << 2 << QList<int>();
        QTest::newRow("nothing left, no box") << -1 << QList<int>();
        QTest::newRow("error shown") << 12 << QList<int> { 12 };
    }

    void deleteEndNotice()
    {
        QFETCH(int, error);
        QFETCH(QList<int>, codes);
        ScreenFixture fixture;
        fixture.fill();
        g_SharedValue.addState(PhotoType, OCSharedValue::ProcessDelete);
        QVERIFY(QMetaObject::invokeMethod(
            fixture.screen(), "on_complete_delete_file", Q_ARG(int, error), Q_ARG(int, -1)));
        QCOMPARE(fixture.boxes().errorCodes(), codes);
        QVERIFY(idle());
    }

    void rotationSizeLimit_data()
    {
        QTest::addColumn<quint32>("size");
        QTest::addColumn<bool>("turned");
        QTest::newRow("exactly 100 MiB") << quint32(104857600) << true;
        QTest::newRow("one byte more") << quint32(104857601) << false;
    }

    void rotationSizeLimit()
    {
        QFETCH(quint32, size);
        QFETCH(bool, turned);
        ScreenFixture fixture;
        fixture.fill();
        const QModelIndex row = firstJpeg(fixture);
        fixture.itemAt(row)->setFileSize(size);
        const QString path = row.data(PhotoRole::PathRole).toString();
        auto contents = [&path] { return fileBytes(path); };
        const QByteArray before = contents();
        QVERIFY(QMetaObject::invokeMethod(
            fixture.screen(), "start_rotate_thread", Q_ARG(QString, path), Q_ARG(int, 90)));
        if (turned) {
            QTRY_VERIFY(contents() != before);
            QVERIFY(fixture.boxes().requests().isEmpty());
            return;
        }
        QCOMPARE(fixture.boxes().requests().size(), 1);
        QCOMPARE(fixture.boxes().requests().first().text,
            QStringLiteral("The more than 100 MB photo files do not support rotation."));
        QCOMPARE(contents(), before);
    }

    // The turn works from values taken when it was asked for: the list may
    // empty out under it.
    void rotationOutlivesTheList()
    {
        ScreenFixture fixture;
        fixture.fill();
        const QString path = firstJpeg(fixture).data(PhotoRole::PathRole).toString();
        const QDateTime modified = QFileInfo(toFileSystemPath(path)).lastModified();
        const QByteArray before = fileBytes(path);
        LogCapture log;
        QVERIFY(QMetaObject::invokeMethod(
            fixture.screen(), "start_rotate_thread", Q_ARG(QString, path), Q_ARG(int, -90)));
        emit fixture.manager().on_signal_device_init(PhotoType);
        QTRY_VERIFY(log.contains("the photo left the list"));
        QVERIFY(fileBytes(path) != before);
        QCOMPARE(QFileInfo(toFileSystemPath(path)).lastModified(), modified);
    }

    void readOnlyNotice_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<quint32>("answer");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("after");
        const quint32 ticked = MsgBoxFlag::Ok | MsgBoxFlag::Checked;
        QTest::newRow("ticked") << QString() << ticked << true << "device_photo;";
        QTest::newRow("not ticked") << QString() << quint32(MsgBoxFlag::Ok) << true << QString();
        QTest::newRow("another identifier stored")
            << "device_music;" << ticked << true << "device_music;device_photo;";
        QTest::newRow("already chosen")
            << "device_music;Device_Photo;" << ticked << false << "device_music;Device_Photo;";
    }

    void readOnlyNotice()
    {
        QFETCH(QString, stored);
        QFETCH(quint32, answer);
        QFETCH(bool, shown);
        QFETCH(QString, after);
        ScreenFixture fixture;
        SetRegstryStr(1, DontShowKey, DontShowValue, stored);
        fixture.boxes().setAnswer(answer);
        emit fixture.screen()->on_signal_failed_rotate(1);
        QCOMPARE(fixture.boxes().requests().size(), shown ? 1 : 0);
        if (shown)
            QCOMPARE(fixture.boxes().requests().first().text,
                QStringLiteral("Cannot rotate read-only files."));
        QCOMPARE(GetRegstryStr(1, DontShowKey, DontShowValue), after);
    }

    void transferReports()
    {
        ScreenFixture fixture(kind(ConnectionKind::Mtp));
        QObject* screen = fixture.screen();
        LogCapture log;
        auto report = [screen](qint64 current, qint64 total, int status) {
            return QMetaObject::invokeMethod(screen, "on_transfer_status", Q_ARG(qint64, current),
                Q_ARG(qint64, total), Q_ARG(int, status), Q_ARG(QString, QString()));
        };
        QVERIFY(report(1000, 2000, 5));
        QVERIFY(!g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessViewerDownload));
        QVERIFY(report(-2, -2, 17));
        QVERIFY(g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessViewerDownload));
        QVERIFY(report(-1, -1, 2));
        QVERIFY(log.contains("close transfer job 17"));
        QVERIFY(!g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessViewerDownload));
        QVERIFY(fixture.boxes().requests().isEmpty());
    }

    // A second photo waits for the first download; a photo opened again is
    // downloaded under its own name again, not as "name (1)"; what a session
    // that never ended left goes at the start, the session's own at its end.
    void viewerDownloads()
    {
        ScreenFixture::Options options = kind(ConnectionKind::Mtp);
        options.create = false;
        ScreenFixture fixture(options);
        const QString left = QDir(ViewerDownloadFolder::defaultBase()).filePath("session-old/a");
        QVERIFY(QDir().mkpath(left));
        fixture.createWidget();
        QVERIFY(!QFileInfo::exists(left));
        FolderAgentFaults faults;
        faults.delayPerFileMs = 300;
        fixture.agent()->setFaults(faults);
        const QStringList files = fixture.photoFiles();
        QVERIFY(files.size() > 1);
        const QString downloads = fixture.screen()->DownloadFolder();
        QObject* screen = fixture.screen();
        LogCapture log;
        auto open = [&](int i) {
            QMetaObject::invokeMethod(screen, "on_load_photoViewer",
                Q_ARG(QString, fixture.agent()->phonePathOf(files.at(i))));
        };
        open(0);
        open(1); // starts when the first has arrived
        QVERIFY(log.contains("waits for the transfer"));
        QTRY_VERIFY(log.count("TransferController::showViewerCopy") == 2);
        QVERIFY(filesBelow(downloads).contains(QFileInfo(files.at(1)).fileName()));
        open(0);
        QTRY_VERIFY(log.count("TransferController::showViewerCopy") == 3);
        QVERIFY(!g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessViewerDownload));
        QCOMPARE(filesBelow(downloads).size(), 3); // the two copies and the session's lock
        fixture.destroyWidget();
        QVERIFY(!QFileInfo::exists(downloads));
    }

    // A file that reaches the phone after the to-phone worker has ended, but
    // before the screen has heard of that end, still gets its row.
    void fileAfterTheWorkerEndedGetsItsRow()
    {
        ScreenFixture fixture;
        const int rows = fixture.fill();
        PhotoItemViewWidget* screen = fixture.screen();
        const QStringList files = fixture.photoFiles();
        auto arrive = [&](int i) {
            const QString phone
                = QFileInfo(files.at(0)).path() + QStringLiteral("/sent %1.jpg").arg(i);
            QVERIFY(QFile::copy(files.at(i), phone));
            screen->AddTransferredItem(toStoredPath(phone), toStoredPath(files.at(i)), 4);
        };
        auto endBatch = [&] { screen->AddTransferredItem(QString(), QString(), 4); };
        arrive(0);
        QTRY_COMPARE(fixture.model()->rowCount(), rows + 1);
        QPointer<OCModelInsertThread> worker = screen->findChild<OCModelInsertThread*>();
        endBatch();
        // The run ends; the screen may not have handled that end yet.
        QTRY_VERIFY(!worker || !worker->isRunning());
        arrive(1);
        endBatch();
        QTRY_COMPARE(fixture.model()->rowCount(), rows + 2);
    }

    void transfersThroughTheHostEngine_data()
    {
        QTest::addColumn<bool>("album");
        QTest::newRow("library") << false;
        QTest::newRow("album") << true;
    }

    void transfersThroughTheHostEngine()
    {
        QFETCH(bool, album);
        ScreenFixture fixture;
        const int rows = fixture.fill();
        QTemporaryDir library;
        QTemporaryDir pc;
        PhotoDB albums(fixture.database(), 1);
        TransferEngine engine;
        engine.connectPluginManager(&fixture.manager());
        engine.setDeviceAgent(fixture.agent());
        engine.setPhotoDatabase(&albums);
        engine.setProgressWindowShown(false);
        ImportSettings settings;
        settings.destination = library.path();
        settings.layout = ImportLayout::Flat;
        settings.chosen = true;
        settings.save();
        ImportController imports(fixture.agent(), fixture.database(), &albums, nullptr);
        imports.setWindowsShown(false);
        connect(&fixture.manager(), &PluginManager::transferToPcRequested, &imports,
            &ImportController::importPhotos);
        const int albumId = album ? albums.createAlbum(QStringLiteral("Trip")) : -1;

        fixture.select({ 0, 1 });
        const QStringList sent = pathsOf(fixture.rows(), 2);
        QStringList names;
        for (const QString& path : sent)
            names.append(QFileInfo(toFileSystemPath(path)).fileName());
        names.sort();
        QSignalSpy imported(&imports, &ImportController::finished);
        fixture.screen()->TransferSelectionToPC(albumId);
        QVERIFY(imported.wait());
        QCOMPARE(filesBelow(library.path()), names);
        QCOMPARE(albums.albumFiles(albumId).size(), album ? 2 : 0);
        for (const QString& path : sent)
            QVERIFY(QFileInfo::exists(toFileSystemPath(path)));
        // The rows imported carry the mark once the host says so.
        emit fixture.manager().on_signal_pmgr_import_finished(PhotoType);
        QStringList marked;
        for (const QModelIndex& index : fixture.rows()) {
            if (index.data(PhotoRole::ImportedRole).toBool())
                marked.append(index.data(PhotoRole::PathRole).toString());
        }
        QCOMPARE(marked, sent);

        // PC files dropped on the list reach the phone and join the list.
        QFile::copy(toFileSystemPath(sent.first()), pc.filePath("dropped.jpg"));
        QMimeData drop;
        drop.setUrls({ QUrl::fromLocalFile(pc.filePath("dropped.jpg")) });
        QVERIFY(fixture.model()->dropMimeData(&drop, Qt::CopyAction, 0, 0, QModelIndex()));
        QTRY_COMPARE(fixture.model()->rowCount(), rows + 1);
        QTRY_VERIFY(
            !g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessTransferToPhone));
        QVERIFY(QFileInfo::exists(pc.filePath("dropped.jpg")));
    }
};

QTEST_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
