#include "pluginmanager.h"

#include "host/services/logcategories.h"

PluginManager::PluginManager(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("pluginManager"));
    qRegisterMetaType<ITEM_TYPE>("ITEM_TYPE");
    qRegisterMetaType<DROP_LOCATION>("DROP_LOCATION");
    qRegisterMetaType<Qt::Alignment>("Qt::Alignment");
    qRegisterMetaType<quintptr>("quintptr");
}

void PluginManager::on_changedType_View(int mode, uint flags)
{
    emit viewModeReported(mode, flags);
}

void PluginManager::on_statusbarSetText(const QString& text, Qt::Alignment alignment)
{
    emit statusTextRequested(text, alignment);
}

void PluginManager::on_transfer_to_pc_withTotalSize(
    int type, const QStringList& paths, qint64 totalSize, int playlistId)
{
    qCDebug(lcHostApp) << "PluginManager::on_transfer_to_pc_withTotalSize"
                       << ": type" << type << "files" << paths.size() << "size" << totalSize
                       << "playlist" << playlistId;
    emit transferToPcRequested(paths, totalSize, playlistId);
}

void PluginManager::on_transfer_to_phone(int type, const QStringList& paths)
{
    qCDebug(lcHostApp) << "PluginManager::on_transfer_to_phone"
                       << ": type" << type << "files" << paths.size();
    emit transferToPhoneRequested(paths);
}

void PluginManager::on_transfer_to_phone(int type, int playlistId)
{
    qCDebug(lcHostApp) << "PluginManager::on_transfer_to_phone"
                       << ": type" << type << "playlist" << playlistId;
    emit playlistToPhoneRequested(playlistId);
}

void PluginManager::on_transfer_to_pc(
    int type, const QString& source, const QString& target, qint64 size, quintptr callback)
{
    qCDebug(lcHostApp) << "PluginManager::on_transfer_to_pc"
                       << ": type" << type << source << target;
    emit dragOutTransferRequested(source, target, size, callback);
}

void PluginManager::on_topc_status(bool enabled)
{
    emit toPcButtonEnabled(enabled);
}

void PluginManager::on_plugin_pairwidget(ITEM_TYPE itemType, QWidget* widget)
{
    emit pairWidgetAnnounced(itemType, widget);
}

void PluginManager::on_device_refresh_finish(int itemType)
{
    emit deviceRefreshFinished(itemType);
}
