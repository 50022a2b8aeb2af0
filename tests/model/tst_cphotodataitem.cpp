#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/thumbnailcache.h"
#include "support/testenvironment.h"

#include <QBuffer>
#include <QFile>
#include <QSqlField>
#include <QtTest>

namespace {

QSqlRecord photoRecord(const QVariantMap& values)
{
    static const QStringList columns = { "Path", "FileName", "Title", "FileType", "FileSize",
        "AddedDate", "ModifiedDate", "ShootingDate", "IsThumbnail", "ThumbnailBinary", "Width",
        "Height", "Tag", "Direction" };
    QSqlRecord record;
    for (const QString& column : columns) {
        QSqlField field(column, QVariant::String);
        field.setValue(values.value(column));
        record.append(field);
    }
    return record;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage filled(int width, int height, QColor color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(color);
    return image;
}

} // namespace

class TestCPhotoDataItem : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_SharedValue.reset(); }

    void shootingDateBefore1901IsNull_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stored");
        QTest::newRow("last day of 1900") << "1900-12-31T10:00:00" << false;
        QTest::newRow("first day of 1901") << "1901-01-01T00:00:00" << true;
        QTest::newRow("garbage") << "yesterday" << false;
    }
    void shootingDateBefore1901IsNull()
    {
        QFETCH(QString, text);
        QFETCH(bool, stored);
        CPhotoDataItem item(photoRecord({ { "Path", "/p/a.jpg" }, { "ShootingDate", text } }));
        QCOMPARE(item.shootingDate().isNull(), !stored);
        if (stored)
            QCOMPARE(item.shootingDate(), QDateTime::fromString(text, Qt::ISODate));
        // The same rule holds for every date setter.
        item.setAddedDate(QDateTime::fromString(text, Qt::ISODate));
        QCOMPARE(item.addedDate().isNull(), !stored);
    }

    void directionCodes_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("angle");
        QTest::addColumn<int>("orientation");
        QTest::newRow("exif out of range") << 42 << false << 0;
        QTest::newRow("angle 90") << 90 << true << 6;
    }
    void directionCodes()
    {
        QFETCH(int, value);
        QFETCH(bool, angle);
        QFETCH(int, orientation);
        CPhotoDataItem item;
        item.setDirection(value, angle);
        QCOMPARE(item.orientation(), orientation);
        item.path = "\\p\\a.jpg";
        CPhotoDataItem copy;
        QVERIFY(copy.copyFrom(&item));
        QCOMPARE(copy.orientation(), orientation);
        if (!angle) {
            CPhotoDataItem fromRow(photoRecord({ { "Path", "/p/a.jpg" }, { "Direction", value } }));
            QCOMPARE(fromRow.orientation(), orientation);
        }
    }

    void tagPosition_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("longitude");
        QTest::newRow("both") << QString("latitude=1.5/longitude=2.5") << "1.5"
                              << "2.5";
        QTest::newRow("upper-case keys") << QString("LATITUDE=3/Longitude=4") << "3"
                                         << "4";
        QTest::newRow("part without =") << QString("latitude/longitude=7") << ""
                                        << "7";
    }
    void tagPosition()
    {
        QFETCH(QString, tag);
        QFETCH(QString, latitude);
        QFETCH(QString, longitude);
        CPhotoDataItem item(photoRecord({ { "Path", "/p/a.jpg" }, { "Tag", tag } }));
        QCOMPARE(item.latitude(), latitude);
        QCOMPARE(item.longitude(), longitude);
    }

    // Keys order like the numbers they stand for, past 4 GiB and past five digits.
    void sortKeysOrderLikeTheirNumbers()
    {
        const QList<QList<qint64>> ascending { { 0, 480, 0 }, { 640, 480, 512 },
            { 1920, 1080, 4294967295 }, { 8000, 6000, 5000000000 }, { 123456, 7, 5000000001 } };
        QString previousResolution;
        QString previousSize;
        for (const QList<qint64>& values : ascending) {
            CPhotoDataItem item;
            item.setWidth(int(values[0]));
            item.setHeight(int(values[1]));
            item.setFileSize(values[2]);
            QVERIFY2(item.resolutionSortKey() > previousResolution,
                qPrintable(item.resolutionSortKey()));
            QVERIFY2(item.sizeSortKey() > previousSize, qPrintable(item.sizeSortKey()));
            previousResolution = item.resolutionSortKey();
            previousSize = item.sizeSortKey();
        }
    }

    void pathsAndFolders_data()
    {
        QTest::addColumn<QString>("phonePath");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileType");
        QTest::newRow("forward slashes")
            << QString("/sdcard/DCIM/a.jpg") << QString("\\sdcard\\DCIM\\a.jpg")
            << QString("\\sdcard\\DCIM") << QString("a") << QString("jpg");
        QTest::newRow("no separator") << QString("a.JPG") << QString("a.JPG") << QString("\\")
                                      << QString("a") << QString("JPG");
        QTest::newRow("two dots") << QString("/x/c.d.jpeg") << QString("\\x\\c.d.jpeg")
                                  << QString("\\x") << QString("c.d") << QString("jpeg");
    }
    void pathsAndFolders()
    {
        QFETCH(QString, phonePath);
        CPhotoDataItem item(phonePath, QStringLiteral("/home/me/pc.jpg"));
        QTEST(item.path, "path");
        QTEST(item.folder(), "folder");
        QTEST(item.title, "title");
        QTEST(item.fileType(), "fileType");
        QCOMPARE(item.sourcePath, QStringLiteral("\\home\\me\\pc.jpg"));
    }

    void localFileTakesSizeAndDateFromDisk()
    {
        TestEnvironment env;
        const QString file = env.path("photo.JPG");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(1234, 'x'));
        out.close();
        CPhotoDataItem item(file);
        QCOMPARE(item.fileSize(), qint64(1234));
        QVERIFY(item.modifiedDate().isValid());
        QCOMPARE(item.modifiedDate(), item.createdDate());

        // A given size wins over the file system.
        QVERIFY(item.fillFromFile(file, 77, QDateTime(QDate(1850, 1, 1), QTime())));
        QCOMPARE(item.fileSize(), qint64(77));
        QVERIFY(item.modifiedDate().isNull());
        QVERIFY(!item.fillFromFile(QString(), 0, QDateTime()));
    }

    // Stored small and encoded; a picture with alpha keeps it.
    void thumbnailIsStoredEncodedAndBounded_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("large photo") << filled(1200, 800, Qt::blue);
        QTest::newRow("alpha") << filled(400, 400, Qt::transparent, QImage::Format_ARGB32);
    }
    void thumbnailIsStoredEncodedAndBounded()
    {
        QFETCH(QImage, picture);
        CPhotoDataItem item;
        item.setThumbnail(QPixmap::fromImage(picture));
        QVERIFY(item.thumbnail().isNull()); // not loaded yet
        item.setThumbnailLoaded(true);
        const QSize shown = item.thumbnail().size();
        QVERIFY(shown.width() <= 300 && shown.height() <= 300);
        QCOMPARE(shown.width() * picture.height(), shown.height() * picture.width());
        QVERIFY(item.thumbnailBytes().size() < 64 * 1024);
        QCOMPARE(item.thumbnailImage().hasAlphaChannel(), picture.hasAlphaChannel());
    }

    void changedThumbnailIsNeverStale()
    {
        CPhotoDataItem item;
        item.setThumbnailLoaded(true);
        item.setThumbnail(QPixmap::fromImage(filled(40, 40, Qt::red)));
        QCOMPARE(item.thumbnail().toImage().pixelColor(20, 20).red() > 200, true);
        item.setThumbnailData(encoded(filled(40, 40, Qt::blue), "PNG"));
        const QColor now = item.thumbnail().toImage().pixelColor(20, 20);
        QVERIFY(now.blue() > 200 && now.red() < 50);
        item.rotateThumbnail(90);
        item.setThumbnail(QPixmap::fromImage(filled(60, 20, Qt::blue)));
        item.rotateThumbnail(90);
        QCOMPARE(item.thumbnail().size(), QSize(20, 60));
        // Turned for the eye only: the encoded picture is never encoded again.
        const QByteArray encodedOnce = item.thumbnailBytes();
        for (int turn = 0; turn < 4; ++turn)
            item.rotateThumbnail(90);
        QCOMPARE(item.thumbnailBytes(), encodedOnce);
        item.setThumbnailData("garbage");
        QVERIFY(item.thumbnail().isNull());
        QVERIFY(item.thumbnail().isNull()); // remembered as undecodable, no crash
        item.clearThumbnail();
        QVERIFY(item.needsThumbnail());
    }

    void databaseThumbnailUnderPartialLoading()
    {
        const QByteArray bytes = encoded(filled(32, 24, Qt::yellow), "JPG");
        const QVariantMap values { { "Path", "/p/a.jpg" }, { "IsThumbnail", 1 },
            { "ThumbnailBinary", bytes } };
        CPhotoDataItem normal(photoRecord(values));
        QVERIFY(normal.thumbnailLoaded() && normal.hasThumbnail);
        QCOMPARE(normal.thumbnailBytes(), bytes);
        QCOMPARE(normal.thumbnail().size(), QSize(32, 24));

        g_SharedValue.SetPartialLoading(true);
        CPhotoDataItem partial(photoRecord(values));
        QVERIFY(partial.thumbnailLoaded() && partial.hasThumbnail);
        QVERIFY(partial.thumbnailBytes().isEmpty());
    }

    void decodedPicturesStayWithinTheCacheLimit()
    {
        ThumbnailCache& cache = ThumbnailCache::instance();
        const int oldLimit = cache.limitKb();
        cache.clear();
        cache.setLimitKb(2048);
        const QByteArray bytes = encoded(filled(300, 300, Qt::darkCyan), "JPG");
        std::vector<std::unique_ptr<CPhotoDataItem>> items;
        for (int i = 0; i < 400; ++i) {
            items.push_back(std::make_unique<CPhotoDataItem>());
            items.back()->setThumbnailData(bytes);
            items.back()->setThumbnailLoaded(true);
            QCOMPARE(items.back()->thumbnail().size(), QSize(300, 300));
            QVERIFY(cache.usedKb() <= cache.limitKb());
        }
        // 400 decoded pictures would need about 140 MB; the list holds bytes only.
        QVERIFY(bytes.size() < 16 * 1024);
        QVERIFY(!items.front()->thumbnail().isNull()); // evicted pictures come back
        cache.setLimitKb(oldLimit);
    }
};

QTEST_MAIN(TestCPhotoDataItem)
#include "tst_cphotodataitem.moc"
