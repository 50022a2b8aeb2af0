#pragma once

#include <QLibrary>
#include <QString>

class IPlugins;
class QObject;

// Loads a screen plug-in library the way the host always has: resolve the two
// entry points, check the verification record, take the root object and cast
// it to IPlugins. Refuses anything else with a readable reason.
class PluginLoader
{
public:
    explicit PluginLoader(const QString& libraryPath);
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    bool load();
    QString errorString() const { return m_error; }
    IPlugins* plugin() const { return m_plugin; }
    QObject* instance() const { return m_instance; }

    // DestroyWidget, delete the root object, unload the library.
    void unload();

    static QString expectedVerificationData();
    // The plug-in next to the executable, unless $PHOTOHOST_PLUGIN names another.
    static QString defaultLibraryPath();

private:
    bool fail(const QString& reason);

    QLibrary m_library;
    QObject* m_instance = nullptr;
    IPlugins* m_plugin = nullptr;
    QString m_error;
};
