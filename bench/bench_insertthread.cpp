// Merging item events through the insert thread into a model shown through a
// sort proxy in a table view: events per second, and how the time grows from
// N to 10 N events.
#include "host/contract/devicefilerecord.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/logsink.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "screen/photoitemviewwidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

CPhotoDataItem* deviceItem(int number)
{
    DeviceFileRecord record;
    record.path
        = CString(QStringLiteral("/Phone/DCIM/Camera/IMG_%1.jpg").arg(number, 6, 10, QChar('0')));
    record.fileName = CString(QStringLiteral("IMG_%1.jpg").arg(number));
    record.objectId = CString(QStringLiteral("o%1").arg(number));
    record.type = CString(QStringLiteral("jpg"));
    record.size = 1000 + (number * 7919) % 5000000;
    record.width = 4000;
    record.height = 3000;
    record.modifiedDate = CString(QStringLiteral("2023-04-05T06:07:08"));
    return new CPhotoDataItem(reinterpret_cast<quintptr>(&record));
}

// One run: a fresh list, model and view; returns milliseconds.
qint64 run(IDBManager* manager, const QList<ItemEvent*>& events, bool loadMode, int* rows)
{
    OCMediaItemList list(new PhotoDB(manager, 1), new PhotoDB(manager, 2), nullptr);
    PhotoItemViewWidget screen;
    PhotoItemViewModel model(nullptr, nullptr);
    screen.setMediaList(&list);
    screen.setModel(&model);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.sort(2, Qt::AscendingOrder);
    QTableView view;
    view.setModel(&proxy);
    screen.addWidget(&view);
    screen.setCurrentWidget(&view);
    screen.resize(800, 600);
    if (!qEnvironmentVariableIsSet("BENCH_HIDDEN"))
        screen.show();
    QCoreApplication::processEvents();

    auto* thread = new OCModelInsertThread(loadMode, &screen);
    thread->setMediaList(&list);
    thread->setModel(&model);
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);

    QElapsedTimer timer;
    timer.start();
    for (ItemEvent* event : events)
        thread->addData(event);
    if (loadMode)
        thread->exec();
    else
        thread->finish();
    thread->start();
    loop.exec();
    QCoreApplication::processEvents(); // the last repaint belongs to the run
    const qint64 elapsed = timer.elapsed();
    *rows = proxy.rowCount();
    screen.removeWidget(&view);
    delete thread;
    return qMax<qint64>(1, elapsed);
}

QList<ItemEvent*> deviceEvents(int count)
{
    QList<ItemEvent*> events;
    for (int i = 0; i < count; ++i)
        events.append(new ItemEvent(ItemEventCode::ListedFull, deviceItem(i)));
    return events;
}

QList<ItemEvent*> fileEvents(const QStringList& files)
{
    QList<ItemEvent*> events;
    for (const QString& file : files)
        events.append(new ItemEvent(ItemEventCode::Listed, new CPhotoDataItem(file)));
    return events;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetAppPath(dir.path());
    if (!qEnvironmentVariableIsSet("BENCH_NOLOG"))
        InstallLogSink(dir.filePath("bench.log"), false); // as the host runs
    else
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QTextStream out(stdout);

    DBManager manager(dir.filePath("photo.db"));
    int rows = 0;

    // Code 2: the device record carries everything.
    const int small = 1000;
    const int large = 10000;
    run(&manager, deviceEvents(200), false, &rows); // warm-up
    const qint64 smallMs = run(&manager, deviceEvents(small), false, &rows);
    const qint64 largeMs = run(&manager, deviceEvents(large), false, &rows);
    const double rate = large * 1000.0 / largeMs;
    const double ratio = double(largeMs) / smallMs;
    out << QStringLiteral("code 2: %1 events in %2 ms, %3 events/s (target >= 20000), rows %4\n")
               .arg(large)
               .arg(largeMs)
               .arg(rate, 0, 'f', 0)
               .arg(rows);
    out << QStringLiteral(
        "code 2 scaling: %1 events %2 ms, %3 events %4 ms, ratio %5 (target <= 11)\n")
               .arg(small)
               .arg(smallMs)
               .arg(large)
               .arg(largeMs)
               .arg(ratio, 0, 'f', 2);

    // Code 1: each file's row comes from the photo database.
    QDir().mkpath(dir.filePath("phone"));
    QStringList files;
    QImage picture(96, 72, QImage::Format_RGB32);
    for (int i = 0; i < 2000; ++i) {
        picture.fill(QColor::fromHsv(i % 360, 200, 200));
        const QString file = dir.filePath(QStringLiteral("phone/P%1.jpg").arg(i));
        picture.save(file, "JPG");
        files << file;
    }
    const qint64 firstMs = run(&manager, fileEvents(files), true, &rows);
    out << QStringLiteral(
        "code 1, rows made by the database: %1 events in %2 ms, %3 events/s, rows %4\n")
               .arg(files.size())
               .arg(firstMs)
               .arg(files.size() * 1000.0 / firstMs, 0, 'f', 0)
               .arg(rows);
    const qint64 cachedMs = run(&manager, fileEvents(files), true, &rows);
    out << QStringLiteral("code 1, rows already stored: %1 events in %2 ms, %3 events/s, rows %4\n")
               .arg(files.size())
               .arg(cachedMs)
               .arg(files.size() * 1000.0 / cachedMs, 0, 'f', 0)
               .arg(rows);
    const qint64 code1SmallMs = run(&manager, fileEvents(files.mid(0, 200)), true, &rows);
    out << QStringLiteral(
        "code 1 scaling (stored rows): 200 events %1 ms, 2000 events %2 ms, ratio %3\n")
               .arg(code1SmallMs)
               .arg(cachedMs)
               .arg(double(cachedMs) / code1SmallMs, 0, 'f', 2);
    out.flush();
    RemoveLogSink();
    return (rate >= 20000 && ratio <= 11) ? 0 : 1;
}
