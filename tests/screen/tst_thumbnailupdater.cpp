#include <QSignalSpy>
#include <QtTest>

#include "host/contract/devicefilerecord.h"
#include "host/contract/ideviceagent.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/hostthumbnailsource.h"
#include "screen/thumbnailprovider.h"
#include "screen/thumbnailupdater.h"
#include "support/testenvironment.h"

namespace {

struct FakeProvider : ThumbnailProvider
{
    int request(const QString& path) override
    {
        asked.append(path.section(QLatin1Char('\\'), -1));
        return refusal;
    }
    QPixmap take() override { return picture; }

    QStringList asked;
    int refusal = 0;
    QPixmap picture;
};

struct FakeScreen : ThumbnailUpdater::Screen
{
    bool thumbnailStepAllowed() const override { return true; }
    bool listChainWanted() const override { return true; }
    bool viewerChainWanted() const override { return true; }
    bool viewerIsOpen() const override { return false; }
    bool isMassStorage() const override { return false; }
    bool thumbnailsFromPhone(bool) const override { return true; }
    QList<CPhotoDataItem*> itemsInView() const override { return inView; }
    PhotoViwerList* filmStrip() const override { return nullptr; }
    bool heldForViewerDownload() const override { return false; }
    void showBusy(bool) override { busy = true; }
    void hideBusy() override { busy = false; }
    void viewerChainIdle() override { }

    QList<CPhotoDataItem*> inView;
    bool busy = false;
};

struct FakeHostScreen : HostThumbnailSource::Screen
{
    int connectionKind() const override { return kind; }
    QAbstractItemView* currentPageView() const override { return nullptr; }
    int currentPage() const override { return 0; }
    bool pageShown() const override { return true; }
    bool transferring() const override { return false; }

    int kind = ConnectionKind::Mtp;
};

bool chainRuns()
{
    return g_SharedValue.hasProcessState(
        OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessThumbnails);
}

} // namespace

// The list chain through its interface: a fake provider answers, the items
// and the model show what it said.
class TestThumbnailUpdater : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_screen = FakeScreen();
        m_list = std::make_unique<OCMediaItemList>(nullptr, nullptr, nullptr);
        m_model = std::make_unique<PhotoItemViewModel>(nullptr, nullptr);
        for (const char* name : { "a", "b", "c", "d" }) {
            DeviceFileRecord record;
            record.path = CString(QStringLiteral("/DCIM/%1.jpg").arg(name));
            record.fileName = CString(QStringLiteral("%1.jpg").arg(name));
            record.type = CString("jpg");
            ItemEvent event(ItemEventCode::ListedFull,
                std::make_unique<CPhotoDataItem>(reinterpret_cast<quintptr>(&record)));
            QVERIFY(m_list->updateInsertedItem(event, true));
        }
        m_model->SetItems(-1, m_list->allItems());
        auto list = std::make_unique<FakeProvider>();
        m_provider = list.get();
        m_provider->picture = QPixmap(40, 30);
        m_provider->picture.fill(Qt::red);
        m_updater = std::make_unique<ThumbnailUpdater>(
            &m_screen, std::move(list), std::make_unique<FakeProvider>());
        m_updater->setItems(m_list.get(), m_model.get());
    }

    void cleanup()
    {
        m_updater.reset();
        m_model.reset();
        m_list.reset();
        m_env.reset();
    }

    void rowsInViewFirstThenTheRest()
    {
        CPhotoDataItem* c = m_list->findItem(QStringLiteral("/DCIM/c.jpg"), false);
        m_screen.inView = { c };
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        m_updater->startListChain();
        QCOMPARE(m_provider->asked, QStringList { "c.jpg" });
        QVERIFY(chainRuns() && m_screen.busy);
        m_updater->startListChain(); // one request out at a time
        QCOMPARE(m_provider->asked.size(), 1);

        m_updater->listAnswered(ThumbnailProvider::Ready);
        QVERIFY(c->hasThumbnail && !c->thumbnail().isNull());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), m_model->IndexOf(c));
        QTRY_COMPARE(m_provider->asked.size(), 2);
        const QString second = m_provider->asked.at(1);
        QVERIFY(second != QLatin1String("c.jpg"));

        m_updater->listAnswered(ThumbnailProvider::NoThumbnail);
        CPhotoDataItem* none = m_list->findItem("/DCIM/" + second, false);
        QVERIFY(!none->needsThumbnail() && !none->hasThumbnail);
        QTRY_COMPARE(m_provider->asked.size(), 3);

        // Stopped: the answer out is taken, nothing more is asked.
        m_updater->stop();
        m_updater->listAnswered(ThumbnailProvider::Ready);
        QTest::qWait(150);
        QCOMPARE(m_provider->asked.size(), 3);
        QTRY_VERIFY(!chainRuns() && !m_screen.busy);
    }

    void failuresEndTheChain_data()
    {
        QTest::addColumn<bool>("refused"); // else the answer is a failure
        QTest::newRow("request refused") << true;
        QTest::newRow("answer failed") << false;
    }

    void failuresEndTheChain()
    {
        QFETCH(bool, refused);
        m_provider->refusal = refused ? 2 : 0;
        m_updater->startListChain();
        QCOMPARE(m_provider->asked.size(), 1);
        if (!refused)
            m_updater->listAnswered(13);
        QTest::qWait(150);
        QCOMPARE(m_provider->asked.size(), 1);
        QVERIFY(!chainRuns() && !m_screen.busy);
        // A later start asks again.
        m_provider->refusal = 0;
        m_updater->startListChain();
        QCOMPARE(m_provider->asked.size(), 2);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<OCMediaItemList> m_list;
    std::unique_ptr<PhotoItemViewModel> m_model;
    FakeScreen m_screen;
    FakeProvider* m_provider = nullptr;
    std::unique_ptr<ThumbnailUpdater> m_updater;

    // The host's thumbnail manager hands a picture file over by name: the
    // picture reaches its item and the model through the updater; on mass
    // storage the manager keeps it and only the row repaints.
    void hostManagerPictureReachesTheItem_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("picture"); // else the file is damaged
        QTest::addColumn<bool>("stored");
        QTest::newRow("media transfer") << int(ConnectionKind::Mtp) << true << true;
        QTest::newRow("damaged file") << int(ConnectionKind::Mtp) << false << false;
        QTest::newRow("mass storage") << int(ConnectionKind::MassStorage) << true << false;
    }

    void hostManagerPictureReachesTheItem()
    {
        QFETCH(int, kind);
        QFETCH(bool, picture);
        QFETCH(bool, stored);
        FakeHostScreen screen;
        screen.kind = kind;
        HostThumbnailSource source(
            &screen, [] { return nullptr; }, nullptr);
        source.setItems(m_list.get(), m_model.get(), m_updater.get());
        QTemporaryDir folder;
        const QString file = folder.filePath("answer.jpg");
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::blue);
        if (picture)
            QVERIFY(image.save(file, "JPG"));
        else
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        QSignalSpy repaint(&source, &HostThumbnailSource::rowChanged);
        source.on_update_item_thumbnail(QStringLiteral("/DCIM/b.jpg"), file);
        const CPhotoDataItem* b = m_list->findItem(QStringLiteral("/DCIM/b.jpg"), false);
        QCOMPARE(b->hasThumbnail, stored);
        QCOMPARE(changed.count(), stored ? 1 : 0);
        QCOMPARE(repaint.count(), kind == ConnectionKind::MassStorage ? 1 : 0);
    }
};

QTEST_MAIN(TestThumbnailUpdater)
#include "tst_thumbnailupdater.moc"
