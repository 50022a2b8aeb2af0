#include "deviceregistry.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

#include "host/services/logcategories.h"

namespace {

QMutex g_mutex;
QMap<int, IDeviceNexaAgent*> g_agents;
int g_nextIndex = 0;

} // namespace

int DeviceRegistry::registerAgent(IDeviceNexaAgent* agent)
{
    if (!agent)
        return -1;
    QMutexLocker lock(&g_mutex);
    const int existing = g_agents.key(agent, -1);
    if (existing != -1)
        return existing;
    // Indexes are not reused, so a stale index never names another phone.
    const int index = g_nextIndex++;
    g_agents.insert(index, agent);
    qCDebug(lcHostDevice) << "DeviceRegistry::registerAgent"
                          << ": index" << index;
    return index;
}

void DeviceRegistry::unregisterAgent(IDeviceNexaAgent* agent)
{
    QMutexLocker lock(&g_mutex);
    const int index = g_agents.key(agent, -1);
    if (index == -1)
        return;
    g_agents.remove(index);
    qCDebug(lcHostDevice) << "DeviceRegistry::unregisterAgent"
                          << ": index" << index;
}

IDeviceNexaAgent* DeviceRegistry::agent(int deviceIndex)
{
    QMutexLocker lock(&g_mutex);
    return g_agents.value(deviceIndex, nullptr);
}

int DeviceRegistry::indexOf(IDeviceNexaAgent* agent)
{
    QMutexLocker lock(&g_mutex);
    return agent ? g_agents.key(agent, -1) : -1;
}

QList<int> DeviceRegistry::indexes()
{
    QMutexLocker lock(&g_mutex);
    return g_agents.keys();
}
