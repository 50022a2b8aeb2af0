#include "agentrecorder.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotoagent.h"
#include "host/services/fileutils.h"
#include "hostilephone.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDateTime>
#include <QDir>
#include <QSqlRecord>
#include <QtTest>

namespace {

constexpr int kWait = 60000;

const ItemReport* reportOf(const QList<ItemReport>& files, const QString& phonePath)
{
    for (const ItemReport& report : files) {
        if (report.path == phonePath)
            return &report;
    }
    return nullptr;
}

QList<ItemReport> fileReports()
{
    QList<ItemReport> files;
    for (const ItemReport& report : AgentRecorder::items()) {
        if (report.code == ItemLoadCode::Item)
            files.append(report);
    }
    return files;
}

int lastCode()
{
    const QList<ItemReport> items = AgentRecorder::items();
    return items.isEmpty() ? 0 : items.last().code;
}

bool listAll(IDeviceNexaAgent& agent)
{
    AgentRecorder::reset();
    agent.SetItemLoadCallback(&AgentRecorder::itemLoad);
    return agent.StartItemLoad(QStringLiteral("ROOT")) == AgentResult::ListingStarted
        && QTest::qWaitFor([] { return AgentRecorder::listingEnded(); }, kWait);
}

int thumbnailCode(IDeviceNexaAgent& agent, const QString& phonePath)
{
    AgentRecorder::reset();
    const int accepted = agent.RequestThumbnails(phonePath, 2, &AgentRecorder::thumbnail);
    if (accepted != 0)
        return accepted;
    if (!QTest::qWaitFor([] { return !AgentRecorder::thumbnailCodes().isEmpty(); }, kWait))
        return -1;
    return AgentRecorder::thumbnailCodes().value(0, -1);
}

// An agent the table runs through: how to open one over a storage folder
// and how its phone paths name the folder's files. Another agent joins the
// table with an entry here.
struct Subject
{
    const char* name;
    int kind;
    std::function<std::unique_ptr<IDeviceNexaAgent>(const QString& storage)> open;
    std::function<QString(IDeviceNexaAgent*, const QString& file)> phonePathOf;
    std::function<QString(IDeviceNexaAgent*, const QString& phonePath)> fileOf;
    // What the device between the agent and the folder never shows: the
    // agent can neither list nor count it. Null: it shows everything.
    std::function<bool(const QString& file)> hides;
    bool pixelSizes = true; // records carry the picture's size
    qint64 thumbnailsUpTo = -1; // larger files get the placeholder; -1: no limit
};

Subject folderAgent(const char* name, int kind)
{
    return { name, kind,
        [kind](const QString& storage) {
            return std::unique_ptr<IDeviceNexaAgent>(new FolderPhoneAgent(storage, kind));
        },
        [](IDeviceNexaAgent* agent, const QString& file) {
            return static_cast<FolderPhoneAgent*>(agent)->phonePathOf(file);
        },
        [](IDeviceNexaAgent* agent, const QString& phonePath) {
            return static_cast<FolderPhoneAgent*>(agent)->fileSystemPathOf(phonePath);
        },
        nullptr };
}

QString servedFolder(IDeviceNexaAgent* agent)
{
    return static_cast<GPhotoAgent*>(agent)->device().port.mid(int(qstrlen("disk:")));
}

// libgphoto2's Directory Browse camera: its driver shows only names it knows
// as pictures (no BMP among the phone's), no link that leads nowhere or to a
// folder, and no picture sizes. A file without a preview of its own is
// fetched whole for a thumbnail only up to 8 MB.
Subject directoryBrowse()
{
    return { "directory browse camera", ConnectionKind::Mtp,
        [](const QString& storage) {
            auto camera = std::make_unique<GPhotoAgent>(
                GPhotoDeviceId { QStringLiteral("Directory Browse"), "disk:" + storage });
            QString why;
            if (camera->open(kWait, &why) != AgentResult::Ok)
                qWarning() << "cannot open the camera:" << why;
            return std::unique_ptr<IDeviceNexaAgent>(std::move(camera));
        },
        [](IDeviceNexaAgent* agent, const QString& file) {
            return toStoredPath(file.mid(servedFolder(agent).size()));
        },
        [](IDeviceNexaAgent* agent, const QString& phonePath) {
            return servedFolder(agent) + toFileSystemPath(phonePath);
        },
        [](const QString& file) {
            const QFileInfo info(file);
            return (info.isSymLink() && (!info.exists() || info.isDir()))
                || info.suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0;
        },
        false, 8 * 1024 * 1024 };
}

const QList<Subject>& subjects()
{
    static const QList<Subject> all = {
        folderAgent("mass storage", ConnectionKind::MassStorage),
        folderAgent("mtp", ConnectionKind::Mtp),
        folderAgent("mtp basic", ConnectionKind::MtpBasic),
        directoryBrowse(),
    };
    return all;
}

} // namespace

