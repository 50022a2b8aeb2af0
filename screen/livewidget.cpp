#include "screen/livewidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include "host/services/logcategories.h"

namespace {

struct State
{
    QMutex mutex;
    QWaitCondition returned;
    QWidget* widget = nullptr;
    PhotoItemViewWidget* screen = nullptr;
    int leases = 0;
};

State& state()
{
    static State shared;
    return shared;
}

} // namespace

LiveWidget::Lease::Lease(QWidget* widget, PhotoItemViewWidget* screen)
    : m_widget(widget)
    , m_screen(widget ? screen : nullptr)
{
}

LiveWidget::Lease::Lease(Lease&& other) noexcept
    : m_widget(other.m_widget)
    , m_screen(other.m_screen)
{
    other.m_widget = nullptr;
    other.m_screen = nullptr;
}

LiveWidget::Lease::~Lease()
{
    if (!m_widget)
        return;
    State& live = state();
    QMutexLocker lock(&live.mutex);
    --live.leases;
    live.returned.wakeAll();
}

LiveWidget::Lease LiveWidget::acquire()
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    if (live.widget)
        ++live.leases;
    return Lease(live.widget, live.screen);
}

void LiveWidget::publish(QWidget* widget, PhotoItemViewWidget* screen)
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    live.widget = widget;
    live.screen = screen;
}

bool LiveWidget::withdraw(int timeoutMs)
{
    State& live = state();
    QElapsedTimer waited;
    waited.start();
    QMutexLocker lock(&live.mutex);
    live.widget = nullptr;
    live.screen = nullptr;
    while (live.leases > 0 && waited.elapsed() < timeoutMs) {
        // A lease holder may be blocked in a call that this thread must run.
        lock.unlock();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lock.relock();
        if (live.leases > 0)
            live.returned.wait(&live.mutex, 5);
    }
    if (live.leases > 0) {
        qCWarning(lcScreen) << "LiveWidget::withdraw:" << live.leases
                            << "callbacks still hold the widget after" << timeoutMs << "ms";
        return false;
    }
    return true;
}

QWidget* LiveWidget::current()
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    return live.widget;
}
