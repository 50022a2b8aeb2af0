#pragma once

#include <QList>

class IDeviceNexaAgent;

// The connected phones by device index. The host functions find a phone's
// agent here; an agent registers when it connects and leaves when it
// disconnects or is destroyed. Safe from any thread.
class DeviceRegistry
{
public:
    static int registerAgent(IDeviceNexaAgent* agent); // its index; an agent keeps its index
    static void unregisterAgent(IDeviceNexaAgent* agent);
    static IDeviceNexaAgent* agent(int deviceIndex); // null for -1 or an unknown index
    static int indexOf(IDeviceNexaAgent* agent); // -1 when not registered
    static QList<int> indexes();
};
