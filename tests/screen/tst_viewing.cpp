// Viewing photos end to end: the plug-in loaded by the host's loader, a
// folder phone, the thumbnails and the viewer as the user sees them.
#include "host/app/pluginloader.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/cexttableview.h"
#include "loadedscreen.h"
#include "model/photoroles.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPixmap>
#include <QStackedWidget>
#include <QtTest>

namespace {

const int MassStorage = 0x80000;
const int Mtp = 0x40000;
const int MtpBasic = 0x10000;
const int AlbumPage = 2;
const int ViewerPage = 3;
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// Closer to the picture as it is meant to be seen than to any other way of
// turning or mirroring it.
bool looksUpright(const QImage& candidate, const QImage& shown)
{
    const double own = pictureDistance(candidate, shown);
    for (const bool mirrored : { false, true }) {
        for (const int degrees : { 0, 90, 180, 270 }) {
            if (!mirrored && degrees == 0)
                continue;
            const QImage other
                = shown.mirrored(mirrored, false).transformed(QTransform().rotate(degrees));
            if (pictureDistance(candidate, other) <= own)
                return false;
        }
    }
    return own < 20;
}

// What the viewer's picture surface shows now.
QImage viewerPicture(LoadedScreen& screen)
{
    for (QWidget* child : screen.screen()->widget(ViewerPage)->findChildren<QWidget*>()) {
        if (QLatin1String(child->metaObject()->className()) == "PhotoViewerPixmap")
            return child->isVisible() ? child->grab().toImage() : QImage();
    }
    return QImage();
}

bool openViewer(LoadedScreen& screen, int row)
{
    emit screen.listTable()->doubleClicked(screen.rows()->index(row, 2));
    return QTest::qWaitFor([&] { return screen.screen()->currentIndex() == ViewerPage; });
}

bool closeViewer(LoadedScreen& screen)
{
    return QMetaObject::invokeMethod(screen.screen(), "on_close_photoViewer");
}

} // namespace

class TestViewing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone; // one camera photo per orientation

    LoadedScreen::Options optionsFor(int kind) const
    {
        LoadedScreen::Options options;
        options.connectionKind = kind;
        options.phoneFolder = m_phone->folder();
        return options;
    }

    QString fileOfRow(LoadedScreen& screen, int row) const
    {
        const QString path = screen.rows()->index(row, 0).data(PhotoRole::PathRole).toString();
        return m_phone->file(QStringLiteral("DCIM/Camera/") + path.section('\\', -1));
    }

    // The photo of the phone a picture shows: the one it is closest to.
    QString photoShownIn(const QImage& picture) const
    {
        QString closest;
        double best = 1e9;
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            const QString file = m_phone->file(photo.relativePath);
            const double distance = pictureDistance(picture, shownPicture(file));
            if (distance < best) {
                best = distance;
                closest = file;
            }
        }
        return closest;
    }

