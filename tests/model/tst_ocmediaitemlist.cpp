#include "fakephotodb.h"
#include "host/contract/devicefilerecord.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "logcapture.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "support/testenvironment.h"

#include <QImage>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

CPhotoDataItem* deviceItem(const QString& path, const QString& objectId = QString(),
    const QString& type = QStringLiteral("jpg"), int size = 100)
{
    DeviceFileRecord record;
    record.path = CString(path);
    record.fileName = CString(path.mid(path.lastIndexOf('/') + 1));
    record.objectId = CString(objectId);
    record.type = CString(type);
    record.size = size;
    return new CPhotoDataItem(reinterpret_cast<quintptr>(&record));
}

// Hands one event to the list the way the insert thread does; a rejected or
// merged event's item goes with the event.
CPhotoDataItem* feed(
    OCMediaItemList& list, int code, CPhotoDataItem* item, bool useDeviceDatabase = true)
{
    ItemEvent event(code, std::unique_ptr<CPhotoDataItem>(item));
    return list.updateInsertedItem(event, useDeviceDatabase);
}

// The indexes agree with each other and with the items.
void verifyIndexes(const OCMediaItemList& list)
{
    const QList<CPhotoDataItem*> items = list.allItems();
    QCOMPARE(items.size(), list.count());
    QCOMPARE(QSet<CPhotoDataItem*>(items.begin(), items.end()).size(), items.size());
    for (CPhotoDataItem* item : items) {
        QCOMPARE(list.findItem(item->path, false), item);
        QCOMPARE(list.findItem(toFileSystemPath(item->path), false), item);
        if (!item->objectId.isEmpty())
            QCOMPARE(list.findItem(item->objectId, true), item);
    }
    for (int i = 0; i < list.count(); ++i)
        QVERIFY(items.contains(list.itemAt(i)));
    QVERIFY(!list.itemAt(-1) && !list.itemAt(list.count()));
}

} // namespace

class TestOCMediaItemList : public QObject
{
    Q_OBJECT

private:
    FakePhotoDB* m_device = nullptr;
    FakePhotoDB* m_second = nullptr;
    std::unique_ptr<OCMediaItemList> m_list;

private slots:
    void init()
    {
        g_SharedValue.reset();
        m_device = new FakePhotoDB;
        m_second = new FakePhotoDB;
        m_list = std::make_unique<OCMediaItemList>(m_device, m_second, nullptr);
    }
    void cleanup() { m_list.reset(); }

