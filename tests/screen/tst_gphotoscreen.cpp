// A phone or camera through libgphoto2, end to end: the plug-in loaded by the
// host's loader over the real GPhotoAgent on libgphoto2's "Directory Browse"
// camera, which serves a generated sample phone through the same calls as a
// USB device. The gphoto2 command line is the yardstick for what is there.
#include "host/app/pluginloader.h"
#include "host/device/gphotoagent.h"
#include "host/services/exiforientation.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/cexttableview.h"
#include "loadedscreen.h"
#include "model/photoroles.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QtTest>

namespace {

const int AlbumPage = 2;
const int ViewerPage = 3;
const int Mtp = 0x40000;

// "path|size" of every row, the path below the device's root.
QStringList listedRows(LoadedScreen& screen, const QString& root)
{
    QStringList rows;
    QAbstractItemModel* model = screen.rows();
    for (int row = 0; model && row < model->rowCount(); ++row) {
        QString path = model->index(row, 0).data(PhotoRole::PathRole).toString();
        path.remove(0, root.size());
        rows.append(path + QLatin1Char('|')
            + QString::number(model->index(row, PhotoColumn::Size).data().toLongLong()));
    }
    rows.sort();
    return rows;
}

// The photos the gphoto2 command line lists there, as listedRows() has them.
QStringList commandLineRows(const QString& folder)
{
    QProcess gphoto;
    gphoto.start(QStringLiteral("gphoto2"),
        { "--camera", "Directory Browse", "--port", "disk:" + folder, "--list-files",
            "--parsable" });
    if (!gphoto.waitForFinished(60000))
        return { QStringLiteral("gphoto2 did not run") };
    static const QRegularExpression line(QStringLiteral("FILENAME='(.*)' .* FILESIZE=\\s*(\\d+)"));
    QStringList rows;
    for (const QString& text : QString::fromUtf8(gphoto.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        const QString path = match.captured(1).replace('/', '\\');
        if (match.hasMatch() && isPhotoExtension(fileExtension(path)))
            rows.append(path + QLatin1Char('|') + match.captured(2));
    }
    rows.sort();
    return rows;
}

QStringList pathsOf(const QStringList& rows)
{
    QStringList paths;
    for (const QString& row : rows)
        paths.append(row.section('|', 0, 0));
    return paths;
}

// The real agent, with the folder removed from under it when the listing
// reaches its third photo.
class VanishingCamera : public GPhotoAgent
{
public:
    VanishingCamera(const QString& folder)
        : GPhotoAgent({ QStringLiteral("Directory Browse"), "disk:" + folder })
        , m_folder(folder)
    {
        s_current = this;
    }
    ~VanishingCamera() override { s_current = nullptr; }
    void SetItemLoadCallback(PFN_ItemLoadCallback callback) override
    {
        m_forward = callback;
        GPhotoAgent::SetItemLoadCallback(&VanishingCamera::itemLoad);
    }

private:
    static void OC_STDCALL itemLoad(int code, quintptr info)
    {
        VanishingCamera* self = s_current;
        if (!self)
            return;
        if (code == ItemLoadCode::Item && ++self->m_items == 3)
            QDir(self->m_folder).removeRecursively();
        if (self->m_forward)
            self->m_forward(code, info);
    }

    static inline std::atomic<VanishingCamera*> s_current { nullptr };
    QString m_folder;
    std::atomic<PFN_ItemLoadCallback> m_forward { nullptr };
    int m_items = 0;
};

// A file of a format phones and cameras add, made from a camera JPEG (which
// carries the EXIF date): HEIC and AVIF by libheif's encoder, WebP by Qt, and
// a DNG as a TIFF that exiv2 marks with the DNG version tag (no public RAW
// sample can be had here). Empty when the tool is missing.
QString makeFile(const QString& jpeg, const QString& format, const QString& folder)
{
    const QString target = folder + "/new." + format;
    auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    };
    if (format == "heic" || format == "avif")
        return run("heif-enc", { "-q", "40", jpeg, "-o", target }) ? target : QString();
    if (format == "webp")
        return QImage(jpeg).save(target, "webp") ? target : QString();
    const QString tiff = folder + "/new.tif";
    const QString date = QFileInfo(jpeg).lastModified().toString("yyyy:MM:dd HH:mm:ss");
    if (!QImage(jpeg).save(tiff, "tiff")
        || !run("exiv2",
            { "-M", "set Exif.Image.DNGVersion Byte 1 4 0 0", "-M",
                "set Exif.Photo.DateTimeOriginal Ascii " + date, tiff })
        || !QFile::rename(tiff, target))
        return QString();
    return target;
}

} // namespace

