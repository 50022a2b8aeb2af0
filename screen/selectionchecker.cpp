#include "screen/selectionchecker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <atomic>

#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"

struct SelectionChecker::Check
{
    QStringList paths;
    QList<QPersistentModelIndex> rows; // GUI thread only
    QVector<bool> found; // the job's until it has ended
    std::atomic<bool> cancelled { false };
    bool skipped = false;
};

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// One thread: checks run one after another, and one stuck in the agent
// holds up only the checks after it. Never deleted: deleting a pool waits
// for its threads, and a stuck one must not hold up the end of the process.
QThreadPool* checkThreads()
{
    static QThreadPool* pool = [] {
        auto* threads = new QThreadPool;
        threads->setMaxThreadCount(1);
        return threads;
    }();
    return pool;
}

bool otherWorkRuns()
{
    const quint32 busy = OCSharedValue::ProcessDelete | OCSharedValue::ProcessListing;
    const quint32 transfer = OCSharedValue::ProcessTransferB;
    return g_SharedValue.hasProcessState(PhotoType, busy | transfer)
        || g_SharedValue.hasProcessState(OCGlobal::ITEM_PC_PHOTO, transfer);
}

} // namespace

SelectionChecker::SelectionChecker(QObject* parent, bool yields)
    : QObject(parent)
    , m_yields(yields)
{
}

SelectionChecker::~SelectionChecker()
{
    cancel();
}

void SelectionChecker::start(
    const QList<QPersistentModelIndex>& rows, const QStringList& paths, IDeviceNexaAgent* agent)
{
    cancel();
    if (paths.isEmpty())
        return;
    auto check = std::make_shared<Check>();
    check->rows = rows;
    check->paths = paths;
    m_current = check;
    ++m_running;
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, check] {
        watcher->deleteLater();
        onCheckEnded(check);
    });
    // The job holds only its own check and the agent, nothing of the GUI.
    const bool yields = m_yields;
    watcher->setFuture(QtConcurrent::run(checkThreads(), [check, agent, yields] {
        if (check->cancelled)
            return;
        if (yields && otherWorkRuns()) {
            check->skipped = true;
            return;
        }
        for (const QString& path : qAsConst(check->paths)) {
            if (check->cancelled)
                break;
            check->found.append(!agent || agent->IsFileExist(path));
        }
    }));
    qCDebug(lcScreen) << "SelectionChecker::start:" << paths.size() << "paths";
}

void SelectionChecker::cancel()
{
    if (!m_current)
        return;
    m_current->cancelled = true;
    m_current.reset();
}

bool SelectionChecker::isRunning() const
{
    return m_running > 0;
}

bool SelectionChecker::waitForIdle(int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (m_running > 0 && waited.elapsed() < ms) {
        // The count drops in the watchers' finished signals, which come as events.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
    if (m_running > 0)
        qCWarning(lcScreen) << "SelectionChecker::waitForIdle:" << m_running
                            << "checks still asking the phone";
    return m_running == 0;
}

void SelectionChecker::onCheckEnded(const std::shared_ptr<Check>& check)
{
    --m_running;
    if (check != m_current || check->cancelled) {
        qCDebug(lcScreen) << "SelectionChecker: an old check's answer dropped";
        return;
    }
    m_current.reset();
    if (check->skipped) {
        qCDebug(lcScreen) << "SelectionChecker: skipped, other work runs";
        return;
    }
    emit finished(check->rows, check->found);
}
