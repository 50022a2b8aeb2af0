#include "logsink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <cstdio>

namespace {

QMutex g_logMutex;
QFile* g_logFile = nullptr;
bool g_echo = false;
QtMessageHandler g_previous = nullptr;

void writeLine(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    static const char* const kinds[] = {"D", "W", "C", "F", "I"};
    const QByteArray line = QStringLiteral("%1 %2 [%3] %4\n")
                                .arg(QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz")),
                                     QLatin1String(kinds[qBound(0, int(type), 4)]))
                                .arg(quintptr(QThread::currentThreadId()), 0, 16)
                                .arg(message)
                                .toUtf8();
    QMutexLocker lock(&g_logMutex);
    if (g_logFile) {
        g_logFile->write(line);
        g_logFile->flush();
    }
    if (g_echo || !g_logFile || type >= QtCriticalMsg)
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace

bool InstallLogSink(const QString& logFile, bool echoToStderr)
{
    QMutexLocker lock(&g_logMutex);
    g_echo = echoToStderr;
    delete g_logFile;
    g_logFile = nullptr;
    if (!logFile.isEmpty()) {
        QDir().mkpath(QFileInfo(logFile).absolutePath());
        auto* file = new QFile(logFile);
        if (file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            g_logFile = file;
        else
            delete file;
    }
    QtMessageHandler previous = qInstallMessageHandler(writeLine);
    if (previous != writeLine)
        g_previous = previous;
    return g_logFile || logFile.isEmpty();
}

void RemoveLogSink()
{
    QMutexLocker lock(&g_logMutex);
    qInstallMessageHandler(g_previous);
    delete g_logFile;
    g_logFile = nullptr;
}

QString LogFilePath()
{
    QMutexLocker lock(&g_logMutex);
    return g_logFile ? g_logFile->fileName() : QString();
}
