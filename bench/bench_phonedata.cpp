// Measures the photo database and the phone agent against their yardsticks:
// setItemData against the exiv2 command-line tool (photos with an embedded
// preview) and against a bare scaled decode (photos without one), and the
// agent's listing speed. The corpus is generated once and kept in the build
// folder; every file is read once before timing so it sits in the page cache.
//
// The machine is shared, so wall time swings with the neighbours' load. Each
// figure is given as CPU time (user + system, of this process or of the exiv2
// processes) and as wall time; the verdicts use CPU time.
#include "host/contract/devicefilerecord.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/db/photometadatareader.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <QSemaphore>

#include <atomic>
#include <cstdio>
#include <functional>

#include <vector>

#include "benchmeter.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr int kPhotos = 1000;
constexpr int kListedFiles = 10000;
const QString kCorpusVersion = QStringLiteral("4");

QStringList filesIn(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, { QStringLiteral("*.jpg") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

qint64 warmUp(const QStringList& files)
{
    qint64 bytes = 0;
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll().size();
    }
    return bytes;
}

bool ensurePhotos(const QString& folder, bool preview)
{
    const QString marker = folder + QStringLiteral("/.complete-") + kCorpusVersion;
    if (QFile::exists(marker))
        return true;
    QDir(folder).removeRecursively();
    std::printf("generating %d 12-MP photos %s preview in %s ...\n", kPhotos,
        preview ? "with" : "without", qPrintable(folder));
    std::fflush(stdout);
    SamplePhoneOptions options;
    options.seed = preview ? 101 : 202;
    options.photoCount = kPhotos;
    options.largePhotos = true;
    options.embedPreview = preview;
    options.extras = false;
    options.distinctPictures = 12; // encoding 12-MP pictures is the slow part
    SamplePhoneGenerator generator(options);
    if (!generator.generate(folder)) {
        std::fprintf(stderr, "%s\n", qPrintable(generator.errorString()));
        return false;
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return true;
}

bool ensureListingCorpus(const QString& folder)
{
    // The marker lives beside the folder: the listing must see only the photos.
    const QString marker = folder + QStringLiteral(".complete-") + kCorpusVersion;
    if (QFile::exists(marker))
        return true;
    QDir(folder).removeRecursively();
    QTemporaryDir sample;
    SamplePhoneOptions options;
    options.photoCount = 20;
    options.extras = false;
    SamplePhoneGenerator generator(options);
    if (!generator.generate(sample.path()))
        return false;
    QList<QByteArray> photos;
    for (const SamplePhoto& photo : generator.photos()) {
        QFile file(sample.filePath(photo.relativePath));
        file.open(QIODevice::ReadOnly);
        photos.append(file.readAll());
    }
    for (int i = 0; i < kListedFiles; ++i) {
        const QString sub = QStringLiteral("%1/DCIM/Folder%2").arg(folder).arg(i / 1000);
        if (i % 1000 == 0)
            QDir().mkpath(sub);
        QFile file(QStringLiteral("%1/IMG_%2.jpg").arg(sub).arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(photos.at(i % photos.size())) < 0)
            return false;
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return true;
}

Cost exivTool(const QStringList& files)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("exiv2"));
    if (tool.isEmpty())
        return { -1, -1 };
    QStringList arguments = { QStringLiteral("-q"), QStringLiteral("-Pv") };
    for (const char* key : { "Exif.Photo.DateTimeOriginal", "Exif.Image.Orientation",
             "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", "Exif.GPSInfo.GPSLongitude",
             "Exif.GPSInfo.GPSLongitudeRef", "Exif.Photo.PixelXDimension",
             "Exif.Photo.PixelYDimension" })
        arguments << QStringLiteral("-K") << QLatin1String(key);
    const Meter meter(RUSAGE_CHILDREN);
    // Batches keep the command line short; one process serves many files.
    // posix_spawn, unlike fork, leaves this process's pages alone: after a
    // fork every page this process writes would fault once, a cost that would
    // land on setItemData's side.
    for (int i = 0; i < files.size(); i += 250) {
        QList<QByteArray> storage;
        storage.append(QFile::encodeName(tool));
        for (const QString& argument : arguments + files.mid(i, 250))
            storage.append(QFile::encodeName(argument));
        std::vector<char*> argv;
        for (QByteArray& argument : storage)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        const int started
            = posix_spawn(&child, argv.front(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (started != 0 || waitpid(child, &status, 0) != child)
            return { -1, -1 };
    }
    return meter.stop();
}

Cost operator+(const Cost& a, const Cost& b)
{
    return { a.wall + b.wall, a.cpu + b.cpu };
}

Cost setItemData(PhotoDB& db, const QStringList& files, int* rows)
{
    const Meter meter;
    for (const QString& file : files)
        *rows += db.setItemData(file, true, 13).isEmpty() ? 0 : 1;
    return meter.stop();
}

// The yardstick and setItemData take turns chunk by chunk, so both run
// under the same load from the neighbours.
void compare(const QStringList& files, int chunk,
    const std::function<Cost(const QStringList&)>& yardstick, Cost* theirs, Cost* mine, int* rows,
    Cost* cached)
{
    QTemporaryDir dir;
    DBManager manager(dir.filePath(QStringLiteral("bench.db")));
    PhotoDB db(&manager, 1);
    *theirs = *mine = Cost { 0, 0 };
    *rows = 0;
    for (int i = 0; i < files.size(); i += chunk) {
        const QStringList part = files.mid(i, chunk);
        *theirs = *theirs + yardstick(part);
        *mine = *mine + setItemData(db, part, rows);
    }
    int again = 0;
    *cached = setItemData(db, files, &again);
}

Cost scaledDecode(const QStringList& files)
{
    const Meter meter;
    int decoded = 0;
    for (const QString& file : files) {
        QImageReader reader(file);
        reader.setScaledSize(PhotoMetadataReader::thumbnailSize(reader.size()));
        decoded += reader.read().isNull() ? 0 : 1;
    }
    if (decoded != files.size())
        std::printf("  (only %d of %d decoded)\n", decoded, int(files.size()));
    return meter.stop();
}

std::atomic<int> g_listed { 0 };
QSemaphore g_listingDone;

void OC_STDCALL countItems(int code, quintptr info)
{
    if (code == ItemLoadCode::Item && info)
        ++g_listed;
    else if (code != ItemLoadCode::Started && code != ItemLoadCode::Event)
        g_listingDone.release();
}

// Files per second of wall and of CPU time.
Cost listingRate(const QString& folder, int kind, int* listed)
{
    FolderPhoneAgent agent(folder, kind);
    agent.SetItemLoadCallback(&countItems);
    g_listed = 0;
    const Meter meter;
    if (agent.StartItemLoad(QStringLiteral("ROOT")) != AgentResult::ListingStarted)
        return {};
    g_listingDone.acquire();
    const Cost cost = meter.stop();
    *listed = g_listed;
    return { g_listed / cost.wall, g_listed / cost.cpu };
}

void perFile(const char* what, const Cost& cost, int files)
{
    std::printf("  %-28s %8.1f us/file CPU  %8.1f us/file wall\n", what, cost.cpu * 1e6 / files,
        cost.wall * 1e6 / files);
}

void ratioLine(const char* what, const Cost& mine, const Cost& yardstick, double limit)
{
    const double ratio = mine.cpu / yardstick.cpu;
    std::printf("  %-30s %6.2fx CPU (%5.2fx wall)  target <= %.1fx  %s\n", what, ratio,
        mine.wall / yardstick.wall, limit, ratio <= limit ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString corpus
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PHOTO_BENCH_CORPUS);
    const QString withPreview = corpus + QStringLiteral("/preview");
    const QString withoutPreview = corpus + QStringLiteral("/nopreview");
    const QString listing = corpus + QStringLiteral("/listing");
    if (!ensurePhotos(withPreview, true) || !ensurePhotos(withoutPreview, false)
        || !ensureListingCorpus(listing))
        return 1;

    const QStringList previewFiles = filesIn(withPreview);
    const QStringList plainFiles = filesIn(withoutPreview);
    const qint64 bytes = warmUp(previewFiles) + warmUp(plainFiles) + warmUp(filesIn(listing));
    std::printf("corpus: %d + %d photos of 12 MP (%.0f MB incl. listing files)\n",
        int(previewFiles.size()), int(plainFiles.size()), bytes / 1e6);

    int rows = 0;
    Cost cached;
    Cost exivPreview;
    Cost dbPreview;
    compare(previewFiles, 250, exivTool, &exivPreview, &dbPreview, &rows, &cached);
    const int n = previewFiles.size();
    std::printf("\nwith embedded preview (%d photos, %d rows):\n", n, rows);
    perFile("exiv2 tool", exivPreview, n);
    perFile("setItemData", dbPreview, n);
    perFile("setItemData, cached row", cached, n);
    if (exivPreview.cpu > 0)
        ratioLine("setItemData / exiv2 tool", dbPreview, exivPreview, 5.0);

    Cost decodePlain;
    Cost dbPlain;
    compare(plainFiles, 25, scaledDecode, &decodePlain, &dbPlain, &rows, &cached);
    const int m = plainFiles.size();
    std::printf("\nwithout embedded preview (%d photos, %d rows):\n", m, rows);
    perFile("QImageReader scaled decode", decodePlain, m);
    perFile("setItemData", dbPlain, m);
    ratioLine("setItemData / scaled decode", dbPlain, decodePlain, 1.2);

    std::printf("\nagent listing (%d files):\n", kListedFiles);
    const QPair<const char*, int> kinds[]
        = { { "mass storage (0x80000)", ConnectionKind::MassStorage },
              { "media transfer (0x40000)", ConnectionKind::Mtp },
              { "media transfer, minimal (0x10000)", ConnectionKind::MtpBasic } };
    for (const auto& kind : kinds) {
        int listed = 0;
        const Cost rate = listingRate(listing, kind.second, &listed);
        std::printf(
            "  %-34s %8.0f files/s CPU  %8.0f files/s wall (%d files)  target >= 50000  %s\n",
            kind.first, rate.cpu, rate.wall, listed, rate.cpu >= 50000 ? "ok" : "MISSED");
    }
    return 0;
}
