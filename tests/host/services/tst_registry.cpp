#include "host/services/registry.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
const QString kKey
    = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\PluginSetting\\PhonePhoto");
}

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void valuesSurviveReopening_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("column list") << QStringLiteral("0,1,2,3,4,5,6,7,8,9,10,11,12,13");
        QTest::newRow("unicode") << QStringLiteral("Ürlaub ☀ photos");
        QTest::newRow("empty") << QString();
    }

    void valuesSurviveReopening()
    {
        QFETCH(QString, text);
        TestEnvironment env;
        QVERIFY(SetRegstryInt(1, kKey, QStringLiteral("ViewMode"), 1));
        QVERIFY(SetRegstryStr(1, kKey, QStringLiteral("ListColumnList"), text));
        SetRegistryFolder(env.path(QStringLiteral("config"))); // flush and reopen
        QCOMPARE(GetRegstryInt(1, kKey, QStringLiteral("ViewMode")), 1);
        QCOMPARE(GetRegstryStr(1, kKey, QStringLiteral("ListColumnList")), text);
    }

    void textWhereNumberExpectedReadsMissing()
    {
        TestEnvironment env;
        SetRegstryStr(1, kKey, QStringLiteral("ViewMode"), QStringLiteral("two"));
        QCOMPARE(GetRegstryInt(1, kKey, QStringLiteral("ViewMode")), -1);
    }

    // A damaged file gives defaults and is kept aside byte for byte.
    void damagedFileIsSetAsideNotLost()
    {
        TestEnvironment env;
        const QString folder = env.path(QStringLiteral("damaged"));
        QDir().mkpath(folder);
        const QByteArray garbage(
            "[SOFTWARE\\Orvane\n\xff\xfe\x00\x01 ViewMode=\"unterminated\n[[[\n", 40);
        QFile file(QDir(folder).filePath(QStringLiteral("registry.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
        file.close();

        SetRegistryFolder(folder);
        QCOMPARE(GetRegstryInt(1, kKey, QStringLiteral("ViewMode")), -1);
        QVERIFY(SetRegstryInt(1, kKey, QStringLiteral("ViewMode"), 0));
        SyncRegistry();

        QByteArray kept;
        const QStringList entries = QDir(folder).entryList(QDir::Files);
        for (const QString& name : entries) {
            QFile candidate(QDir(folder).filePath(name));
            QVERIFY(candidate.open(QIODevice::ReadOnly));
            const QByteArray bytes = candidate.readAll();
            if (bytes == garbage)
                kept = bytes;
        }
        QCOMPARE(kept, garbage);
        SetRegistryFolder(folder);
        QCOMPARE(GetRegstryInt(1, kKey, QStringLiteral("ViewMode")), 0);
    }
};

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
