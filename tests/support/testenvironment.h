#pragma once

#include "host/services/ocmsgbox.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Every test runs with its settings, data and log in a fresh temporary folder
// and with the shared host state reset.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QString binaryFolder();  // where the build put photo-host and the plug-in

private:
    QTemporaryDir m_dir;
};

// Answers the host's message boxes and keeps what they asked.
class MessageBoxRecorder
{
public:
    explicit MessageBoxRecorder(quint32 answer = MsgBoxFlag::Ok);
    ~MessageBoxRecorder();

    void setAnswer(quint32 answer) { m_answer = answer; }
    const QList<MessageBoxRequest>& requests() const { return m_requests; }
    QList<int> errorCodes() const;
    void clear() { m_requests.clear(); }

private:
    quint32 m_answer;
    QList<MessageBoxRequest> m_requests;
};
