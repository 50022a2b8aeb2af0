#pragma once

#include <functional>

class QObject;

// Runs a function on the thread of a context object (the GUI thread) and
// blocks the calling worker until it has run, without the deadlock of a
// blocking queued connection: the worker waits in short steps and gives up
// as soon as it is asked to stop. A call given up before it started is
// recognised on the GUI thread and dropped, so the GUI thread can always stop
// and join the worker with a bounded wait.
class GuiCall
{
public:
    enum Result { Done, Cancelled };

    // stopRequested is polled between wait steps on the calling thread.
    // Called on the context's own thread, the function runs at once (and a
    // line is logged: that caller is wrong, the worker should call).
    static Result run(QObject* context, std::function<void()> function,
        const std::function<bool()>& stopRequested, int stepMs = 20);
};
