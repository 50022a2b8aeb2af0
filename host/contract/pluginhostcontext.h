#pragma once

class IDeviceNexaAgent;
class IDBManager;
class QObject;
class PhotoDB;

// Host-owned; the plug-in only reads it.
struct PluginHostContext
{
    IDeviceNexaAgent* deviceAgent = nullptr;
    IDBManager* dbManager = nullptr;
    QObject* pluginManager = nullptr;
    PhotoDB* photoDatabase = nullptr;
};
