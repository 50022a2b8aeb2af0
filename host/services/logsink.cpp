#include "logsink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines are collected in memory and written by a small flusher thread every
// FlushIntervalMs: a flush per line cost more than the work it logged.
// Warnings and worse are written at once, and RemoveLogSink and the normal
// end of the process write whatever is left.
const int FlushIntervalMs = 200;
// A burst larger than this is written by the thread that logs it.
const int MaxBufferedBytes = 256 * 1024;

std::mutex g_mutex;
std::condition_variable g_wake;
QFile* g_logFile = nullptr;
QString g_logPath; // a file opened from its descriptor keeps no name
QByteArray g_buffer;
bool g_echo = false;
bool g_buffering = true; // false once the process is ending: lines go out one by one
bool g_flusherStop = false;
std::thread* g_flusher = nullptr;
bool g_exitHandlerSet = false;
QtMessageHandler g_previous = nullptr;

// Under g_mutex.
void writeBuffer()
{
    if (g_buffer.isEmpty())
        return;
    if (g_logFile)
        g_logFile->write(g_buffer);
    g_buffer.clear();
}

void flusherLoop()
{
    std::unique_lock<std::mutex> lock(g_mutex);
    while (!g_flusherStop) {
        // Idle until a line arrives, then give it company for a while.
        g_wake.wait(lock, [] { return g_flusherStop || !g_buffer.isEmpty(); });
        g_wake.wait_for(
            lock, std::chrono::milliseconds(FlushIntervalMs), [] { return g_flusherStop; });
        writeBuffer();
    }
}

// Under g_mutex; the caller joins the thread it gets back, without the lock.
std::thread* takeFlusher()
{
    std::thread* flusher = g_flusher;
    g_flusher = nullptr;
    g_flusherStop = true;
    g_wake.notify_all();
    return flusher;
}

void joinFlusher(std::thread* flusher)
{
    if (!flusher)
        return;
    flusher->join();
    delete flusher;
}

// Runs at the normal end of the process: nothing buffered is lost, and lines
// logged later (by other exit code) are written at once.
void flushAtExit()
{
    std::thread* flusher = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_buffering = false;
        flusher = takeFlusher();
    }
    joinFlusher(flusher);
    std::lock_guard<std::mutex> lock(g_mutex);
    writeBuffer();
}

// "hh:mm:ss.zzz" in local time. The local time of the current second is
// kept per thread: converting every line's time looked the time zone up
// (and stat()ed its file) each time.
QByteArray timeStamp()
{
    // Plain storage: lines logged while the process ends must not meet a
    // destroyed thread-local object.
    thread_local qint64 cachedSecond = -1;
    thread_local char cachedText[9] = {};
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now / 1000;
    if (second != cachedSecond) {
        cachedSecond = second;
        const QByteArray text
            = QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("hh:mm:ss")).toLatin1();
        qstrncpy(cachedText, text.constData(), sizeof(cachedText));
    }
    const int millis = int(now % 1000);
    QByteArray stamp(cachedText);
    stamp += '.';
    stamp += char('0' + millis / 100);
    stamp += char('0' + millis / 10 % 10);
    stamp += char('0' + millis % 10);
    return stamp;
}

void writeLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    static const char* const kinds[] = { "D", "W", "C", "F", "I" };
    QByteArray line = timeStamp();
    line += ' ';
    line += kinds[qBound(0, int(type), 4)];
    line += " [";
    line += QByteArray::number(quintptr(QThread::currentThreadId()), 16);
    line += "] ";
    // The default category carries the plain qDebug lines, which name their area themselves.
    if (context.category && qstrcmp(context.category, "default") != 0) {
        line += context.category;
        line += ": ";
    }
    line += message.toUtf8();
    line += '\n';
    // QtInfoMsg is numerically above QtFatalMsg but is no warning.
    const bool urgent = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_logFile) {
        const bool wasEmpty = g_buffer.isEmpty();
        g_buffer.append(line);
        if (urgent || !g_buffering || !g_flusher || g_buffer.size() > MaxBufferedBytes)
            writeBuffer();
        else if (wasEmpty)
            g_wake.notify_one();
    }
    if (g_echo || !g_logFile || type == QtCriticalMsg || type == QtFatalMsg)
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

// The log file opened for appending, or null. Only a regular file: opening
// a FIFO for writing would wait for a reader for ever.
QFile* openLogFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(),
        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    auto* file = new QFile;
    // Unbuffered: the sink keeps its own buffer and writes it in one go.
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
            QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        delete file;
        return nullptr;
    }
    return file;
}

} // namespace

bool InstallLogSink(const QString& logFile, bool echoToStderr)
{
    QFile* file = logFile.isEmpty() ? nullptr : openLogFile(logFile);
    std::thread* oldFlusher = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        writeBuffer(); // what the previous file was given stays there
        delete g_logFile;
        g_logFile = file;
        g_logPath = file ? logFile : QString();
        g_echo = echoToStderr;
        oldFlusher = takeFlusher();
    }
    joinFlusher(oldFlusher);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_logFile && g_buffering && !g_flusher) {
            g_flusherStop = false;
            g_flusher = new std::thread(flusherLoop);
        }
        if (!g_exitHandlerSet) {
            g_exitHandlerSet = true;
            std::atexit(flushAtExit);
        }
    }
    QtMessageHandler previous = qInstallMessageHandler(writeLine);
    if (previous != writeLine) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_previous = previous;
    }
    return file || logFile.isEmpty();
}

void RemoveLogSink()
{
    std::thread* flusher = nullptr;
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        previous = g_previous;
        flusher = takeFlusher();
    }
    qInstallMessageHandler(previous);
    joinFlusher(flusher);
    std::lock_guard<std::mutex> lock(g_mutex);
    writeBuffer();
    delete g_logFile;
    g_logFile = nullptr;
    g_logPath.clear();
}

QString LogFilePath()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_logPath;
}
