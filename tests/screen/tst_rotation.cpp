// Rotating in the viewer, end to end through the loaded plug-in and a folder
// phone: the turn is saved in the phone's own file, thumbnail and viewer
// turn with it, and nothing else is left on the phone.
#include "host/app/pluginloader.h"
#include "host/widgets/cexttableview.h"
#include "loadedscreen.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

namespace {

const int MassStorage = 0x80000;
const int Mtp = 0x40000;
const int AlbumPage = 2;
const int ViewerPage = 3;

// Closer to expected than to the same picture turned any other way.
bool turnedAs(const QImage& candidate, const QImage& expected)
{
    const double own = pictureDistance(candidate, expected);
    for (const int degrees : { 90, 180, 270 }) {
        if (pictureDistance(candidate, expected.transformed(QTransform().rotate(degrees))) <= own)
            return false;
    }
    return own < 20;
}

QImage viewerPicture(LoadedScreen& screen)
{
    for (QWidget* child : screen.screen()->widget(ViewerPage)->findChildren<QWidget*>()) {
        if (QLatin1String(child->metaObject()->className()) == "PhotoViewerPixmap")
            return child->isVisible() ? child->grab().toImage() : QImage();
    }
    return QImage();
}

QPushButton* rotateButton(LoadedScreen& screen, bool right)
{
    return screen.screen()->findChild<QPushButton*>(
        right ? "btn_photo_viewer_rotate_r" : "btn_photo_viewer_rotate_l");
}

} // namespace

class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(
            LoadedScreen::loader()->plugin(), qPrintable(LoadedScreen::loader()->errorString()));
    }

    void cleanupTestCase() { LoadedScreen::unloadLibrary(); }

    // Turns as clicks of the right (90) and left (-90) buttons.
    void rotationIsSaved_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("turns");
        QTest::addColumn<int>("refusal");
        QTest::newRow("mass storage, right, right, left")
            << MassStorage << QList<int> { 90, 90, -90 } << 0;
        QTest::newRow("media transfer, left") << Mtp << QList<int> { -90 } << 0;
        QTest::newRow("media transfer, the phone refuses") << Mtp << QList<int> { 90 } << 7;
    }

    void rotationIsSaved()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, turns);
        QFETCH(int, refusal);
        SamplePhoneOptions sample;
        sample.photoCount = 2;
        sample.extras = false;
        sample.orientations = { 6 };
        SamplePhoneFixture phone(sample);
        LoadedScreen::Options options;
        options.connectionKind = kind;
        options.phoneFolder = phone.folder();
        LoadedScreen screen(options);
        screen.choosePhoto();
        screen.requestView(AlbumPage);
        QVERIFY(screen.waitListed());
        QVERIFY(screen.waitThumbnailsIdle());
        const QFileInfo file(phone.file(phone.generator().photos().first().relativePath));
        const QStringList files = file.dir().entryList(QDir::Files | QDir::Hidden);
        const QDateTime modified = file.lastModified();
        const QImage before = shownPicture(file.filePath());
        const int row = screen.rowOfFile(file.fileName());
        emit screen.listTable()->doubleClicked(screen.rows()->index(row, 2));
        QTRY_VERIFY(screen.screen()->currentIndex() == ViewerPage);
        QTRY_VERIFY(turnedAs(viewerPicture(screen), before)
            && rotateButton(screen, true)->isEnabled() && rotateButton(screen, true)->isVisible());
        FolderAgentFaults faults;
        faults.transferRefusal = refusal;
        screen.agent()->setFaults(faults);
        int degrees = 0;
        for (const int turn : turns) {
            QPushButton* button = rotateButton(screen, turn > 0);
            button->click();
            // Off until the turn is saved.
            QVERIFY(!button->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 20000);
            degrees += refusal ? 0 : turn;
        }
        const QImage expected = before.transformed(QTransform().rotate(degrees));
        const QModelIndex index = screen.rows()->index(screen.rowOfFile(file.fileName()), 0);
        QVERIFY(turnedAs(viewerPicture(screen), expected));
        QVERIFY(turnedAs(shownPicture(file.filePath()), expected));
        QVERIFY(turnedAs(index.data(Qt::DecorationRole).value<QPixmap>().toImage(), expected));
        // Under its own name: no second file, no second row, the times kept.
        QCOMPARE(screen.rows()->rowCount(), 2);
        QCOMPARE(file.dir().entryList(QDir::Files | QDir::Hidden), files);
        QCOMPARE(QFileInfo(file.filePath()).lastModified(), modified);
        QCOMPARE(screen.boxes().errorCodes(), refusal ? QList<int> { refusal } : QList<int>());
    }
};

QTEST_MAIN(TestRotation)
#include "tst_rotation.moc"
