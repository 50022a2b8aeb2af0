#include "host/db/dbmanager.h"
#include "host/db/devicethumbnailcache.h"
#include "support/testenvironment.h"

#include <QThread>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(DeviceFileKey)

namespace {

const QString kPhone = QStringLiteral("serial:A1");
const DeviceFileKey kFile { QStringLiteral("\\Phone\\DCIM\\a.jpg"), 1000, 1700000000000 };

QPair<DeviceFileKey, CachedThumbnail> row(const QString& path, int bytes, char fill = 'x')
{
    return { { path, 1000, 1700000000000 }, { QByteArray(bytes, fill), 6 } };
}

} // namespace

class TestDeviceThumbnailCache : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DBManager> m_manager;

private slots:
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

    // A thumbnail comes back only for the same device, path, size and time.
    void nothingStaleComesBack_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<DeviceFileKey>("asked");
        QTest::addColumn<bool>("found");
        DeviceFileKey key = kFile;
        QTest::newRow("unchanged") << kPhone << key << true;
        key.size = 1001;
        QTest::newRow("size changed") << kPhone << key << false;
        key = kFile;
        key.modifiedMs += 1000;
        QTest::newRow("time changed") << kPhone << key << false;
        key = kFile;
        key.path = QStringLiteral("\\Phone\\DCIM\\A.jpg");
        QTest::newRow("other letter case") << kPhone << key << false;
        QTest::newRow("other device") << QStringLiteral("serial:B2") << kFile << false;
        QTest::newRow("no identity") << QString() << kFile << false;
    }

    void nothingStaleComesBack()
    {
        QFETCH(QString, device);
        QFETCH(DeviceFileKey, asked);
        QFETCH(bool, found);
        DeviceThumbnailCache cache(m_manager.get());
        QVERIFY(cache.store(kPhone, { { kFile, { "jpeg bytes", 8 } } }));
        // Alone, and within a whole listing, which is read another way.
        QList<DeviceFileKey> listing { asked };
        for (int others : { 0, 100 }) {
            for (int i = listing.size(); i <= others; ++i)
                listing.append({ QStringLiteral("\\Phone\\DCIM\\%1.jpg").arg(i), 10, 20 });
            const auto hits = cache.lookup(device, listing);
            QCOMPARE(hits.contains(asked.path), found);
            QCOMPARE(hits.size(), found ? 1 : 0);
            if (found) {
                QCOMPARE(hits.value(asked.path).bytes, QByteArray("jpeg bytes"));
                QCOMPARE(hits.value(asked.path).orientation, 8);
            }
        }
    }

    void changedFileIsReplaced()
    {
        DeviceThumbnailCache cache(m_manager.get());
        DeviceFileKey changed = kFile;
        changed.size = 2000;
        QVERIFY(cache.store(kPhone, { { kFile, { "old", 1 } } }));
        QVERIFY(cache.store(kPhone, { { changed, { "new", 3 } } }));
        QVERIFY(cache.lookup(kPhone, { kFile }).isEmpty());
        QCOMPARE(cache.lookup(kPhone, { changed }).value(kFile.path).bytes, QByteArray("new"));
        QCOMPARE(cache.totalBytes(), 3);
    }

    void removedFilesLeave()
    {
        DeviceThumbnailCache cache(m_manager.get());
        const QString kept = QStringLiteral("\\Phone\\DCIM\\kept.jpg");
        const QString gone = QStringLiteral("\\Phone\\DCIM\\gone.jpg");
        QVERIFY(cache.store(kPhone, { row(kept, 10), row(gone, 10) }));
        QVERIFY(cache.store(QStringLiteral("serial:B2"), { row(gone, 10) }));
        QCOMPARE(cache.removeMissing(kPhone, { kept }), 1);
        QCOMPARE(cache.lookup(kPhone, { row(kept, 0).first, row(gone, 0).first }).keys(),
            QList<QString> { kept });
        // Another device's files are its own.
        QCOMPARE(cache.lookup(QStringLiteral("serial:B2"), { row(gone, 0).first }).size(), 1);
    }

    // Over the cap the least recently used rows go, whichever thread stored them.
    void capKeepsTheRecentlyUsed()
    {
        DeviceThumbnailCache cache(m_manager.get(), 250);
        auto path = [](int i) { return QStringLiteral("\\Phone\\%1.jpg").arg(i); };
        for (int i = 0; i < 2; ++i)
            QVERIFY(cache.store(kPhone, { row(path(i), 100) }));
        QCOMPARE(cache.lookup(kPhone, { row(path(0), 0).first }).size(), 1);
        QThread* worker = QThread::create([&] {
            DeviceThumbnailCache own(m_manager.get(), 250);
            own.store(kPhone, { row(path(2), 100) });
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QVERIFY(cache.totalBytes() <= 250);
        const auto hits = cache.lookup(
            kPhone, { row(path(0), 0).first, row(path(1), 0).first, row(path(2), 0).first });
        QVERIFY(hits.contains(path(0)));
        QVERIFY(!hits.contains(path(1)));
        QVERIFY(hits.contains(path(2)));
    }
};

QTEST_MAIN(TestDeviceThumbnailCache)
#include "tst_devicethumbnailcache.moc"
