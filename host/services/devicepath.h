#pragma once

#include <QString>

// What a person reads of a phone path: the folder inside the phone's storage,
// with "/" ("DCIM/Camera"), whatever the connection.
namespace DevicePath {

// The folder of a stored phone folder path relative to the storage root (see
// IDeviceNexaAgent::StorageRoot). An empty root drops the first folder, which
// names the storage on media transfer. A folder outside the root is shown
// whole, natively. Empty for the root itself.
QString relativeFolder(const QString& storedFolder, const QString& storageRoot);

// The same for a file: "DCIM/Camera/IMG_0001.jpg".
QString relativeFile(const QString& storedPath, const QString& storageRoot);

} // namespace DevicePath
