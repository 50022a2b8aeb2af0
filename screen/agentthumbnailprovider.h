#pragma once

#include <functional>

#include "host/contract/ideviceagent.h"
#include "screen/thumbnailprovider.h"

// Thumbnails the phone makes itself, through its device agent. The agent
// answers on its own thread through a plain callback, which the screen
// routes back to the GUI thread.
class AgentThumbnailProvider : public ThumbnailProvider
{
public:
    // agent: the connected phone's agent, asked at each use (null: none).
    AgentThumbnailProvider(std::function<IDeviceNexaAgent*()> agent, PFN_ThumbnailCallback answer);

    int request(const QString& path) override;
    QPixmap take() override;

private:
    std::function<IDeviceNexaAgent*()> m_agent;
    PFN_ThumbnailCallback m_answer = nullptr;
};
