#include "screen/agentthumbnailprovider.h"

#include <QThread>

#include "host/services/logcategories.h"

namespace {

const int BusyRetryMs = 50;
const int MaxRequests = 3;

} // namespace

AgentThumbnailProvider::AgentThumbnailProvider(
    std::function<IDeviceNexaAgent*()> agent, PFN_ThumbnailCallback answer)
    : m_agent(std::move(agent))
    , m_answer(answer)
{
}

int AgentThumbnailProvider::request(const QString& path)
{
    IDeviceNexaAgent* agent = m_agent();
    if (!agent)
        return -1;
    const int kind = ThumbnailKind::Photo;
    int result = AgentResult::Ok;
    int tries = 0;
    // A busy phone is asked twice more; the caller waits at most 100 ms.
    do {
        if (result == AgentResult::Busy)
            QThread::msleep(BusyRetryMs);
        result = agent->RequestThumbnails(path, kind, m_answer);
        qCDebug(lcScreen) << "AgentThumbnailProvider::request result :" << result << "try" << tries;
        ++tries;
    } while (result == AgentResult::Busy && tries < MaxRequests);
    return result;
}

QPixmap AgentThumbnailProvider::take()
{
    QPixmap pixmap;
    if (IDeviceNexaAgent* agent = m_agent())
        agent->GetThumbnailImage(&pixmap);
    return pixmap;
}
