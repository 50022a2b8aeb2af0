#include "common/hostfiles.h"
#include "host/db/dbmanager.h"
#include "host/db/jpegcodec.h"
#include "host/db/photodatabaseguard.h"
#include "host/db/photodb.h"
#include "host/db/photometadatareader.h"
#include "host/services/fileutils.h"
#include "host/services/storedthumbnail.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// latitude and longitude out of a "Tag" text.
QPair<double, double> position(const QString& tag)
{
    double latitude = 0;
    double longitude = 0;
    for (const QString& part : tag.split(QLatin1Char('/'))) {
        const QStringList pieces = part.split(QLatin1Char('='));
        if (pieces.size() == 2 && pieces.first() == QLatin1String("latitude"))
            latitude = pieces.last().toDouble();
        else if (pieces.size() == 2 && pieces.first() == QLatin1String("longitude"))
            longitude = pieces.last().toDouble();
    }
    return { latitude, longitude };
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A connection of its own, as another program would hold one.
struct OtherConnection
{
    explicit OtherConnection(const QString& file)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
    }
    ~OtherConnection() { QSqlDatabase::removeDatabase(name); }
    bool exec(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(name));
        return query.exec(sql);
    }
    const QString name = QStringLiteral("other program");
};

// A database as the first schema left it: paths keyed in upper case, no version.
void writeFirstSchema(const QString& file)
{
    OtherConnection old(file);
    old.exec("CREATE TABLE PhotoItem (Store INTEGER NOT NULL, PathKey TEXT NOT NULL, Path TEXT, "
             "FileName TEXT, Title TEXT, FileType TEXT, FileSize INTEGER, AddedDate TEXT, "
             "ModifiedDate TEXT, ShootingDate TEXT, IsThumbnail INTEGER DEFAULT 0, "
             "ThumbnailBinary BLOB, Width INTEGER DEFAULT 0, Height INTEGER DEFAULT 0, Tag TEXT, "
             "Direction INTEGER DEFAULT 0, ModifiedMs INTEGER DEFAULT -1, "
             "PRIMARY KEY (Store, PathKey))");
    old.exec("CREATE TABLE PlaylistInfo (ID INTEGER PRIMARY KEY AUTOINCREMENT, Type TEXT, "
             "Name TEXT, Linkwave INTEGER DEFAULT 0, ItemType TEXT DEFAULT '')");
    old.exec("CREATE TABLE PlaylistItem (PlaylistID INTEGER NOT NULL, Position INTEGER NOT NULL, "
             "Path TEXT, PathKey TEXT, PRIMARY KEY (PlaylistID, Position))");
    old.exec("INSERT INTO PhotoItem (Store, PathKey, Path, IsThumbnail, ThumbnailBinary) VALUES "
             "(1, '\\PHONE\\IMG.JPG', '\\Phone\\IMG.jpg', 1, 'old')");
    old.exec("INSERT INTO PlaylistInfo (Type, Name, ItemType) VALUES ('photo', 'Trip', '')");
    old.exec("INSERT INTO PlaylistItem VALUES (1, 0, '\\home\\Trip.JPG', '\\HOME\\TRIP.JPG')");
}

} // namespace

