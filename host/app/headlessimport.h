#pragma once

#include "hostoptions.h"
#include "importengine.h"

#include <QObject>

// photo-host --import DEST: lists the phone, imports its photos with the
// same engine as the window, prints one line and gives the exit code.
// Ctrl+C cancels the import as the window's Cancel does.
class HeadlessImport : public QObject
{
    Q_OBJECT

public:
    // The exit codes, documented in the README.
    enum ExitCode : int {
        Complete = 0, // every photo copied or already there (and deleted when asked)
        CannotStart = 1, // no phone, no database, no destination
        BadCommandLine = 2,
        NotListed = 3, // the phone could not be listed
        NotAllCopied = 4, // some photos were not copied
        KeptOnPhone = 5, // all copied, but some not deleted from the phone
        Cancelled = 6,
    };

    explicit HeadlessImport(const HostOptions& options, QObject* parent = nullptr);

    // Runs the import in a local event loop; the exit code.
    int run();
    // The line printed at the end.
    static QString summaryLine(const ImportSummary& summary, const QString& phone);
    static int exitCodeOf(const ImportSummary& summary);

private:
    HostOptions m_options;
};
