#pragma once

#include "host/contract/ideviceagent.h"
#include "host/contract/ocglobal.h"

#include <QImage>
#include <QString>

#include <functional>

// Thumbnails through a device agent, for worker threads of the host's
// thumbnail services. An agent answers one thumbnail request at a time
// through a plain callback that carries no context, so the fetchers of the
// process take turns: one request is out at any time. The picture itself is
// taken on the GUI thread (GetThumbnailImage makes a QPixmap) and comes back
// as a QImage. Every wait is bounded and ends early when `interrupted` says so.
class AgentThumbnailSource
{
public:
    enum Result : int {
        Ok = AgentResult::Ok,
        Busy = AgentResult::Busy, // still busy after every retry
        Interrupted = -1,
        NoAnswer = -2, // the callback did not come in time
        NoPicture = -3, // the agent reported success but gave no picture
    };

    // 0 with the picture, an agent error code (8: no thumbnail), or a Result.
    static int fetch(IDeviceNexaAgent* agent, const QString& phonePath,
        const std::function<bool()>& interrupted, QImage* picture);

    // Busy answers are asked again this many times, this far apart; an
    // accepted request waits this long for its callback.
    static void setLimits(int busyRetries, int retryDelayMs, int answerTimeoutMs);

private:
    static void OC_STDCALL onThumbnail(int error);
};
