#include "nophoneagent.h"

#include "host/services/logcategories.h"

// Every request is refused the way a phone that went away refuses it.

int NoPhoneAgent::RequestThumbnails(const QString& path, const int&, PFN_ThumbnailCallback)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::RequestThumbnails"
                         << ": no phone" << path;
    return AgentResult::Disconnected;
}

int NoPhoneAgent::StartItemLoad(const QString& root)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::StartItemLoad"
                         << ": no phone" << root;
    return AgentResult::Disconnected;
}

int NoPhoneAgent::TransferFiles(const QStringList& sources, const QString&,
    const QString& direction, PFN_TransferProgressCallback, PFN_TransferCompletionCallback, int,
    int, int)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::TransferFiles"
                         << ": no phone" << direction << sources.size();
    return AgentResult::Disconnected;
}

int NoPhoneAgent::DeleteFiles(const QStringList& paths, PFN_DeleteCallback)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::DeleteFiles"
                         << ": no phone" << paths.size();
    return AgentResult::Disconnected;
}

int NoPhoneAgent::RenameFile(const QString& path, const QString&, PFN_RenameCallback)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::RenameFile"
                         << ": no phone" << path;
    return AgentResult::Disconnected;
}

void NoPhoneAgent::RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int)
{
    qCWarning(lcHostApp) << "NoPhoneAgent::RequestUmsMount"
                         << ": no phone" << deviceIndex;
    // The caller waits for an answer; give it at once rather than never.
    if (callback)
        callback(AgentResult::Disconnected);
}
