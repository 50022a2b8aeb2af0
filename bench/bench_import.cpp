// Measures an import against its yardstick: the device agent copying the
// same photos one job per file with nothing else done (what "Transfer to PC"
// did before it imported). The import adds a staging folder, a SHA-256 of
// each copy, a read of its date taken, a ledger row and a rename. Run for N
// and 10 N photos of a folder phone over media transfer, then once more to
// see what "nothing new" costs. CPU times decide; wall times are shown.
#include "host/app/importengine.h"
#include "host/app/phonecatalog.h"
#include "host/db/dbmanager.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "benchmeter.h"

namespace {

template<typename Work> Cost measure(Work work)
{
    QElapsedTimer timer;
    const double cpu = cpuSeconds();
    timer.start();
    work();
    return { timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu };
}

std::mutex g_mutex;
std::condition_variable g_ended;
bool g_done = false;

void OC_STDCALL onProgress(qint64, qint64, int, CString)
{
}
void OC_STDCALL onCompletion(int, int)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_done = true;
    g_ended.notify_all();
}

// The yardstick: one agent job per photo into one folder, nothing more.
void plainCopies(FolderPhoneAgent& agent, const QList<ImportSource>& photos, const QString& folder)
{
    for (const ImportSource& photo : photos) {
        g_done = false;
        if (agent.TransferFiles(
                { photo.phonePath }, folder, "toPC", &onProgress, &onCompletion, -1, 1, 0)
            != 0)
            continue;
        std::unique_lock<std::mutex> lock(g_mutex);
        g_ended.wait(lock, [] { return g_done; });
    }
}

QList<ImportSource> listed(FolderPhoneAgent& agent)
{
    PhoneCatalog catalog(&agent);
    QSignalSpy done(&catalog, &PhoneCatalog::listed);
    catalog.start(600000);
    done.wait(600000);
    return done.isEmpty() ? QList<ImportSource>()
                          : done.first().first().value<QList<ImportSource>>();
}

ImportSummary import(ImportEngine& engine, const QList<ImportSource>& photos, const QString& to)
{
    ImportRequest request;
    request.sources = photos;
    request.destination = to;
    QSignalSpy finished(&engine, &ImportEngine::finished);
    engine.start(request);
    finished.wait(3600000);
    return finished.isEmpty() ? ImportSummary() : finished.first().first().value<ImportSummary>();
}

struct Run
{
    int photos = 0;
    Cost plain;
    Cost first;
    Cost again;
};

Run runFor(int count, const QString& scratch)
{
    Run run;
    const QString phone = scratch + QStringLiteral("/phone-%1").arg(count);
    SamplePhoneOptions options;
    options.seed = 11;
    options.photoCount = count;
    options.extras = false;
    options.distinctPictures = 8;
    SamplePhoneGenerator(options).generate(phone);
    FolderPhoneAgent agent(phone, ConnectionKind::Mtp);
    const QList<ImportSource> photos = listed(agent);
    run.photos = photos.size();
    run.plain = measure(
        [&] { plainCopies(agent, photos, scratch + QStringLiteral("/plain-%1").arg(count)); });
    DBManager database(scratch + QStringLiteral("/photos-%1.db").arg(count));
    ImportEngine engine(&agent, &database);
    const QString to = scratch + QStringLiteral("/Pictures-%1").arg(count);
    ImportSummary first;
    run.first = measure([&] { first = import(engine, photos, to); });
    ImportSummary again;
    run.again = measure([&] { again = import(engine, photos, to); });
    if (first.copied != run.photos || again.alreadyThere != run.photos)
        std::fprintf(stderr, "bench_import: %d photos, %d copied, then %d already there\n",
            run.photos, first.copied, again.alreadyThere);
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int small = quick ? 50 : 200;
    QTemporaryDir scratch;
    const Run a = runFor(small, scratch.path());
    const Run b = runFor(small * 10, scratch.path());
    for (const Run& run : { a, b }) {
        std::printf("%5d photos: plain copies %.2f s CPU (%.2f s wall), import %.2f s CPU (%.2f "
                    "s wall) = %.2f x, again with nothing new %.2f s CPU (%.2f s wall)\n",
            run.photos, run.plain.cpu, run.plain.wall, run.first.cpu, run.first.wall,
            run.first.cpu / qMax(run.plain.cpu, 1e-6), run.again.cpu, run.again.wall);
    }
    std::printf("import of %dx the photos: %.2f x the CPU (target 11 x); per photo at %d: import "
                "%.2f ms CPU, plain copy %.2f ms, nothing new %.3f ms\n",
        b.photos / qMax(a.photos, 1), b.first.cpu / qMax(a.first.cpu, 1e-6), b.photos,
        1000 * b.first.cpu / qMax(b.photos, 1), 1000 * b.plain.cpu / qMax(b.photos, 1),
        1000 * b.again.cpu / qMax(b.photos, 1));
    return 0;
}
