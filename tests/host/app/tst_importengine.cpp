#include "common/hostfiles.h"
#include "host/app/importengine.h"
#include "host/app/phonecatalog.h"
#include "host/db/importledger.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotoagent.h"
#include "host/services/fileutils.h"
#include "support/photodatabasefixture.h"
#include "support/samplephonefixture.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QtTest>

using namespace HostFiles;

namespace {

constexpr int kWait = 60000;

void setTime(const QString& path, const QDateTime& time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

} // namespace

class TestImportEngine : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_sample;
    std::unique_ptr<PhotoDatabaseFixture> m_data;
    std::unique_ptr<QTemporaryDir> m_phone; // a copy the tests may change
    QString m_destination;

    // Any agent will do: the engine and the catalog see only the contract.
    QList<ImportSource> listed(IDeviceNexaAgent& agent)
    {
        PhoneCatalog catalog(&agent);
        QSignalSpy listed(&catalog, &PhoneCatalog::listed);
        catalog.start(kWait);
        if (!listed.wait(kWait))
            return {};
        return listed.first().first().value<QList<ImportSource>>();
    }

    ImportSummary import(IDeviceNexaAgent& agent, ImportRequest request,
        std::function<void(ImportEngine&)> setUp = {})
    {
        ImportEngine engine(&agent, &m_data->manager);
        engine.setCheckFolder(m_data->env.path("temp"));
        if (setUp)
            setUp(engine);
        if (request.sources.isEmpty())
            request.sources = listed(agent);
        request.destination = m_destination;
        QSignalSpy finished(&engine, &ImportEngine::finished);
        if (!engine.start(request) || !finished.wait(kWait))
            return {};
        return finished.first().first().value<ImportSummary>();
    }

    // kind 0: the phone's folder served by libgphoto2's Directory Browse camera.
    ImportSummary importAll(int kind, bool deleteAfter = false)
    {
        ImportRequest request;
        request.deleteAfter = deleteAfter;
        if (kind == 0) {
            GPhotoAgent camera({ QStringLiteral("Directory Browse"), "disk:" + m_phone->path() });
            QString why;
            if (camera.open(kWait, &why) != AgentResult::Ok) {
                qWarning() << "cannot open the Directory Browse camera:" << why;
                return {};
            }
            return import(camera, request);
        }
        FolderPhoneAgent agent(m_phone->path(), kind);
        return import(agent, request);
    }

    QString phoneFile(const QString& relative) const { return m_phone->path() + '/' + relative; }

    // A photo as the screen hands it over: its phone path only.
    ImportSource sourceOf(const FolderPhoneAgent& agent, const QString& relative) const
    {
        ImportSource source;
        source.phonePath = agent.phonePathOf(phoneFile(relative));
        return source;
    }

    // No staging folder, no half-written file: only photos under their names.
    void verifyNothingPartial()
    {
        QDirIterator it(m_destination, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = QFileInfo(it.next()).fileName();
            QVERIFY2(!name.startsWith('.') && !name.endsWith(".part"), qPrintable(it.filePath()));
        }
    }

private slots:
    void initTestCase()
    {
        m_sample = std::make_unique<SamplePhoneFixture>(6, 5);
        QVERIFY(m_sample->isValid());
    }

    void init()
    {
        m_data = std::make_unique<PhotoDatabaseFixture>();
        m_phone = m_sample->copy();
        QVERIFY(m_phone);
        m_destination = m_data->env.path("Pictures");
    }

