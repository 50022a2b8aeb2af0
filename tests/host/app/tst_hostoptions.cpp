#include "host/app/hostoptions.h"

#include <QtTest>

class TestHostOptions : public QObject
{
    Q_OBJECT

private slots:
    void acceptsGoodArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("viewMode");
        QTest::addColumn<QStringList>("switches"); // those set, of partial rtl quit verbose

        QTest::newRow("nothing") << QStringList {} << QString() << false << 0x80000 << -1
                                 << QStringList {};
        QTest::newRow("phone, mtp")
            << QStringList { "--phone", "/media/phone", "--connection", "mtp" } << "/media/phone"
            << false << 0x40000 << -1 << QStringList {};
        QTest::newRow("demo, basic mtp, thumbs")
            << QStringList { "--demo", "--connection=mtp-basic", "--view", "thumbs" } << QString()
            << true << 0x10000 << 1 << QStringList {};
        QTest::newRow("album and every switch")
            << QStringList { "--view", "album", "--partial-loading", "--rtl", "--verbose",
                   "--quit-when-listed" }
            << QString() << false << 0x80000 << 2
            << QStringList { "partial", "rtl", "quit", "verbose" };
        QTest::newRow("unicode folder")
            << QStringList { "--phone", QString::fromUtf8("/tmp/Tél 📷") }
            << QString::fromUtf8("/tmp/Tél 📷") << false << 0x80000 << -1 << QStringList {};
    }

    void acceptsGoodArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, phone);
        QFETCH(bool, demo);
        QFETCH(int, kind);
        QFETCH(int, viewMode);
        QFETCH(QStringList, switches);
        HostOptions options;
        QString error;
        QVERIFY2(HostOptions::parse(QStringList { "photo-host" } + arguments, options, error),
            qPrintable(error));
        QCOMPARE(options.phoneFolder, phone);
        QCOMPARE(options.demo, demo);
        QCOMPARE(options.connectionKind, kind);
        QCOMPARE(options.viewMode(), viewMode);
        QCOMPARE(options.partialLoading, switches.contains("partial"));
        QCOMPARE(options.rtl, switches.contains("rtl"));
        QCOMPARE(options.quitWhenListed, switches.contains("quit"));
        QCOMPARE(options.verbose, switches.contains("verbose"));
    }

    void importOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("deleteAfter");
        QTest::newRow("defaults") << QStringList {} << 0 << false;
        QTest::newRow("flat, delete after")
            << QStringList { "--layout", "flat", "--delete-after" } << 1 << true;
        QTest::newRow("by phone folder") << QStringList { "--layout=folder" } << 2 << false;
    }

    void importOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, layout);
        QFETCH(bool, deleteAfter);
        const QStringList command
            = QStringList { "photo-host", "--phone", "/media/phone", "--import", "/tmp/p" }
            + arguments;
        HostOptions options;
        QString error;
        QVERIFY2(HostOptions::parse(command, options, error), qPrintable(error));
        QVERIFY(options.isHeadlessImport());
        QCOMPARE(options.importDestination, QString("/tmp/p"));
        QCOMPARE(options.importLayout, layout);
        QCOMPARE(options.deleteAfterImport, deleteAfter);
        std::vector<QByteArray> bytes;
        std::vector<char*> argv;
        for (const QString& argument : command)
            bytes.push_back(argument.toUtf8());
        for (QByteArray& argument : bytes)
            argv.push_back(argument.data());
        QVERIFY(HostOptions::asksForImport(int(argv.size()), argv.data()));
        QVERIFY(!HostOptions::asksForImport(3, argv.data()));
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown connection")
            << QStringList { "--connection", "bluetooth" } << "unknown connection kind: bluetooth";
        QTest::newRow("unknown view") << QStringList { "--view", "grid" } << "unknown view: grid";
        QTest::newRow("phone and demo")
            << QStringList { "--phone", "/tmp", "--demo" } << "exclude each other";
        QTest::newRow("camera without port")
            << QStringList { "--camera", "Directory Browse" } << "go together";
        QTest::newRow("phone without folder") << QStringList { "--phone" } << "Missing value";
        QTest::newRow("empty phone folder") << QStringList { "--phone", " " } << "--phone needs";
        QTest::newRow("stray argument") << QStringList { "/media/phone" } << "unexpected argument";
        QTest::newRow("help") << QStringList { "--help" } << "--connection";
        QTest::newRow("import without a phone")
            << QStringList { "--import", "/tmp/p" } << "--import needs a phone";
        QTest::newRow("unknown layout") << QStringList { "--demo", "--import", "/tmp/p", "--layout",
            "month" } << "unknown layout: month";
        QTest::newRow("layout without import")
            << QStringList { "--demo", "--layout", "flat" } << "go with --import";
        QTest::newRow("import with a window option") << QStringList { "--demo", "--import",
            "/tmp/p", "--screenshot", "s.png" } << "leave out --screenshot";
    }

    void refusesBadArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        HostOptions options;
        QString error;
        QVERIFY(!HostOptions::parse(QStringList { "photo-host" } + arguments, options, error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestHostOptions)
#include "tst_hostoptions.moc"
