#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include "../model/fakephotodb.h"
#include "host/contract/devicefilerecord.h"
#include "host/contract/ideviceagent.h"
#include "host/contract/ocglobal.h"
#include "host/services/ocsharedvalue.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/listingcontroller.h"
#include "screen/listingsession.h"
#include "support/testenvironment.h"

using State = ListingSession::State;
Q_DECLARE_METATYPE(State)

// The agent's reports as they reach a session, without an agent: what the
// end-to-end tests cannot time, such as reports after the listing was given up.
class TestListingSession : public QObject
{
    Q_OBJECT

private slots:
    void reports_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("finished");
        QTest::addColumn<int>("cancelled");
        QTest::addColumn<State>("state");
        QTest::newRow("listed and merged") << QStringList { "start", "item a", "item b", "finish" }
                                           << 2 << 1 << 0 << State::Listed;
        QTest::newRow("nothing reported")
            << QStringList { "start", "finish" } << 0 << 1 << 0 << State::Listed;
        QTest::newRow("given up: late reports dropped, cancelled at the phone's end")
            << QStringList { "start", "abandon", "item a", "start", "item b", "finish" } << 0 << 0
            << 1 << State::Cancelled;
        QTest::newRow("given up: the phone's error ends it too")
            << QStringList { "start", "abandon", "item a", "stop 5", "finish" } << 0 << 0 << 1
            << State::Cancelled;
        QTest::newRow("stopped by an error: its end report leaves it not listed")
            << QStringList { "start", "stop 5", "item a", "finish" } << 0 << 0 << 0
            << State::NotListed;
        QTest::newRow("items before the start are not the listing's") << QStringList { "item a",
            "start", "item b", "finish" } << 1 << 1 << 0 << State::Listed;
    }
    void reports()
    {
        QFETCH(QStringList, steps);
        TestEnvironment env;
        auto* database = new FakePhotoDB;
        OCMediaItemList list(database, new FakePhotoDB, nullptr);
        PhotoItemViewModel model(nullptr, nullptr);
        ListingSession::Setup setup;
        setup.list = &list;
        setup.model = &model;
        setup.connectionKind = ConnectionKind::Mtp;
        ListingSession session(setup);
        QSignalSpy ends(&session, &ListingSession::finished);
        QSignalSpy cancels(&session, &ListingSession::cancelled);
        for (const QString& step : steps) {
            const QString arg = step.section(' ', 1);
            if (step == "start") {
                session.startReported();
            } else if (step == "abandon") {
                QVERIFY(session.abandon());
            } else if (step == "finish") {
                session.finishReported();
            } else if (step.startsWith("stop")) {
                session.stopReported(arg.toInt());
            } else {
                DeviceFileRecord record;
                record.path = CString("/DCIM/" + arg + ".jpg");
                record.objectId = CString(arg);
                record.type = CString("jpg");
                session.itemReported(reinterpret_cast<quintptr>(&record));
            }
        }
        QFETCH(int, finished);
        if (finished)
            QVERIFY(ends.count() == 1 || ends.wait(10000));
        QTest::qWait(100); // a late batch of a dropped queue would land here
        QTEST(model.rowCount(), "rows");
        QCOMPARE(ends.count(), finished);
        QTEST(cancels.count(), "cancelled");
        QTEST(session.state(), "state");
        // Flag 0x800 is the listing's while it runs; a given-up one leaves it.
        const bool flag = g_SharedValue.hasProcessState(
            OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing);
        QCOMPARE(flag, session.state() == State::Cancelled);
        g_SharedValue.deleteState(OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing);
    }

    // A burst reported on the agent's thread reaches the session in its order
    // (the end last), however the GUI thread slices it.
    void burstFromAgentThread_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("full records") << int(ConnectionKind::Mtp);
        QTest::newRow("minimal records") << int(ConnectionKind::MtpBasic);
    }
    void burstFromAgentThread()
    {
        QFETCH(int, kind);
        TestEnvironment env;
        OCMediaItemList list(new FakePhotoDB, new FakePhotoDB, nullptr);
        PhotoItemViewModel model(nullptr, nullptr);
        ListingController::Setup setup;
        setup.connectionKind = [kind] { return kind; };
        ListingController listings(setup);
        listings.setItems(&list, &model);
        QSignalSpy ends(&listings, &ListingController::finished);
        const int files = 3000;
        std::unique_ptr<QThread> agent(QThread::create([&listings, files] {
            listings.report(ItemLoadCode::Started, 0);
            for (int i = 0; i < files; ++i) {
                DeviceFileRecord record;
                record.path = CString(QString("/DCIM/%1.jpg").arg(i));
                record.objectId = CString(QString::number(i));
                record.type = CString("jpg");
                listings.report(ItemLoadCode::Item, reinterpret_cast<quintptr>(&record));
            }
            listings.report(ItemLoadCode::Finished, 0);
        }));
        agent->start();
        QVERIFY(ends.wait(30000));
        QVERIFY(agent->wait(5000));
        QCOMPARE(model.rowCount(), files);
        QCOMPARE(ends.count(), 1);
    }
};

QTEST_MAIN(TestListingSession)
#include "tst_listingsession.moc"
