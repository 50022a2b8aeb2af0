#include "common/hostfiles.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "host/thumbs/agentthumbnailsource.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "support/photodatabasefixture.h"
#include "support/picturecompare.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QBuffer>
#include <QFileInfo>
#include <QSqlRecord>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

// Stands for the screen: takes what the manager hands back, by slot name.
class Receiver : public QObject
{
    Q_OBJECT

public:
    struct Arrival
    {
        QString path;
        QString file;
        QImage picture; // read from the file when it arrived
    };
    QList<Arrival> arrivals;
    int finishes = 0;

    QStringList paths() const
    {
        QStringList list;
        for (const Arrival& arrival : arrivals)
            list.append(arrival.path);
        return list;
    }

public slots:
    void on_update_item_thumbnail(QString path, QString temp)
    {
        arrivals.append({ path, temp, QImage(temp) });
    }
    void on_GetThumbnail_Finish() { ++finishes; }
};

QList<_tagIdxInfo> rows(const QStringList& paths)
{
    QList<_tagIdxInfo> list;
    for (int i = 0; i < paths.size(); ++i) {
        _tagIdxInfo info;
        info.path = paths.at(i);
        info.index = i;
        list.append(info);
    }
    return list;
}

} // namespace

class TestOCThumbnailManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;
    std::unique_ptr<PhotoDatabaseFixture> m_data;

    // The phone path of the first camera photo with that orientation.
    QString photo(const FolderPhoneAgent& agent, int orientation) const
    {
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            if (photo.orientation == orientation)
                return agent.phonePathOf(m_phone->file(photo.relativePath));
        }
        return QString();
    }

    std::unique_ptr<OCThumbnailManager> managerFor(Receiver& receiver, FolderPhoneAgent& agent)
    {
        auto manager = std::make_unique<OCThumbnailManager>(
            OCGlobal::ITEM_PHONE_PHOTO, &receiver, nullptr, nullptr);
        manager->setDeviceAgent(&agent);
        manager->setPhotoDatabase(&m_data->db);
        return manager;
    }

    // Every reply the worker made before this is delivered once its end arrives.
    static bool barrier(OCThumbnailManager& manager, Receiver& receiver, const QString& path)
    {
        const int finishes = receiver.finishes;
        QList<_tagIdxInfo> list = rows({ path });
        manager.StartGetThumbnail(list);
        return QTest::qWaitFor([&] { return receiver.finishes > finishes; }, kWait);
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(12, 5);
        QVERIFY(m_phone->isValid());
    }

    void init()
    {
        m_data = std::make_unique<PhotoDatabaseFixture>();
        AgentThumbnailSource::setLimits(40, 20, 10000);
    }

    void cleanup()
    {
        OCThumbnailManager::SetHostContext(nullptr);
        m_data.reset();
    }

    // Paths the database does not know, in every connection kind: each good
    // photo comes back upright through the slot, lands in the database and
    // the cache; bad files are left out and the request still ends once.
    void unknownPathsAreFetched_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage);
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp);
    }

    void unknownPathsAreFetched()
    {
        QFETCH(int, kind);
        FolderPhoneAgent agent(m_phone->folder(), kind);
        PluginHostContext context;
        context.deviceAgent = &agent;
        context.photoDatabase = &m_data->db;
        OCThumbnailManager::SetHostContext(&context);
        Receiver receiver;
        OCThumbnailManager manager(OCGlobal::ITEM_PHONE_PHOTO, &receiver, nullptr, nullptr);

        const QStringList good = { photo(agent, 1), photo(agent, 6), photo(agent, 3) };
        const QString broken
            = agent.phonePathOf(m_phone->file(QStringLiteral("DCIM/Camera/broken.jpg")));
        const QString gone
            = agent.phonePathOf(m_phone->file(QStringLiteral("DCIM/Camera/gone.jpg")));
        QList<_tagIdxInfo> list = rows({ good.at(0), broken, good.at(1), gone, good.at(2) });
        manager.StartGetThumbnail(list);
        QVERIFY(QTest::qWaitFor([&] { return receiver.finishes == 1; }, kWait));

        QCOMPARE(receiver.paths(), good);
        for (const Receiver::Arrival& arrival : receiver.arrivals) {
            const QImage shown = shownPicture(toFileSystemPath(kind == ConnectionKind::MassStorage
                    ? arrival.path
                    : agent.fileSystemPathOf(arrival.path)));
            QVERIFY2(pictureDistance(arrival.picture, shown) < 12, qPrintable(arrival.path));
            QVERIFY(!QFileInfo::exists(arrival.file)); // gone once the slot has run
            QVERIFY(m_data->db.isExist(arrival.path, true));
            QByteArray bytes;
            QVERIFY(m_data->db.getThumbnailFromDB(arrival.path, &bytes, true));
            QCOMPARE(QImage::fromData(bytes).size(), arrival.picture.size());
            QCOMPARE(manager.GetThumbnail(arrival.path).size(), arrival.picture.size());
        }
        QVERIFY(manager.GetThumbnail(broken).isNull());
        QVERIFY(manager.GetThumbnail(gone).isNull());
    }

    // Busy answers are asked again a bounded number of times; error answers
    // leave the file out and are not asked for again.
    void busyAndErrorAnswers()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QStringList all = HostFiles::samplePhonePaths(*m_phone, agent);
        FolderAgentFaults faults;
        faults.busyThumbnails = 5;
        faults.thumbnailErrors.insert(QFileInfo(toFileSystemPath(all.at(2))).fileName(), 8);
        faults.thumbnailErrors.insert(QFileInfo(toFileSystemPath(all.at(3))).fileName(), 5);
        agent.setFaults(faults);
        AgentThumbnailSource::setLimits(2, 0, 10000);
        Receiver receiver;
        const auto manager = managerFor(receiver, agent);

        // Three busy answers use up the first file's tries, two more delay the second.
        QList<_tagIdxInfo> list = rows(all.mid(0, 5));
        manager->StartLoadThumbnail(list);
        QVERIFY(QTest::qWaitFor([&] { return receiver.finishes == 1; }, kWait));
        QCOMPARE(receiver.paths(), (QStringList { all.at(1), all.at(4) }));

        // Refused files are known; a file that was only busy is tried again.
        QList<_tagIdxInfo> again = rows(all.mid(0, 5));
        manager->StartLoadThumbnail(again);
        QVERIFY(QTest::qWaitFor([&] { return receiver.finishes == 2; }, kWait));
        QCOMPARE(receiver.paths(), (QStringList { all.at(1), all.at(4), all.at(0) }));
        QList<_tagIdxInfo> refused = rows({ all.at(2), all.at(3) });
        manager->StartLoadThumbnail(refused);
        QVERIFY(barrier(*manager, receiver, all.at(5)));
        QCOMPARE(receiver.finishes, 3);
        QCOMPARE(receiver.paths().last(), all.at(5));
    }

    // The screen scrolls: only the rows asked for last come back.
    void newerRowsReplaceOlder()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QStringList all = HostFiles::samplePhonePaths(*m_phone, agent);
        Receiver receiver;
        const auto manager = managerFor(receiver, agent);
        QList<_tagIdxInfo> first = rows(all.mid(0, 8));
        QList<_tagIdxInfo> second = rows(all.mid(9, 2));
        manager->StartLoadThumbnail(first);
        manager->StartLoadThumbnail(second);
        QVERIFY(QTest::qWaitFor([&] { return receiver.finishes == 1; }, kWait));
        QVERIFY(barrier(*manager, receiver, all.at(11)));
        QCOMPARE(receiver.paths(), all.mid(9, 3));
        QCOMPARE(receiver.finishes, 2);
    }

    // Rows the cache holds need no work and no end report (the screen would
    // ask again); rows the database knows are read from it, not fetched.
    void visibleRowsFromCacheAndDatabase()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QStringList all = HostFiles::samplePhonePaths(*m_phone, agent);
        Receiver receiver;
        const auto manager = managerFor(receiver, agent);

        QPixmap set(40, 30);
        set.fill(Qt::green);
        manager->SetThumbnail(all.at(0), set);
        QCOMPARE(manager->GetThumbnail(all.at(0)).size(), QSize(40, 30));
        QList<_tagIdxInfo> cached = rows({ all.at(0) });
        manager->StartLoadThumbnail(cached);
        QVERIFY(!manager->isBusy());

        QImage red(32, 24, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(red.save(&buffer, "JPG"));
        QVERIFY(m_data->db.insertThumbnailItem(all.at(1), bytes, true));
        QList<_tagIdxInfo> known = rows({ all.at(0), all.at(1) });
        manager->StartLoadThumbnail(known);
        QVERIFY(QTest::qWaitFor([&] { return receiver.finishes == 1; }, kWait));
        QVERIFY(receiver.arrivals.isEmpty());
        const QImage fromDatabase = manager->GetThumbnail(all.at(1)).toImage();
        QCOMPARE(fromDatabase.size(), QSize(32, 24));
        QVERIFY(qRed(fromDatabase.pixel(16, 12)) > 200);
    }

    // A manager that goes while it works hands nothing back afterwards, and
    // the next one still gets answers from the phone.
    void destroyedWhileWorking()
    {
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        const QStringList all = HostFiles::samplePhonePaths(*m_phone, agent);
        Receiver receiver;
        {
            const auto manager = managerFor(receiver, agent);
            QList<_tagIdxInfo> list = rows(all);
            manager->StartLoadThumbnail(list);
            QTest::qWait(30);
        }
        const int delivered = receiver.arrivals.size();
        QTest::qWait(100);
        QCOMPARE(receiver.arrivals.size(), delivered);

        QVERIFY(barrier(*managerFor(receiver, agent), receiver, all.last()));
        QCOMPARE(receiver.paths().last(), all.last());
    }
};

QTEST_MAIN(TestOCThumbnailManager)
#include "tst_octhumbnailmanager.moc"
