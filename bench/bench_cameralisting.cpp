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
// Then the album page: after the same listing, sorted by folder, the cells in view whose
// thumbnail is smaller than the cell are decoded again from their files;
// their cost is set against the listing's, and the files decoded against
// the cells in view.
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/listingwatcher.h"
#include "host/services/ocsharedvalue.h"
#include "model/photoroles.h"

#include "cameracorpus.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStackedWidget>
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

// The plug-in's log of the sharpening: the files it decodes, and when its
// last line came.
struct SharpenLog
{
    QStringList decoded;
    int early = 0; // decodes before the rows in view had their thumbnails
    bool ready = false;
    qint64 lastNs = -1;
    double lastCpu = 0;
    const QElapsedTimer* clock = nullptr;
    QtMessageHandler next = nullptr;
};
SharpenLog g_sharpenLog;

void logSharpening(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    static const QString decode = QStringLiteral("ThumbnailSharpener::startNext: decode ");
    if (text.startsWith(QLatin1String("ThumbnailSharpener::"))) {
        if (text.startsWith(decode)) {
            g_sharpenLog.decoded.append(text.mid(decode.size()).section(QLatin1Char(' '), 2));
            g_sharpenLog.early += g_sharpenLog.ready ? 0 : 1;
        }
        g_sharpenLog.lastNs = g_sharpenLog.clock->nsecsElapsed();
        g_sharpenLog.lastCpu = cpuSeconds(RUSAGE_SELF);
    }
    if (g_sharpenLog.next)
        g_sharpenLog.next(type, context, text);
}

// The paths of the album cells in view.
QStringList pathsInView()
{
    QStringList paths;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* screen = top->findChild<QStackedWidget*>(QStringLiteral("device_photo"));
        QWidget* page = screen ? screen->currentWidget() : nullptr;
        for (QAbstractItemView* view :
            page ? page->findChildren<QAbstractItemView*>() : QList<QAbstractItemView*>()) {
            QAbstractItemModel* model = view->isVisible() ? view->model() : nullptr;
            for (int row = 0; model && row < model->rowCount(); ++row) {
                const QModelIndex index = model->index(row, 0);
                if (view->visualRect(index).intersects(view->viewport()->rect()))
                    paths.append(index.data(PhotoRole::PathRole).toString());
            }
        }
    }
    return paths;
}

// The album page sorted by folder, as a user looking for the camera's
// photos does: its first screen is the camera's folder, whose previews are
// the smallest (the day sort starts with the undated, preview-less files).
void sortByFolder()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (QAbstractButton* button : top->findChildren<QAbstractButton*>()) {
            if (button->text() == QLatin1String("Folder") && button->isVisible())
                button->click();
        }
    }
}

