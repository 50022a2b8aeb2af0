// Lists generated phones of 1,000 and 10,000 photos in every connection kind
// through photo-host itself (the plug-in loaded as the host loads it, the
// album page shown) and reports, per run: the time until the phone is listed,
// until every thumbnail is in, the peak memory (VmHWM) and the longest stall
// of the GUI thread. Each run is a child process, so its peak memory is its
// own. The yardsticks, measured in the same run:
// - the single-thread floor: every file, one after another and without a
//   GUI, read by the photo database (exiv2 tags, the preview) into a row of
//   a fresh SQLite database, and the stored thumbnail decoded;
// - the agent's answer to one thumbnail request on the media-transfer kinds.
// Corpora are generated once into the build folder and read once before
// timing, so the runs find them in the page cache.
#include "host/app/hostapplication.h"
#include "host/app/hostoptions.h"
#include "host/app/listingwatcher.h"
#include "host/app/mainwindow.h"
#include "host/app/pluginarea.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/storedthumbnail.h"
#include "host/widgets/cexttableview.h"
#include "model/photoroles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QSemaphore>
#include <QSet>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <numeric>

namespace {

const QString kCorpusVersion = QStringLiteral("2");
const int kDistinctPictures = 50;

struct Kind
{
    const char* option;
    const char* name;
};
const Kind kKinds[] = { { "mass", "mass storage" }, { "mtp", "media transfer" },
    { "mtp-basic", "basic media transfer" } };

QStringList photosIn(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, { QStringLiteral("*.jpg") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

bool ensureCorpus(const QString& folder, int photos)
{
    const QString marker = folder + QStringLiteral(".complete-") + kCorpusVersion;
    if (QFile::exists(marker))
        return true;
    QDir(folder).removeRecursively();
    std::printf("generating %d photos with previews in %s ...\n", photos, qPrintable(folder));
    std::fflush(stdout);
    SamplePhoneOptions options;
    options.seed = 11;
    options.photoCount = photos;
    options.extras = false;
    options.distinctPictures = kDistinctPictures;
    SamplePhoneGenerator generator(options);
    if (!generator.generate(folder)) {
        std::fprintf(stderr, "%s\n", qPrintable(generator.errorString()));
        return false;
    }
    return QFile(marker).open(QIODevice::WriteOnly);
}

void warmUp(const QStringList& files)
{
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            file.readAll();
    }
}

// The single-thread floor, in seconds.
double floorSeconds(const QStringList& files)
{
    QTemporaryDir dir;
    DBManager manager(dir.filePath(QStringLiteral("floor.db")));
    PhotoDB database(&manager, 1);
    QElapsedTimer timer;
    timer.start();
    int decoded = 0;
    for (const QString& file : files) {
        const QSqlRecord row = database.setItemData(file, true, 13);
        const QImage thumbnail
            = StoredThumbnail::picture(row.value(QStringLiteral("ThumbnailBinary")).toByteArray(),
                row.value(QStringLiteral("ThumbnailOrientation")).toInt());
        decoded += thumbnail.isNull() ? 0 : 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (decoded != files.size())
        std::printf("  floor: %d of %d thumbnails decoded\n", decoded, int(files.size()));
    return seconds;
}

std::atomic<qint64> g_answeredNs { 0 };
QSemaphore g_answered;
QElapsedTimer g_clock;

void OC_STDCALL onAnswer(int)
{
    g_answeredNs = g_clock.nsecsElapsed();
    g_answered.release();
}

struct Answers
{
    double average = 0;
    double p95 = 0;
    double largest = 0;
};

// Milliseconds from a thumbnail request to its callback.
Answers agentAnswers(const QString& folder, int kind, int samples)
{
    FolderPhoneAgent agent(folder, kind);
    const QStringList files = photosIn(folder).mid(0, samples);
    g_clock.start();
    QVector<double> times;
    for (const QString& file : files) {
        const qint64 asked = g_clock.nsecsElapsed();
        const int kindOfRequest = 2;
        if (agent.RequestThumbnails(agent.phonePathOf(file), kindOfRequest, &onAnswer) != 0
            || !g_answered.tryAcquire(1, 5000))
            continue;
        times.append((g_answeredNs - asked) / 1e6);
        QPixmap pixmap;
        agent.GetThumbnailImage(&pixmap);
    }
    Answers answers;
    if (times.isEmpty())
        return answers;
    std::sort(times.begin(), times.end());
    answers.average = std::accumulate(times.begin(), times.end(), 0.0) / times.size();
    answers.p95 = times.at(int(times.size() * 0.95));
    answers.largest = times.last();
    return answers;
}

qint64 peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The first screen is painted when an item view of the photo screen is
// filled down to its bottom edge (or holds every row) and each row it shows
// has its thumbnail. Rows are found by sampling the viewport.
bool firstScreenShown(const QWidget* screen)
{
    const int step = 24;
    for (QAbstractItemView* view : screen->findChildren<QAbstractItemView*>()) {
        const QAbstractItemModel* model = view->model();
        if (!view->isVisible() || !model || model->rowCount() == 0)
            continue;
        const QRect area = view->viewport()->rect();
        QSet<int> rows;
        bool filled = false;
        for (int y = 0; y < area.height(); y += step) {
            for (int x = 0; x < area.width(); x += step) {
                const QModelIndex index = view->indexAt(QPoint(x, y));
                if (!index.isValid())
                    continue;
                filled = filled || y >= area.height() - 4 * step;
                if (rows.contains(index.row()))
                    continue;
                rows.insert(index.row());
                const QVariant picture
                    = index.sibling(index.row(), PhotoColumn::Thumbnail).data(Qt::DecorationRole);
                if (picture.value<QPixmap>().isNull())
                    return false;
            }
        }
        if (!rows.isEmpty() && (filled || rows.size() == model->rowCount()))
            return true;
    }
    return false;
}

// One listing, in this process: prints "RESULT listed thumbs peak stall rows
// start firstscreen".
// kind "camera" opens the folder as libgphoto2's Directory Browse camera.
// configDir: kept between runs (the photo database), else a temporary one.
int runOne(const QString& folder, const QString& kind, bool waitForThumbnails,
    const QString& configDir = QString())
{
    QTemporaryDir temporary;
    const QString config = configDir.isEmpty() ? temporary.path() : configDir;
    QStringList arguments { QStringLiteral("photo-host") };
    if (kind == QLatin1String("camera"))
        arguments << QStringLiteral("--camera") << QStringLiteral("Directory Browse")
                  << QStringLiteral("--port") << QStringLiteral("disk:") + folder;
    else
        arguments << QStringLiteral("--phone") << folder << QStringLiteral("--connection") << kind;
    arguments << QStringLiteral("--view") << QStringLiteral("album")
              << QStringLiteral("--config-dir") << config;
    HostOptions options;
    QString error;
    // Another build of the plug-in, to compare with in the same run.
    const QString plugin = qEnvironmentVariable("PHOTO_BENCH_PLUGIN");
    if (!plugin.isEmpty())
        arguments << QStringLiteral("--plugin-library") << plugin;
    if (!HostOptions::parse(arguments, options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    // The GUI thread's longest gap between two ticks of a 5 ms timer, once
    // the window is up; the same ticks see the listing start (flag 0x800).
    QElapsedTimer sinceTick;
    qint64 stallNs = 0;
    qint64 stallAtMs = -1;
    qint64 listingStartMs = -1;
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.nsecsElapsed() > stallNs) {
            stallNs = sinceTick.nsecsElapsed();
            stallAtMs = clock.elapsed();
        }
        sinceTick.start();
        if (listingStartMs < 0
            && g_SharedValue.hasProcessState(
                OCGlobal::ITEM_PHONE_PHOTO, OCSharedValue::ProcessListing))
            listingStartMs = clock.elapsed();
    });

    HostApplication host(options);
    clock.start();
    if (!host.start())
        return 1;
    sinceTick.start();
    ticker.start();
    // Looked for every 20 ms from the listing's start; a run that only waits
    // for the listing also waits (at most 30 s more) for its first screen.
    qint64 firstScreenMs = -1;
    bool exitOnFirstScreen = false;
    QTimer firstScreen;
    firstScreen.setInterval(20);
    QWidget* screen = host.window()->pluginArea()->pluginWidget();
    QObject::connect(&firstScreen, &QTimer::timeout, [&] {
        if (listingStartMs < 0 || !screen || !firstScreenShown(screen))
            return;
        firstScreenMs = clock.elapsed();
        firstScreen.stop();
        if (exitOnFirstScreen)
            QApplication::exit(0);
    });
    firstScreen.start();
    const int hour = 3600 * 1000;
    ListingWatcher listed(host.pluginManager(), false, hour);
    ListingWatcher thumbnails(host.pluginManager(), true, hour);
    qint64 listedMs = -1;
    qint64 thumbsMs = -1;
    QObject::connect(&listed, &ListingWatcher::ready, [&] {
        listedMs = clock.elapsed();
        if (waitForThumbnails)
            return;
        if (firstScreenMs >= 0)
            QApplication::exit(0);
        exitOnFirstScreen = true;
        QTimer::singleShot(30000, [] { QApplication::exit(0); });
    });
    QObject::connect(&thumbnails, &ListingWatcher::ready, [&] {
        thumbsMs = clock.elapsed();
        QApplication::exit(0);
    });
    QObject::connect(&thumbnails, &ListingWatcher::timedOut, [] { QApplication::exit(3); });
    listed.start();
    thumbnails.start();
    // The watchers see the end within two of their 50 ms polls.
    const int code = QApplication::exec();
    auto* table = host.window()->pluginArea()->pluginWidget()->findChild<CExtTableView*>();
    const int rows = table && table->model() ? table->model()->rowCount() : -1;
    std::printf("RESULT %lld %lld %lld %.1f %d %lld %lld\n", listedMs, thumbsMs, peakMemoryKb(),
        stallNs / 1e6, rows, listingStartMs, firstScreenMs);
    std::fprintf(stderr, "  longest stall %.1f ms at %lld ms, listing started at %lld ms\n",
        stallNs / 1e6, stallAtMs, listingStartMs);
    host.shutDown();
    return code;
}

struct Result
{
    double listed = -1;
    double thumbs = -1;
    qint64 peakKb = -1;
    double stallMs = -1;
    int rows = -1;
    double started = 0; // when the listing started, from the host's start
    double firstScreen = -1; // the first screen painted, from the host's start
};

Result runChild(const QString& folder, const QString& kind, bool waitForThumbnails = true,
    const QString& configDir = QString())
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments { QStringLiteral("--run"), folder, kind };
    if (!waitForThumbnails)
        arguments.append(QStringLiteral("--listed-only"));
    if (!configDir.isEmpty())
        arguments << QStringLiteral("--config") << configDir;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    Result result;
    if (!child.waitForFinished(-1))
        return result;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("RESULT "))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 7)
            break;
        result.listed = fields.at(1).toDouble() / 1000;
        result.thumbs = fields.at(2).toDouble() / 1000;
        result.peakKb = fields.at(3).toLongLong();
        result.stallMs = fields.at(4).toDouble();
        result.rows = fields.at(5).toInt();
        result.started = std::max(0.0, fields.at(6).toDouble() / 1000);
        if (fields.size() >= 8 && fields.at(7).toLongLong() >= 0)
            result.firstScreen = fields.at(7).toDouble() / 1000;
    }
    return result;
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printHeader()
{
    std::printf("\n%-22s %7s %9s %9s %12s %9s %12s %6s %14s\n", "kind", "photos", "start s",
        "listed s", "thumbnails s", "peak MB", "GUI stall ms", "rows", "first screen s");
}