    void sameFileTwiceIsOneItem_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("items");
        QTest::newRow("code 2") << 2 << "/DCIM/a.jpg" << 1;
        QTest::newRow("code 2, twin in other letter case") << 2 << "/DCIM/A.jpg" << 2;
        QTest::newRow("code 3") << 3 << "/DCIM/a.jpg" << 1;
        QTest::newRow("code 3, backslashes") << 3 << "\\DCIM\\a.jpg" << 1;
    }
    void sameFileTwiceIsOneItem()
    {
        QFETCH(int, code);
        QFETCH(QString, second);
        QFETCH(int, items);
        CPhotoDataItem* first = feed(*m_list, code, deviceItem("/DCIM/a.jpg"));
        QVERIFY(first);
        QCOMPARE(feed(*m_list, code, deviceItem(second)) == first, items == 1);
        QCOMPARE(m_list->count(), items);
        QCOMPARE(m_list->pendingThumbnailCount(), items);
        QVERIFY(m_device->lookups().isEmpty()); // these codes never read the database
        verifyIndexes(*m_list);
    }

    void typeDecidesAcceptance_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("JPG") << "JPG" << true;
        QTest::newRow("tiff") << "tiff" << true;
        QTest::newRow("txt") << "txt" << false;
        QTest::newRow("empty") << "" << false;
    }
    void typeDecidesAcceptance()
    {
        QFETCH(QString, type);
        QFETCH(bool, accepted);
        LogCapture log;
        CPhotoDataItem* item = feed(*m_list, 2, deviceItem("/DCIM/file." + type, "id", type));
        QCOMPARE(item != nullptr, accepted);
        QCOMPARE(m_list->count(), accepted ? 1 : 0);
        QCOMPARE(log.contains("not supported ext"), !accepted);
        QCOMPARE(m_list->findItem("id", true) != nullptr, accepted);
    }

    void objectIdAssigned()
    {
        CPhotoDataItem* item = feed(*m_list, 2, deviceItem("/DCIM/a.jpg", "old"));
        QCOMPARE(feed(*m_list, 7, deviceItem("/DCIM/a.jpg", "new")), item);
        QCOMPARE(item->objectId, QStringLiteral("new"));
        QCOMPARE(m_list->findItem("new", true), item);
        QVERIFY(!m_list->findItem("old", true));
        QCOMPARE(m_list->pathOfObjectId("new"), item->path);
        // An empty id changes nothing; an unknown file is a new one.
        QCOMPARE(feed(*m_list, 7, deviceItem("/DCIM/a.jpg", "")), item);
        QCOMPARE(item->objectId, QStringLiteral("new"));
        QVERIFY(feed(*m_list, 7, deviceItem("/DCIM/b.jpg", "b")));
        QCOMPARE(m_list->count(), 2);
        verifyIndexes(*m_list);
    }

    void changedFileFollowsObjectId()
    {
        LogCapture log;
        CPhotoDataItem* item = feed(*m_list, 2, deviceItem("/DCIM/a.jpg", "o1", "jpg", 10));
        m_list->setThumbnailPending(item->path, true);
        QCOMPARE(m_list->pendingThumbnailCount(), 0);

        QCOMPARE(feed(*m_list, 8, deviceItem("/DCIM/renamed.jpg", "o1", "jpg", 20)), item);
        QCOMPARE(item->fileSize(), qint64(20));
        QCOMPARE(item->path, QStringLiteral("\\DCIM\\renamed.jpg"));
        QVERIFY(!m_list->findItem("/DCIM/a.jpg", false));
        QCOMPARE(m_list->nextPendingThumbnail(), item); // fetched again
        QVERIFY(log.contains("change item list"));

        // No item carries the id: a new file.
        CPhotoDataItem* other = feed(*m_list, 8, deviceItem("/DCIM/c.jpg", "o2"));
        QVERIFY(other && other != item);
        QCOMPARE(m_list->count(), 2);
        verifyIndexes(*m_list);
    }

    void databaseCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("deviceDatabase");
        QTest::newRow("1 listed") << 1 << true;
        QTest::newRow("5 locate") << 5 << true;
        QTest::newRow("0 end marker") << 0 << true;
        QTest::newRow("1 from the second database") << 1 << false;
    }
    void databaseCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, deviceDatabase);
        FakePhotoDB* used = deviceDatabase ? m_device : m_second;
        FakePhotoDB* other = deviceDatabase ? m_second : m_device;
        used->addRow("/DCIM/a.jpg", { { "FileSize", 4096 }, { "Width", 800 }, { "Height", 600 } });

        CPhotoDataItem* item
            = feed(*m_list, code, new CPhotoDataItem("/DCIM/a.jpg", QString()), deviceDatabase);
        QVERIFY(item);
        QCOMPARE(item->fileSize(), qint64(4096));
        QCOMPARE(item->resolutionText(), QStringLiteral("800x600"));
        QCOMPARE(used->lookups(), QStringList { "\\DCIM\\a.jpg" });
        QVERIFY(other->lookups().isEmpty());

        // A known file takes the new row.
        used->addRow("/DCIM/a.jpg", { { "FileSize", 5000 } });
        QCOMPARE(feed(*m_list, code, new CPhotoDataItem("/DCIM/a.jpg", QString()), deviceDatabase),
            item);
        QCOMPARE(item->fileSize(), qint64(5000));

        // No row: rejected.
        LogCapture log;
        QVERIFY(
            !feed(*m_list, code, new CPhotoDataItem("/DCIM/none.jpg", QString()), deviceDatabase));
        QVERIFY(log.contains("failed not media info"));
        QCOMPARE(m_list->count(), 1);
        verifyIndexes(*m_list);
    }

    void transferredFileReadsItsSource()
    {
        m_device->addRow("/pc/Pictures/sent.jpg", { { "FileSize", 321 } });
        CPhotoDataItem* item
            = feed(*m_list, 4, new CPhotoDataItem("/Phone/DCIM/sent.jpg", "/pc/Pictures/sent.jpg"));
        QVERIFY(item);
        QCOMPARE(m_device->lookups(), QStringList { "\\pc\\Pictures\\sent.jpg" });
        QCOMPARE(item->path, QStringLiteral("\\Phone\\DCIM\\sent.jpg"));
        QCOMPARE(item->sourcePath, QStringLiteral("\\pc\\Pictures\\sent.jpg"));
        QCOMPARE(item->fileSize(), qint64(321));
        QVERIFY(item->isNew && !item->newShown);

        // Code 6 keeps the item's data but needs the row.
        m_device->addRow("/tmp/view/b.jpg", { { "FileSize", 999 } });
        CPhotoDataItem* viewed
            = feed(*m_list, 6, new CPhotoDataItem("/Phone/b.jpg", "/tmp/view/b.jpg"));
        QVERIFY(viewed);
        QCOMPARE(viewed->fileSize(), qint64(0));
        QCOMPARE(viewed->path, QStringLiteral("\\Phone\\b.jpg"));
        QVERIFY(!feed(*m_list, 6, new CPhotoDataItem("/Phone/c.jpg", "/tmp/view/c.jpg")));
    }

    void partialLoadingStoresRowThumbnails()
    {
        g_SharedValue.SetPartialLoading(true);
        m_device->addRow("/DCIM/a.jpg",
            { { "IsThumbnail", 1 }, { "ThumbnailBinary", QByteArray("jpegbytes") } });
        QVERIFY(feed(*m_list, 1, new CPhotoDataItem("/DCIM/a.jpg", QString())));
        QCOMPARE(m_device->thumbnail("/DCIM/a.jpg"), QByteArray("jpegbytes"));
    }

    void nullEventsAreRejected()
    {
        ItemEvent empty(2, nullptr);
        QVERIFY(!m_list->updateInsertedItem(empty, true));
        QCOMPARE(m_list->count(), 0);
    }

    void removeKeepsOnlyKnownPaths()
    {
        g_SharedValue.SetPartialLoading(true);
        feed(*m_list, 2, deviceItem("/DCIM/a.jpg", "a"));
        feed(*m_list, 2, deviceItem("/DCIM/b.jpg", "b"));
        QStringList paths { "/DCIM/a.jpg", "/DCIM/A.JPG", "/DCIM/unknown.jpg" };
        QVERIFY(m_list->removeItems(paths));
        QCOMPARE(paths, QStringList { "/DCIM/a.jpg" });
        QCOMPARE(m_device->deleted(), paths);
        QCOMPARE(m_list->count(), 1);
        QVERIFY(!m_list->findItem("a", true));
        QCOMPARE(m_list->pathOfObjectId("a"), QString());
        verifyIndexes(*m_list);
    }

    void renameReindexes()
    {
        g_SharedValue.SetPartialLoading(true);
        CPhotoDataItem* item = feed(*m_list, 2, deviceItem("/DCIM/a.jpg", "a"));
        m_device->insertThumbnailItem("/DCIM/a.jpg", "thumb", true);
        m_list->setThumbnailPending(item->path, true);
        QVERIFY(!m_list->renameItem("/DCIM/missing.jpg", "/DCIM/x.jpg"));
        QVERIFY(m_list->renameItem("/DCIM/a.jpg", "/DCIM/Sunset.jpeg"));
        QCOMPARE(item->path, QStringLiteral("\\DCIM\\Sunset.jpeg"));
        QCOMPARE(item->title, QStringLiteral("Sunset"));
        QCOMPARE(item->fileName(), QStringLiteral("Sunset.jpeg"));
        QCOMPARE(m_list->findItem("/DCIM/Sunset.jpeg", false), item);
        QVERIFY(!m_list->findItem("/DCIM/sunset.JPEG", false));
        QCOMPARE(m_list->nextPendingThumbnail(), item);
        QCOMPARE(m_device->thumbnail("/DCIM/Sunset.jpeg"), QByteArray("thumb"));
        QCOMPARE(m_device->deleted(), QStringList { "/DCIM/a.jpg" });
        verifyIndexes(*m_list);
    }

    void storeThumbnailNeedsPartialLoading_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("withPicture");
        QTest::addColumn<bool>("stored");
        QTest::newRow("off") << false << QByteArray("abc") << false << false;
        QTest::newRow("bytes") << true << QByteArray("abc") << false << true;
        QTest::newRow("picture only") << true << QByteArray() << true << true;
        QTest::newRow("nothing") << true << QByteArray() << false << false;
    }
    void storeThumbnailNeedsPartialLoading()
    {
        QFETCH(bool, partial);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, withPicture);
        QFETCH(bool, stored);
        g_SharedValue.SetPartialLoading(partial);
        QImage picture;
        if (withPicture) {
            picture = QImage(8, 8, QImage::Format_RGB32);
            picture.fill(Qt::red);
        }
        m_list->storeThumbnail("/DCIM/a.jpg", bytes, picture);
        m_list->storeThumbnail(QString(), "x", QImage());
        const QByteArray saved = m_device->thumbnail("/DCIM/a.jpg");
        QCOMPARE(!saved.isEmpty(), stored);
        if (withPicture && stored)
            QVERIFY(saved.startsWith("\xff\xd8"));
    }

    void randomEventsKeepIndexesConsistent()
    {
        // Object ids are unique per file, as on a phone; the device may give
        // a file a new one (code 7), and a change (code 8) may move a file
        // onto another file's path.
        QRandomGenerator random(20240601);
        QHash<int, QString> ids;
        auto pathOf
            = [](int file) { return QStringLiteral("/DCIM/%1/f%2.jpg").arg(file % 3).arg(file); };
        // A file moved onto another's path takes its id along.
        auto moveId = [&](int from, int to, int step) {
            if (from == to)
                return;
            ids.insert(to, ids.value(from));
            ids.insert(from, QStringLiteral("id%1_%2").arg(from).arg(step));
        };
        for (int step = 0; step < 3000; ++step) {
            const int file = random.bounded(60);
            if (!ids.contains(file))
                ids.insert(file, QStringLiteral("id%1").arg(file));
            switch (random.bounded(6)) {
            case 0:
            case 1:
                feed(*m_list, 2, deviceItem(pathOf(file), ids.value(file)));
                break;
            case 2:
                ids.insert(file, QStringLiteral("id%1_%2").arg(file).arg(step));
                feed(*m_list, 7, deviceItem(pathOf(file), ids.value(file)));
                break;
            case 3: {
                const int target = random.bounded(60);
                feed(*m_list, 8, deviceItem(pathOf(target), ids.value(file)));
                moveId(file, target, step);
                break;
            }
            case 4: {
                QStringList paths { pathOf(file) };
                m_list->removeItems(paths);
                break;
            }
            default: {
                const int target = random.bounded(60);
                if (m_list->renameItem(pathOf(file), pathOf(target)))
                    moveId(file, target, step);
                break;
            }
            }
            if (step % 100 == 0)
                verifyIndexes(*m_list);
        }
        verifyIndexes(*m_list);
        m_list->clear();
        QCOMPARE(m_list->count(), 0);
        QVERIFY(!m_list->nextPendingThumbnail());
    }
};

