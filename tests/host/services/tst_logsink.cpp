#include "host/services/logsink.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <cstdlib>

namespace {

QByteArray contents(const QString& file)
{
    QFile log(file);
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

// A line as the host writes it: area, method, text.
void say(const char* method, const QString& text)
{
    qDebug().noquote() << "host" << method << ":" << text;
}

// In the child process: logs a few lines and leaves by a plain exit, without
// RemoveLogSink.
int logAndExit(const QString& file)
{
    InstallLogSink(file, false);
    for (int i = 0; i < 50; ++i)
        say("Child::run", QStringLiteral("line %1").arg(i));
    std::exit(0);
}

} // namespace

class TestLogSink : public QObject
{
    Q_OBJECT

private slots:
    void warningWritesWhatCameBeforeAtOnce()
    {
        TestEnvironment env;
        const QString file = env.path("log/host.log");
        QVERIFY(InstallLogSink(file, false));
        say("Test::urgent", "before");
        qWarning().noquote() << "host Test::urgent : warning";
        const QByteArray written = contents(file);
        RemoveLogSink();
        QVERIFY(written.contains("Test::urgent : before"));
        QVERIFY(written.contains(" W ") && written.contains("Test::urgent : warning"));
    }

    void quietLinesArriveWithoutRemoval()
    {
        TestEnvironment env;
        const QString file = env.path("log/host.log");
        QVERIFY(InstallLogSink(file, false));
        say("Test::later", "line");
        QTRY_VERIFY_WITH_TIMEOUT(contents(file).contains("Test::later : line"), 10000);
        RemoveLogSink();
    }

    void linesFromManyThreadsStayWhole()
    {
        TestEnvironment env;
        const QString file = env.path("log/host.log");
        QVERIFY(InstallLogSink(file, false));
        const int threads = 4;
        const int perThread = 2000;
        QList<QThread*> writers;
        for (int t = 0; t < threads; ++t) {
            writers << QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    say("Test::threads", QStringLiteral("writer %1 line %2").arg(t).arg(i));
            });
            writers.last()->start();
        }
        for (QThread* writer : qAsConst(writers)) {
            QVERIFY(writer->wait(60000));
            delete writer;
        }
        RemoveLogSink();
        QVector<int> next(threads, 0);
        for (const QByteArray& line : contents(file).split('\n')) {
            if (line.isEmpty())
                continue;
            const QList<QByteArray> words = line.split(' ');
            QCOMPARE(words.size(), 10);
            const int t = words.at(7).toInt();
            QCOMPARE(words.at(9).toInt(), next[t]); // each writer's lines in order
            ++next[t];
        }
        QCOMPARE(next, QVector<int>(threads, perThread));
    }

    void secondFileStartsAfterTheFirstGotItsLines()
    {
        TestEnvironment env;
        const QString first = env.path("log/first.log");
        const QString second = env.path("log/second.log");
        QVERIFY(InstallLogSink(first, false));
        say("Test::switch", "one");
        QVERIFY(InstallLogSink(second, false));
        say("Test::switch", "two");
        QCOMPARE(LogFilePath(), second);
        RemoveLogSink();
        QVERIFY(contents(first).contains("Test::switch : one"));
        QVERIFY(!contents(first).contains("Test::switch : two"));
        QVERIFY(contents(second).contains("Test::switch : two"));
        QVERIFY(LogFilePath().isEmpty());
    }

    void plainExitKeepsEveryLine()
    {
        TestEnvironment env;
        const QString file = env.path("log/child.log");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), { "--log-and-exit", file });
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        const QByteArray written = contents(file);
        QCOMPARE(written.count('\n'), 50);
        QVERIFY(written.contains("Child::run : line 49"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--log-and-exit") == 0)
        return logAndExit(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestLogSink test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logsink.moc"
