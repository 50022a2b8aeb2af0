#pragma once

#include "host/contract/ideviceagent.h"

#include <QString>
#include <QStringList>

class QWidget;

// The host's device-facing functions. A device index names a connected phone
// in the DeviceRegistry; -1 or an unknown index means no phone.
int getFileAgentType(int deviceIndex); // connection kind
int getMTPThumbnailSupportType(int deviceIndex); // bit flags, 4: phone thumbnails
bool IsUMSAvailable(int deviceIndex); // mass storage mounted
bool IsConnectedPhone(IDeviceNexaAgent* agent);
int GetMemChangeType(int deviceIndex);
bool isReadyForListing();
void setWaitBeforeListing(int itemType, bool wait);
// 0 started (answers come through the callback), 2 busy, 3 refused, other error.
int DeleteFilesInPhone(IDeviceNexaAgent* agent, const QStringList& paths, void* callback);
// 0 started, other refused; the callback reports the result.
int RenameFileInPhone(
    IDeviceNexaAgent* agent, const QString& oldPath, const QString& newName, void* callback);
// The one-time notice that thumbnails come from the phone and take a while.
void ShowThumbnailNoticePupup(QWidget* parent, int itemType, int deviceIndex);
