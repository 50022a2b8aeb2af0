#pragma once

#include <QString>

// The host's registry on QSettings INI files. Root 1 is the user's settings.
// Key paths keep their backslash form: "SOFTWARE\\Orvane\\...".
int GetRegstryInt(int root, const QString& key, const QString& name);  // -1 when missing
QString GetRegstryStr(int root, const QString& key, const QString& name);  // empty when missing
bool SetRegstryInt(int root, const QString& key, const QString& name, int value);
bool SetRegstryStr(int root, const QString& key, const QString& name, const QString& value);

// The folder that holds the registry files. Defaults to $PHOTOHOST_CONFIG_DIR,
// else the user's configuration folder; tests and --config-dir choose another.
void SetRegistryFolder(const QString& folder);
QString RegistryFolder();
// The file that holds a root's values.
QString RegistryFile(int root = 1);
// Writes pending values to disk (the host calls it before exit).
void SyncRegistry();