class TestGPhotoScreen : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    static std::unique_ptr<GPhotoAgent> openCamera(const QString& folder)
    {
        auto agent = std::make_unique<GPhotoAgent>(
            GPhotoDeviceId { QStringLiteral("Directory Browse"), "disk:" + folder });
        QString why;
        if (agent->open(20000, &why) != AgentResult::Ok) {
            qWarning() << "cannot open the Directory Browse camera:" << why;
            return nullptr;
        }
        return agent;
    }

    static LoadedScreen::Options optionsFor(IDeviceNexaAgent* agent)
    {
        LoadedScreen::Options options;
        options.connectionKind = Mtp;
        options.agent = agent;
        return options;
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

    // Everything the command line lists, with the sizes the folder phone gives
    // the same files, and nothing changed on the device.
    void listsWhatTheCommandLineLists()
    {
        QStringList folderRows;
        {
            LoadedScreen::Options options;
            options.connectionKind = Mtp;
            options.phoneFolder = m_phone->folder();
            LoadedScreen folderScreen(options);
            folderScreen.choosePhoto();
            QVERIFY(folderScreen.waitListed());
            folderRows = listedRows(folderScreen, QStringLiteral("\\Phone"));
        }
        const QStringList expected = commandLineRows(m_phone->folder());
        QVERIFY(expected.size() > 6);
        std::unique_ptr<GPhotoAgent> camera = openCamera(m_phone->folder());
        QVERIFY(camera);
        LoadedScreen screen(optionsFor(camera.get()));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QCOMPARE(listedRows(screen, QString()), expected);
        // The folder phone lists more kinds (GIF, BMP); where both list a file they agree.
        const QStringList shared = pathsOf(expected);
        QStringList agreed;
        for (const QString& row : folderRows) {
            if (shared.contains(row.section('|', 0, 0)))
                agreed.append(row);
        }
        QCOMPARE(agreed, expected);
        QCOMPARE(commandLineRows(m_phone->folder()), expected);
    }

    // Previews come from the device; a picture no reader can decode keeps the placeholder.
    void thumbnailsArrive()
    {
        std::unique_ptr<GPhotoAgent> camera = openCamera(m_phone->folder());
        QVERIFY(camera);
        LoadedScreen screen(optionsFor(camera.get()));
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitListed());
        QVERIFY(screen.waitThumbnailsIdle());
        const int rows = screen.rows()->rowCount();
        int undecodable = 0;
        for (const QString& bad : SamplePhoneGenerator::badFiles()) {
            const int row = screen.rowOfFile(QFileInfo(bad).fileName());
            if (row != -1) {
                QVERIFY2(!screen.hasThumbnail(row), qPrintable(bad));
                ++undecodable;
            }
        }
        QVERIFY(undecodable > 0);
        QCOMPARE(screen.thumbnailCount(), rows - undecodable);
        QVERIFY(screen.boxes().errorCodes().isEmpty());
        // A preview is turned as its file's EXIF says, like the picture.
        int turned = 0;
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            const int row = screen.rowOfFile(QFileInfo(photo.relativePath).fileName());
            if (row == -1 || !screen.hasThumbnail(row))
                continue;
            const QSize upright = ExifOrientation::uprightSize(photo.storedSize, photo.orientation);
            const QSize shown
                = screen.rows()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().size();
            QCOMPARE(shown.width() > shown.height(), upright.width() > upright.height());
            turned += ExifOrientation::swapsAxes(photo.orientation) ? 1 : 0;
        }
        QVERIFY(turned > 0);
    }

    // What phones and cameras write besides JPEG is listed with its date and
    // a thumbnail: on mass storage from the file's EXIF through the photo
    // database, on the camera from the device's date and its picture.
    void newFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("camera");
        QTest::addColumn<bool>("dated"); // the file keeps the EXIF date
        QTest::newRow("heic") << "heic" << false << true;
        QTest::newRow("avif") << "avif" << false << true;
        QTest::newRow("webp") << "webp" << false << false;
        QTest::newRow("dng") << "dng" << false << true;
        QTest::newRow("dng on the camera") << "dng" << true << true;
    }

    void newFormats()
    {
        QFETCH(QString, format);
        QFETCH(bool, camera);
        QFETCH(bool, dated);
        const SamplePhoto& photo = m_phone->generator().photos().first();
        QTemporaryDir storage;
        QVERIFY(QDir().mkpath(storage.filePath("DCIM/Camera")));
        const QString file
            = makeFile(m_phone->file(photo.relativePath), format, storage.filePath("DCIM/Camera"));
        if (file.isEmpty())
            QSKIP("no tool here makes this format");
        QFile made(file);
        QVERIFY(made.open(QIODevice::ReadWrite));
        QVERIFY(made.setFileTime(photo.shootingDate, QFileDevice::FileModificationTime));
        made.close();
        std::unique_ptr<GPhotoAgent> agent = camera ? openCamera(storage.path()) : nullptr;
        LoadedScreen::Options options;
        options.connectionKind = 0x80000;
        options.phoneFolder = storage.path();
        if (camera)
            options = optionsFor(agent.get());
        LoadedScreen screen(options);
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitListed());
        QVERIFY(screen.waitThumbnailsIdle());
        const int row = screen.rowOfFile(QFileInfo(file).fileName());
        QVERIFY(row != -1);
        QVERIFY(screen.hasThumbnail(row));
        const QVariant taken = screen.rows()->index(row, PhotoColumn::DateTaken).data();
        QCOMPARE(taken.toDate(), dated ? photo.shootingDate.date() : QDate());
    }

    // Pulled out while listed: the screen ends with the disconnect report.
    void folderGoneWhileListing()
    {
        std::unique_ptr<QTemporaryDir> copy = m_phone->copy();
        QVERIFY(copy);
        VanishingCamera camera(copy->path());
        QString why;
        QCOMPARE(camera.open(20000, &why), int(AgentResult::Ok));
        LoadedScreen screen(optionsFor(&camera));
        screen.choosePhoto();
        QTRY_VERIFY(!g_SharedValue.hasProcessState(
            OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing));
        QTRY_COMPARE(screen.boxes().errorCodes(), QList<int> { AgentResult::Disconnected });
        QCOMPARE(camera.GetDeviceIndex(), -1);
    }

    // Turned in the viewer, the photo is replaced on the device under its
    // own name (no rename over PTP), with nothing else left there.
    void rotationIsSavedOnTheCamera()
    {
        SamplePhoneOptions sample;
        sample.photoCount = 2;
        sample.extras = false;
        SamplePhoneFixture phone(sample);
        std::unique_ptr<GPhotoAgent> camera = openCamera(phone.folder());
        QVERIFY(camera);
        LoadedScreen screen(optionsFor(camera.get()));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        const QFileInfo file(phone.file(phone.generator().photos().first().relativePath));
        const QStringList files = file.dir().entryList(QDir::Files | QDir::Hidden);
        const QImage before = shownPicture(file.filePath());
        const int row = screen.rowOfFile(file.fileName());
        emit screen.listTable()->doubleClicked(screen.rows()->index(row, 2));
        QTRY_VERIFY(screen.screen()->currentIndex() == ViewerPage);
        QPushButton* right = screen.screen()->findChild<QPushButton*>("btn_photo_viewer_rotate_r");
        QVERIFY(right);
        QTRY_VERIFY_WITH_TIMEOUT(right->isEnabled() && right->isVisible(), 20000);
        right->click();
        QVERIFY(!right->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(right->isEnabled(), 20000);
        QCOMPARE(screen.boxes().errorCodes(), QList<int>());
        const QImage after = shownPicture(file.filePath());
        QVERIFY(pictureDistance(after, before.transformed(QTransform().rotate(90)))
            < pictureDistance(after, before));
        QCOMPARE(file.dir().entryList(QDir::Files | QDir::Hidden), files);
        QCOMPARE(screen.rows()->rowCount(), 2);
    }
};

QTEST_MAIN(TestGPhotoScreen)
#include "tst_gphotoscreen.moc"