private slots:
    void initTestCase()
    {
        SamplePhoneOptions options;
        options.photoCount = 8;
        options.extras = false;
        options.orientations = { 1, 2, 3, 4, 5, 6, 7, 8 };
        m_phone = std::make_unique<SamplePhoneFixture>(options);
        QVERIFY(m_phone->isValid());
        QVERIFY2(
            LoadedScreen::loader()->plugin(), qPrintable(LoadedScreen::loader()->errorString()));
    }

    void cleanupTestCase() { LoadedScreen::unloadLibrary(); }

    void everyOrientationLooksTheSame_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << MassStorage;
        QTest::newRow("media transfer") << Mtp;
        QTest::newRow("basic media transfer") << MtpBasic;
    }

    void everyOrientationLooksTheSame()
    {
        QFETCH(int, kind);
        LoadedScreen screen(optionsFor(kind));
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitListed());
        QVERIFY(screen.waitThumbnailsIdle());
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            const QString file = m_phone->file(photo.relativePath);
            const QImage shown = shownPicture(file);
            const QByteArray tag = QByteArray::number(photo.orientation);
            const int row = screen.rowOfFile(QFileInfo(file).fileName());
            QVERIFY2(row >= 0, tag);
            const QModelIndex index = screen.rows()->index(row, 0);
            const QImage thumbnail = index.data(Qt::DecorationRole).value<QPixmap>().toImage();
            QVERIFY2(looksUpright(thumbnail, shown), tag);

            QVERIFY2(openViewer(screen, row), tag);
            QTRY_VERIFY2_WITH_TIMEOUT(looksUpright(viewerPicture(screen), shown), tag, 20000);
            QVERIFY(closeViewer(screen));
        }
        QVERIFY(screen.boxes().requests().isEmpty());
    }

    // A viewer whose download never started must not hold the thumbnails
    // back for the rest of the session.
    void thumbnailsGoOnAfterAViewerWithoutDownload_data()
    {
        QTest::addColumn<bool>("duringListing");
        QTest::newRow("download refused") << false;
        QTest::newRow("opened and closed during a listing") << true;
    }

    void thumbnailsGoOnAfterAViewerWithoutDownload()
    {
        QFETCH(bool, duringListing);
        LoadedScreen::Options options = optionsFor(Mtp);
        options.faults.transferRefusal = duringListing ? 0 : 2;
        options.faults.delayPerFileMs = duringListing ? 300 : 0;
        LoadedScreen screen(options);
        screen.choosePhoto();
        if (duringListing)
            QTRY_VERIFY(screen.rows()->rowCount() >= 1);
        else
            QVERIFY(screen.waitListed());
        QVERIFY(openViewer(screen, 0));
        QVERIFY(closeViewer(screen));
        if (duringListing)
            QVERIFY(screen.waitListed());
        QCOMPARE(screen.boxes().errorCodes(), duringListing ? QList<int>() : QList<int> { 9 });
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitThumbnailsIdle());
        QCOMPARE(screen.thumbnailCount(), screen.rows()->rowCount());
    }

    // Nothing is left to show after a reset: the viewer closes, and opened
    // again after the new listing it shows the photo chosen.
    void resetClosesTheViewer_data()
    {
        QTest::addColumn<bool>("memoryCard");
        QTest::newRow("device re-initialised") << false;
        QTest::newRow("memory card changed") << true;
    }

    void resetClosesTheViewer()
    {
        QFETCH(bool, memoryCard);
        LoadedScreen screen(optionsFor(Mtp));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        QVERIFY(openViewer(screen, 1));
        if (memoryCard)
            emit screen.manager().on_signal_SDCardchange(true, m_phone->folder());
        else
            emit screen.manager().on_signal_device_init(PhotoType);
        QVERIFY(screen.screen()->currentIndex() != ViewerPage);
        QVERIFY(!(g_SharedValue.getState(PhotoType) & OCSharedValue::PluginViewerOpen));
        if (!memoryCard)
            screen.choosePhoto();
        QVERIFY(screen.waitListed());
        const int last = screen.rows()->rowCount() - 1;
        const QString file = fileOfRow(screen, last);
        QVERIFY(openViewer(screen, last));
        QTRY_VERIFY_WITH_TIMEOUT(photoShownIn(viewerPicture(screen)) == file, 20000);
        QTRY_VERIFY(screen.hasThumbnail(screen.rowOfFile(QFileInfo(file).fileName())));
    }

    // The viewer's thumbnail answer goes to the photo asked for, even when
    // the rows have moved while the request was out.
    void viewerThumbnailFollowsItsPhoto()
    {
        LoadedScreen screen(optionsFor(Mtp));
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        screen.agent()->holdAnswers(true);
        QVERIFY(openViewer(screen, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!screen.agent()->requested().isEmpty(), 20000);
        const QString asked = screen.agent()->requested().first().section('\\', -1);
        const int before = screen.rowOfFile(asked);
        for (const Qt::SortOrder order : { Qt::DescendingOrder, Qt::AscendingOrder }) {
            if (screen.rowOfFile(asked) == before)
                screen.rows()->sort(PhotoColumn::Name, order);
        }
        QVERIFY(screen.rowOfFile(asked) != before);
        screen.agent()->holdAnswers(false);
        screen.agent()->releaseAnswer();
        QTRY_VERIFY(screen.hasThumbnail(screen.rowOfFile(asked)));
        QVERIFY(screen.waitThumbnailsIdle());
        for (int row = 0; row < screen.rows()->rowCount(); ++row) {
            const QPixmap thumbnail
                = screen.rows()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
            if (!thumbnail.isNull())
                QCOMPARE(photoShownIn(thumbnail.toImage()), fileOfRow(screen, row));
        }
    }

    // With partial loading, the properties of a photo whose thumbnail cannot
    // be made ask the phone once, however long they stay open.
    void propertiesAskOnceForAThumbnailThatCannotBeMade()
    {
        LoadedScreen::Options options = optionsFor(Mtp);
        options.partialLoading = true;
        const QString broken
            = QFileInfo(m_phone->file(m_phone->generator().photos().first().relativePath))
                  .fileName();
        options.faults.thumbnailErrors.insert(broken, 5);
        LoadedScreen screen(options);
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        auto* list = qobject_cast<QAbstractItemView*>(screen.screen()->currentWidget());
        QVERIFY(list);
        list->setCurrentIndex(screen.rows()->index(screen.rowOfFile(broken), 2));
        bool shown = false;
        QTimer::singleShot(1500, [&shown] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            shown = dialog != nullptr;
            if (dialog)
                dialog->reject();
        });
        emit screen.manager().signalPropertyFromMainMenu();
        QTRY_VERIFY(shown);
        int asked = 0;
        for (const QString& path : screen.agent()->requested())
            asked += path.endsWith(broken) ? 1 : 0;
        QCOMPARE(asked, 1);
    }
};

QTEST_MAIN(TestViewing)
#include "tst_viewing.moc"
