#include "host/services/ocsharedvalue.h"
#include "support/testenvironment.h"

#include <QtTest>

#include <thread>

class TestSharedValue : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_SharedValue.reset(); }

    // Two threads add and clear their own bits of one word; a lost update
    // would leave a bit behind or drop one.
    void concurrentUpdatesLoseNothing()
    {
        const int rounds = 20000;
        auto worker = [rounds](quint32 bit) {
            for (int i = 0; i < rounds; ++i) {
                g_SharedValue.addState(16, bit);
                if (!(g_SharedValue.getProcessState(16) & bit))
                    qFatal("own bit vanished");
                g_SharedValue.deleteState(16, bit);
            }
            g_SharedValue.addState(16, bit);
        };
        std::thread a(worker, 0x1u);
        std::thread b(worker, 0x2u);
        a.join();
        b.join();
        QCOMPARE(g_SharedValue.getProcessState(16), quint32(0x3));
    }

    void modalDialogBlocksOtherWindows()
    {
        QWidget requester;
        QVERIFY(!g_SharedValue.GetOCState(&requester, true, false, true));
        g_SharedValue.addState(16, OCSharedValue::ProcessDeviceInit);
        QVERIFY(g_SharedValue.GetOCState(&requester, true, false, true));
        QVERIFY(!g_SharedValue.GetOCState(&requester, false, false, true));
        g_SharedValue.deleteState(16, OCSharedValue::ProcessDeviceInit);
        g_SharedValue.SetHostJobRunning(true);
        QVERIFY(g_SharedValue.GetOCState(&requester, false, true, false));
    }
};

QTEST_MAIN(TestSharedValue)
#include "tst_sharedvalue.moc"
