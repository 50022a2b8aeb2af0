#include "host/services/fileutils.h"
#include "support/testenvironment.h"
#include "testimages.h"
#include "viewer/photoviewercenter.h"
#include "viewer/photoviewerpixmap.h"

#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

class TestPhotoViewerCenter : public QObject
{
    Q_OBJECT

private:
    // The centre as the viewer builds it: 34 x 34 rotate buttons, a picture
    // surface bounded by a 1000 x 800 "screen".
    struct Fixture
    {
        TestEnvironment env;
        QWidget page;
        PhotoviewerCenter* center = nullptr;
        PhotoViewerPixmap* pixmap = nullptr;
        QPushButton* left = nullptr;
        QPushButton* right = nullptr;

        explicit Fixture(const QSize& size = QSize(600, 400))
        {
            center = new PhotoviewerCenter(&page);
            left = new QPushButton(&page);
            right = new QPushButton(&page);
            left->setFixedSize(34, 34);
            right->setFixedSize(34, 34);
            center->SetRotateButtons(left, right);
            pixmap = new PhotoViewerPixmap(center);
            pixmap->SetMaxSize(1000, 800);
            center->SetPixmapView(pixmap);
            center->setGeometry(QRect(QPoint(0, 0), size));
            page.resize(size);
            page.show();
        }
        QString file(const QString& name) const { return env.path(name); }
    };

private slots:
    void setImage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("png") << "png" << 0 << QSize(120, 80);
        QTest::newRow("jpeg under a png name") << "jpeg-as-png" << 0 << QSize(120, 80);
        QTest::newRow("orientation 6, turned right") << "png" << 6 << QSize(80, 120);
        QTest::newRow("orientation 8, turned left") << "png" << 8 << QSize(80, 120);
        QTest::newRow("orientation 3, half turn") << "png" << 3 << QSize(120, 80);
        QTest::newRow("orientation 5, transposed") << "png" << 5 << QSize(80, 120);
        QTest::newRow("larger than the screen") << "huge" << 0 << QSize(1000, 500);
        // Fitted to the screen as it is shown, not as it is stored.
        QTest::newRow("larger than the screen, turned") << "huge" << 6 << QSize(400, 800);
        QTest::newRow("stored path") << "stored" << 0 << QSize(120, 80);
        QTest::newRow("fifo named like a photo") << "fifo" << 0 << QSize(0, 0);
        QTest::newRow("zero bytes") << "empty" << 0 << QSize(0, 0);
        QTest::newRow("damaged") << "damaged" << 6 << QSize(0, 0);
        QTest::newRow("vanished") << "missing" << 0 << QSize(0, 0);
        QTest::newRow("no path") << "none" << 0 << QSize(0, 0);
    }

    void setImage()
    {
        QFETCH(QString, kind);
        QFETCH(int, orientation);
        QFETCH(QSize, expected);
        TestEnvironment env;
        QString path = env.path("picture.png");
        if (kind == "png" || kind == "stored")
            QVERIFY(TestImages::writeSolid(path, QSize(120, 80), Qt::blue));
        if (kind == "jpeg-as-png")
            QVERIFY(TestImages::writeSolid(path, QSize(120, 80), Qt::blue, "JPEG"));
        if (kind == "huge")
            QVERIFY(TestImages::writeSolid(path, QSize(3000, 1500), Qt::blue, "JPEG"));
        if (kind == "empty")
            QVERIFY(TestImages::writeBytes(path, QByteArray()));
        if (kind == "damaged") {
            QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
            bytes.append(QByteArray(500, '\x17'));
            QVERIFY(TestImages::writeBytes(path, bytes));
        }
        // Opening one for reading would wait for a writer that never comes.
        if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == "stored" || kind == "fifo") {
            path = toStoredPath(path);
            QVERIFY(!QFile::exists(path));
        }
        if (kind == "none")
            path.clear();

        PhotoViewerPixmap view;
        view.SetMaxSize(1000, 800);
        view.SetImage(path, orientation);
        QCOMPARE(view.ImageSize(), expected);
    }

    void animatedGifIsToldApart_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("animated");
        QTest::newRow("two frames") << "animated" << true;
        QTest::newRow("one frame") << "single" << false;
        QTest::newRow("png named gif") << "png" << false;
        QTest::newRow("zero bytes") << "empty" << false;
        QTest::newRow("vanished") << "missing" << false;
        QTest::newRow("empty path") << "none" << false;
    }

    void animatedGifIsToldApart()
    {
        QFETCH(QString, kind);
        QFETCH(bool, animated);
        TestEnvironment env;
        QString path = env.path("clip.gif");
        if (kind == "animated")
            QVERIFY(TestImages::writeGif(path, QSize(16, 12), { Qt::red, Qt::green }));
        if (kind == "single")
            QVERIFY(TestImages::writeGif(path, QSize(16, 12), { Qt::red }));
        if (kind == "png")
            QVERIFY(TestImages::writeSolid(path, QSize(16, 12), Qt::red, "PNG"));
        if (kind == "empty")
            QVERIFY(TestImages::writeBytes(path, QByteArray()));
        if (kind == "none")
            path.clear();
        QCOMPARE(PhotoviewerCenter::IsAnimatedGif(path), animated);
    }

    void animationPlaysAndCannotTurn()
    {
        Fixture f;
        const QString path = f.file("clip.gif");
        QVERIFY(TestImages::writeGif(path, QSize(40, 30), { Qt::red, Qt::green, Qt::blue }));
        f.center->loadFile(path, 0);
        QVERIFY(f.center->IsMovie());
        QVERIFY(f.center->movie());
        QCOMPARE(f.center->movie()->state(), QMovie::Running);
        QVERIFY(f.center->movieLabel()->isVisible());
        QVERIFY(!f.pixmap->isVisible());
        QVERIFY(!f.left->isEnabled());
        QVERIFY(!f.right->isEnabled());

        f.center->on_rotate(90);
        QCOMPARE(f.center->ImageSize(), QSize(40, 30));
        QCOMPARE(f.center->movieLabel()->geometry(), QRect(280, 185, 40, 30));

        // The next photo ends the animation.
        const QString still = f.file("still.png");
        QVERIFY(TestImages::writeSolid(still, QSize(40, 30), Qt::blue));
        QPointer<QMovie> movie = f.center->movie();
        f.center->loadFile(still, 0);
        QVERIFY(movie.isNull());
        QVERIFY(!f.center->IsMovie());
        QVERIFY(!f.center->movieLabel()->isVisible());
        QVERIFY(f.pixmap->isVisible());
    }

    void rotateRequests_data()
    {
        QTest::addColumn<QList<int>>("angles");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("right") << QList<int> { 90 } << QSize(50, 100);
        QTest::newRow("left") << QList<int> { -90 } << QSize(50, 100);
        QTest::newRow("right then left") << QList<int> { 90, -90 } << QSize(100, 50);
        QTest::newRow("45 ignored") << QList<int> { 45 } << QSize(100, 50);
        QTest::newRow("180 ignored") << QList<int> { 180 } << QSize(100, 50);
    }

    void rotateRequests()
    {
        QFETCH(QList<int>, angles);
        QFETCH(QSize, expected);
        Fixture f;
        const QString path = f.file("wide.png");
        QImage image(100, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixelColor(0, 0, Qt::red); // marks the corner that turns
        QVERIFY(image.save(path));
        f.center->loadFile(path, 0);
        for (int angle : angles)
            f.center->on_rotate(angle);
        QCOMPARE(f.center->ImageSize(), expected);
        QCOMPARE(f.pixmap->size(), expected);
        const QImage shown = f.pixmap->pixmap().toImage();
        if (angles == QList<int> { 90 })
            QCOMPARE(shown.pixelColor(shown.width() - 1, 0), QColor(Qt::red));
        else if (angles == QList<int> { -90 })
            QCOMPARE(shown.pixelColor(0, shown.height() - 1), QColor(Qt::red));
        else
            QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::red));
    }

    // Pictures are never enlarged; larger ones shrink to leave room for the
    // rotate buttons, which sit just outside the picture's lower corners.
    void layout_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("shown");
        // Centre 600 x 400: room for the picture 600 - (34 + 34 + 14) = 518 wide.
        QTest::newRow("small kept") << QSize(100, 50) << QRect(250, 175, 100, 50);
        QTest::newRow("wide shrunk") << QSize(900, 300) << QRect(41, 114, 518, 172);
        QTest::newRow("tall shrunk") << QSize(300, 800) << QRect(225, 0, 150, 400);
    }

    void layout()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, shown);
        Fixture f;
        const QString path = f.file("photo.png");
        QVERIFY(TestImages::writeSolid(path, picture, Qt::blue));
        f.center->loadFile(path, 0);
        QCOMPARE(f.pixmap->geometry(), shown);
        QVERIFY(f.left->isVisible());
        QVERIFY(f.right->isVisible());
        QCOMPARE(f.left->geometry().right(), shown.left() - 7);
        QCOMPARE(f.right->geometry().left(), shown.right() + 8);

        // A smaller centre shrinks the picture again.
        f.center->resize(300, 200);
        QVERIFY(f.pixmap->width() <= 300 - 82);
        QVERIFY(f.pixmap->height() <= 200);
        QVERIFY(f.left->geometry().right() < f.pixmap->geometry().left());
    }

    void rotateButtonsOnlyWhenPossible_data()
    {
        QTest::addColumn<bool>("canRotate");
        QTest::addColumn<bool>("decodable");
        QTest::addColumn<bool>("shown");
        QTest::newRow("opened directly") << true << true << true;
        QTest::newRow("downloaded copy") << false << true << false;
        QTest::newRow("cannot be decoded") << true << false << false;
    }

    void rotateButtonsOnlyWhenPossible()
    {
        QFETCH(bool, canRotate);
        QFETCH(bool, decodable);
        QFETCH(bool, shown);
        Fixture f;
        const QString path = f.file("photo.jpg");
        if (decodable)
            QVERIFY(TestImages::writeSolid(path, QSize(64, 48), Qt::blue, "JPEG"));
        else
            QVERIFY(TestImages::writeBytes(path, QByteArray("\xff\xd8\xff\xe0 broken", 12)));
        f.center->SetCanRotate(canRotate);
        f.center->loadFile(path, 0);
        QCOMPARE(f.left->isVisible(), shown);
        QCOMPARE(f.right->isVisible(), shown);
        // Nothing to draw still paints without trouble.
        f.pixmap->grab();
    }

    void titleFollowsTheFile()
    {
        Fixture f;
        QSignalSpy title(f.center, &PhotoviewerCenter::on_signal_change_title);
        f.center->loadFile(QStringLiteral("\\phone\\DCIM\\holiday 01.jpg"), 0);
        QVERIFY(title.count() >= 1);
        QCOMPARE(title.last().at(0).toString(), QStringLiteral("holiday 01.jpg"));
        f.center->on_stop_movie();
        QCOMPARE(title.last().at(0).toString(), QString());
    }

    void stopAndClearDropTheAnimation()
    {
        Fixture f;
        const QString path = f.file("clip.gif");
        QVERIFY(TestImages::writeGif(path, QSize(20, 20), { Qt::red, Qt::green }));
        f.center->loadFile(path, 0);
        QPointer<QMovie> movie = f.center->movie();
        QVERIFY(movie);
        f.center->on_stop_movie();
        QVERIFY(movie.isNull());
        QVERIFY(f.pixmap->pixmap().isNull());

        f.center->loadFile(path, 0);
        movie = f.center->movie();
        f.center->ClearImage();
        QVERIFY(movie.isNull());
        QVERIFY(!f.center->movieLabel()->isVisible());
        QVERIFY(!f.pixmap->isVisible());
        QVERIFY(!f.left->isVisible());
        QVERIFY(f.center->ImageSize().isEmpty());
    }
};

QTEST_MAIN(TestPhotoViewerCenter)
#include "tst_photoviewercenter.moc"
