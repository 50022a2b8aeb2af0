// Turning photo files without loss, over the formats a sample phone holds.
#include "common/hostfiles.h"
#include "host/db/photometadatareader.h"
#include "host/db/photorotationwriter.h"
#include "host/services/exiforientation.h"
#include "support/samplephonefixture.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QtTest>

namespace {

using Outcome = PhotoRotationWriter::Outcome;

// The picture as it is meant to be seen.
QImage seen(const QString& path)
{
    return ExifOrientation::upright(
        QImage(path), PhotoMetadataReader::read(path, false).orientation)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestPhotoRotationWriter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    // The first file of the phone whose relative path matches pattern; for
    // a camera photo, the one with that EXIF orientation.
    QString fileOf(const QString& pattern, int orientation) const
    {
        for (const SamplePhoto& photo : m_phone->generator().photos()) {
            if (orientation > 0 && photo.orientation == orientation)
                return m_phone->file(photo.relativePath);
        }
        QDirIterator it(m_phone->folder(), { pattern }, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }

private slots:
    void initTestCase()
    {
        SamplePhoneOptions options;
        options.photoCount = 2;
        options.orientations = { 1, 2 };
        m_phone = std::make_unique<SamplePhoneFixture>(options);
        QVERIFY(m_phone->isValid());
    }

    // Camera photos by their orientation; others by a name pattern.
    void turnsWithoutLoss_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("degrees");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("written"); // the file's orientation afterwards
        const int turned = int(Outcome::Turned);
        QTest::newRow("jpeg without a tag, right") << "" << 1 << 90 << turned << 6;
        QTest::newRow("jpeg mirrored, left") << "" << 2 << -90 << turned << 5;
        QTest::newRow("png, right: encoded again") << "*.png" << 0 << 90 << turned << 0;
        QTest::newRow("tiff: no lossless way") << "*.tiff" << 0 << 90 << int(Outcome::NotLossless);
        QTest::newRow("single-frame gif: no writer")
            << "sticker.gif" << 0 << 90 << int(Outcome::NotLossless);
        QTest::newRow("animated gif") << "dancing*.gif" << 0 << 90 << int(Outcome::Animated);
        QTest::newRow("damaged jpeg") << "*broken*" << 0 << 90 << int(Outcome::Failed);
    }

    void turnsWithoutLoss()
    {
        QFETCH(QString, pattern);
        QFETCH(int, orientation);
        QFETCH(int, degrees);
        QFETCH(int, outcome);
        const QString path = fileOf(pattern, orientation);
        const QByteArray before = HostFiles::contents(path);
        const QImage storedBefore(path);
        const QImage seenBefore = seen(path);
        const QDateTime modified = QFileInfo(path).lastModified();

        const PhotoRotationWriter::Result result = PhotoRotationWriter::turn(path, degrees);
        QCOMPARE(int(result.outcome), outcome);
        if (result.outcome != Outcome::Turned) {
            QCOMPARE(HostFiles::contents(path), before);
            return;
        }
        QFETCH(int, written);
        QCOMPARE(PhotoMetadataReader::read(path, false).orientation, written);
        QCOMPARE(result.orientation, written);
        QCOMPARE(result.pixelsTurned, written == 0);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(seen(path), seenBefore.transformed(QTransform().rotate(degrees)));
        // Only the tag changed: the stored picture is the very same.
        if (!result.pixelsTurned)
            QCOMPARE(QImage(path), storedBefore);
    }
};

QTEST_MAIN(TestPhotoRotationWriter)
#include "tst_photorotationwriter.moc"