void printResult(const char* kind, int size, const Result& result)
{
    std::printf("%-22s %7d %9.2f %9.2f %12.2f %9.1f %12.1f %6d %14.2f\n", kind, size,
        result.started, result.listed, result.thumbs, result.peakKb / 1024.0, result.stallMs,
        result.rows, result.firstScreen);
    std::fflush(stdout);
}

// --large: 10,000 against 50,000 photos. Times count from the listing's
// start, so the host's start-up does not flatter the ratio. On the media
// transfer kinds only the listing is timed: their thumbnail chain asks the
// phone for one picture every 50 ms by design, 42 minutes for 50,000.
int runLarge(const QString& corpus)
{
    const int small = 10000;
    const int large = 50000;
    QMap<int, QString> folders;
    for (int size : { small, large }) {
        folders[size] = QStringLiteral("%1/listing-%2").arg(corpus).arg(size);
        if (!ensureCorpus(folders[size], size))
            return 1;
    }
    printHeader();
    bool met = true;
    for (const Kind& kind : kKinds) {
        const bool massStorage = kind.option == kKinds[0].option;
        QMap<int, Result> runs;
        for (int size : { small, large }) {
            warmUp(photosIn(folders[size]));
            runs[size] = runChild(folders[size], QLatin1String(kind.option), massStorage);
            printResult(kind.name, size, runs[size]);
        }
        const Result& a = runs[small];
        const Result& b = runs[large];
        const double listed = (b.listed - b.started) / (a.listed - a.started);
        const double thumbs
            = massStorage ? (b.thumbs - b.started) / (a.thumbs - a.started) : listed;
        const double perPhotoKb = double(b.peakKb) / large;
        const double marginalKb = double(b.peakKb - a.peakKb) / (large - small);
        const bool kindMet = listed <= 5.5 && thumbs <= 5.5 && perPhotoKb <= 64 && b.rows == large
            && std::max(a.stallMs, b.stallMs) <= 50;
        std::printf("  target 6 and scaling, 50,000 against 10,000: listed %.2f x, thumbnails %.2f "
                    "x (target 5.5); "
                    "peak memory %.1f KB a photo, %.1f KB for each photo more (target 64); "
                    "longest GUI stall %.1f ms (target 50): %s\n",
            listed, thumbs, perPhotoKb, marginalKb, std::max(a.stallMs, b.stallMs),
            verdict(kindMet));
        met = met && kindMet;
    }
    return met ? 0 : 1;
}

