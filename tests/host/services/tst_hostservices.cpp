#include "host/services/appservices.h"
#include "host/services/devicepath.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/mediaextensions.h"
#include "host/services/textutils.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSet>
#include <QTextCodec>
#include <QtTest>

class TestHostServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void duplicatePaths_data()
    {
        QTest::addColumn<QStringList>("in");
        QTest::addColumn<QStringList>("out");
        QTest::newRow("no repeats") << QStringList { "\\a\\1.jpg", "\\a\\2.jpg" }
                                    << QStringList { "\\a\\1.jpg", "\\a\\2.jpg" };
        QTest::newRow("repeat keeps first") << QStringList { "\\a\\1.jpg", "\\a\\2.jpg",
            "\\a\\1.jpg" } << QStringList { "\\a\\1.jpg", "\\a\\2.jpg" };
        QTest::newRow("letter case tells files apart") << QStringList { "\\A\\IMG.JPG",
            "\\a\\img.jpg", "\\A\\IMG.JPG" } << QStringList { "\\A\\IMG.JPG", "\\a\\img.jpg" };
        QTest::newRow("separators")
            << QStringList { "/a/b.png", "\\a\\b.png" } << QStringList { "/a/b.png" };
    }

    void duplicatePaths()
    {
        QFETCH(QStringList, in);
        QFETCH(QStringList, out);
        const int before = in.size();
        const int dropped = removeDuplicateFileName(in);
        QCOMPARE(in, out);
        QCOMPARE(dropped, before - out.size());
    }

    // A name that is not UTF-8 becomes a path that names that file and no
    // other; names holding "\\" are the hostile phone's.
    void storedPathsGoThereAndBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cut sequence") << QByteArray("/sdcard/a\xE2\x82.jpg");
        QTest::newRow("overlong slash") << QByteArray("/sdcard/a\xC0\xAF.jpg");
        QTest::newRow("four-byte character") << QByteArray("/sdcard/\xF0\x9F\x93\xB7.jpg");
    }

    void storedPathsGoThereAndBack()
    {
        QFETCH(QByteArray, bytes);
        const QString name = QFile::decodeName(bytes);
        QCOMPARE(QFile::encodeName(name), bytes);
        const QString stored = toStoredPath(name);
        QVERIFY(!stored.contains(QLatin1Char('/')));
        QCOMPARE(stored.count(QLatin1Char('\\')), bytes.count('/'));
        QCOMPARE(toFileSystemPath(stored), name);
        QCOMPARE(toStoredPath(stored), stored);
        QCOMPARE(toFileSystemPath(name), name);
        QCOMPARE(
            getFileName(stored, true), QFile::decodeName(bytes.mid(bytes.lastIndexOf('/') + 1)));
    }

    // Every byte string is a name: decoding loses nothing and makes no two
    // names one, also when the bytes come in pieces.
    void fileNameCodecKeepsEveryName()
    {
        QTextCodec* codec = QTextCodec::codecForLocale();
        QRandomGenerator random(16);
        QSet<QString> decoded;
        QSet<QByteArray> names;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes(random.bounded(1, 12), '\0');
            for (char& byte : bytes)
                byte = char(random.bounded(1, 256));
            const QString text = QFile::decodeName(bytes);
            QCOMPARE(QFile::encodeName(text), bytes);
            names.insert(bytes);
            decoded.insert(text);
            const int cut = random.bounded(bytes.size() + 1);
            QScopedPointer<QTextDecoder> decoder(codec->makeDecoder());
            QString pieces = decoder->toUnicode(bytes.left(cut));
            pieces += decoder->toUnicode(bytes.mid(cut));
            pieces += decoder->toUnicode("/"); // ends a sequence still waiting for bytes
            QCOMPARE(pieces, text + QLatin1Char('/'));
        }
        QCOMPARE(decoded.size(), names.size());
    }

    void pathPieces_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("pieces"); // name, base name, folder
        QTest::newRow("stored") << "\\sdcard\\DCIM\\a.jpg"
                                << QStringList { "a.jpg", "a", "\\sdcard\\DCIM" };
        QTest::newRow("slashes") << "/home/u/b.c.png"
                                 << QStringList { "b.c.png", "b.c", "/home/u" };
        QTest::newRow("bare") << "c.gif" << QStringList { "c.gif", "c", "" };
        QTest::newRow("no extension") << "\\x\\README" << QStringList { "README", "README", "\\x" };
        QTest::newRow("dot file") << "\\x\\.hidden" << QStringList { ".hidden", ".hidden", "\\x" };
    }

    void pathPieces()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, pieces);
        QCOMPARE(getFileName(path, true), pieces.at(0));
        QCOMPARE(getFileName(path, false), pieces.at(1));
        QCOMPARE(getFileDir(path), pieces.at(2));
    }

    // What a person reads of a phone folder: inside the storage, with "/".
    void deviceFolders_data()
    {
        QTest::addColumn<QStringList>("folderAndRoot");
        QTest::addColumn<QString>("shown");
        QTest::newRow("media transfer")
            << QStringList { "\\Phone\\DCIM\\Camera", "" } << "DCIM/Camera";
        QTest::newRow("media transfer, the storage") << QStringList { "\\Phone", "" } << "";
        QTest::newRow("mass storage") << QStringList { "\\media\\me\\phone\\DCIM\\Camera",
            "\\media\\me\\phone" } << "DCIM/Camera";
        QTest::newRow("mass storage, the root")
            << QStringList { "\\media\\me\\phone", "\\media\\me\\phone" } << "";
        QTest::newRow("a name that only starts like the root")
            << QStringList { "\\media\\me\\phone2\\DCIM", "\\media\\me\\phone" }
            << "/media/me/phone2/DCIM";
    }

    void deviceFolders()
    {
        QFETCH(QStringList, folderAndRoot);
        QFETCH(QString, shown);
        const QString folder = folderAndRoot.at(0);
        const QString root = folderAndRoot.at(1);
        QCOMPARE(DevicePath::relativeFolder(folder, root), shown);
        const QString file = shown.isEmpty() ? "a.jpg" : shown + "/a.jpg";
        QCOMPARE(DevicePath::relativeFile(folder + "\\a.jpg", root), file);
    }

    void supportedFiles_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("any");
        // Photos, and photos mixed with other files, are the plug-in widget's drop table.
        QTest::newRow("not local") << QList<QUrl> { QUrl("https://example.invalid/c.jpg") }
                                   << false << false;
    }

    void supportedFiles()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, all);
        QFETCH(bool, any);
        QCOMPARE(IsSupportedFiles(16, urls, false), all);
        QCOMPARE(IsSupportedFiles(16, urls, true), any);
        QVERIFY(!IsSupportedFiles(999, urls, true));
    }

    // Where the first and the last pixel of the stored first row are seen,
    // as the tag's definition puts it: the corners T(op)/B(ottom) L(eft)/R(ight).
    void orientation_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("corners"); // of the first pixel, of the last
        QTest::newRow("1 as stored") << 1 << QStringList { "TL", "TR" };
        QTest::newRow("2 mirrored") << 2 << QStringList { "TR", "TL" };
        QTest::newRow("3 half turn") << 3 << QStringList { "BR", "BL" };
        QTest::newRow("4 mirrored upside down") << 4 << QStringList { "BL", "BR" };
        QTest::newRow("5 transposed") << 5 << QStringList { "TL", "BL" };
        QTest::newRow("6 turned right") << 6 << QStringList { "TR", "BR" };
        QTest::newRow("7 transversed") << 7 << QStringList { "BR", "TR" };
        QTest::newRow("8 turned left") << 8 << QStringList { "BL", "TL" };
        QTest::newRow("0 no tag") << 0 << QStringList { "TL", "TR" };
        QTest::newRow("9 out of range") << 9 << QStringList { "TL", "TR" };
    }

    void orientation()
    {
        QFETCH(int, code);
        QFETCH(QStringList, corners);
        QImage stored(40, 24, QImage::Format_RGB32);
        stored.fill(Qt::black);
        stored.setPixel(0, 0, qRgb(255, 0, 0));
        stored.setPixel(39, 0, qRgb(0, 255, 0));
        const QImage shown = ExifOrientation::upright(stored, code);
        QCOMPARE(shown.size(), ExifOrientation::uprightSize(stored.size(), code));
        // The transform puts the same pixels in the same corners.
        const QTransform transform = ExifOrientation::transform(code);
        const QRectF bounds = transform.mapRect(QRectF(stored.rect()));
        for (int i = 0; i < 2; ++i) {
            const QString corner = corners.at(i);
            const QPoint at(corner.endsWith('L') ? 0 : shown.width() - 1,
                corner.startsWith('T') ? 0 : shown.height() - 1);
            QCOMPARE(shown.pixel(at), stored.pixel(i * 39, 0));
            const QPointF mapped = transform.map(QPointF(i * 39 + 0.5, 0.5)) - bounds.topLeft();
            QCOMPARE(QPoint(int(mapped.x()), int(mapped.y())), at);
        }
    }
};

QTEST_MAIN(TestHostServices)
#include "tst_hostservices.moc"
