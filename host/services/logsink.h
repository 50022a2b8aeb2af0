#pragma once

#include <QString>

// Installs the process's Qt message handler: every line goes to the log file,
// and to stderr as well when echo is set. Safe from any thread.
bool InstallLogSink(const QString& logFile, bool echoToStderr);
void RemoveLogSink();
QString LogFilePath();
