// Listing a phone and fetching its thumbnails, end to end: the plug-in
// loaded by the host's loader, driven through the plug-in manager's named
// signals, over a generated folder phone with the agent's fault settings.
#include "host/app/pluginloader.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/cexttableview.h"
#include "loadedscreen.h"
#include "model/photoroles.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"

#include <QAbstractItemView>
#include <QDirIterator>
#include <QFileInfo>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
const int MassStorage = 0x80000;
const int Mtp = 0x40000;
const int MtpBasic = 0x10000;
const int AlbumPage = 2;

struct Expected
{
    int files = 0;
    qint64 bytes = 0;
};

// What the list should hold: every photo file, except on mass storage the
// ones no reader can use (the photo database turns them down); the basic
// media-transfer records carry no sizes.
Expected expectedListing(const SamplePhoneFixture& phone, int kind)
{
    Expected expected;
    QDirIterator it(phone.folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = file.mid(phone.folder().size() + 1);
        if (!isPhotoExtension(QFileInfo(file).suffix()))
            continue;
        if (kind == MassStorage && SamplePhoneGenerator::badFiles().contains(relative))
            continue;
        ++expected.files;
        if (kind != MtpBasic)
            expected.bytes += QFileInfo(file).size();
    }
    return expected;
}

QString statusText(int files, qint64 bytes)
{
    return QStringLiteral("%1 %2, %3")
        .arg(files)
        .arg(files == 1 ? QStringLiteral("file") : QStringLiteral("files"))
        .arg(GetSize(bytes, 0));
}

// Every photo of the phone answers the thumbnail request with code.
FolderAgentFaults thumbnailErrorForAll(const SamplePhoneFixture& phone, int code)
{
    FolderAgentFaults faults;
    QDirIterator it(phone.folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        faults.thumbnailErrors.insert(it.fileName(), code);
    }
    return faults;
}

int distinct(const QStringList& list)
{
    return QSet<QString>(list.begin(), list.end()).size();
}

bool listingFlag()
{
    return g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing);
}

} // namespace

