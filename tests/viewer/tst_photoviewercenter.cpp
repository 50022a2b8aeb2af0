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
        QTest::newRow("jpeg under a png name") << "jpeg-as-png" << 0 << QSize(120, 80);
        QTest::newRow("larger than the screen") << "huge" << 0 << QSize(1000, 500);
        // Fitted to the screen as it is shown, not as it is stored.
        QTest::newRow("larger than the screen, turned") << "huge" << 6 << QSize(400, 800);
        QTest::newRow("stored path") << "stored" << 0 << QSize(120, 80);
        QTest::newRow("fifo named like a photo") << "fifo" << 0 << QSize(0, 0);
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
        if (kind == "stored")
            QVERIFY(TestImages::writeSolid(path, QSize(120, 80), Qt::blue));
        if (kind == "jpeg-as-png")
            QVERIFY(TestImages::writeSolid(path, QSize(120, 80), Qt::blue, "JPEG"));
        if (kind == "huge")
            QVERIFY(TestImages::writeSolid(path, QSize(3000, 1500), Qt::blue, "JPEG"));
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
        QCOMPARE(PhotoviewerCenter::IsAnimatedGif(path), animated);
    }

    // An animation plays unturned, and ends with the next photo, a stop or a clear.
    void animationLifetime()
    {
        Fixture f;
        const QString path = f.file("clip.gif");
        QVERIFY(TestImages::writeGif(path, QSize(40, 30), { Qt::red, Qt::green, Qt::blue }));
        f.center->loadFile(path, 0);
        QPointer<QMovie> movie = f.center->movie();
        QVERIFY(f.center->IsMovie() && movie);
        QCOMPARE(movie->state(), QMovie::Running);
        QVERIFY(f.center->movieLabel()->isVisible() && !f.pixmap->isVisible());
        QVERIFY(!f.left->isEnabled() && !f.right->isEnabled());
        f.center->on_rotate(90);
        QCOMPARE(f.center->ImageSize(), QSize(40, 30));

        const QString still = f.file("still.png");
        QVERIFY(TestImages::writeSolid(still, QSize(40, 30), Qt::blue));
        f.center->loadFile(still, 0);
        QVERIFY(movie.isNull() && !f.center->IsMovie());
        QVERIFY(!f.center->movieLabel()->isVisible() && f.pixmap->isVisible());

        f.center->loadFile(path, 0);
        movie = f.center->movie();
        f.center->on_stop_movie();
        QVERIFY(movie.isNull());
        QVERIFY(f.pixmap->pixmap().isNull());

        f.center->loadFile(path, 0);
        movie = f.center->movie();
        f.center->ClearImage();
        QVERIFY(movie.isNull());
        QVERIFY(!f.center->movieLabel()->isVisible() && !f.pixmap->isVisible());
        QVERIFY(!f.left->isVisible());
        QVERIFY(f.center->ImageSize().isEmpty());
    }

    // Pictures are never enlarged; larger ones shrink to leave room for the
    // rotate buttons, which sit just outside the picture's lower corners.
    void layout_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("small") << QSize(100, 50);
        QTest::newRow("wide") << QSize(900, 300);
        QTest::newRow("tall") << QSize(300, 800);
    }

    void layout()
    {
        QFETCH(QSize, picture);
        Fixture f;
        const QString path = f.file("photo.png");
        QVERIFY(TestImages::writeSolid(path, picture, Qt::blue));
        for (const QSize& centre : { QSize(600, 400), QSize(300, 200) }) {
            f.center->resize(centre);
            f.center->loadFile(path, 0);
            const QRect shown = f.pixmap->geometry();
            QVERIFY(shown.width() <= picture.width() && shown.height() <= picture.height());
            QVERIFY(f.center->rect().contains(shown));
            QVERIFY(f.left->isVisible() && f.right->isVisible());
            QVERIFY(f.left->geometry().right() < shown.left());
            QVERIFY(f.right->geometry().left() > shown.right());
            QVERIFY(f.left->x() >= 0 && f.right->geometry().right() < centre.width());
        }
    }

    // Shown only where a turn is possible (the layout test shows them).
    void rotateButtonsHiddenWhenImpossible_data()
    {
        QTest::addColumn<bool>("canRotate");
        QTest::addColumn<bool>("decodable");
        QTest::newRow("downloaded copy") << false << true;
        QTest::newRow("cannot be decoded") << true << false;
    }

    void rotateButtonsHiddenWhenImpossible()
    {
        QFETCH(bool, canRotate);
        QFETCH(bool, decodable);
        Fixture f;
        const QString path = f.file("photo.jpg");
        if (decodable)
            QVERIFY(TestImages::writeSolid(path, QSize(64, 48), Qt::blue, "JPEG"));
        else
            QVERIFY(TestImages::writeBytes(path, QByteArray("\xff\xd8\xff\xe0 broken", 12)));
        f.center->SetCanRotate(canRotate);
        f.center->loadFile(path, 0);
        QVERIFY(!f.left->isVisible() && !f.right->isVisible());
        f.pixmap->grab(); // nothing to draw still paints without trouble
    }
};

QTEST_MAIN(TestPhotoViewerCenter)
#include "tst_photoviewercenter.moc"