// The hostile phone's table, run through the folder agent in each
// connection kind and, on mass storage, the photo database. Nothing in the
// tree may change.
class TestHostilePhone : public QObject
{
    Q_OBJECT

private:
    struct Listing
    {
        QList<ItemReport> files;
        int end = 0;
        ListingReport report;
    };

    QTemporaryDir m_dir;
    std::unique_ptr<HostilePhone> m_phone;
    QMap<QByteArray, QByteArray> m_before;
    QHash<int, Listing> m_listings; // by subject
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DBManager> m_manager;
    std::unique_ptr<PhotoDB> m_database;

    const Listing& listingOf(int subject)
    {
        if (!m_listings.contains(subject)) {
            const auto agent = subjects().at(subject).open(m_phone->storage());
            Listing& listing = m_listings[subject];
            if (listAll(*agent)) {
                listing.files = fileReports();
                listing.end = lastCode();
                listing.report = agent->LastListingReport();
            }
        }
        return m_listings[subject];
    }

    QString fileOf(const HostilePhone::Entry& entry) const
    {
        return m_phone->storage() + QLatin1Char('/') + entry.relativePath;
    }

    bool shows(int subject, const HostilePhone::Entry& entry) const
    {
        const auto& hides = subjects().at(subject).hides;
        return !hides || !hides(fileOf(entry));
    }

    static void addSubjectRows()
    {
        QTest::addColumn<int>("subject");
        for (int i = 0; i < subjects().size(); ++i)
            QTest::newRow(subjects().at(i).name) << i;
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<HostilePhone>(m_dir.path());
        QVERIFY2(m_phone->build(), qPrintable(m_phone->errorString()));
        m_before = HostilePhone::snapshot(m_dir.path());
        m_env = std::make_unique<TestEnvironment>();
        m_manager = std::make_unique<DBManager>(m_env->path(QStringLiteral("photo.db")));
        m_database = std::make_unique<PhotoDB>(m_manager.get(), 1);
    }

    void cleanupTestCase()
    {
        m_database.reset();
        m_manager.reset();
        const QMap<QByteArray, QByteArray> after = HostilePhone::snapshot(m_dir.path());
        QCOMPARE(after.keys(), m_before.keys());
        QCOMPARE(after, m_before);
        QVERIFY(HostilePhone::removeTree(m_dir.path()));
    }

    void listingEndsAndCountsWhatItSkipped_data() { addSubjectRows(); }

    void listingEndsAndCountsWhatItSkipped()
    {
        QFETCH(int, subject);
        const Listing& listing = listingOf(subject);
        QCOMPARE(listing.end, int(ItemLoadCode::Finished));
        QVERIFY(listing.report.complete);
        int listed = 0;
        int skips[ListingReport::ReasonCount] = {};
        for (const HostilePhone::Entry& entry : m_phone->entries()) {
            if (!shows(subject, entry))
                continue;
            listed += entry.listed ? 1 : 0;
            if (entry.skipReason >= 0)
                ++skips[entry.skipReason];
        }
        QCOMPARE(listing.files.size(), listed);
        QCOMPARE(listing.report.listed, listed);
        for (int reason = 0; reason < ListingReport::ReasonCount; ++reason)
            QCOMPARE(listing.report.skipped[reason], skips[reason]);
    }