// --listing [--baseline-plugin FILE]: 10,000 photos listed, without waiting
// for thumbnails, in every kind, one after another in this run; first with
// the baseline build of the plug-in when one is given. Times count from the
// listing's start.
void listingTargets(const QString& folder, int size, const char* label)
{
    QMap<QString, Result> runs;
    for (const Kind& kind : kKinds) {
        runs[QLatin1String(kind.option)] = runChild(folder, QLatin1String(kind.option), false);
        printResult(kind.name, size, runs[QLatin1String(kind.option)]);
    }
    const auto listing = [](const Result& result) { return result.listed - result.started; };
    const double mass = listing(runs[QStringLiteral("mass")]);
    double worstStall = 0;
    qint64 peakKb = 0;
    for (const Result& result : runs) {
        worstStall = std::max(worstStall, result.stallMs);
        peakKb = std::max(peakKb, result.peakKb);
    }
    std::printf("targets, %s plug-in\n", label);
    for (const Kind& kind : kKinds) {
        const Result& run = runs[QLatin1String(kind.option)];
        const double limit = kind.option == kKinds[0].option ? 0.3 : 1.5;
        const double shown = run.firstScreen - run.started;
        std::printf("  target 3, %s, %d photos: first screen of thumbnails painted %.2f s after "
                    "the listing's start (target %.1f s): %s\n",
            kind.name, size, shown, limit, verdict(run.firstScreen >= 0 && shown <= limit));
    }
    for (const char* kind : { "mtp", "mtp-basic" }) {
        const double ratio = listing(runs[QLatin1String(kind)]) / mass;
        std::printf("  target 5, %s, %d photos listed in %.2f s against mass storage's %.2f s: "
                    "%.2f x (target 1.5): %s\n",
            kind, size, listing(runs[QLatin1String(kind)]), mass, ratio, verdict(ratio <= 1.5));
    }
    const double perPhotoKb = double(peakKb) / size;
    std::printf("  target 6, %d photos: longest GUI stall %.1f ms (target 50), peak memory %.1f KB "
                "a photo (target 64): %s\n",
        size, worstStall, perPhotoKb, verdict(worstStall <= 50 && perPhotoKb <= 64));
    std::fflush(stdout);
}

