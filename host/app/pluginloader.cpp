#include "pluginloader.h"

#include "host/contract/iplugins.h"
#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace {
using VerificationFunction = const char* (*)();
using InstanceFunction = QObject* (*)();
} // namespace

PluginLoader::PluginLoader(const QString& libraryPath)
    : m_library(libraryPath)
{
}

PluginLoader::~PluginLoader()
{
    unload();
}

QString PluginLoader::expectedVerificationData()
{
    return QString::fromLatin1(OC_PLUGIN_VERIFICATION_DATA);
}

QString PluginLoader::defaultLibraryPath()
{
    const QString fromEnv = qEnvironmentVariable("PHOTOHOST_PLUGIN");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("libdevice_photo.so"));
}

bool PluginLoader::fail(const QString& reason)
{
    m_error = reason;
    qCWarning(lcHostApp) << "PluginLoader::load"
                         << ":" << reason;
    if (m_library.isLoaded())
        m_library.unload();
    return false;
}

bool PluginLoader::load()
{
    if (!QFileInfo::exists(m_library.fileName()))
        return fail(QStringLiteral("plug-in library not found: %1").arg(m_library.fileName()));
    if (!m_library.load())
        return fail(QStringLiteral("cannot load %1: %2")
                        .arg(m_library.fileName(), m_library.errorString()));

    auto verification = reinterpret_cast<VerificationFunction>(
        m_library.resolve("qt_plugin_query_verification_data"));
    auto instanceFunction
        = reinterpret_cast<InstanceFunction>(m_library.resolve("qt_plugin_instance"));
    if (!verification || !instanceFunction)
        return fail(
            QStringLiteral("%1 is not a plug-in: entry points missing").arg(m_library.fileName()));

    const char* record = verification();
    if (!record || QString::fromLatin1(record) != expectedVerificationData())
        return fail(QStringLiteral("%1 was built for another host: verification record differs")
                        .arg(m_library.fileName()));

    m_instance = instanceFunction();
    m_plugin = qobject_cast<IPlugins*>(m_instance);
    if (!m_plugin) {
        delete m_instance; // its code lives in the library about to be unloaded
        m_instance = nullptr;
        return fail(QStringLiteral("%1 does not implement IPlugins").arg(m_library.fileName()));
    }
    return true;
}

void PluginLoader::unload()
{
    if (m_plugin)
        m_plugin->DestroyWidget();
    // The root object's code lives in the library: delete it before unloading.
    delete m_instance;
    m_instance = nullptr;
    m_plugin = nullptr;
    if (m_library.isLoaded())
        m_library.unload();
}
