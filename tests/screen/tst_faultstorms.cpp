// Fault storms end to end: the plug-in loaded by the host's loader, photo-host's
// copy engine, and a folder phone that goes away, answers busy, loses files or
// runs short of memory again and again, in the middle of listings, thumbnails,
// transfers and deletes. Whatever happens, no file is lost or half-written and
// a refresh lists exactly what is on the phone.
#include "host/app/importcontroller.h"
#include "host/app/pluginloader.h"
#include "host/app/transferengine.h"
#include "host/db/dbmanager.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/appservices.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "loadedscreen.h"
#include "model/photoroles.h"
#include "support/samplephonefixture.h"

#include <QAbstractItemView>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QStackedWidget>
#include <QUrl>
#include <QtTest>

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int MassStorage = 0x80000;
const int Mtp = 0x40000;
const int ListPage = 0;
const int AlbumPage = 2;
const int Disconnected = AgentResult::Disconnected;
const int Wait = 60000; // hang guard only

enum Operation { List, Thumbnails, ToPc, ToPhone, Delete };

struct Step
{
    Operation operation = List;
    FolderAgentFaults faults;
    int pressureAtRow = 0; // > 0: memory runs short once the list has this many rows
    int box = -1; // an error box the step must show, -1 none expected
    int changed = -1; // files the step adds to its target or deletes, when known
};

Step step(Operation operation, const FolderAgentFaults& faults, int box = -1, int changed = -1)
{
    Step s;
    s.operation = operation;
    s.faults = faults;
    s.box = box;
    s.changed = changed;
    return s;
}

FolderAgentFaults goneAtFile(int file)
{
    FolderAgentFaults faults;
    faults.disconnectAtFile = file;
    return faults;
}

FolderAgentFaults goneAtThumbnail(int request, int busy = 0)
{
    FolderAgentFaults faults;
    faults.disconnectAtThumbnail = request;
    faults.busyThumbnails = busy;
    return faults;
}

FolderAgentFaults goneAtTransfer(int file)
{
    FolderAgentFaults faults;
    faults.disconnectAtTransfer = file;
    return faults;
}

FolderAgentFaults goneAtDelete(int file)
{
    FolderAgentFaults faults;
    faults.disconnectAtDelete = file;
    return faults;
}

FolderAgentFaults busy(int itemLoads, int transferRefusal = 0, int deleteRefusal = 0)
{
    FolderAgentFaults faults;
    faults.busyItemLoad = itemLoads;
    faults.transferRefusal = transferRefusal;
    faults.deleteRefusal = deleteRefusal;
    return faults;
}

FolderAgentFaults vanishing(const QStringList& names)
{
    FolderAgentFaults faults;
    faults.vanishAfterListing = QSet<QString>(names.begin(), names.end());
    return faults;
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

// Every file below folder, relative path -> digest.
QHash<QString, QByteArray> snapshot(const QString& folder)
{
    QHash<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(file.mid(folder.size() + 1), digest(file));
    }
    return files;
}

// What a listing must show: the photo files, except on mass storage the
// ones the photo database turns down.
QStringList listable(const QString& folder, int kind)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!isPhotoExtension(QFileInfo(file).suffix()))
            continue;
        if (kind == MassStorage
            && SamplePhoneGenerator::badFiles().contains(file.mid(folder.size() + 1)))
            continue;
        files.append(QFileInfo(file).absoluteFilePath());
    }
    files.sort();
    return files;
}

QStringList listed(LoadedScreen& screen)
{
    QStringList files;
    QAbstractItemModel* model = screen.rows();
    for (int row = 0; model && row < model->rowCount(); ++row) {
        const QString path = model->index(row, 0).data(PhotoRole::PathRole).toString();
        files.append(screen.agent()->fileSystemPathOf(path));
    }
    files.sort();
    return files;
}

bool flag(quint32 bits)
{
    return g_SharedValue.hasProcessState(PhotoType, bits);
}

bool transfersIdle(const TransferEngine& engine, const ImportController& imports)
{
    return !engine.isBusy() && !imports.isRunning() && !flag(OCSharedValue::ProcessTransferToPhone)
        && !g_SharedValue.hasProcessState(OCGlobal::ITEM_PC_PHOTO, OCSharedValue::ProcessTransferB);
}

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(QList<Step>)

