#include "hostilephone.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

#include <climits>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <zlib.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

using Picture = HostilePhone::Picture;

QByteArray jpeg(const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size / 2), Qt::white); // not one flat colour
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    return bytes;
}

// The JPEG with an EXIF segment right after its start marker.
QByteArray withExif(const QByteArray& picture, const Exiv2::ExifData& exif)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    QByteArray segment("\xFF\xE1", 2);
    const int length = int(blob.size()) + 8;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment.append("Exif\0\0", 6);
    segment.append(reinterpret_cast<const char*>(blob.data()), int(blob.size()));
    return picture.left(2) + segment + picture.mid(2);
}

QByteArray withPosition(
    const QSize& size, const char* latitude, const char* latitudeRef, bool asText = false)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Hostile";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = latitudeRef;
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    if (asText) {
        Exiv2::AsciiValue text;
        text.read(latitude);
        exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &text);
    } else {
        Exiv2::URationalValue degrees;
        degrees.read(latitude);
        exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &degrees);
    }
    Exiv2::URationalValue longitude;
    longitude.read("2/1 21/1 3/1");
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), &longitude);
    return withExif(jpeg(size, Qt::darkGreen), exif);
}

// A small JPEG whose frame header claims width x height.
QByteArray lyingJpeg(int width, int height)
{
    QByteArray bytes = jpeg(QSize(16, 16), Qt::red);
    const int frame = bytes.indexOf("\xFF\xC0");
    if (frame < 0)
        return {};
    bytes[frame + 5] = char(height >> 8);
    bytes[frame + 6] = char(height & 0xFF);
    bytes[frame + 7] = char(width >> 8);
    bytes[frame + 8] = char(width & 0xFF);
    return bytes;
}

QByteArray withLyingThumbnail(const QSize& size)
{
    const QByteArray thumbnail = lyingJpeg(23000, 23000);
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Hostile";
    Exiv2::ExifThumb(exif).setJpegThumbnail(
        reinterpret_cast<const Exiv2::byte*>(thumbnail.constData()), long(thumbnail.size()));
    return withExif(jpeg(size, Qt::blue), exif);
}

void appendBe32(QByteArray& bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
}

