#pragma once

#include <QByteArray>
#include <QString>

// Turns a photo file by quarter turns without losing anything. Where the
// format carries an EXIF orientation (JPEG, WebP, TIFF) only that tag is
// rewritten, nothing is encoded again; a picture of a format without the tag
// is encoded again only where that is exact (PNG, BMP, PPM), and checked to
// be; anything else (an animation, a format without a writer, a lossy one)
// is refused. The file is replaced whole or not at all, with its times and
// permissions kept. Blocking file work: run it on a worker. Only values go
// in and out, so a job outliving its caller touches nothing.
class PhotoRotationWriter
{
public:
    enum class Outcome {
        Turned,
        ReadOnly, // the file or its folder cannot be written
        NotLossless, // no lossless way for this format
        Animated,
        TooLarge,
        Failed, // unreadable, damaged, vanished, or the write failed
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        // The EXIF orientation code the file has now (0: none, the pixels
        // are stored upright).
        int orientation = 0;
        bool pixelsTurned = false; // encoded again: width and height swap
        qint64 size = 0; // of the file written
        QString why; // for the log
    };

    // Files above this are refused (the viewer refuses them first).
    static constexpr qint64 MaxBytes = 100LL * 1024 * 1024;

    // Turns the file by degreesClockwise (a multiple of 90).
    static Result turn(const QString& fileSystemPath, int degreesClockwise);

private:
    // The bytes of the turned file, in place.
    static Result turnBytes(QByteArray& bytes, int degreesClockwise);
    static Result writeOrientation(QByteArray& bytes, int degreesClockwise);
    static Result encodeTurned(QByteArray& bytes, const QByteArray& format, int degreesClockwise);
    static bool replaceFile(const QString& fileSystemPath, const QByteArray& bytes, QString* why);
};