class TestFaultStorms : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    struct Run
    {
        LoadedScreen* screen = nullptr;
        TransferEngine* engine = nullptr;
        ImportController* imports = nullptr;
        QString library; // transfers to the PC land here
        QStringList pcFiles; // dropped on the list for transfers to the phone
        QSet<QString> mayGo; // phone files a step was allowed to remove
        ImportSummary imported; // of the last transfer to the PC
    };

    static int countFiles(const QString& folder) { return snapshot(folder).size(); }

    // The host's view of a phone that went away and came back: the screen is
    // told, then the photo entry is chosen again.
    static bool refresh(Run& run, int pressureAtRow = 0)
    {
        LoadedScreen& screen = *run.screen;
        if (screen.agent()->GetDeviceIndex() == -1) {
            emit screen.manager().on_signal_devicechange(false);
            if (!screen.agent()->reconnect())
                return false;
            emit screen.manager().on_signal_devicechange(true);
        }
        const int reports = screen.refreshReports();
        emit screen.manager().on_signal_device_init(PhotoType);
        screen.choosePhoto();
        if (pressureAtRow > 0) {
            if (!QTest::qWaitFor([&] { return screen.rows()->rowCount() >= pressureAtRow; }, Wait))
                return false;
            SetMemoryBudget(1);
        }
        const bool ended = QTest::qWaitFor(
            [&] {
                return screen.refreshReports() > reports && !flag(OCSharedValue::ProcessListing);
            },
            Wait);
        SetMemoryBudget(0);
        return ended;
    }

    // The first rows of the detailed list, which the screen then shows.
    static QAbstractItemView* selectRows(LoadedScreen& screen, int count)
    {
        screen.requestView(ListPage);
        auto* table = qobject_cast<QAbstractItemView*>(screen.screen()->currentWidget());
        if (!table || screen.screen()->currentIndex() != ListPage)
            return nullptr;
        QAbstractItemModel* model = table->model();
        table->clearSelection();
        for (int row = 0; row < qMin(count, model->rowCount()); ++row)
            table->selectionModel()->select(
                model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        return table;
    }

    void runStep(Run& run, const Step& s)
    {
        LoadedScreen& screen = *run.screen;
        screen.boxes().clear();
        screen.agent()->setFaults(s.faults);
        int before = 0;
        switch (s.operation) {
        case List:
            QVERIFY(refresh(run, s.pressureAtRow));
            break;
        case Thumbnails:
            screen.requestView(ListPage);
            screen.requestView(AlbumPage);
            QVERIFY(screen.waitThumbnailsIdle(Wait));
            break;
        case ToPc:
            before = countFiles(run.library);
            emit screen.manager().signalSelectAllFromMainMenu();
            emit screen.manager().on_siganl_pmgr_topc_click();
            QVERIFY(
                QTest::qWaitFor([&] { return transfersIdle(*run.engine, *run.imports); }, Wait));
            if (s.changed >= 0)
                QCOMPARE(countFiles(run.library) - before, s.changed);
            break;
        case ToPhone: {
            before = countFiles(screen.agent()->storageFolder());
            QMimeData drop;
            QList<QUrl> urls;
            for (const QString& file : qAsConst(run.pcFiles))
                urls.append(QUrl::fromLocalFile(file));
            drop.setUrls(urls);
            emit screen.manager().on_signal_pmgr_droped_data(&drop, -1, OCGlobal::DROP_CONTENTS);
            QVERIFY(
                QTest::qWaitFor([&] { return transfersIdle(*run.engine, *run.imports); }, Wait));
            if (s.changed >= 0)
                QCOMPARE(countFiles(screen.agent()->storageFolder()) - before, s.changed);
            break;
        }
        case Delete: {
            before = countFiles(screen.agent()->storageFolder());
            QAbstractItemView* table = selectRows(screen, 4);
            QVERIFY(table);
            for (const QModelIndex& index : table->selectionModel()->selectedRows())
                run.mayGo.insert(
                    screen.agent()->fileSystemPathOf(index.data(PhotoRole::PathRole).toString()));
            emit screen.manager().signalDeleteFromMainMenu();
            // The command runs once the menu would have closed; it asks first.
            QVERIFY(QTest::qWaitFor([&] { return !screen.boxes().requests().isEmpty(); }, Wait));
            QVERIFY(QTest::qWaitFor([] { return !flag(OCSharedValue::ProcessDelete); }, Wait));
            if (s.changed >= 0)
                QCOMPARE(before - countFiles(screen.agent()->storageFolder()), s.changed);
            break;
        }
        }
        for (const QString& name : s.faults.vanishAfterListing)
            run.mayGo.insert(name);
        // An import says what it could not copy in its summary, not in a box.
        if (s.operation == ToPc && s.box >= 0)
            QVERIFY(!run.imported.failed.isEmpty());
        else if (s.box >= 0)
            QVERIFY2(screen.boxes().errorCodes().contains(s.box),
                qPrintable(QStringLiteral("boxes: %1")
                               .arg(QVariant::fromValue(screen.boxes().errorCodes())
                                        .toStringList()
                                        .join(' '))));
    }

    static bool mayHaveGone(const Run& run, const QString& file)
    {
        return run.mayGo.contains(file) || run.mayGo.contains(QFileInfo(file).fileName());
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(6);
        QVERIFY(m_phone->isValid());
        QVERIFY2(
            LoadedScreen::loader()->plugin(), qPrintable(LoadedScreen::loader()->errorString()));
    }

    void cleanupTestCase() { LoadedScreen::unloadLibrary(); }

    void cleanup() { SetMemoryBudget(0); }

    void storm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<Step>>("steps");
        const QList<SamplePhoto>& photos = m_phone->generator().photos();
        const QStringList vanished { QFileInfo(photos.at(1).relativePath).fileName(),
            QFileInfo(photos.at(3).relativePath).fileName() };

        Step pressure = step(List, {}, 25);
        pressure.pressureAtRow = 3;
        pressure.faults.delayPerFileMs = 30;

        QTest::newRow("listing: the phone goes away again and again")
            << Mtp
            << QList<Step> { step(List, goneAtFile(2), Disconnected),
                   step(List, goneAtFile(7), Disconnected),
                   step(List, goneAtFile(1), Disconnected) };
        QTest::newRow("listing: busy again and again, then gone")
            << MassStorage
            << QList<Step> { step(List, busy(1), 9), step(List, busy(1), 9), step(List, busy(1), 9),
                   step(List, goneAtFile(4), Disconnected) };
        QTest::newRow("listing: memory runs short mid-way, then the phone goes")
            << Mtp << QList<Step> { pressure, step(List, goneAtFile(5), Disconnected), pressure };
        QTest::newRow("thumbnails: the phone goes away, busy storms between")
            << Mtp
            << QList<Step> { step(Thumbnails, goneAtThumbnail(2)), step(List, {}),
                   step(Thumbnails, goneAtThumbnail(4, 2)), step(List, {}),
                   step(Thumbnails, goneAtThumbnail(0, 3)) };
        QTest::newRow("files vanish under thumbnails and transfers")
            << Mtp
            << QList<Step> { step(List, vanishing(vanished)), step(Thumbnails, {}),
                   step(ToPc, {}, AgentResult::FileMissing), step(Delete, {}) };
        QTest::newRow("to the PC: gone half-way through a file, again and again")
            << MassStorage
            << QList<Step> { step(ToPc, goneAtTransfer(3), Disconnected, 2), step(List, {}),
                   step(ToPc, goneAtTransfer(1), Disconnected, 0), step(List, {}),
                   step(ToPc, busy(0, 2), 9, 0) };
        QTest::newRow("to the phone: gone half-way through a file, again and again")
            << Mtp
            << QList<Step> { step(ToPhone, goneAtTransfer(2), Disconnected, 1), step(List, {}),
                   step(ToPhone, goneAtTransfer(3), Disconnected, 2), step(List, {}),
                   step(ToPhone, goneAtTransfer(1), Disconnected, 0) };
        QTest::newRow("delete: the phone goes away mid-way, busy between")
            << MassStorage
            << QList<Step> { step(Delete, goneAtDelete(3), Disconnected, 2), step(List, {}),
                   step(Delete, busy(0, 0, 2), 9, 0),
                   step(Delete, goneAtDelete(1), Disconnected, 0), step(List, {}),
                   step(Delete, goneAtDelete(2), Disconnected, 1) };
        QTest::newRow("media transfer: everything at once")
            << Mtp
            << QList<Step> { step(List, goneAtFile(3), Disconnected), step(List, {}),
                   step(Thumbnails, goneAtThumbnail(3)), step(List, {}),
                   step(ToPc, goneAtTransfer(2), Disconnected, 1), step(List, {}),
                   step(Delete, goneAtDelete(2), Disconnected, 1), step(List, {}),
                   step(ToPhone, goneAtTransfer(2), Disconnected, 1) };
    }

    void storm()
    {
        QFETCH(int, kind);
        QFETCH(QList<Step>, steps);
        const std::unique_ptr<QTemporaryDir> phone = m_phone->copy();
        QVERIFY(phone);
        const QHash<QString, QByteArray> before = snapshot(phone->path());
        QTemporaryDir library;
        QTemporaryDir pc;
        QStringList pcFiles;
        for (int i = 0; i < 3; ++i) {
            const QString file = pc.filePath(QStringLiteral("from the PC %1.jpg").arg(i));
            QVERIFY(QFile::copy(listable(phone->path(), kind).at(i), file));
            pcFiles.append(file);
        }
        const QHash<QString, QByteArray> pcBefore = snapshot(pc.path());

        LoadedScreen::Options options;
        options.connectionKind = kind;
        options.phoneFolder = phone->path();
        LoadedScreen screen(options);
        QVERIFY(screen.isValid());
        TransferEngine engine;
        engine.connectPluginManager(&screen.manager());
        engine.setDeviceAgent(screen.agent());
        engine.setProgressWindowShown(false);
        ImportSettings settings;
        settings.destination = library.path();
        settings.chosen = true;
        settings.save();
        ImportController imports(screen.agent(), screen.database(), nullptr, nullptr);
        imports.setWindowsShown(false);
        connect(&screen.manager(), &PluginManager::transferToPcRequested, &imports,
            &ImportController::importPhotos);
        Run run { &screen, &engine, &imports, library.path(), pcFiles, {}, {} };
        connect(&imports, &ImportController::finished,
            [&run](const ImportSummary& summary) { run.imported = summary; });
        screen.choosePhoto();
        QVERIFY(screen.waitListed(Wait));

        for (const Step& s : steps) {
            runStep(run, s);
            if (QTest::currentTestFailed())
                return;
        }

        // The phone back, healthy: a refresh lists exactly what is on it.
        screen.agent()->setFaults({});
        QVERIFY(refresh(run));
        QCOMPARE(listed(screen), listable(phone->path(), kind));
        QVERIFY(!flag(OCSharedValue::ProcessListing | OCSharedValue::ProcessDelete));
        QVERIFY(transfersIdle(engine, imports));
        if (kind == Mtp) {
            // The thumbnail chain is whole again after its storms.
            screen.requestView(AlbumPage);
            QVERIFY(screen.waitThumbnailsIdle(Wait));
            int damaged = 0;
            for (const QString& bad : SamplePhoneGenerator::badFiles())
                damaged += screen.rowOfFile(QFileInfo(bad).fileName()) >= 0 ? 1 : 0;
            QCOMPARE(screen.thumbnailCount(), screen.rows()->rowCount() - damaged);
        }

        // Nothing lost: a phone file is gone only when a step was allowed
        // to remove it, and every file left has its bytes.
        const QHash<QString, QByteArray> after = snapshot(phone->path());
        QSet<QByteArray> phoneDigests;
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            phoneDigests.insert(it.value());
            const QString file = phone->filePath(it.key());
            if (!after.contains(it.key()))
                QVERIFY2(mayHaveGone(run, QFileInfo(file).absoluteFilePath()), qPrintable(file));
            else
                QVERIFY2(after.value(it.key()) == it.value(), qPrintable(file));
        }
        // Nothing half-written: every new file, on the phone or on the PC,
        // is a whole copy of a source, and no temporary file is left.
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            QVERIFY2(!it.key().contains(QLatin1String(".~transfer-")), qPrintable(it.key()));
            if (!before.contains(it.key()))
                QVERIFY2(pcBefore.values().contains(it.value()), qPrintable(it.key()));
        }
        const QHash<QString, QByteArray> copied = snapshot(library.path());
        for (auto it = copied.cbegin(); it != copied.cend(); ++it) {
            QVERIFY2(!it.key().contains(QLatin1String(".~transfer-")), qPrintable(it.key()));
            QVERIFY2(phoneDigests.contains(it.value()), qPrintable(it.key()));
        }
        QCOMPARE(snapshot(pc.path()), pcBefore);
    }
};

QTEST_MAIN(TestFaultStorms)
#include "tst_faultstorms.moc"
