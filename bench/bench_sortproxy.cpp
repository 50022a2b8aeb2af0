// Sorting the photo table through the host's sort proxy.
//
// 10,000 and 100,000 photos in the plug-in's table model, sorted by name and
// by date taken (both orders), through the proxy alone and with a visible
// table over it. Targets at 100,000 rows through the proxy: 150 ms by name,
// 100 ms by date. The ratio is printed, not judged: 10,000 rows fit the
// caches, 100,000 do not.
//
// Run a Release build: scripts/build.sh release bench_sortproxy, then
// build/release/bin/bench_sortproxy. Exit status 1 when a target is missed.

#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const char* const Words[] = { "Summer", "holiday", "IMG", "Screenshot", "Café", "beach", "Zoë",
    "birthday", "DSC", "party", "Ålesund", "mountain" };

std::vector<std::unique_ptr<CPhotoDataItem>> makeItems(int count)
{
    QRandomGenerator random(7);
    std::vector<std::unique_ptr<CPhotoDataItem>> items;
    items.reserve(count);
    const QDateTime start(QDate(2015, 1, 1), QTime(8, 0));
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<CPhotoDataItem>();
        const QString title = QStringLiteral("%1 %2 %3")
                                  .arg(QLatin1String(Words[random.bounded(12)]))
                                  .arg(random.bounded(100000))
                                  .arg(QLatin1String(Words[random.bounded(12)]));
        item->setPath(QStringLiteral("/DCIM/Camera/%1.jpg").arg(title));
        item->setTitle(title);
        item->setFileType(QStringLiteral("jpg"));
        item->setFileSize(quint32(random.bounded(100000, 8000000)));
        // A tenth without a date taken, as screenshots and downloads are.
        if (random.bounded(10))
            item->setShootingDate(start.addSecs(random.bounded(300000000)));
        item->deriveFolder();
        items.push_back(std::move(item));
    }
    return items;
}

struct Sample
{
    double best = 1e9;
    double median = 0;
};

template<typename Run> Sample measure(int repeats, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return { times.front(), times[times.size() / 2] };
}

// Alternating orders, so every run really reorders the rows.
Sample sortTime(OCSortFilterProxyModel& proxy, int column, bool withView)
{
    return measure(7, [&](int i) {
        proxy.sort(column, i % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        if (withView)
            QCoreApplication::processEvents();
    });
}

struct Row
{
    const char* what;
    int column;
    bool withView;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });

    const Row rows[] = { { "name, proxy", PhotoColumn::Name, false },
        { "date taken, proxy", PhotoColumn::DateTaken, false },
        { "name, shown table", PhotoColumn::Name, true },
        { "date taken, shown table", PhotoColumn::DateTaken, true } };
    const int sizes[] = { 10000, 100000 };
    Sample results[4][2];
    for (int s = 0; s < 2; ++s) {
        auto items = makeItems(sizes[s]);
        PhotoItemViewModel model(nullptr, nullptr);
        QList<CPhotoDataItem*> list;
        for (auto& item : items)
            list.append(item.get());
        model.AddItems(list);
        OCSortFilterProxyModel proxy;
        proxy.setSourceModel(&model);
        QTableView table;
        for (int r = 0; r < 4; ++r) {
            if (rows[r].withView && !table.model()) {
                table.setModel(&proxy);
                table.resize(1000, 700);
                table.show();
                QCoreApplication::processEvents();
            }
            results[r][s] = sortTime(proxy, rows[r].column, rows[r].withView);
        }
    }

    std::printf("%-26s %14s %14s %8s\n", "sort by", "10,000 ms", "100,000 ms", "ratio");
    bool met = true;
    for (int r = 0; r < 4; ++r) {
        const Sample& small = results[r][0];
        const Sample& large = results[r][1];
        const double ratio = large.best / small.best;
        std::printf("%-26s %6.1f (%5.1f) %6.1f (%5.1f) %8.1f\n", rows[r].what, small.best,
            small.median, large.best, large.median, ratio);
        const double limit = rows[r].column == PhotoColumn::Name ? 150 : 100;
        met = met && (rows[r].withView || large.best <= limit);
    }
    std::printf("(best of 7, median in brackets)\ntargets at 100,000 rows through the proxy: "
                "name 150 ms, date 100 ms: %s\n",
        met ? "met" : "MISSED");
    return met ? 0 : 1;
}
