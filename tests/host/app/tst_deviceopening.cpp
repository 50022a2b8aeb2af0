// photo-host opening a device chosen in its window, through the real
// GPhotoAgent on libgphoto2's "Directory Browse" camera made slow to answer:
// the window goes on while it opens, a late or missing answer is handled.
#include "host/app/deviceopener.h"
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/hostpage.h"
#include "host/app/hostsession.h"
#include "host/app/mainwindow.h"
#include "host/device/gphotoagent.h"
#include "host/services/logsink.h"
#include "support/samplephonefixture.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

constexpr int kWait = 30000;

HostOptions optionsFor(const TestEnvironment& env)
{
    HostOptions options;
    QString error;
    const QString plugin = QDir(TestEnvironment::binaryFolder()).filePath("libdevice_photo.so");
    if (!HostOptions::parse(
            { "photo-host", "--config-dir", env.folder(), "--plugin-library", plugin }, options,
            error))
        qWarning() << error;
    return options;
}

GPhotoDeviceId camera(const SamplePhoneFixture& phone)
{
    return { QStringLiteral("Directory Browse"), "disk:" + phone.folder() };
}

} // namespace

class TestDeviceOpening : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_first;
    std::unique_ptr<SamplePhoneFixture> m_second;

private slots:
    void initTestCase()
    {
        m_first = std::make_unique<SamplePhoneFixture>(2, 7);
        m_second = std::make_unique<SamplePhoneFixture>(2, 8);
        QVERIFY(m_first->isValid() && m_second->isValid());
    }

    void cleanup()
    {
        GPhotoAgent::setTestFaults({});
        RemoveLogSink();
    }

    void chosenDeviceOpensInTheBackground_data()
    {
        QTest::addColumn<int>("openDelayMs");
        QTest::addColumn<int>("timeoutMs"); // 0: photo-host's own
        QTest::addColumn<bool>("secondChoice"); // the other phone, chosen while the first opens
        QTest::addColumn<QString>("opened"); // "first", "second" or empty
        QTest::addColumn<QString>("message");
        QTest::newRow("slow device") << 1000 << 0 << false << "first" << QString();
        QTest::newRow("no answer in time")
            << 4000 << 300 << false << QString() << "did not answer within";
        QTest::newRow("second choice meanwhile") << 1000 << 0 << true << "second" << QString();
    }

    void chosenDeviceOpensInTheBackground()
    {
        QFETCH(int, openDelayMs);
        QFETCH(int, timeoutMs);
        QFETCH(bool, secondChoice);
        QFETCH(QString, opened);
        QFETCH(QString, message);
        TestEnvironment env;
        MessageBoxRecorder boxes;
        GPhotoAgentFaults faults;
        faults.openDelayMs = openDelayMs;
        GPhotoAgent::setTestFaults(faults);
        HostApplication host(optionsFor(env));
        QVERIFY(host.start());
        if (timeoutMs > 0)
            host.deviceOpener()->setTimeoutMs(timeoutMs);
        MainWindow* window = host.window();

        emit window->deviceChosen("Directory Browse", camera(*m_first).port);
        // Back at once: nothing open yet, and the page says what is going on.
        QVERIFY(!host.session()->isPhoneConnected());
        QCOMPARE(window->findChild<HostPage*>()->title(), QString("Directory Browse"));
        if (secondChoice) {
            QTest::qWait(50);
            emit window->deviceChosen("Directory Browse", camera(*m_second).port);
        }
        if (!opened.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(host.session()->isPhoneConnected(), kWait);
            const SamplePhoneFixture& phone = opened == "first" ? *m_first : *m_second;
            QCOMPARE(host.session()->agent()->DeviceIdentity(),
                "folder:" + QFileInfo(phone.folder()).canonicalFilePath());
            QTRY_VERIFY_WITH_TIMEOUT(window->isPhotoScreenShown(), kWait);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!boxes.requests().isEmpty(), kWait);
            QVERIFY(!host.deviceOpener()->isOpening());
        }
        // A late answer from a device let go of changes nothing.
        QTest::qWait(qMin(openDelayMs, 1500));
        QCOMPARE(host.session()->isPhoneConnected(), !opened.isEmpty());
        QCOMPARE(boxes.requests().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(boxes.requests().first().text.contains(message),
                qPrintable(boxes.requests().first().text));
    }
};

QTEST_MAIN(TestDeviceOpening)
#include "tst_deviceopening.moc"