// The list on the host's real photo database.
class TestOCMediaItemListDatabase : public QObject
{
    Q_OBJECT

private slots:
    void listedAndTransferredFilesReadRealRows()
    {
        TestEnvironment env;
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        const QString pcFile = env.path("pc.jpg");
        QVERIFY(photo.save(pcFile, "JPG"));
        const QString phoneFile = env.path("phone.JPG");
        QVERIFY(photo.scaled(32, 24).save(phoneFile, "JPG"));

        DBManager manager(env.path("photo.db"));
        OCMediaItemList list(new PhotoDB(&manager, 1), new PhotoDB(&manager, 2), nullptr);
        CPhotoDataItem* listed = feed(list, 1, new CPhotoDataItem(phoneFile));
        QVERIFY(listed);
        QCOMPARE(listed->resolutionText(), QStringLiteral("32x24"));
        QCOMPARE(listed->fileType(), QStringLiteral("JPG"));
        QVERIFY(listed->exists());

        CPhotoDataItem* sent = feed(list, 4, new CPhotoDataItem("/Phone/DCIM/pc.jpg", pcFile));
        QVERIFY(sent);
        QCOMPARE(sent->path, QStringLiteral("\\Phone\\DCIM\\pc.jpg"));
        QCOMPARE(sent->resolutionText(), QStringLiteral("64x48"));
        QCOMPARE(sent->sourcePath, toStoredPath(pcFile));
        QVERIFY(sent->isNew);

        // Not a picture at all.
        QFile text(env.path("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("plain text");
        text.close();
        QVERIFY(!feed(list, 1, new CPhotoDataItem(env.path("notes.jpg"))));
        QCOMPARE(list.count(), 2);
    }

    void playlistsLeaveOutRecentAndDevice()
    {
        TestEnvironment env;
        DBManager manager(env.path("photo.db"));
        auto* database = new PhotoDB(&manager, 1);
        OCMediaItemList list(database, nullptr, nullptr);
        QVERIFY(database->createAlbum("Trips") >= 0);
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(env.path("photo.db"));
            QVERIFY(raw.open());
            QSqlQuery insert(raw);
            QVERIFY(insert.exec("INSERT INTO PlaylistInfo (Type, Name, Linkwave, ItemType) "
                                "VALUES ('photo', 'Phone', 1, 'device')"));
            raw.close();
        }
        QSqlDatabase::removeDatabase("raw");

        const QList<PlaylistInfoRecord> playlists = list.loadPlaylists();
        QStringList names;
        for (const PlaylistInfoRecord& record : playlists) {
            names << record.name;
            QCOMPARE(record.builtIn, record.itemType == "favorite");
            QVERIFY(record.itemType != "recent" && record.itemType != "device");
        }
        QVERIFY(names.contains("Trips"));
        QCOMPARE(playlists.size(), 2); // favorites and the user's album
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    TestOCMediaItemList listTests;
    status |= QTest::qExec(&listTests, argc, argv);
    TestOCMediaItemListDatabase databaseTests;
    status |= QTest::qExec(&databaseTests, argc, argv);
    return status;
}

#include "tst_ocmediaitemlist.moc"