    // Every photo lands byte for byte in YYYY/YYYY-MM-DD of its date taken,
    // or of its file date when it has none; a second import copies nothing.
    void byDateThenNothingNew_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp);
        QTest::newRow("basic media transfer") << int(ConnectionKind::MtpBasic);
        QTest::newRow("camera through libgphoto2") << 0;
    }

    void byDateThenNothingNew()
    {
        QFETCH(int, kind);
        const SamplePhoto camera = m_sample->generator().photos().first();
        // A file date far from the date taken: the date taken decides.
        setTime(phoneFile(camera.relativePath), QDateTime(QDate(2021, 3, 4), QTime(12, 0)));
        const QString screenshot = filesBelow(phoneFile("Pictures/Screenshots")).first();
        const QDateTime fileDate(QDate(2019, 7, 8), QTime(10, 30));
        setTime(phoneFile("Pictures/Screenshots/" + screenshot), fileDate);

        const ImportSummary first = importAll(kind);
        QVERIFY(first.complete());
        QVERIFY(first.copied > m_sample->generator().photos().size());
        QCOMPARE(first.copied, first.photos);
        const QString cameraName = QFileInfo(camera.relativePath).fileName();
        const QString takenFolder = camera.shootingDate.date().toString("yyyy/yyyy-MM-dd/");
        QCOMPARE(contents(m_destination + '/' + takenFolder + cameraName),
            contents(phoneFile(camera.relativePath)));
        QCOMPARE(QFileInfo(m_destination + '/' + takenFolder + cameraName).lastModified(),
            QDateTime(QDate(2021, 3, 4), QTime(12, 0)));
        QCOMPARE(contents(m_destination + "/2019/2019-07-08/" + screenshot),
            contents(phoneFile("Pictures/Screenshots/" + screenshot)));
        for (const QString& copy : first.copiedFiles) {
            QVERIFY(copy.startsWith(m_destination + '/'));
            QVERIFY(QDir(m_destination)
                        .relativeFilePath(copy)
                        .contains(QRegularExpression("^\\d{4}/\\d{4}-\\d\\d-\\d\\d/[^/]+$")));
        }
        verifyNothingPartial();

        const QStringList before = filesBelow(m_destination);
        const ImportSummary second = importAll(kind);
        QVERIFY(second.complete());
        QCOMPARE(second.copied, 0);
        QCOMPARE(second.alreadyThere, first.photos);
        QCOMPARE(filesBelow(m_destination), before);
    }

    // The same name with other content gets a free name; the same content
    // from elsewhere on the phone is not copied again.
    void sameNameAtTheDestination_data()
    {
        QTest::addColumn<bool>("sameContent");
        QTest::newRow("different content") << false;
        QTest::newRow("same content") << true;
    }

    void sameNameAtTheDestination()
    {
        QFETCH(bool, sameContent);
        const QString photo = m_sample->generator().photos().at(1).relativePath;
        const QString name = QFileInfo(photo).fileName();
        QVERIFY(QDir().mkpath(phoneFile("Other")));
        QFile other(phoneFile("Other/" + name));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(sameContent ? contents(phoneFile(photo)) : QByteArray("not the same photo"));
        other.close();

        FolderPhoneAgent agent(m_phone->path(), ConnectionKind::Mtp);
        ImportRequest request;
        request.layout = ImportLayout::Flat;
        request.sources = { sourceOf(agent, photo), sourceOf(agent, "Other/" + name) };
        const ImportSummary summary = import(agent, request);
        QVERIFY(summary.complete());
        QCOMPARE(summary.copied, sameContent ? 1 : 2);
        QCOMPARE(summary.alreadyThere, sameContent ? 1 : 0);
        const QString numbered = QFileInfo(name).completeBaseName() + " (1).jpg";
        const QStringList expected
            = sameContent ? QStringList { name } : QStringList { numbered, name };
        QCOMPARE(filesBelow(m_destination), expected);
        QCOMPARE(contents(m_destination + '/' + name), contents(phoneFile(photo)));
        if (!sameContent)
            QCOMPARE(contents(m_destination + '/' + numbered), QByteArray("not the same photo"));
    }

    // Deleted from the phone only when the copy on the PC matches the phone's
    // photo read again; a changed copy keeps its photo on the phone.
    void deleteAfterChecksEveryCopy_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage);
        QTest::newRow("basic media transfer") << int(ConnectionKind::MtpBasic);
    }

    void deleteAfterChecksEveryCopy()
    {
        QFETCH(int, kind);
        const ImportSummary first = importAll(kind);
        QVERIFY(first.complete());
        // One copy rots on the PC, its size unchanged.
        const QString rotten = first.copiedFiles.at(2);
        QByteArray bytes = contents(rotten);
        bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x55);
        QFile file(rotten);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        const QStringList onPhone = filesBelow(m_phone->path());
        const ImportSummary second = importAll(kind, true);
        QCOMPARE(second.kept.size(), 1);
        QVERIFY(second.kept.first().reason.contains("differs"));
        QCOMPARE(second.deleted, first.photos - 1);
        QVERIFY(!second.complete());
        QCOMPARE(filesBelow(m_phone->path()).size(), onPhone.size() - second.deleted);
        FolderPhoneAgent agent(m_phone->path(), kind);
        QVERIFY(agent.IsFileExist(second.kept.first().phonePath));
        QCOMPARE(QFileInfo(agent.fileSystemPathOf(second.kept.first().phonePath)).fileName(),
            QFileInfo(rotten).fileName());
        // The phone's photos read again for the check are gone too.
        QVERIFY(QDir(m_data->env.path("temp"))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
    }

    // A cancel in the middle of a file leaves no part of it and no staging
    // folder; what was copied before is whole.
    void cancelMidFile()
    {
        QFile big(phoneFile("DCIM/Camera/big.jpg"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(48 << 20, 'x'));
        big.close();
        FolderPhoneAgent agent(m_phone->path(), ConnectionKind::Mtp);
        ImportRequest request;
        request.sources = { sourceOf(agent, "DCIM/Camera/big.jpg") };
        const ImportSummary summary = import(agent, request, [](ImportEngine& engine) {
            connect(&engine, &ImportEngine::progressChanged, &engine,
                [&engine](const ImportProgress& progress) {
                    if (progress.bytesDone > 0)
                        engine.cancel();
                });
        });
        QVERIFY(summary.cancelled);
        QVERIFY(!summary.complete());
        verifyNothingPartial();
        // Cancelled too late for the file, it is whole; else it is not there.
        for (const QString& file : filesBelow(m_destination))
            QCOMPARE(QFileInfo(m_destination + '/' + file).size(), qint64(48 << 20));
        QCOMPARE(filesBelow(m_destination).size(), summary.copiedFiles.size());
        QVERIFY(QFileInfo(phoneFile("DCIM/Camera/big.jpg")).isFile());
    }

    // A destination that fills up: the photos that fit are copied, the rest
    // fail with a reason, nothing is half-written and the ledger knows only
    // the copies.
    void fullDestination()
    {
        FolderPhoneAgent agent(m_phone->path(), ConnectionKind::MassStorage);
        QList<ImportSource> sources;
        qint64 twoPhotos = 0;
        for (const SamplePhoto& photo : m_sample->generator().photos().mid(0, 4)) {
            sources.append(sourceOf(agent, photo.relativePath));
            if (sources.size() <= 2)
                twoPhotos += QFileInfo(phoneFile(photo.relativePath)).size();
        }
        ImportRequest request;
        request.sources = sources;
        const ImportSummary summary = import(
            agent, request, [twoPhotos](ImportEngine& engine) { engine.setSpaceLimit(twoPhotos); });
        QCOMPARE(summary.copied, 2);
        QCOMPARE(summary.failed.size(), 2);
        for (const ImportProblem& problem : summary.failed)
            QVERIFY(problem.reason.contains("space"));
        verifyNothingPartial();
        QCOMPARE(filesBelow(m_destination).size(), 2);
        ImportLedger ledger(&m_data->manager);
        QCOMPARE(ledger.recordsOf(agent.DeviceIdentity(), sources.at(3).phonePath).size(), 0);
        QCOMPARE(ledger.recordsOf(agent.DeviceIdentity(), sources.at(0).phonePath).size(), 1);
    }
};

QTEST_MAIN(TestImportEngine)
#include "tst_importengine.moc"
