#pragma once

#include <QString>

// Installs the process's Qt message handler: every line goes to the log file,
// and to stderr as well when echo is set. Safe from any thread.
//
// Lines reach the file within a fifth of a second, warnings and worse at
// once; RemoveLogSink and the normal end of the process write the rest.
bool InstallLogSink(const QString& logFile, bool echoToStderr);
void RemoveLogSink();
QString LogFilePath();