class TestPhotoDB : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DBManager> m_manager;

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(12, 3);
        QVERIFY(m_phone->isValid());
    }

    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_manager = std::make_unique<DBManager>(m_env->path(QStringLiteral("photo.db")));
    }

    void cleanup()
    {
        m_manager.reset();
        m_env.reset();
    }

    void cameraPhotoRows_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_phone->generator().photos().size(); ++i)
            QTest::newRow(qPrintable(m_phone->generator().photos().at(i).relativePath)) << i;
    }

    void cameraPhotoRows()
    {
        QFETCH(int, index);
        const SamplePhoto photo = m_phone->generator().photos().at(index);
        const QString file = m_phone->file(photo.relativePath);
        PhotoDB db(m_manager.get(), 1);
        const QSqlRecord row = db.setItemData(toStoredPath(file), true, 13);
        QVERIFY(!row.isEmpty());

        QCOMPARE(row.value("ShootingDate").toString(), photo.shootingDate.toString(Qt::ISODate));
        QCOMPARE(QDateTime::fromString(row.value("ModifiedDate").toString(), Qt::ISODate),
            photo.shootingDate);
        QVERIFY(QDateTime::fromString(row.value("AddedDate").toString(), Qt::ISODate).isValid());
        QCOMPARE(row.value("Direction").toInt(), photo.orientation);
        QCOMPARE(row.value("Width").toInt(), photo.storedSize.width());
        QCOMPARE(row.value("Height").toInt(), photo.storedSize.height());

        const QString tag = row.value("Tag").toString();
        if (photo.hasPosition) {
            const auto found = position(tag);
            QVERIFY2(qAbs(found.first - photo.latitude) < 1e-4, qPrintable(tag));
            QVERIFY2(qAbs(found.second - photo.longitude) < 1e-4, qPrintable(tag));
        } else {
            QVERIFY(tag.isEmpty());
        }

        QCOMPARE(row.value("IsThumbnail").toInt(), 1);
        QImage thumbnail;
        QVERIFY(thumbnail.loadFromData(row.value("ThumbnailBinary").toByteArray(), "JPG"));
        QCOMPARE(thumbnail.size(), QSize(300, 225)); // as stored, not turned
    }

    // A thumbnail is stored as the file holds it (an embedded preview byte for
    // byte, whatever its orientation) and shown upright through
    // StoredThumbnail with the row's ThumbnailOrientation, mirrored codes
    // included; Qt's own EXIF transform is the judge.
    void thumbnailsAreShownUpright_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("previewSide"); // 0: none
        QTest::addColumn<bool>("listing"); // no decode until the row is shown
        for (int orientation = 1; orientation <= 8; ++orientation) {
            QTest::addRow("orientation %d, preview", orientation) << orientation << 300 << false;
            QTest::addRow("orientation %d, 160x120 preview", orientation)
                << orientation << 160 << false;
            QTest::addRow("orientation %d, no preview", orientation) << orientation << 0 << false;
            QTest::addRow("orientation %d, preview, listing", orientation)
                << orientation << 160 << true;
            QTest::addRow("orientation %d, no preview, listing", orientation)
                << orientation << 0 << true;
        }
    }

    void thumbnailsAreShownUpright()
    {
        QFETCH(int, orientation);
        QFETCH(int, previewSide);
        QFETCH(bool, listing);
        QTemporaryDir dir;
        SamplePhoneOptions options;
        options.photoCount = 1;
        options.extras = false;
        options.embedPreview = previewSide > 0;
        options.previewSide = previewSide;
        options.orientations = { orientation };
        SamplePhoneGenerator generator(options);
        QVERIFY(generator.generate(dir.path()));
        const QString file = dir.filePath(generator.photos().first().relativePath);

        PhotoDB db(m_manager.get(), 1);
        const QSqlRecord row
            = db.setItemData(file, true, listing ? 13 | IPhotoDB::DecodeLater : 13);
        QCOMPARE(row.value("Direction").toInt(), orientation);
        QCOMPARE(row.value("ThumbnailOrientation").toInt(), orientation);
        QByteArray bytes = row.value("ThumbnailBinary").toByteArray();
        QCOMPARE(row.value("IsThumbnail").toInt(), listing && !previewSide ? 0 : 1);
        int shownBy = orientation;
        if (listing && !previewSide)
            QVERIFY(db.makeThumbnail(file, &bytes, &shownBy) && shownBy == orientation);
        QCOMPARE(HostFiles::contents(file).contains(bytes), previewSide > 0);
        const QImage thumbnail = StoredThumbnail::picture(bytes, orientation);
        const QImage shown = shownPicture(file);
        // A preview smaller than a thumbnail is still taken, never the whole picture.
        const QSize expected = PhotoMetadataReader::thumbnailSize(shown.size());
        QCOMPARE(thumbnail.size(),
            previewSide == 160 ? expected.scaled(160, 160, Qt::KeepAspectRatio) : expected);
        const double upright = pictureDistance(thumbnail, shown);
        const double wrong
            = qMin(pictureDistance(thumbnail.transformed(QTransform().rotate(180)), shown),
                pictureDistance(thumbnail.mirrored(true, false), shown));
        QVERIFY2(upright < 12 && upright * 2 < wrong,
            qPrintable(QStringLiteral("%1 against %2").arg(upright).arg(wrong)));

        // The bare thumbnail, as the device agent makes it, and the bytes the
        // database hands out by path are the same upright picture.
        const QImage alone = PhotoMetadataReader::thumbnail(file);
        QCOMPARE(alone.size(), thumbnail.size());
        QVERIFY(pictureDistance(alone, thumbnail) < 6);
        QByteArray handedOut;
        QVERIFY(db.getThumbnailFromDB(toStoredPath(file), &handedOut, true));
        QVERIFY(pictureDistance(QImage::fromData(handedOut), thumbnail) < 6);
    }

    void jpegCodec_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size"); // invalid: must fail
        QImage picture(64, 48, QImage::Format_ARGB32);
        picture.fill(QColor(200, 40, 40));
        const QByteArray good = JpegCodec::encode(picture, 80);
        QTest::newRow("encoded here") << good << QSize(64, 48);
        QTest::newRow("cut in the header") << good.left(100) << QSize();
        QTest::newRow("cut in the data") << good.left(good.size() - 40) << QSize(64, 48);
        QTest::newRow("not a jpeg") << QByteArray("GIF89a not at all") << QSize();
    }

    void jpegCodec()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QImage decoded(10, 10, QImage::Format_RGB32);
        const bool ok = JpegCodec::decode(
            reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), &decoded);
        QCOMPARE(ok, size.isValid());
        if (!ok)
            return;
        QCOMPARE(decoded.size(), size);
        const QColor centre = decoded.pixelColor(4, 4); // a cut file still has its first rows
        QVERIFY2(qAbs(centre.red() - 200) < 12 && qAbs(centre.green() - 40) < 12,
            qPrintable(centre.name()));
    }

    void unusableFilesGiveEmptyRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: take the sample phone's file
        QTest::newRow("text") << "Download/notes.txt" << QByteArray();
        QTest::newRow("missing") << "DCIM/Camera/missing.jpg" << QByteArray();
        QTest::newRow("folder") << "DCIM" << QByteArray();
        QTest::newRow("text named jpg") << "made/text.jpg" << QByteArray("hello, not a photo\n");
    }

    void unusableFilesGiveEmptyRows()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QString file = m_phone->file(name);
        if (!bytes.isEmpty()) {
            QDir(m_env->folder()).mkpath(QStringLiteral("made"));
            file = m_env->path(name);
            writeFile(file, bytes);
        }
        PhotoDB db(m_manager.get(), 1);
        QVERIFY(db.setItemData(file, true, 13).isEmpty());
        QVERIFY(!db.isExist(file, true));
    }

    // exiv2 throws on a broken EXIF block; the picture itself still counts.
    void damagedExifStillGivesARow()
    {
        QByteArray bytes = HostFiles::contents(
            m_phone->file(m_phone->generator().photos().first().relativePath));
        const int exif = bytes.indexOf("Exif\0\0", 0);
        QVERIFY(exif > 0);
        for (int i = exif + 6; i < exif + 400; ++i)
            bytes[i] = char(0xEE);
        const QString file = m_env->path(QStringLiteral("bad exif.jpg"));
        writeFile(file, bytes);
        PhotoDB db(m_manager.get(), 1);
        const QSqlRecord row = db.setItemData(file, true, 13);
        QVERIFY(!row.isEmpty());
        QCOMPARE(row.value("Width").toInt(), 1280);
        QVERIFY(row.value("ShootingDate").toString().isEmpty());
        QCOMPARE(row.value("IsThumbnail").toInt(), 1);
    }

    void rowsAreCachedUntilTheFileChanges()
    {
        const QString file = m_env->path(QStringLiteral("photo.jpg"));
        QVERIFY(QFile::copy(m_phone->file(m_phone->generator().photos().at(0).relativePath), file));
        PhotoDB db(m_manager.get(), 1);
        const QSqlRecord first = db.setItemData(file, true, 13);
        QVERIFY(!first.isEmpty());
        QTest::qWait(5); // a distinct "added" time would show a rewrite
        const QSqlRecord again = db.setItemData(file, true, 13);
        QCOMPARE(again.value("AddedDate"), first.value("AddedDate"));
        QCOMPARE(again.value("ThumbnailBinary"), first.value("ThumbnailBinary"));

        // Another picture under the same name: the row follows the file.
        QFile::remove(file);
        QVERIFY(QFile::copy(m_phone->file(m_phone->generator().photos().at(1).relativePath), file));
        QFile touched(file);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        touched.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
        touched.close();
        const QSqlRecord changed = db.setItemData(file, true, 13);
        QCOMPARE(
            changed.value("Direction").toInt(), m_phone->generator().photos().at(1).orientation);
        QCOMPARE(changed.value("AddedDate"), first.value("AddedDate"));

        // The file turns bad: no row, and the stale one is gone.
        writeFile(file, QByteArray("broken"));
        QVERIFY(db.setItemData(file, true, 13).isEmpty());
        QVERIFY(!db.isExist(file, true));
    }

    void thumbnailCacheByPath()
    {
        PhotoDB db(m_manager.get(), 1);
        const QString path = QStringLiteral("\\Phone\\DCIM\\Camera\\IMG_1.jpg");
        QVERIFY(!db.isExist(path, true));
        QVERIFY(db.insertThumbnailItem(path, QByteArray("first"), true));
        QByteArray bytes;
        QVERIFY(db.getThumbnailFromDB(path, &bytes, true));
        QCOMPARE(bytes, QByteArray("first"));
        QVERIFY(db.insertThumbnailItem(path, QByteArray("second"), false));
        QVERIFY(db.getThumbnailFromDB(path, &bytes, true));
        QCOMPARE(bytes, QByteArray("first"));
        QVERIFY(db.insertThumbnailItem(path, QByteArray("third"), true));
        QVERIFY(db.getThumbnailFromDB(path, &bytes, true));
        QCOMPARE(bytes, QByteArray("third"));
        QVERIFY(!db.insertThumbnailItem(path, QByteArray(), true));
        QVERIFY(!db.getThumbnailFromDB(QStringLiteral("\\Phone\\other.jpg"), &bytes, true));

        QVERIFY(db.deleteItem(-1, { QStringLiteral("/Phone/DCIM/Camera/IMG_1.jpg") }, true));
        QVERIFY(!db.isExist(path, true));
    }

    void storesAreSeparate()
    {
        PhotoDB device(m_manager.get(), 1);
        PhotoDB second(m_manager.get(), 2);
        const QString file = m_phone->file(m_phone->generator().photos().first().relativePath);
        QVERIFY(!device.setItemData(file, true, 13).isEmpty());
        QVERIFY(device.isExist(file, true));
        QVERIFY(!second.isExist(file, true));
        QVERIFY(!second.setItemData(file, true, 13).isEmpty());
        QVERIFY(device.clearDBRecords(true));
        QVERIFY(!device.isExist(file, true));
        QVERIFY(second.isExist(file, true));
    }

    void playlistsHaveBuiltInsAndAlbums()
    {
        PhotoDB db(m_manager.get(), 1);
        PhotoDB other(m_manager.get(), 2); // a second object must not add the built-ins again
        QSqlQuery query = db.getPlaylistData(QString());
        QStringList itemTypes;
        while (query.next())
            itemTypes.append(query.record().value("ItemType").toString());
        QCOMPARE(itemTypes, (QStringList { "favorite", "recent" }));

        const int holiday = db.createAlbum(QStringLiteral("Holiday ☀ 2024"));
        QVERIFY(holiday > 0);
        QCOMPARE(db.createAlbum(QStringLiteral("   ")), -1);
        QVERIFY(db.addToAlbum(
            holiday, { QStringLiteral("/home/me/b.jpg"), QStringLiteral("/home/me/a.jpg") }));
        QVERIFY(db.addToAlbum(holiday, { QStringLiteral("\\home\\me\\b.jpg") }));
        QCOMPARE(
            db.albumFiles(holiday), (QStringList { "\\home\\me\\b.jpg", "\\home\\me\\a.jpg" }));
        QVERIFY(!db.addToAlbum(9999, { QStringLiteral("/x.jpg") }));

        const QList<PhotoAlbum> albums = other.albums();
        QCOMPARE(albums.size(), 3);
        QCOMPARE(albums.last().name, QStringLiteral("Holiday ☀ 2024"));
        QCOMPARE(albums.last().itemType, QString());
        QSqlQuery favorites = db.getPlaylistData(QStringLiteral("favorite"));
        QVERIFY(favorites.next());
        QVERIFY(!favorites.next());
    }

    // A database file that cannot be used is moved aside with all it holds
    // and a new one made, or left alone for a temporary one; every case
    // says so, and the database then works.
    void unusableDatabaseFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("movedAside");
        QTest::addColumn<bool>("temporary");
        QTest::newRow("fine") << "fine" << false << false;
        QTest::newRow("first schema, made current") << "first schema" << false << false;
        QTest::newRow("truncated") << "truncated" << true << false;
        QTest::newRow("newer schema") << "newer schema" << true << false;
        QTest::newRow("table without a column") << "missing column" << true << false;
        QTest::newRow("a folder") << "folder" << true << false;
        QTest::newRow("a FIFO as its journal") << "fifo journal" << true << false;
        QTest::newRow("read-only, copied") << "read-only" << true << false;
        QTest::newRow("locked by another program") << "locked" << false << true;
    }

    void unusableDatabaseFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, movedAside);
        QFETCH(bool, temporary);
        if (kind == QLatin1String("read-only") && ::geteuid() == 0)
            QSKIP("permissions do not stop root");
        TestEnvironment env;
        const QString file = env.path(QStringLiteral("photos.db"));
        if (kind != QLatin1String("folder")) {
            if (kind == QLatin1String("first schema")) {
                writeFirstSchema(file);
            } else {
                DBManager manager(file);
                PhotoDB db(&manager, 1);
                QVERIFY(db.createAlbum(QStringLiteral("kept")) > 0);
                QVERIFY(db.insertThumbnailItem(
                    QStringLiteral("\\a.jpg"), QByteArray(70000, 'x'), true));
            }
        }
        std::unique_ptr<OtherConnection> other;
        if (kind == QLatin1String("truncated"))
            QVERIFY(QFile::resize(file, QFileInfo(file).size() / 2));
        else if (kind == QLatin1String("newer schema"))
            OtherConnection(file).exec(QStringLiteral("PRAGMA user_version = 99"));
        else if (kind == QLatin1String("missing column"))
            OtherConnection(file).exec(
                QStringLiteral("ALTER TABLE PlaylistInfo DROP COLUMN Linkwave"));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
        else if (kind == QLatin1String("fifo journal"))
            QCOMPARE(
                ::mkfifo(QFile::encodeName(file + QStringLiteral("-wal")).constData(), 0644), 0);
        else if (kind == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
        else if (kind == QLatin1String("locked")) {
            other = std::make_unique<OtherConnection>(file);
            QVERIFY(other->exec(QStringLiteral("BEGIN IMMEDIATE")));
            QVERIFY(other->exec(QStringLiteral("INSERT INTO PlaylistInfo (Name) VALUES ('x')")));
        }

        const PhotoDatabaseGuard::Result result = PhotoDatabaseGuard::prepare(file);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QStringList aside = QDir(env.folder())
                                      .entryList({ QStringLiteral("photos.db.damaged-*") },
                                          QDir::AllEntries | QDir::System);
        QCOMPARE(aside.size() > 0, movedAside);
        QCOMPARE(result.file != file, temporary);
        QCOMPARE(result.notice.isEmpty(), !movedAside && !temporary);
        DBManager manager(result.file);
        PhotoDB db(&manager, 1);
        QVERIFY(db.createAlbum(QStringLiteral("after")) > 0);
        QStringList names;
        for (const PhotoAlbum& album : db.albums())
            names << album.name;
        // A read-only database lives on in its writable copy.
        QCOMPARE(names.contains(QStringLiteral("kept")),
            kind == QLatin1String("fine") || kind == QLatin1String("read-only"));
    }

    void firstSchemaKeepsItsRowsWithExactKeys()
    {
        TestEnvironment env;
        const QString file = env.path(QStringLiteral("photos.db"));
        writeFirstSchema(file);
        DBManager manager(file);
        PhotoDB db(&manager, 1);
        QByteArray bytes;
        QVERIFY(db.getThumbnailFromDB(QStringLiteral("\\Phone\\IMG.jpg"), &bytes, true));
        QCOMPARE(bytes, QByteArray("old"));
        QVERIFY(!db.isExist(QStringLiteral("\\Phone\\img.jpg"), true));
        QVERIFY(db.addToAlbum(
            1, { QStringLiteral("/home/Trip.JPG"), QStringLiteral("/home/trip.jpg") }));
        QCOMPARE(db.albumFiles(1), (QStringList { "\\home\\Trip.JPG", "\\home\\trip.jpg" }));
    }

    // Another program holding the database makes the GUI thread's call
    // fail at once; only worker threads wait for it.
    void lockedDatabaseDoesNotHoldTheGuiThread()
    {
        PhotoDB db(m_manager.get(), 1);
        OtherConnection other(m_manager->databaseFile());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO PlaylistInfo (Name) VALUES ('x')")));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!db.insertThumbnailItem(QStringLiteral("\\Phone\\x.jpg"), "x", true));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        QVERIFY(db.insertThumbnailItem(QStringLiteral("\\Phone\\x.jpg"), "x", true));
    }

    // The insert threads call the database while the GUI thread does: each
    // thread works on its own connection to the same file.
    void threadsShareTheDatabase()
    {
        PhotoDB db(m_manager.get(), 1);
        const QStringList before = QSqlDatabase::connectionNames();
        QList<SamplePhoto> photos = m_phone->generator().photos();
        std::atomic<int> failures { 0 };
        QList<QThread*> threads;
        for (int t = 0; t < 3; ++t) {
            threads.append(QThread::create([&, t] {
                for (int round = 0; round < 3; ++round) {
                    for (const SamplePhoto& photo : photos) {
                        const QString file = m_phone->file(photo.relativePath);
                        if (db.setItemData(file, true, 13).value("Width").toInt()
                            != photo.storedSize.width())
                            ++failures;
                        const QString phonePath
                            = QStringLiteral("\\Phone\\%1\\%2").arg(t).arg(photo.relativePath);
                        if (!db.insertThumbnailItem(
                                phonePath, QByteArray(100, char('a' + t)), true))
                            ++failures;
                    }
                }
            }));
            threads.last()->start();
        }
        for (const SamplePhoto& photo : photos)
            QVERIFY(!db.setItemData(m_phone->file(photo.relativePath), true, 13).isEmpty());
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(120000));
            delete thread;
        }
        QCOMPARE(failures.load(), 0);
        QByteArray bytes;
        QVERIFY(db.getThumbnailFromDB(
            QStringLiteral("\\Phone\\2\\") + photos.first().relativePath, &bytes, true));
        QCOMPARE(bytes, QByteArray(100, 'c'));
        // The workers' connections went with their threads.
        QCOMPARE(QSqlDatabase::connectionNames().size(), before.size());
    }
};

QTEST_MAIN(TestPhotoDB)
#include "tst_photodb.moc"