// One listing in this process; prints "RESULT wall cpu", counted from the
// listing's start (process flag 0x800) to the last thumbnail of the rows
// shown (flag 0x1000 clear). On the album page (album true) it then sorts by
// folder and goes on until the sharpening has been quiet for a second, and prints "SHARPEN wall cpu
// cells decoded outside": its cost after the listing, the cells in view, the
// files decoded and those of them not in view.
int runOne(const QString& folder, bool album)
{
    QTemporaryDir config;
    HostOptions options;
    QString error;
    if (!HostOptions::parse(
            { QStringLiteral("photo-host"), QStringLiteral("--phone"), folder,
                QStringLiteral("--connection"), QStringLiteral("mass"), QStringLiteral("--view"),
                album ? QStringLiteral("album") : QStringLiteral("thumbs"),
                QStringLiteral("--config-dir"), config.path() },
            options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    QElapsedTimer clock;
    qint64 startNs = -1;
    double startCpu = 0;
    qint64 doneNs = -1;
    double doneCpu = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (startNs < 0
            && g_SharedValue.hasProcessState(
                OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing)) {
            startNs = clock.nsecsElapsed();
            startCpu = cpuSeconds(RUSAGE_SELF);
        }
        const qint64 quietNs = 1000 * 1000 * 1000LL;
        const qint64 lastNs = std::max(doneNs, g_sharpenLog.lastNs);
        if (album && doneNs >= 0 && clock.nsecsElapsed() - lastNs > quietNs)
            QApplication::exit(0);
    });
    HostApplication host(options);
    clock.start();
    if (!host.start())
        return 1;
    g_sharpenLog.clock = &clock;
    g_sharpenLog.next = qInstallMessageHandler(logSharpening);
    ticker.start();
    ListingWatcher thumbnails(host.pluginManager(), true, 3600 * 1000);
    QObject::connect(&thumbnails, &ListingWatcher::ready, [&] {
        doneNs = clock.nsecsElapsed();
        doneCpu = cpuSeconds(RUSAGE_SELF);
        g_sharpenLog.ready = true;
        if (!album)
            QApplication::exit(0);
        else
            sortByFolder();
    });
    QObject::connect(&thumbnails, &ListingWatcher::timedOut, [] { QApplication::exit(3); });
    thumbnails.start();
    const int code = QApplication::exec();
    // The watcher sees the end on its second quiet 50 ms poll.
    const double late = 0.1;
    std::printf("RESULT %.3f %.3f\n", (doneNs - startNs) / 1e9 - late, doneCpu - startCpu);
    if (album) {
        const QStringList inView = pathsInView();
        int outside = 0;
        for (const QString& path : g_sharpenLog.decoded)
            outside += inView.contains(path) ? 0 : 1;
        const bool sharpened = g_sharpenLog.lastNs > doneNs;
        std::printf("SHARPEN %.3f %.3f %d %d %d %d\n",
            sharpened ? (g_sharpenLog.lastNs - doneNs) / 1e9 : 0.0,
            sharpened ? g_sharpenLog.lastCpu - doneCpu : 0.0, int(inView.size()),
            int(g_sharpenLog.decoded.size()), outside, g_sharpenLog.early);
    }
    qInstallMessageHandler(g_sharpenLog.next);
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

// The album page's listing and the sharpening of its first screen.
struct Sharpening
{
    Cost listing;
    Cost upgrades;
    int cells = 0;
    int decoded = 0;
    int outside = 0;
    int early = 0;
    bool valid() const { return listing.cpu > 0 && upgrades.cpu >= 0; }
};

Sharpening albumChild(const QString& folder)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--album"), folder });
    Sharpening result;
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return result;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields.at(0) == "RESULT")
            result.listing = { fields.at(1).toDouble(), fields.at(2).toDouble() };
        if (fields.size() == 7 && fields.at(0) == "SHARPEN") {
            result.upgrades = { fields.at(1).toDouble(), fields.at(2).toDouble() };
            result.cells = fields.at(3).toInt();
            result.decoded = fields.at(4).toInt();
            result.outside = fields.at(5).toInt();
            result.early = fields.at(6).toInt();
        }
    }
    return result;
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
        return runOne(arguments.at(2), false);
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--album"))
        return runOne(arguments.at(2), true);
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

    // Met: only cells in view decoded, at most once each, and none before the
    // rows in view had their thumbnails, so the first screen (target 3) waits
    // for no upgrade. The cost is a screen's, whatever the listing's size.
    Sharpening album;
    for (int round = 0; round < rounds; ++round) {
        const Sharpening run = albumChild(folder);
        if (run.valid() && (!album.valid() || run.upgrades.cpu < album.upgrades.cpu))
            album = run;
    }
    if (!album.valid()) {
        std::fprintf(stderr, "the album page's run failed\n");
        return 1;
    }
    const double share = album.upgrades.cpu / album.listing.cpu;
    const bool sharpMet = album.outside == 0 && album.early == 0 && album.decoded > 0
        && album.decoded <= album.cells;
    std::printf("  2: album page by folder, %d cells in view: %d files decoded (%d not in view, "
                "%d before the first screen), %.2f s CPU (%.1f ms a file), %.2f s wall after "
                "the listing, %.2f x the listing's %.2f s CPU; target only cells in view, "
                "after the first screen: %s\n",
        album.cells, album.decoded, album.outside, album.early, album.upgrades.cpu,
        album.decoded ? album.upgrades.cpu * 1000 / album.decoded : 0.0, album.upgrades.wall, share,
        album.listing.cpu, sharpMet ? "met" : "missed");
    return ratio <= 1.0 && sharpMet ? 0 : 1;
}
