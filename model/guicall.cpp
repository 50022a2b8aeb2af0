#include "model/guicall.h"

#include <QDebug>
#include <QMetaObject>
#include <QObject>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

enum Phase : int { Pending, Running, Given, Finished };

struct CallState
{
    std::atomic<int> phase { Pending };
    QSemaphore settled; // released once, when the call finished or was dropped
};

// Lives as long as the posted call; if Qt drops the call unrun (its context
// was destroyed), the waiting worker is released instead of waiting forever.
struct DropGuard
{
    explicit DropGuard(std::shared_ptr<CallState> callState)
        : state(std::move(callState))
    {
    }
    ~DropGuard()
    {
        int expected = Pending;
        if (state->phase.compare_exchange_strong(expected, Given))
            state->settled.release();
    }
    std::shared_ptr<CallState> state;
};

} // namespace

GuiCall::Result GuiCall::run(QObject* context, std::function<void()> function,
    const std::function<bool()>& stopRequested, int stepMs)
{
    if (!context || !function)
        return Cancelled;
    if (QThread::currentThread() == context->thread()) {
        qDebug() << "device_photo"
                 << "GuiCall::run"
                 << ": called on the target thread";
        function();
        return Done;
    }

    auto state = std::make_shared<CallState>();
    auto guard = std::make_shared<DropGuard>(state);
    QMetaObject::invokeMethod(
        context,
        [guard, function = std::move(function)]() {
            CallState& call = *guard->state;
            int expected = Pending;
            if (!call.phase.compare_exchange_strong(expected, Running))
                return; // the worker gave up before we got here
            function();
            call.phase = Finished;
            call.settled.release();
        },
        Qt::QueuedConnection);
    guard.reset();

    while (!state->settled.tryAcquire(1, stepMs)) {
        if (stopRequested && stopRequested()) {
            int expected = Pending;
            if (state->phase.compare_exchange_strong(expected, Given))
                return Cancelled;
            // Already running on the GUI thread: it finishes shortly.
        }
    }
    return state->phase == Finished ? Done : Cancelled;
}
