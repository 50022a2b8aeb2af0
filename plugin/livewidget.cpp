#include "plugin/livewidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include "host/services/logcategories.h"
#include "plugin/ocpluginwidget.h"

namespace {

struct State
{
    QMutex mutex;
    QWaitCondition returned;
    OCPluginWidget* widget = nullptr;
    int leases = 0;
};

State& state()
{
    static State shared;
    return shared;
}

} // namespace

LiveWidget::Lease::Lease(OCPluginWidget* widget)
    : m_widget(widget)
{
}

LiveWidget::Lease::Lease(Lease&& other) noexcept
    : m_widget(other.m_widget)
{
    other.m_widget = nullptr;
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

PhotoItemViewWidget* LiveWidget::Lease::screen() const
{
    return m_widget ? m_widget->view() : nullptr;
}

LiveWidget::Lease LiveWidget::acquire()
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    if (live.widget)
        ++live.leases;
    return Lease(live.widget);
}

void LiveWidget::publish(OCPluginWidget* widget)
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    live.widget = widget;
}

bool LiveWidget::withdraw(int timeoutMs)
{
    State& live = state();
    QElapsedTimer waited;
    waited.start();
    QMutexLocker lock(&live.mutex);
    live.widget = nullptr;
    while (live.leases > 0 && waited.elapsed() < timeoutMs) {
        // A lease holder may be blocked in a call that this thread must run.
        lock.unlock();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lock.relock();
        if (live.leases > 0)
            live.returned.wait(&live.mutex, 5);
    }
    if (live.leases > 0) {
        qCWarning(lcPlugin) << "LiveWidget::withdraw:" << live.leases
                            << "callbacks still hold the widget after" << timeoutMs << "ms";
        return false;
    }
    return true;
}

OCPluginWidget* LiveWidget::current()
{
    State& live = state();
    QMutexLocker lock(&live.mutex);
    return live.widget;
}