void appendLe32(QByteArray& bytes, quint32 value)
{
    for (int shift = 0; shift <= 24; shift += 8)
        bytes.append(char((value >> shift) & 0xFF));
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    appendBe32(png, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    png.append(typed);
    appendBe32(png,
        quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
}

// A valid black-and-white PNG of side x side pixels: a few hundred
// kilobytes that decode to gigabytes.
QByteArray hugePng(quint32 side)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBe32(header, side);
    appendBe32(header, side);
    header.append("\x01\x00\x00\x00\x00", 5); // 1 bit grey, no interlace
    appendChunk(png, "IHDR", header);
    z_stream stream {};
    deflateInit(&stream, 9);
    const QByteArray row(int(1 + (side + 7) / 8), '\0'); // filter byte, then pixels
    QByteArray out(1 << 16, '\0');
    QByteArray data;
    for (quint32 y = 0; y <= side; ++y) {
        const bool last = y == side;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            data.append(out.constData(), out.size() - int(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// A 24-bit BMP of 16 pixels' width and the given height field.
QByteArray bmp(qint32 height)
{
    const int rows = height == INT_MIN ? 16 : qAbs(height);
    const QByteArray pixels(rows * 48, char(0x80));
    QByteArray bytes("BM");
    appendLe32(bytes, quint32(54 + pixels.size()));
    appendLe32(bytes, 0);
    appendLe32(bytes, 54);
    appendLe32(bytes, 40);
    appendLe32(bytes, 16);
    appendLe32(bytes, quint32(height));
    bytes.append("\x01\x00\x18\x00", 4); // one plane, 24 bits
    for (int i = 0; i < 6; ++i)
        appendLe32(bytes, 0);
    return bytes + pixels;
}

bool setModified(const QString& path, qint64 seconds)
{
    const struct timespec times[2] = { { time_t(seconds), 0 }, { time_t(seconds), 0 } };
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool makeSocket(const QString& path)
{
    // A socket's path must be short: bind it through the folder's descriptor.
    const int folder = ::open(
        QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QStringLiteral("/proc/self/fd/%1/").arg(folder).toLatin1()
        + QFile::encodeName(QFileInfo(path).fileName());
    qstrncpy(address.sun_path, name.constData(), sizeof(address.sun_path));
    const bool ok = folder >= 0 && socket >= 0 && name.size() < int(sizeof(address.sun_path))
        && ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (socket >= 0)
        ::close(socket);
    if (folder >= 0)
        ::close(folder);
    return ok;
}

} // namespace
#pragma GCC diagnostic pop

HostilePhone::HostilePhone(const QString& folder, bool withLargeFiles)
    : m_folder(folder)
    , m_largeFiles(withLargeFiles)
{
}

QString HostilePhone::storage() const
{
    return m_folder + QStringLiteral("/phone");
}

QString HostilePhone::outside() const
{
    return m_folder + QStringLiteral("/outside");
}

int HostilePhone::expectedSkips(int reason) const
{
    int count = 0;
    for (const Entry& entry : m_entries)
        count += entry.skipReason == reason ? 1 : 0;
    return count;
}

bool HostilePhone::fail(const QString& what)
{
    m_error = what;
    return false;
}

bool HostilePhone::build()
{
    m_entries.clear();
    if (!QDir().mkpath(storage() + QStringLiteral("/DCIM/Camera")) || !QDir().mkpath(outside()))
        return fail(QStringLiteral("cannot make %1").arg(m_folder));
    try {
        return addSpecialFiles() && addLinks() && addNames() && addPictures() && addNumbers()
            && addPositions() && addDeepPath();
    } catch (const std::exception& error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}

bool HostilePhone::addFile(const Entry& entry, const QByteArray& bytes)
{
    const QString path = storage() + QLatin1Char('/') + entry.relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return fail(QStringLiteral("cannot write %1").arg(path));
    Entry expected = entry;
    if (expected.listed && expected.size == -1)
        expected.size = bytes.size();
    expect(expected);
    return true;
}

bool HostilePhone::addSpecialFiles()
{
    const QString fifo = QStringLiteral("DCIM/Camera/fifo.jpg");
    const QString socket = QStringLiteral("DCIM/Camera/socket.png");
    if (::mkfifo(QFile::encodeName(storage() + QLatin1Char('/') + fifo).constData(), 0644) != 0
        || !makeSocket(storage() + QLatin1Char('/') + socket))
        return fail(QStringLiteral("cannot make the FIFO and the socket"));
    expect({ QStringLiteral("fifo named like a photo"), fifo, false, ListingReport::SpecialFile,
        Picture::Unusable, -1, QSize() });
    expect({ QStringLiteral("socket named like a photo"), socket, false, ListingReport::SpecialFile,
        Picture::Unusable, -1, QSize() });
    return true;
}

bool HostilePhone::addLinks()
{
    QFile secret(outside() + QStringLiteral("/secret.jpg"));
    if (!secret.open(QIODevice::WriteOnly) || secret.write(jpeg(QSize(20, 20), Qt::black)) <= 0)
        return fail(QStringLiteral("cannot write outside the phone"));
    secret.close();
    const struct
    {
        const char* name;
        const char* link;
        const char* target;
        int reason;
    } links[] = {
        { "link to a file outside", "DCIM/Camera/outside.jpg", "../../../outside/secret.jpg",
            ListingReport::LeadsOutside },
        { "link to a system file", "DCIM/passwd.jpg", "/etc/passwd", ListingReport::LeadsOutside },
        { "link to a folder outside", "DCIM/elsewhere", "../../outside",
            ListingReport::LeadsOutside },
        { "looping link, first", "DCIM/loop-a.jpg", "loop-b.jpg", ListingReport::Unreadable },
        { "looping link, second", "DCIM/loop-b.jpg", "loop-a.jpg", ListingReport::Unreadable },
        { "dangling link", "DCIM/gone.jpg", "nowhere.jpg", ListingReport::Unreadable },
        { "folder link back up", "DCIM/Camera/up", "..", -1 },
    };
    for (const auto& link : links) {
        const QString path = storage() + QLatin1Char('/') + QLatin1String(link.link);
        if (::symlink(link.target, QFile::encodeName(path).constData()) != 0)
            return fail(QStringLiteral("cannot link %1").arg(path));
        expect({ QLatin1String(link.name), QLatin1String(link.link), false, link.reason,
            Picture::Unusable, -1, QSize() });
    }
    const QByteArray plain = jpeg(QSize(64, 48), Qt::darkCyan);
    if (!addFile({ QStringLiteral("plain photo"), QStringLiteral("DCIM/Camera/plain.jpg"), true, -1,
                     Picture::Thumbnail, -1, QSize(64, 48) },
            plain))
        return false;
    if (::symlink("Camera/plain.jpg",
            QFile::encodeName(storage() + QStringLiteral("/DCIM/alias.jpg")).constData())
        != 0)
        return fail(QStringLiteral("cannot link alias.jpg"));
    expect({ QStringLiteral("link to a photo inside"), QStringLiteral("DCIM/alias.jpg"), true, -1,
        Picture::Thumbnail, plain.size(), QSize(64, 48) });
    return true;
}

bool HostilePhone::addNames()
{
    const QString notUtf8 = QFile::decodeName("DCIM/caf\xE9.jpg");
    // The bytes of U+F75C, the character that stands for "\" in stored paths.
    const QString escapeLike = QFile::decodeName("DCIM/pua\xEF\x9D\x9C.jpg");
    const QString longName
        = QStringLiteral("DCIM/") + QString(251, QLatin1Char('n')) + QStringLiteral(".jpg");
    const struct
    {
        QString name;
        QString path;
        QSize size;
    } files[] = {
        { QStringLiteral("case-only twin, upper"), QStringLiteral("DCIM/Twins/IMG.JPG"),
            QSize(64, 48) },
        { QStringLiteral("case-only twin, lower"), QStringLiteral("DCIM/Twins/img.jpg"),
            QSize(32, 24) },
        { QStringLiteral("name not UTF-8"), notUtf8, QSize(40, 30) },
        { QStringLiteral("name with the escape's bytes"), escapeLike, QSize(44, 33) },
        { QStringLiteral("backslash in a file name"), QStringLiteral("DCIM/a\\b.jpg"),
            QSize(48, 36) },
        { QStringLiteral("folder and file the backslash is not"), QStringLiteral("DCIM/a/b.jpg"),
            QSize(24, 18) },
        { QStringLiteral("backslash in a folder name"), QStringLiteral("DCIM/x\\y/z.jpg"),
            QSize(20, 20) },
        { QStringLiteral("folders the backslash is not"), QStringLiteral("DCIM/x/y/z.jpg"),
            QSize(30, 30) },
        { QStringLiteral("line break in a name"), QStringLiteral("DCIM/line\nbreak.jpg"),
            QSize(36, 24) },
        { QStringLiteral("name of 255 bytes"), longName, QSize(28, 21) },
    };
    for (const auto& file : files) {
        if (!addFile({ file.name, file.path, true, -1, Picture::Thumbnail, -1, file.size },
                jpeg(file.size, Qt::darkYellow)))
            return false;
    }
    return true;
}

bool HostilePhone::addPictures()
{
    if (!addFile({ QStringLiteral("zero-byte jpeg"), QStringLiteral("DCIM/Camera/empty.jpg"), true,
                     -1, Picture::Unusable, 0, QSize() },
            QByteArray())
        || !addFile({ QStringLiteral("damaged jpeg"), QStringLiteral("DCIM/Camera/damaged.jpg"),
                        true, -1, Picture::Unusable, -1, QSize() },
            QByteArray("\xFF\xD8\xFF\xE0 this is no picture at all", 30))
        || !addFile({ QStringLiteral("jpeg whose exif thumbnail declares 23000x23000"),
                        QStringLiteral("DCIM/Camera/lying-thumbnail.jpg"), true, -1,
                        Picture::Thumbnail, -1, QSize(230, 230) },
            withLyingThumbnail(QSize(230, 230)))
        || !addFile({ QStringLiteral("jpeg declaring 65000x65000"),
                        QStringLiteral("DCIM/Camera/lying-frame.jpg"), true, -1, Picture::Thumbnail,
                        -1, QSize(65000, 65000) },
            lyingJpeg(65000, 65000))
        || !addFile(
            { QStringLiteral("bmp of height INT_MIN"), QStringLiteral("Pictures/height-min.bmp"),
                true, -1, Picture::Unusable, -1, QSize() },
            bmp(INT_MIN))
        || !addFile(
            { QStringLiteral("bmp stored top-down"), QStringLiteral("Pictures/top-down.bmp"), true,
                -1, Picture::Thumbnail, -1, QSize(16, 16) },
            bmp(-16)))
        return false;
    if (!m_largeFiles)
        return true;
    return addFile(
        { QStringLiteral("png declaring 60000x60000"), QStringLiteral("Pictures/huge.png"), true,
            -1, Picture::Placeholder, -1, QSize(60000, 60000) },
        hugePng(60000));
}

bool HostilePhone::addNumbers()
{
    const QByteArray picture = jpeg(QSize(50, 40), Qt::magenta);
    const struct
    {
        const char* name;
        const char* path;
        qint64 seconds;
    } times[] = {
        { "modified before 1902", "DCIM/old.jpg", qint64(INT_MIN) - 1000000 },
        { "modified after 2400", "DCIM/future.jpg", qint64(16725225600) },
    };
    for (const auto& time : times) {
        const Entry entry { QLatin1String(time.name), QLatin1String(time.path), true, -1,
            Picture::Thumbnail, -1, QSize(50, 40) };
        if (!addFile(entry, picture)
            || !setModified(storage() + QLatin1Char('/') + entry.relativePath, time.seconds))
            return fail(QStringLiteral("cannot date %1").arg(entry.relativePath));
    }
    if (!m_largeFiles)
        return true;
    // Sparse: gigabytes that take no room, a small photo at their start.
    const qint64 sizes[] = { (qint64(2) << 30) + 1, (qint64(4) << 30) + 7 };
    for (qint64 size : sizes) {
        const Entry entry { QStringLiteral("sparse file of %1 bytes").arg(size),
            QStringLiteral("DCIM/sparse-%1.jpg").arg(size), true, -1, Picture::Thumbnail, size,
            QSize(50, 40) };
        if (!addFile(entry, picture)
            || !QFile::resize(storage() + QLatin1Char('/') + entry.relativePath, size))
            return fail(QStringLiteral("cannot grow %1").arg(entry.relativePath));
    }
    return true;
}

bool HostilePhone::addPositions()
{
    const QSize size(40, 40);
    const struct
    {
        const char* name;
        const char* path;
        const char* latitude;
        const char* reference;
        bool asText;
        bool kept;
    } positions[] = {
        { "gps in range", "GPS/paris.jpg", "48/1 51/1 24/1", "N", false, true },
        { "gps latitude of text type", "GPS/text.jpg", "48 51 24", "N", true, false },
        { "gps latitude over 90 degrees", "GPS/pole.jpg", "95/1 0/1 0/1", "N", false, false },
        { "gps minutes over 60", "GPS/minutes.jpg", "45/1 75/1 0/1", "N", false, false },
        { "gps reference neither N nor S", "GPS/reference.jpg", "48/1 51/1 24/1", "X", false,
            false },
        { "gps with a zero denominator", "GPS/zero.jpg", "48/0 51/1 24/1", "N", false, false },
    };
    for (const auto& position : positions) {
        if (!addFile({ QLatin1String(position.name), QLatin1String(position.path), true, -1,
                         Picture::Thumbnail, -1, size, position.kept },
                withPosition(size, position.latitude, position.reference, position.asText)))
            return false;
    }
    return true;
}

// Folders nested past what the system can open by path, made one below the
// other through descriptors.
bool HostilePhone::addDeepPath()
{
    int folder = ::open(QFile::encodeName(storage() + QStringLiteral("/DCIM")).constData(),
        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QString relative = QStringLiteral("DCIM");
    const QByteArray level(250, 'd');
    for (int depth = 0; folder >= 0 && depth < 17; ++depth) {
        ::mkdirat(folder, level.constData(), 0755);
        const int next = ::openat(folder, level.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = next;
        relative += QLatin1Char('/') + QString::fromLatin1(level);
    }
    const QByteArray picture = jpeg(QSize(10, 10), Qt::gray);
    const int file
        = folder >= 0 ? ::openat(folder, "far.jpg", O_WRONLY | O_CREAT | O_CLOEXEC, 0644) : -1;
    const bool written
        = file >= 0 && ::write(file, picture.constData(), size_t(picture.size())) == picture.size();
    if (file >= 0)
        ::close(file);
    if (folder >= 0)
        ::close(folder);
    if (!written)
        return fail(QStringLiteral("cannot make the deep path"));
    expect({ QStringLiteral("path longer than the system allows"),
        relative + QStringLiteral("/far.jpg"), false, ListingReport::PathTooLong, Picture::Unusable,
        -1, QSize() });
    return true;
}

QMap<QByteArray, QByteArray> HostilePhone::snapshot(const QString& folder)
{
    QProcess find;
    find.start(QStringLiteral("find"),
        { folder, QStringLiteral("-printf"), QStringLiteral("%P\\t%y\\t%s\\t%T@\\t%l\\0") });
    find.waitForFinished(-1);
    QMap<QByteArray, QByteArray> entries;
    for (const QByteArray& line : find.readAllStandardOutput().split('\0')) {
        const QByteArray path = line.left(line.indexOf('\t'));
        QByteArray facts = line.mid(path.size());
        QFile file(folder + QLatin1Char('/') + QFile::decodeName(path));
        if (facts.startsWith("\tf") && file.size() < (1 << 20) && file.open(QIODevice::ReadOnly))
            facts += QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
        entries.insert(path, facts);
    }
    return entries;
}

bool HostilePhone::removeTree(const QString& folder)
{
    // rm walks by descriptors, so paths of any length go.
    return QProcess::execute(QStringLiteral("rm"), { QStringLiteral("-rf"), folder }) == 0;
}
