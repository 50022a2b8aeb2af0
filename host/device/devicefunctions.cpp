#include "devicefunctions.h"

#include "deviceregistry.h"
#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "host/services/textutils.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace {

QMutex g_mutex;
QSet<int> g_waitingItemTypes;
QSet<int> g_noticeShownFor;

const QString kNoticeKey = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\DeviceSetting");
const QString kNoticeValue = QStringLiteral("HideThumbnailNotice");

} // namespace

int getFileAgentType(int deviceIndex)
{
    IDeviceNexaAgent* agent = DeviceRegistry::agent(deviceIndex);
    return agent ? agent->GetConnectionKind() : 0;
}

int getMTPThumbnailSupportType(int deviceIndex)
{
    IDeviceNexaAgent* agent = DeviceRegistry::agent(deviceIndex);
    return agent ? agent->GetThumbnailSupport() : 0;
}

bool IsUMSAvailable(int deviceIndex)
{
    IDeviceNexaAgent* agent = DeviceRegistry::agent(deviceIndex);
    return agent && agent->GetConnectionKind() == ConnectionKind::MassStorage
        && agent->IsStorageMounted();
}

bool IsConnectedPhone(IDeviceNexaAgent* agent)
{
    return agent && DeviceRegistry::indexOf(agent) != -1 && agent->GetDeviceIndex() != -1;
}

int GetMemChangeType(int deviceIndex)
{
    IDeviceNexaAgent* agent = DeviceRegistry::agent(deviceIndex);
    return agent ? agent->GetMemChangeType() : 0;
}

bool isReadyForListing()
{
    QMutexLocker lock(&g_mutex);
    return g_waitingItemTypes.isEmpty();
}

void setWaitBeforeListing(int itemType, bool wait)
{
    QMutexLocker lock(&g_mutex);
    if (wait)
        g_waitingItemTypes.insert(itemType);
    else
        g_waitingItemTypes.remove(itemType);
}

int DeleteFilesInPhone(IDeviceNexaAgent* agent, const QStringList& paths, void* callback)
{
    if (!agent || !callback) {
        qCWarning(lcHostDevice) << "DeleteFilesInPhone"
                                << ": no phone or no callback";
        return AgentResult::Refused;
    }
    qCDebug(lcHostDevice) << "DeleteFilesInPhone"
                          << ":" << paths.size() << "files";
    return agent->DeleteFiles(paths, reinterpret_cast<PFN_DeleteCallback>(callback));
}

int RenameFileInPhone(
    IDeviceNexaAgent* agent, const QString& oldPath, const QString& newName, void* callback)
{
    if (!agent || !callback) {
        qCWarning(lcHostDevice) << "RenameFileInPhone"
                                << ": no phone or no callback";
        return AgentResult::Refused;
    }
    qCDebug(lcHostDevice) << "RenameFileInPhone"
                          << ":" << oldPath << "->" << newName;
    return agent->RenameFile(oldPath, newName, reinterpret_cast<PFN_RenameCallback>(callback));
}

void ShowThumbnailNoticePupup(QWidget* parent, int itemType, int deviceIndex)
{
    // A mounted storage's thumbnails are read from files here, not asked of
    // the phone: the notice would not be true.
    if (getFileAgentType(deviceIndex) == ConnectionKind::MassStorage)
        return;
    // Once per phone and run, and never again once the user said so.
    {
        QMutexLocker lock(&g_mutex);
        if (deviceIndex == -1 || g_noticeShownFor.contains(deviceIndex))
            return;
        g_noticeShownFor.insert(deviceIndex);
    }
    if (GetRegstryInt(1, kNoticeKey, kNoticeValue) == 1)
        return;
    qCDebug(lcHostDevice) << "ShowThumbnailNoticePupup"
                          << ": item type" << itemType << "device" << deviceIndex;
    MSGBoxOptions options;
    options.checkBoxText
        = GetQString(QCoreApplication::translate("ShowThumbnailNoticePupup", "Don't show again"));
    const quint32 answer = OCMsgBox::ShowOCMessageBox(parent,
        GetQString(QCoreApplication::translate("ShowThumbnailNoticePupup", "Notice")),
        GetQString(QCoreApplication::translate("ShowThumbnailNoticePupup",
            "Thumbnails are read from the phone one by one. This may take a while.")),
        0, MsgBoxFlag::Ok, &options);
    if (answer & MsgBoxFlag::Checked)
        SetRegstryInt(1, kNoticeKey, kNoticeValue, 1);
}
