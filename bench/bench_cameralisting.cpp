// Lists camera-like photos (1 to 24 MP, EXIF previews of 160x120, 320x240 or
// none, a few PNG screenshots; see tools/camera-corpus) through photo-host on
// mass storage, on the thumbnail list, until every file is listed and every
// row the window shows has its thumbnail (files without a preview are
// decoded only when their rows are shown), against the yardstick of the exiv2
// command line reading six tags and extracting preview 1 of the same files,
// 1,000 files a process. Both sides are measured in CPU (user + system; of
// the listing child from the listing's start, of the exiv2 processes in
// full) and in wall time, taking turns so that both see the same load; the
// best of the rounds counts. The verdict uses CPU time, which the
// neighbours' load moves least. The same is measured for the corpus's files
// with an embedded preview alone, which need no picture decoded.
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/listingwatcher.h"
#include "host/services/ocsharedvalue.h"

#include "cameracorpus.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "benchmeter.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kCorpusVersion = QStringLiteral("2");
const int kFilesPerProcess = 1000;

QStringList filesIn(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

QString previewFolder(const QString& corpus)
{
    return corpus + QStringLiteral("-previews");
}

bool ensureCorpus(const QString& folder, int photos)
{
    const QString marker = folder + QStringLiteral(".complete-") + kCorpusVersion;
    if (QFile::exists(marker))
        return true;
    QDir(folder).removeRecursively();
    std::printf("generating %d camera-like photos in %s ...\n", photos, qPrintable(folder));
    std::fflush(stdout);
    CameraCorpus corpus(photos);
    if (!corpus.generate(folder)) {
        std::fprintf(stderr, "%s\n", qPrintable(corpus.errorString()));
        return false;
    }
    // The files with an embedded preview again, as links: what the listing
    // costs where no picture needs decoding.
    const QString previews = previewFolder(folder);
    QDir(previews).removeRecursively();
    QDir().mkpath(previews);
    for (const CorpusPhoto& photo : corpus.photos()) {
        if (photo.previewSize.isEmpty())
            continue;
        const QString name
            = QString(photo.relativePath).replace(QLatin1Char('/'), QLatin1Char('_'));
        if (::link(QFile::encodeName(folder + QLatin1Char('/') + photo.relativePath).constData(),
                QFile::encodeName(previews + QLatin1Char('/') + name).constData())
            != 0)
            return false;
    }
    return QFile(marker).open(QIODevice::WriteOnly);
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

// posix_spawn leaves this process's pages alone, unlike fork.
bool spawnAndWait(const QStringList& arguments)
{
    QList<QByteArray> storage;
    for (const QString& argument : arguments)
        storage.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = posix_spawn(&child, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return started == 0 && waitpid(child, &status, 0) == child;
}

// exiv2 reading six tags, then extracting preview 1, of each 1,000 files.
Cost exivYardstick(const QStringList& files)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("exiv2"));
    QTemporaryDir previews;
    if (tool.isEmpty() || !previews.isValid())
        return {};
    QStringList tags = { tool, QStringLiteral("-q"), QStringLiteral("-Pv") };
    for (const char* key : { "Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.DateTimeOriginal",
             "Exif.Image.Orientation", "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude" })
        tags << QStringLiteral("-K") << QLatin1String(key);
    const QStringList extract = { tool, QStringLiteral("-q"), QStringLiteral("-f"),
        QStringLiteral("-ep1"), QStringLiteral("-l"), previews.path() };
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < files.size(); i += kFilesPerProcess) {
        const QStringList part = files.mid(i, kFilesPerProcess);
        if (!spawnAndWait(tags + part) || !spawnAndWait(extract + part))
            return {};
    }
    return { wall.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpu };
}

// One listing in this process; prints "RESULT wall cpu rows", counted from
// the listing's start (process flag 0x800) to the last thumbnail of the
// rows shown (flag 0x1000 clear).
int runOne(const QString& folder)
{
    QTemporaryDir config;
    HostOptions options;
    QString error;
    if (!HostOptions::parse(
            { QStringLiteral("photo-host"), QStringLiteral("--phone"), folder,
                QStringLiteral("--connection"), QStringLiteral("mass"), QStringLiteral("--view"),
                QStringLiteral("thumbs"), QStringLiteral("--config-dir"), config.path() },
            options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    QElapsedTimer clock;
    qint64 startNs = -1;
    double startCpu = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (startNs < 0
            && g_SharedValue.hasProcessState(
                OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing)) {
            startNs = clock.nsecsElapsed();
            startCpu = cpuSeconds(RUSAGE_SELF);
        }
    });
    HostApplication host(options);
    clock.start();
    if (!host.start())
        return 1;
    ticker.start();
    ListingWatcher thumbnails(host.pluginManager(), true, 3600 * 1000);
    qint64 doneNs = -1;
    double doneCpu = 0;
    QObject::connect(&thumbnails, &ListingWatcher::ready, [&] {
        doneNs = clock.nsecsElapsed();
        doneCpu = cpuSeconds(RUSAGE_SELF);
        QApplication::exit(0);
    });
    QObject::connect(&thumbnails, &ListingWatcher::timedOut, [] { QApplication::exit(3); });
    thumbnails.start();
    const int code = QApplication::exec();
    // The watcher sees the end on its second quiet 50 ms poll.
    const double late = 0.1;
    std::printf("RESULT %.3f %.3f\n", (doneNs - startNs) / 1e9 - late, doneCpu - startCpu);
    host.shutDown();
    return code;
}

