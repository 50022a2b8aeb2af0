// Viewing photos end to end: the plug-in loaded by the host's loader, a
// folder phone with a camera photo per EXIF orientation.
#include "host/app/pluginloader.h"
#include "host/services/exiforientation.h"
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
#include <QStackedWidget>
#include <QtTest>

namespace {

const int Mtp = 0x40000;
const int AlbumPage = 2;
const int ViewerPage = 3;
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// Closer to the picture as it is meant to be seen than to any other way of
// turning or mirroring it.
bool looksUpright(const QImage& candidate, const QImage& shown)
{
    const double own = pictureDistance(candidate, shown);
    for (int other = 2; other <= 8; ++other) {
        if (pictureDistance(candidate, ExifOrientation::upright(shown, other)) <= own)
            return false;
    }
    return own < 20;
}

QImage viewerPicture(LoadedScreen& screen)
{
    for (QWidget* child : screen.screen()->widget(ViewerPage)->findChildren<QWidget*>()) {
        if (QLatin1String(child->metaObject()->className()) == "PhotoViewerPixmap")
            return child->grab().toImage();
    }
    return QImage();
}

bool openViewer(LoadedScreen& screen, int row)
{
    emit screen.listTable()->doubleClicked(screen.rows()->index(row, 2));
    return QTest::qWaitFor([&] { return screen.screen()->currentIndex() == ViewerPage; });
}

} // namespace

class TestViewing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    LoadedScreen::Options optionsFor(int kind) const
    {
        LoadedScreen::Options options;
        options.connectionKind = kind;
        options.phoneFolder = m_phone->folder();
        return options;
    }
    QImage shownPictureOfRow(LoadedScreen& screen, int row) const
    {
        const QString path = screen.rows()->index(row, 0).data(PhotoRole::PathRole).toString();
        return shownPicture(m_phone->file("DCIM/Camera/" + path.section('\\', -1)));
    }

private slots:
    void initTestCase()
    {
        SamplePhoneOptions options;
        options.photoCount = 8;
        options.extras = false;
        options.orientations = { 1, 2, 3, 4, 5, 6, 7, 8 };
        m_phone = std::make_unique<SamplePhoneFixture>(options);
        QVERIFY(m_phone->isValid() && LoadedScreen::loader()->plugin());
    }
    void cleanupTestCase() { LoadedScreen::unloadLibrary(); }

    void everyOrientationLooksTheSame_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << 0x80000;
        QTest::newRow("media transfer") << Mtp;
        QTest::newRow("basic media transfer") << 0x10000;
    }

    // In the thumbnail as in the viewer.
    void everyOrientationLooksTheSame()
    {
        QFETCH(int, kind);
        LoadedScreen screen(optionsFor(kind));
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitListed() && screen.waitThumbnailsIdle());
        for (int row = 0; row < screen.rows()->rowCount(); ++row) {
            const QImage shown = shownPictureOfRow(screen, row);
            const QPixmap thumbnail
                = screen.rows()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
            QVERIFY(looksUpright(thumbnail.toImage(), shown));
            QVERIFY(openViewer(screen, row));
            QTRY_VERIFY_WITH_TIMEOUT(looksUpright(viewerPicture(screen), shown), 20000);
            QVERIFY(QMetaObject::invokeMethod(screen.screen(), "on_close_photoViewer"));
        }
    }

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
        QVERIFY(duringListing ? QTest::qWaitFor([&] { return screen.rows()->rowCount() > 0; })
                              : screen.waitListed());
        QVERIFY(openViewer(screen, 0));
        QVERIFY(QMetaObject::invokeMethod(screen.screen(), "on_close_photoViewer"));
        QVERIFY(!duringListing || screen.waitListed());
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitThumbnailsIdle());
        QCOMPARE(screen.thumbnailCount(), screen.rows()->rowCount());
    }

    void resetClosesTheViewer_data()
    {
        QTest::addColumn<bool>("memoryCard");
        QTest::newRow("device re-initialised") << false;
        QTest::newRow("memory card changed") << true;
    }

    // Nothing is left to show; opened again after the new listing, the
    // viewer shows the photo chosen and fetches the thumbnails around it.
    void resetClosesTheViewer()
    {
        QFETCH(bool, memoryCard);
        LoadedScreen screen(optionsFor(Mtp));
        screen.choosePhoto();
        QVERIFY(screen.waitListed() && openViewer(screen, 1));
        if (memoryCard)
            emit screen.manager().on_signal_SDCardchange(true, m_phone->folder());
        else
            emit screen.manager().on_signal_device_init(PhotoType);
        QVERIFY(screen.screen()->currentIndex() != ViewerPage);
        QVERIFY(!(g_SharedValue.getState(PhotoType) & OCSharedValue::PluginViewerOpen));
        if (!memoryCard)
            screen.choosePhoto();
        const int last = m_phone->generator().photos().size() - 1;
        QVERIFY(screen.waitListed() && openViewer(screen, last));
        QTRY_VERIFY_WITH_TIMEOUT(
            looksUpright(viewerPicture(screen), shownPictureOfRow(screen, last)), 20000);
        QTRY_VERIFY(screen.hasThumbnail(last));
    }

    // The answer goes to the photo asked for, although the rows moved while
    // the request was out.
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
        screen.rows()->sort(PhotoColumn::Name, Qt::DescendingOrder);
        QVERIFY(screen.rowOfFile(asked) != before);
        screen.agent()->holdAnswers(false);
        screen.agent()->releaseAnswer();
        QVERIFY(screen.waitThumbnailsIdle());
        for (int row = 0; row < screen.rows()->rowCount(); ++row) {
            const QPixmap thumbnail
                = screen.rows()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
            QVERIFY(thumbnail.isNull()
                || looksUpright(thumbnail.toImage(), shownPictureOfRow(screen, row)));
        }
    }

    // With partial loading, the properties of a photo whose thumbnail cannot
    // be made ask the phone once, however long they stay open.
    void propertiesAskOnceForAThumbnailThatCannotBeMade()
    {
        LoadedScreen::Options options = optionsFor(Mtp);
        options.partialLoading = true;
        const QString broken = m_phone->generator().photos().first().relativePath.section('/', -1);
        options.faults.thumbnailErrors.insert(broken, 5);
        LoadedScreen screen(options);
        screen.choosePhoto();
        QVERIFY(screen.waitListed());
        qobject_cast<QAbstractItemView*>(screen.screen()->currentWidget())
            ->setCurrentIndex(screen.rows()->index(screen.rowOfFile(broken), 2));
        bool closed = false;
        QTimer::singleShot(1500, [&closed] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                closed = dialog->close();
        });
        emit screen.manager().signalPropertyFromMainMenu();
        QTRY_VERIFY(closed);
        QCOMPARE(screen.agent()->requested().filter(broken).size(), 1);
    }
};

QTEST_MAIN(TestViewing)
#include "tst_viewing.moc"
