#include "testenvironment.h"

#include "host/services/appservices.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"

#include <QDir>

TestEnvironment::TestEnvironment()
{
    SetRegistryFolder(m_dir.filePath(QStringLiteral("config")));
    SetAppPath(m_dir.filePath(QStringLiteral("appdata")));
    SetMemoryBudget(0);
    g_SharedValue.reset();
}

TestEnvironment::~TestEnvironment()
{
    SetRegistryFolder(QString());
    SetOpenWindowExplorerHandler({});
    g_SharedValue.reset();
}

QString TestEnvironment::binaryFolder()
{
    return qEnvironmentVariable("PHOTOHOST_TEST_BIN");
}

MessageBoxRecorder::MessageBoxRecorder(quint32 answer)
    : m_answer(answer)
{
    OCMsgBox::SetAutomationResponder([this](const MessageBoxRequest& request) {
        m_requests.append(request);
        return m_answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    OCMsgBox::SetAutomationResponder({});
}

QList<int> MessageBoxRecorder::errorCodes() const
{
    QList<int> codes;
    for (const MessageBoxRequest& request : m_requests) {
        if (request.errorCode != -1)
            codes.append(request.errorCode);
    }
    return codes;
}
