#pragma once

#include "host/contract/ideviceagent.h"

#include <QString>
#include <QStringList>

// What photo-host was asked to do on its command line.
struct HostOptions
{
    QString phoneFolder; // --phone DIR
    QString cameraModel; // --camera MODEL: a phone or camera through libgphoto2
    QString cameraPort; // --port PORT, with --camera
    bool listDevices = false; // --list-devices: print the connected devices and quit
    bool demo = false; // --demo
    int connectionKind = ConnectionKind::MassStorage; // --connection mass|mtp|mtp-basic
    bool partialLoading = false; // --partial-loading
    bool rtl = false; // --rtl
    QString view; // --view list|thumbs|album
    QString configDir; // --config-dir DIR
    QString screenshotFile; // --screenshot FILE
    bool quitWhenListed = false; // --quit-when-listed
    QString dumpListFile; // --dump-list FILE
    int listedTimeoutSeconds = 300; // --timeout SECONDS: give up waiting for the listing
    bool verbose = false; // --verbose
    QString pluginPath; // --plugin-library FILE (Qt keeps --plugin for itself)
    QString importDestination; // --import DEST: import without a window, then quit
    int importLayout = 0; // --layout date|flat|folder (ImportLayout::Kind)
    bool deleteAfterImport = false; // --delete-after

    bool isHeadlessImport() const { return !importDestination.isEmpty(); }
    // Whether the command line asks for an import, before an application
    // object exists (it decides which one to make).
    static bool asksForImport(int argc, char* argv[]);

    bool opensCamera() const { return !cameraModel.isEmpty(); }
    // The view-mode number of --view (0 list, 1 thumbs, 2 album), -1 when not given.
    int viewMode() const;

    // Parses the arguments; on failure returns false with a message in error.
    static bool parse(const QStringList& arguments, HostOptions& options, QString& error);
};