    void hostileEntries_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<int>("entry");
        for (int subject = 0; subject < subjects().size(); ++subject) {
            for (int i = 0; i < m_phone->entries().size(); ++i)
                QTest::addRow("%s: %s", subjects().at(subject).name,
                    qPrintable(m_phone->entries().at(i).name))
                    << subject << i;
        }
    }

    void hostileEntries()
    {
        QFETCH(int, subject);
        QFETCH(int, entry);
        const HostilePhone::Entry expected = m_phone->entries().at(entry);
        const Listing& listing = listingOf(subject);
        const Subject& under = subjects().at(subject);
        const int kind = under.kind;
        const auto agent = under.open(m_phone->storage());
        const QString phonePath = under.phonePathOf(agent.get(), fileOf(expected));
        const ItemReport* report = reportOf(listing.files, phonePath);
        QCOMPARE(report != nullptr, expected.listed && shows(subject, expected));
        if (!report) {
            for (const ItemReport& file : listing.files)
                QVERIFY2(
                    !file.path.startsWith(phonePath + QLatin1Char('\\')), qPrintable(file.path));
            return;
        }
        // The name goes there and back: it is this file and no other.
        QCOMPARE(under.fileOf(agent.get(), report->path), fileOf(expected));
        QCOMPARE(report->fileName, QFileInfo(fileOf(expected)).fileName());
        if (kind != ConnectionKind::MtpBasic) {
            if (expected.size >= 0)
                QCOMPARE(report->size, expected.size);
            if (under.pixelSizes)
                QCOMPARE(QSize(report->width, report->height),
                    expected.declared.isValid() ? expected.declared : QSize(0, 0));
            QVERIFY(QDateTime::fromString(report->modifiedDate, Qt::ISODate).isValid());
        }
        const bool picture = expected.picture == HostilePhone::Picture::Thumbnail
            && (under.thumbnailsUpTo < 0 || report->size <= under.thumbnailsUpTo);
        if (kind != ConnectionKind::MassStorage) {
            QCOMPARE(
                thumbnailCode(*agent, report->path), picture ? 0 : int(AgentResult::NoThumbnail));
            return;
        }
        const QSqlRecord row = m_database->setItemData(report->path, true, 13);
        QCOMPARE(row.isEmpty(), expected.picture == HostilePhone::Picture::Unusable);
        if (row.isEmpty())
            return;
        QCOMPARE(row.value("IsThumbnail").toInt() != 0, picture);
        QCOMPARE(QSize(row.value("Width").toInt(), row.value("Height").toInt()), expected.declared);
        QCOMPARE(row.value("FileSize").toLongLong(), expected.size);
        QCOMPARE(!row.value("Tag").toString().isEmpty(), expected.hasPosition);
    }

    // Whatever path a request names, nothing outside the phone is reached,
    // and nothing that is not a regular file is opened.
    void operationsStayInside_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("path");
        const QStringList outside = { QStringLiteral("DCIM/Camera/outside.jpg"),
            QStringLiteral("DCIM/elsewhere/secret.jpg"), QStringLiteral("DCIM/passwd.jpg") };
        for (int subject = 0; subject < subjects().size(); ++subject) {
            const char* name = subjects().at(subject).name;
            for (const QString& path : outside) {
                for (const char* operation : { "thumbnail", "exists", "to pc", "delete", "rename" })
                    QTest::addRow("%s: %s %s", name, operation, qPrintable(path))
                        << subject << QString::fromLatin1(operation) << path;
            }
            QTest::addRow("%s: to phone through a folder link", name)
                << subject << QStringLiteral("to phone") << QStringLiteral("DCIM/elsewhere");
            // Opened, a FIFO would hold the thread that reads it for good.
            for (const char* operation : { "thumbnail", "to pc" })
                QTest::addRow("%s: %s of a FIFO", name, operation)
                    << subject << QString::fromLatin1(operation)
                    << QStringLiteral("DCIM/Camera/fifo.jpg");
        }
    }

    void operationsStayInside()
    {
        QFETCH(int, subject);
        QFETCH(QString, operation);
        QFETCH(QString, path);
        const Subject& under = subjects().at(subject);
        const auto owned = under.open(m_phone->storage());
        IDeviceNexaAgent& agent = *owned;
        const QString phonePath
            = under.phonePathOf(owned.get(), m_phone->storage() + QLatin1Char('/') + path);
        QTemporaryDir target;
        AgentRecorder::reset();
        if (operation == QLatin1String("thumbnail")) {
            const int code = thumbnailCode(agent, phonePath);
            QVERIFY2(code != 0 && code != -1, "a thumbnail, or no answer");
        } else if (operation == QLatin1String("exists")) {
            QVERIFY(!agent.IsFileExist(phonePath));
        } else if (operation == QLatin1String("to pc") || operation == QLatin1String("to phone")) {
            const bool toPhone = operation == QLatin1String("to phone");
            const QString source = toPhone
                ? m_phone->storage() + QStringLiteral("/DCIM/Camera/plain.jpg")
                : phonePath;
            QCOMPARE(agent.TransferFiles({ source }, toPhone ? phonePath : target.path(),
                         toPhone ? QStringLiteral("toPhone") : QStringLiteral("toPC"),
                         &AgentRecorder::transferProgress, &AgentRecorder::transferDone, -1, 1, 0),
                0);
            QVERIFY(QTest::qWaitFor([] { return !AgentRecorder::completions().isEmpty(); }, kWait));
            QVERIFY(AgentRecorder::completions().first().second != 0);
            QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        } else if (operation == QLatin1String("delete")) {
            QCOMPARE(agent.DeleteFiles({ phonePath }, &AgentRecorder::deleted), 0);
            QVERIFY(
                QTest::qWaitFor([] { return AgentRecorder::deleteNotices().size() >= 2; }, kWait));
            QVERIFY(AgentRecorder::deleteNotices().last().error != 0);
        } else {
            QVERIFY(
                agent.RenameFile(phonePath, QStringLiteral("renamed.jpg"), &AgentRecorder::renamed)
                != 0);
        }
    }

    // The storage goes away under a listing: it ends as a phone that went
    // away, never as a complete list.
    void storageVanishesMidListing_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<QString>("how");
        for (int subject = 0; subject < subjects().size(); ++subject) {
            for (const char* how : { "renamed", "removed", "swapped for another folder" })
                QTest::addRow("%s: %s", subjects().at(subject).name, how)
                    << subject << QString::fromLatin1(how);
        }
    }

    void storageVanishesMidListing()
    {
        QFETCH(int, subject);
        QFETCH(QString, how);
        SamplePhoneFixture sample(4);
        QVERIFY(sample.isValid());
        QTemporaryDir parent;
        const QString storage = parent.filePath(QStringLiteral("phone"));
        QVERIFY(SamplePhoneFixture::copyTree(sample.folder(), storage));
        const auto owned = subjects().at(subject).open(storage);
        IDeviceNexaAgent& agent = *owned;
        AgentRecorder::reset();
        AgentRecorder::setItemHook([&](const ItemReport& report) {
            if (report.code != ItemLoadCode::Item || fileReports().size() != 1)
                return;
            const QString moved = parent.filePath(QStringLiteral("moved"));
            if (how == QLatin1String("removed"))
                QDir(storage).removeRecursively();
            else
                QDir().rename(storage, moved);
            if (how.startsWith(QLatin1String("swapped")))
                QDir().mkpath(storage + QStringLiteral("/DCIM"));
        });
        agent.SetItemLoadCallback(&AgentRecorder::itemLoad);
        QCOMPARE(agent.StartItemLoad(QStringLiteral("ROOT")), int(AgentResult::ListingStarted));
        QVERIFY(QTest::qWaitFor([] { return AgentRecorder::listingEnded(); }, kWait));
        AgentRecorder::setItemHook(nullptr);
        QCOMPARE(lastCode(), int(AgentResult::Disconnected));
        const ListingReport report = agent.LastListingReport();
        QVERIFY(report.ran && !report.complete);
        QCOMPARE(report.error, int(AgentResult::Disconnected));
        QCOMPARE(agent.GetDeviceIndex(), -1);
    }
};

QTEST_MAIN(TestHostilePhone)
#include "tst_hostilephone.moc"