Cost listingChild(const QString& folder)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--run"), folder });
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return {};
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields.at(0) == "RESULT")
            return { fields.at(1).toDouble(), fields.at(2).toDouble() };
    }
    return {};
}

Cost best(const Cost& a, const Cost& b)
{
    if (a.cpu < 0)
        return b;
    return b.cpu >= 0 && b.cpu < a.cpu ? b : a;
}

// One corpus's two sides, taking turns with the other corpus's.
struct Side
{
    Cost yardstick;
    Cost listing;
    Cost lastYardstick;
    Cost lastListing;

    void measure(const QStringList& files, const QString& folder)
    {
        lastYardstick = exivYardstick(files);
        lastListing = listingChild(folder);
        yardstick = best(yardstick, lastYardstick);
        listing = best(listing, lastListing);
    }
    bool valid() const { return yardstick.cpu > 0 && listing.cpu > 0; }
};

void costLine(const char* what, const Cost& cost, int files)
{
    std::printf("  %-44s %7.2f s CPU %7.2f s wall  (%.2f ms CPU a file)\n", what, cost.cpu,
        cost.wall, cost.cpu * 1000 / files);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--run"))
        return runOne(arguments.at(2));
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    // --photos N: another corpus size (1,000 by default); --rounds N: turns.
    auto option = [&](const char* name, int fallback) {
        const int at = arguments.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
    };
    const int photos = option("--photos", 1000);
    const int rounds = std::max(1, option("--rounds", 2));
    const QString folder = QStringLiteral(PHOTO_BENCH_CORPUS "/camera-%1").arg(photos);
    if (!ensureCorpus(folder, photos))
        return 1;
    const QStringList files = filesIn(folder);
    const QStringList previewFiles = filesIn(previewFolder(folder));
    const qint64 bytes = warmUp(files);
    std::printf("corpus: %d files (%d with an embedded preview), %.0f MB, in %s\n",
        int(files.size()), int(previewFiles.size()), bytes / 1e6, qPrintable(folder));

    Side all;
    Side previews;
    for (int round = 0; round < rounds; ++round) {
        all.measure(files, folder);
        previews.measure(previewFiles, previewFolder(folder));
        std::printf("round %d: exiv2 %.2f s CPU, photo-host %.2f s CPU; with previews only: "
                    "exiv2 %.2f s CPU, photo-host %.2f s CPU\n",
            round + 1, all.lastYardstick.cpu, all.lastListing.cpu, previews.lastYardstick.cpu,
            previews.lastListing.cpu);
        std::fflush(stdout);
    }
    if (!all.valid() || !previews.valid()) {
        std::fprintf(stderr, "a side failed\n");
        return 1;
    }
    std::printf("\nbest of %d rounds\n", rounds);
    costLine("exiv2: six tags and preview 1", all.yardstick, int(files.size()));
    costLine("photo-host: listed, thumbnails of rows shown", all.listing, int(files.size()));
    costLine("exiv2, files with a preview", previews.yardstick, int(previewFiles.size()));
    costLine("photo-host, files with a preview", previews.listing, int(previewFiles.size()));
    const double ratio = all.listing.cpu / all.yardstick.cpu;
    std::printf("\ntargets\n  1: mass storage listing with the thumbnails of the rows shown "
                "%.2f x the exiv2 yardstick in CPU (%.2f x in wall time), target 1.0: %s\n",
        ratio, all.listing.wall / all.yardstick.wall, ratio <= 1.0 ? "met" : "missed");
    std::printf("     the files with an embedded preview alone: %.2f x in CPU (%.2f x in wall "
                "time)\n",
        previews.listing.cpu / previews.yardstick.cpu,
        previews.listing.wall / previews.yardstick.wall);
    return ratio <= 1.0 ? 0 : 1;
}