int runListingTargets(const QString& corpus, const QString& baselinePlugin)
{
    const int size = 10000;
    const QString folder = QStringLiteral("%1/listing-%2").arg(corpus).arg(size);
    if (!ensureCorpus(folder, size))
        return 1;
    warmUp(photosIn(folder));
    if (!baselinePlugin.isEmpty()) {
        qputenv("PHOTO_BENCH_PLUGIN", baselinePlugin.toLocal8Bit());
        printHeader();
        listingTargets(folder, size, "baseline");
        qunsetenv("PHOTO_BENCH_PLUGIN");
    }
    printHeader();
    listingTargets(folder, size, "this");
    return 0;
}

// --reopen: a phone opened twice with one photo database, the second time
// showing the thumbnails kept from the first; times from the host's start
// until every thumbnail is in. 600 photos, or 10,000 with --large.
int runReopen(const QString& corpus, bool large)
{
    const int size = large ? 10000 : 600;
    const QString folder = QStringLiteral("%1/listing-%2").arg(corpus).arg(size);
    if (!ensureCorpus(folder, size))
        return 1;
    warmUp(photosIn(folder));
    bool met = true;
    for (const Kind& kind : { Kind { "mtp", "media transfer" }, Kind { "camera", "camera" } }) {
        QTemporaryDir config;
        printHeader();
        const Result first = runChild(folder, QLatin1String(kind.option), true, config.path());
        printResult(kind.name, size, first);
        const Result again = runChild(folder, QLatin1String(kind.option), true, config.path());
        printResult(kind.name, size, again);
        const bool shown = first.rows == size && again.rows == size;
        const bool kindMet
            = shown && (large ? again.thumbs < 3.0 : again.thumbs <= 0.1 * first.thumbs);
        if (large)
            std::printf("target 4, %s, %d photos opened again: %.2f s (target 3 s): %s\n",
                kind.name, size, again.thumbs, verdict(kindMet));
        else
            std::printf("target 4, %s, %d photos opened again: %.2f s against %.2f s, %.3f x "
                        "(target 0.1): %s\n",
                kind.name, size, again.thumbs, first.thumbs, again.thumbs / first.thumbs,
                verdict(kindMet));
        met = met && kindMet;
    }
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 4 && arguments.at(1) == QLatin1String("--run")) {
        const int config = arguments.indexOf(QStringLiteral("--config"));
        return runOne(arguments.at(2), arguments.at(3),
            !arguments.contains(QStringLiteral("--listed-only")),
            config > 0 && config + 1 < arguments.size() ? arguments.at(config + 1) : QString());
    }
    // The yardsticks' own log lines would only clutter the report.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });

    // --quick: 1,000 photos only, for a look at the figures.
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const QString corpus = QStringLiteral(PHOTO_BENCH_CORPUS);
    if (arguments.contains(QStringLiteral("--reopen")))
        return runReopen(corpus, arguments.contains(QStringLiteral("--large")));
    if (arguments.contains(QStringLiteral("--large")))
        return runLarge(corpus);
    if (arguments.contains(QStringLiteral("--listing"))) {
        const int baseline = arguments.indexOf(QStringLiteral("--baseline-plugin"));
        return runListingTargets(corpus, baseline > 0 ? arguments.value(baseline + 1) : QString());
    }
    QList<int> sizes { 1000, 10000 };
    if (quick)
        sizes = { 1000 };
    QMap<int, QString> folders;
    for (int size : sizes) {
        folders[size] = QStringLiteral("%1/listing-%2").arg(corpus).arg(size);
        if (!ensureCorpus(folders[size], size))
            return 1;
        warmUp(photosIn(folders[size]));
    }

    const int largest = sizes.last();
    const double floor = floorSeconds(photosIn(folders[largest]));
    std::printf("single-thread floor, %d photos: %.2f s (%.2f ms a photo)\n", largest, floor,
        floor * 1000 / largest);
    for (int kind : { int(ConnectionKind::Mtp), int(ConnectionKind::MtpBasic) }) {
        const Answers answer = agentAnswers(folders[sizes.first()], kind, 200);
        std::printf("agent thumbnail answer, kind 0x%x: %.2f ms on average, %.2f ms for 95 %% of "
                    "them, %.2f ms at most (target 10 ms: %s)\n",
            kind, answer.average, answer.p95, answer.largest, verdict(answer.largest <= 10));
    }
    // Seconds from the host's start; the listing starts after the window is up.
    printHeader();
    QMap<QString, QMap<int, Result>> results;
    for (const Kind& kind : kKinds) {
        for (int size : sizes) {
            const Result result = runChild(folders[size], QLatin1String(kind.option));
            results[QLatin1String(kind.option)][size] = result;
            printResult(kind.name, size, result);
        }
    }

    std::printf("\ntargets\n");
    const Result& mass = results[QStringLiteral("mass")][largest];
    // The floor has no start-up: the run counts from the listing's start.
    const double massListing = mass.thumbs - mass.started;
    std::printf("  mass storage, %d photos, thumbnails in %.2f s after the listing started: "
                "%.2f x the floor (target 1.5: %s)\n",
        largest, massListing, massListing / floor, verdict(massListing <= 1.5 * floor));
    double worstStall = 0;
    for (const Kind& kind : kKinds) {
        const QMap<int, Result>& runs = results[QLatin1String(kind.option)];
        for (const Result& result : runs)
            worstStall = std::max(worstStall, result.stallMs);
        if (quick)
            continue;
        const double listed = runs[10000].listed / runs[1000].listed;
        const double thumbs = runs[10000].thumbs / runs[1000].thumbs;
        std::printf(
            "  %s, 10,000 against 1,000: listed %.1f x, thumbnails %.1f x (target 11: %s)\n",
            kind.name, listed, thumbs, verdict(listed <= 11 && thumbs <= 11));
    }
    std::printf(
        "  longest GUI stall: %.1f ms (target 50: %s)\n", worstStall, verdict(worstStall <= 50));
    return 0;
}