class TestListing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    LoadedScreen::Options optionsFor(int kind, const FolderAgentFaults& faults = {}) const
    {
        LoadedScreen::Options options;
        options.connectionKind = kind;
        options.phoneFolder = m_phone->folder();
        options.faults = faults;
        return options;
    }

    // Listed on the album page, where the list chain fetches thumbnails.
    static bool listOnAlbumPage(LoadedScreen& screen)
    {
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        return screen.waitListed();
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(5);
        QVERIFY(m_phone->isValid());
        QVERIFY2(
            LoadedScreen::loader()->plugin(), qPrintable(LoadedScreen::loader()->errorString()));
    }

    void cleanupTestCase() { LoadedScreen::unloadLibrary(); }

    void listsEveryConnectionKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("partial");
        QTest::newRow("mass storage") << MassStorage << false;
        QTest::newRow("mass storage, partial loading") << MassStorage << true;
        QTest::newRow("media transfer") << Mtp << false;
        QTest::newRow("media transfer, partial loading") << Mtp << true;
        QTest::newRow("basic media transfer") << MtpBasic << false;
    }

    void listsEveryConnectionKind()
    {
        QFETCH(int, kind);
        QFETCH(bool, partial);
        LoadedScreen::Options options = optionsFor(kind);
        options.partialLoading = partial;
        LoadedScreen screen(options);
        QVERIFY(screen.isValid());
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        const Expected expected = expectedListing(*m_phone, kind);
        QCOMPARE(screen.rows()->rowCount(), expected.files);
        QTRY_COMPARE(screen.lastStatusText(), statusText(expected.files, expected.bytes));
        QCOMPARE(screen.refreshReports(), 1);
        QVERIFY(screen.boxes().requests().isEmpty());
        QCOMPARE(screen.agent()->listingsStarted(), 1);
        // Choosing the entry again shows the list; it does not list again.
        screen.chooseOther();
        screen.choosePhoto();
        QCoreApplication::processEvents();
        QCOMPARE(screen.agent()->listingsStarted(), 1);
    }

    void massStorageIsMountedFirst_data()
    {
        QTest::addColumn<int>("mountResult");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QList<int>>("boxes");
        QTest::newRow("mounted") << 0 << true << QList<int> {};
        QTest::newRow("mount failed") << 5 << false << QList<int> { 2104 };
        QTest::newRow("mount cancelled") << 1223 << false << QList<int> {};
    }

    void massStorageIsMountedFirst()
    {
        QFETCH(int, mountResult);
        QFETCH(bool, listed);
        QFETCH(QList<int>, boxes);
        FolderAgentFaults faults;
        faults.needsMount = true;
        faults.mountResult = mountResult;
        LoadedScreen screen(optionsFor(MassStorage, faults));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QCOMPARE(screen.agent()->listingsStarted(), listed ? 1 : 0);
        QCOMPARE(
            screen.rows()->rowCount(), listed ? expectedListing(*m_phone, MassStorage).files : 0);
        QCOMPARE(screen.boxes().errorCodes(), boxes);
    }

    void emptyPhoneEndsQuietly_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("otherFiles");
        QTest::newRow("empty, mass storage") << MassStorage << false;
        QTest::newRow("no photos, mass storage") << MassStorage << true;
        QTest::newRow("no photos, media transfer") << Mtp << true;
    }

    void emptyPhoneEndsQuietly()
    {
        QFETCH(int, kind);
        QFETCH(bool, otherFiles);
        QTemporaryDir empty;
        if (otherFiles) {
            QFile notes(empty.filePath(QStringLiteral("notes.txt")));
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write("not a photo");
        }
        LoadedScreen::Options options = optionsFor(kind);
        options.phoneFolder = empty.path();
        LoadedScreen screen(options);
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QCOMPARE(screen.rows()->rowCount(), 0);
        QTRY_COMPARE(screen.lastStatusText(), statusText(0, 0));
        QVERIFY(screen.boxes().requests().isEmpty());
    }

    void listingEndsWithItsBox_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("memory"); // memory runs short, else the phone goes
        QTest::addColumn<int>("box");
        const int gone = AgentResult::Disconnected;
        QTest::newRow("phone gone, mass storage") << MassStorage << false << gone;
        QTest::newRow("phone gone, media transfer") << Mtp << false << gone;
        QTest::newRow("memory short, mass storage") << MassStorage << true << 25;
        QTest::newRow("memory short, media transfer") << Mtp << true << 25;
    }

    void listingEndsWithItsBox()
    {
        QFETCH(int, kind);
        QFETCH(bool, memory);
        QFETCH(int, box);
        FolderAgentFaults faults;
        faults.disconnectAtFile = memory ? 0 : 3;
        LoadedScreen screen(optionsFor(kind, faults));
        if (memory)
            SetMemoryBudget(1);
        screen.choosePhoto();
        const bool listed = screen.waitListed();
        SetMemoryBudget(0);
        QVERIFY(listed);
        QCOMPARE(screen.boxes().errorCodes(), QList<int> { box });
        QVERIFY(!listingFlag());
        if (memory)
            QCOMPARE(screen.rows()->rowCount(), 0);
        else
            QCOMPARE(screen.refreshReports(), 1);
    }

    void deviceInitDuringAListing()
    {
        FolderAgentFaults faults;
        faults.delayPerFileMs = 40;
        LoadedScreen screen(optionsFor(Mtp, faults));
        screen.choosePhoto();
        QTRY_VERIFY_WITH_TIMEOUT(screen.rows()->rowCount() >= 2, 30000);
        emit screen.manager().on_signal_device_init(PhotoType);
        QCOMPARE(screen.rows()->rowCount(), 0);
        QVERIFY(!listingFlag());
        // The host chooses the entry again; the given-up listing's end is
        // not taken for the new one's, and no box is shown for it.
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QCOMPARE(screen.rows()->rowCount(), expectedListing(*m_phone, Mtp).files);
        QCOMPARE(screen.agent()->listingsStarted(), 2);
        QVERIFY(screen.boxes().requests().isEmpty());
    }

    void memoryCardChangeWhileHidden()
    {
        LoadedScreen screen(optionsFor(MassStorage));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        screen.chooseOther();
        emit screen.manager().on_signal_SDCardchange(false, m_phone->folder());
        QCOMPARE(screen.rows()->rowCount(), 0);
        // Hidden, it does not list by itself...
        QTest::qWait(300);
        QCOMPARE(screen.agent()->listingsStarted(), 1);
        // ...but once shown again.
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QCOMPARE(screen.agent()->listingsStarted(), 2);
        QCOMPARE(screen.rows()->rowCount(), expectedListing(*m_phone, MassStorage).files);
    }

    // F5 lists the phone again: a file added outside appears, a removed one
    // goes, and the selection stays on the files that remain.
    void refreshKeepsTheSelection_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << MassStorage;
        QTest::newRow("media transfer") << Mtp;
    }

    void refreshKeepsTheSelection()
    {
        QFETCH(int, kind);
        const std::unique_ptr<QTemporaryDir> phone = m_phone->copy();
        QVERIFY(phone);
        LoadedScreen::Options options = optionsFor(kind);
        options.phoneFolder = phone->path();
        LoadedScreen screen(options);
        screen.choosePhoto();
        screen.requestView(0);
        QVERIFY(screen.waitListed());
        auto* table = qobject_cast<QAbstractItemView*>(screen.screen()->currentWidget());
        QVERIFY(table);
        const int rows = table->model()->rowCount();
        const auto pathAt = [table](int row) {
            return table->model()->index(row, 0).data(PhotoRole::PathRole).toString();
        };
        QStringList kept;
        for (int row : { 1, 3 }) {
            table->selectionModel()->select(table->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
            kept.append(pathAt(row));
        }
        const QString gone = screen.agent()->fileSystemPathOf(pathAt(2));
        QVERIFY(QFile::remove(gone));
        QVERIFY(QFile::copy(screen.agent()->fileSystemPathOf(kept.first()),
            phone->filePath("DCIM/Camera/added.jpg")));

        emit screen.manager().on_signal_device_refresh(PhotoType);
        QVERIFY(screen.waitListed());
        QCOMPARE(table->model()->rowCount(), rows);
        QVERIFY(screen.rowOfFile("added.jpg") >= 0);
        QCOMPARE(screen.rowOfFile(QFileInfo(gone).fileName()), -1);
        QStringList selected;
        for (const QModelIndex& index : table->selectionModel()->selectedRows())
            selected.append(index.data(PhotoRole::PathRole).toString());
        selected.sort();
        kept.sort();
        QCOMPARE(selected, kept);
    }

    void listChainAnswers_data()
    {
        QTest::addColumn<int>("busy");
        QTest::addColumn<int>("errorForAll");
        QTest::addColumn<bool>("everyRowOnce");
        QTest::addColumn<int>("requests");
        QTest::newRow("answers, no thumbnail for damaged files") << 0 << 0 << true << -1;
        QTest::newRow("busy three times") << 3 << 0 << false << 3;
        QTest::newRow("error 5 ends the chain") << 0 << 5 << false << 1;
    }

    void listChainAnswers()
    {
        QFETCH(int, busy);
        QFETCH(int, errorForAll);
        QFETCH(bool, everyRowOnce);
        QFETCH(int, requests);
        LoadedScreen screen(optionsFor(Mtp));
        // Media transfer opens on the detailed list, which shows no thumbnails.
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QVERIFY(screen.waitThumbnailsIdle());
        QVERIFY(screen.agent()->requested().isEmpty());
        FolderAgentFaults faults = thumbnailErrorForAll(*m_phone, errorForAll);
        if (!errorForAll)
            faults.thumbnailErrors.clear();
        faults.busyThumbnails = busy;
        screen.agent()->setFaults(faults);
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitThumbnailsIdle());
        const QStringList asked = screen.agent()->requested();
        const int rows = screen.rows()->rowCount();
        if (everyRowOnce) {
            QCOMPARE(asked.size(), rows);
            QCOMPARE(distinct(asked), rows);
            // Damaged files answer 8: done without a picture, not asked again.
            int damaged = 0;
            for (const QString& bad : SamplePhoneGenerator::badFiles())
                damaged += screen.rowOfFile(QFileInfo(bad).fileName()) >= 0 ? 1 : 0;
            QVERIFY(damaged > 0);
            QCOMPARE(screen.thumbnailCount(), rows - damaged);
            screen.requestView(1);
            QVERIFY(screen.waitThumbnailsIdle());
            QCOMPARE(screen.agent()->requested().size(), rows);
        } else {
            QCOMPARE(asked.size(), requests);
            QCOMPARE(distinct(asked), 1);
            QCOMPARE(screen.thumbnailCount(), 0);
        }
    }

    // A phone opened again: its kept thumbnails are shown, and only a file
    // changed since is asked for.
    void reopenedPhoneAsksOnlyForChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("nothing changed") << QString();
        QTest::newRow("a file rewritten") << QStringLiteral("rewritten");
        QTest::newRow("a file removed") << QStringLiteral("removed");
    }

    void reopenedPhoneAsksOnlyForChanges()
    {
        QFETCH(QString, change);
        const std::unique_ptr<QTemporaryDir> phone = m_phone->copy();
        LoadedScreen::Options options = optionsFor(Mtp);
        options.phoneFolder = phone->path();
        LoadedScreen screen(options);
        QVERIFY(listOnAlbumPage(screen));
        QVERIFY(screen.waitThumbnailsIdle());
        const int askedFirst = screen.agent()->requested().size();
        const int shown = screen.thumbnailCount();
        QVERIFY(shown > 0);
        const QStringList jpegs = m_phone->generator().files().filter(QStringLiteral(".jpg"));
        const QString changed = phone->filePath(jpegs.first());
        QFile file(changed);
        if (change == QLatin1String("rewritten")) {
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(1),
                QFileDevice::FileModificationTime));
        } else if (change == QLatin1String("removed")) {
            QVERIFY(file.remove());
        }
        emit screen.manager().on_signal_device_init(PhotoType);
        QVERIFY(listOnAlbumPage(screen));
        QVERIFY(screen.waitThumbnailsIdle());
        const QStringList askedAgain = screen.agent()->requested().mid(askedFirst);
        const bool rewritten = change == QLatin1String("rewritten");
        QCOMPARE(askedAgain.size(), rewritten ? 1 : 0);
        if (rewritten)
            QCOMPARE(askedAgain.first().section('\\', -1), QFileInfo(changed).fileName());
        QCOMPARE(screen.thumbnailCount(), shown - (change == QLatin1String("removed") ? 1 : 0));
    }

    // The phone's report of a renamed file carries its name and facts only:
    // the row keeps the date taken and the thumbnail read before.
    void phoneChangesReachTheRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("deleting"); // else renaming
        // Deletes first: the renames leave fewer "IMG_" photos behind.
        QTest::newRow("delete, mass storage") << MassStorage << true;
        QTest::newRow("delete, media transfer") << Mtp << true;
        QTest::newRow("rename, mass storage") << MassStorage << false;
        QTest::newRow("rename, media transfer") << Mtp << false;
    }

    // The phone reports a file renamed or deleted behind the screen's back:
    // a renamed file keeps its row and thumbnail, a deleted one loses it.
    void phoneChangesReachTheRows()
    {
        QFETCH(int, kind);
        QFETCH(bool, deleting);
        const QString camera = m_phone->folder() + "/DCIM/Camera";
        QDirIterator it(camera, { "IMG_*.jpg" }, QDir::Files);
        QString file = it.next();
        if (deleting) {
            // A copy of its own: the sample phone is shared by the tests.
            const QString doomed = camera + QStringLiteral("/Doomed %1.jpg").arg(kind);
            QVERIFY(QFile::copy(file, doomed));
            file = doomed;
        }
        LoadedScreen screen(optionsFor(kind));
        QVERIFY(listOnAlbumPage(screen));
        QVERIFY(screen.waitThumbnailsIdle());
        const QString phonePath = screen.agent()->phonePathOf(file);
        const int rows = screen.rows()->rowCount();
        if (deleting) {
            QVERIFY(screen.rowOfFile(QFileInfo(file).fileName()) >= 0);
            QCOMPARE(
                screen.agent()->DeleteFiles({ phonePath }, [](int, int, QString, QString) {}), 0);
            QTRY_VERIFY(screen.rowOfFile(QFileInfo(file).fileName()) < 0);
            QCOMPARE(screen.rows()->rowCount(), rows - 1);
            return;
        }
        const int row = screen.rowOfFile(QFileInfo(file).fileName());
        const QString taken = screen.rows()->index(row, 7).data(Qt::DecorationRole).toString();
        QVERIFY(screen.hasThumbnail(row) && !taken.isEmpty());
        const QString name = QStringLiteral("Renamed %1.jpg").arg(kind);
        QCOMPARE(screen.agent()->RenameFile(phonePath, name, [](bool) {}), 0);
        QTRY_VERIFY(screen.rowOfFile(name) >= 0);
        const int renamed = screen.rowOfFile(name);
        QCOMPARE(screen.rows()->index(renamed, 7).data(Qt::DecorationRole).toString(), taken);
        QVERIFY(screen.hasThumbnail(renamed));
    }

    void stopWhileARequestIsOut()
    {
        LoadedScreen screen(optionsFor(Mtp));
        screen.agent()->holdAnswers(true);
        QVERIFY(listOnAlbumPage(screen));
        QTRY_COMPARE(screen.agent()->requested().size(), 1);
        QVERIFY(QMetaObject::invokeMethod(screen.screen(), "stop_thumbnail_thread"));
        screen.agent()->holdAnswers(false);
        screen.agent()->releaseAnswer();
        // The answer is still stored (a damaged file's answer holds no
        // picture), but nothing more is asked.
        const QString asked = screen.agent()->requested().first().section('\\', -1);
        bool damaged = false;
        for (const QString& bad : SamplePhoneGenerator::badFiles())
            damaged = damaged || QFileInfo(bad).fileName() == asked;
        if (!damaged)
            QTRY_VERIFY(screen.hasThumbnail(screen.rowOfFile(asked)));
        QVERIFY(screen.waitThumbnailsIdle());
        QCOMPARE(screen.agent()->requested().size(), 1);
    }

    // Album cells larger than a camera's 160x120 preview get a picture decoded
    // from the file, turned right; cells out of view keep the preview.
    void cellsInViewAreSharpened()
    {
        SamplePhoneOptions options;
        options.photoCount = 40;
        options.extras = false;
        options.previewSide = 160;
        options.orientations = { 1, 6, 3, 8 };
        SamplePhoneFixture phone(options);
        QVERIFY(phone.isValid());
        LoadedScreen::Options screenOptions;
        screenOptions.phoneFolder = phone.folder();
        LoadedScreen screen(screenOptions);
        QVERIFY(listOnAlbumPage(screen));
        auto* sizes = screen.screen()->currentWidget()->findChild<QSlider*>();
        QVERIFY(sizes);
        sizes->setValue(sizes->maximum());
        QAbstractItemView* album = nullptr;
        for (auto* view : screen.screen()->currentWidget()->findChildren<QAbstractItemView*>())
            album = view->isVisible() ? view : album;
        QVERIFY(album && album->model());

        auto longerSide = [](const QModelIndex& index) {
            const QSize size = index.data(Qt::DecorationRole).value<QPixmap>().size();
            return qMax(size.width(), size.height());
        };
        auto inView = [album](const QModelIndex& index) {
            return album->visualRect(index).intersects(album->viewport()->rect());
        };
        QList<QModelIndex> shown;
        QList<QModelIndex> hidden;
        for (int row = 0; row < album->model()->rowCount(); ++row) {
            const QModelIndex index = album->model()->index(row, 0);
            (inView(index) ? shown : hidden).append(index);
        }
        QVERIFY(!shown.isEmpty() && !hidden.isEmpty());
        for (const QModelIndex& index : shown) {
            QTRY_VERIFY_WITH_TIMEOUT(longerSide(index) > 160, 30000);
            const QImage thumbnail = index.data(Qt::DecorationRole).value<QPixmap>().toImage();
            const QImage file
                = shownPicture(toFileSystemPath(index.data(PhotoRole::PathRole).toString()));
            const double upright = pictureDistance(thumbnail, file);
            QVERIFY2(
                upright < 12 && upright * 2 < pictureDistance(thumbnail.mirrored(true, true), file),
                qPrintable(index.data(PhotoRole::PathRole).toString()));
        }
        for (const QModelIndex& index : hidden)
            QVERIFY(longerSide(index) <= 160);
    }

    void viewerChainGoesOnAfterAnError()
    {
        LoadedScreen screen(optionsFor(Mtp, thumbnailErrorForAll(*m_phone, 5)));
        QVERIFY(listOnAlbumPage(screen));
        QVERIFY(screen.waitThumbnailsIdle());
        QCOMPARE(screen.agent()->requested().size(), 1);
        emit screen.listTable()->doubleClicked(screen.rows()->index(0, 2));
        QTRY_COMPARE(screen.screen()->currentIndex(), 3);
        // Once the viewer's download is in, the film strip asks for its thumbnails.
        QTRY_VERIFY(screen.agent()->requested().size() > 1);
        QVERIFY(screen.waitThumbnailsIdle());
        // Every row of the film strip's window once, each answered with 5.
        const QStringList viewerAsked = screen.agent()->requested().mid(1);
        QVERIFY2(viewerAsked.size() >= 2, qPrintable(viewerAsked.join(", ")));
        QCOMPARE(distinct(viewerAsked), viewerAsked.size());
    }
};

QTEST_MAIN(TestListing)
#include "tst_listing.moc"
