#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cstdio>
#include <QtGlobal>

// Collects the log lines written while it lives (from any thread).
class LogCapture
{
public:
    LogCapture() { s_previous = qInstallMessageHandler(&LogCapture::handler); }
    ~LogCapture()
    {
        qInstallMessageHandler(s_previous);
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
    }

    int count(const QString& text) const
    {
        QMutexLocker lock(&s_mutex);
        int found = 0;
        for (const QString& line : qAsConst(s_lines))
            found += line.contains(text) ? 1 : 0;
        return found;
    }
    bool contains(const QString& text) const { return count(text) > 0; }
    void clear()
    {
        QMutexLocker lock(&s_mutex);
        s_lines.clear();
    }

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        QMutexLocker lock(&s_mutex);
        s_lines.append(message);
        static const bool echo = qEnvironmentVariableIsSet("LOGCAPTURE_ECHO");
        if (echo)
            fprintf(stderr, "%s\n", qPrintable(message));
    }

    static inline QMutex s_mutex;
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};
