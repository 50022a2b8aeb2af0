#include "appservices.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <unistd.h>

namespace {

std::atomic<qint64> g_budget{0};

qint64 defaultBudget()
{
    const qint64 envMb = qEnvironmentVariableIntValue("PHOTOHOST_MEMORY_BUDGET_MB");
    if (envMb > 0)
        return envMb * 1024 * 1024;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return qint64(4) * 1024 * 1024 * 1024;
    return qint64(pages) * pageSize * 3 / 4;
}

} // namespace

void MsgPeekAndPump()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

qint64 CurrentMemoryUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

void SetMemoryBudget(qint64 bytes)
{
    g_budget = bytes;
}

qint64 MemoryBudget()
{
    const qint64 budget = g_budget;
    return budget > 0 ? budget : defaultBudget();
}

bool IsMemoryOverflow()
{
    return CurrentMemoryUse() > MemoryBudget();
}
