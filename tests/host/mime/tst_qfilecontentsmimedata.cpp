#include "host/mime/qfilecontentsmimedata.h"
#include "host/services/fileutils.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest>

namespace {

enum class Delivery { Copy, Fail, Later };
Delivery g_delivery = Delivery::Copy;
QStringList g_requests;

void OC_STDCALL fetch(QString srcPath, QString tarPath, qint64, quintptr pFunc)
{
    g_requests << srcPath;
    auto done = reinterpret_cast<PFN_FileContentsDelivered>(pFunc);
    const QString source = toFileSystemPath(srcPath);
    switch (g_delivery) {
    case Delivery::Copy:
        done(tarPath, QFile::copy(source, tarPath));
        break;
    case Delivery::Fail:
        done(tarPath, false);
        break;
    case Delivery::Later:
        // The host's transfer engine answers from its event loop.
        QTimer::singleShot(20, [=] { done(tarPath, QFile::copy(source, tarPath)); });
        break;
    }
}

QByteArray contents(const QUrl& url)
{
    QFile file(url.toLocalFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestQFileContentsMimeData : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    QUrl phoneFile(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(m_env->path("phone/sub"));
        QFile file(m_env->path("phone/" + name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        g_requests.clear();
        g_delivery = Delivery::Copy;
    }
    void cleanup() { m_env.reset(); }

    void phoneFilesAreFetchedOnceWhenRead_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("delivery");
        QTest::newRow("full records, copied at once") << 2 << int(Delivery::Copy);
        QTest::newRow("minimal records, copied later") << 1 << int(Delivery::Later);
    }
    void phoneFilesAreFetchedOnceWhenRead()
    {
        QFETCH(int, kind);
        QFETCH(int, delivery);
        g_delivery = Delivery(delivery);
        const QUrl a = phoneFile("a.jpg", "first");
        const QUrl b = phoneFile("sub/a.jpg", "second");
        QFileContentsMimeData mime;
        mime.setFileContentsInfo("a.jpg", QDateTime::currentDateTime(), 5);
        mime.setFileContentsInfo("a.jpg", QDateTime::currentDateTime(), 6);
        mime.setUrls(kind, { a, b });
        mime.setFileContentsCallback(&fetch);
        QVERIFY(mime.hasFormat("text/uri-list"));
        QVERIFY(g_requests.isEmpty()); // nothing is fetched before a drop asks

        const QList<QUrl> local = mime.urls();
        QCOMPARE(local.size(), 2);
        QCOMPARE(contents(local.at(0)), QByteArray("first"));
        QCOMPARE(contents(local.at(1)), QByteArray("second"));
        QVERIFY(local.at(0) != local.at(1));
        QVERIFY(local.at(0).toLocalFile().startsWith(GetAppPath()));
        QCOMPARE(g_requests,
            (QStringList { toStoredPath(a.toLocalFile()), toStoredPath(b.toLocalFile()) }));
        QCOMPARE(mime.urls(), local);
        QCOMPARE(g_requests.size(), 2);
        QVERIFY(mime.data("text/uri-list").contains(local.at(0).toEncoded()));
    }

};

QTEST_MAIN(TestQFileContentsMimeData)
#include "tst_qfilecontentsmimedata.moc"
