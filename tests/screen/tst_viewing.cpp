// Viewing photos end to end: the plug-in loaded by the host's loader, a
// folder phone, the thumbnails and the viewer as the user sees them.
#include "host/app/pluginloader.h"
#include "host/device/samplephonegenerator.h"
#include "host/widgets/cexttableview.h"
#include "loadedscreen.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"

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
};

QTEST_MAIN(TestViewing)
#include "tst_viewing.moc"
