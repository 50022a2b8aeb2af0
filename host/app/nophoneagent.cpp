#include "nophoneagent.h"

#include <QDebug>

// Every request is refused the way a phone that went away refuses it.

int NoPhoneAgent::RequestThumbnails(const QString& path, const int&, PFN_ThumbnailCallback)
{
    qDebug() << "host"
             << "NoPhoneAgent::RequestThumbnails"
             << ": no phone" << path;
    return ErrorDisconnected;
}

int NoPhoneAgent::StartItemLoad(const QString& root)
{
    qDebug() << "host"
             << "NoPhoneAgent::StartItemLoad"
             << ": no phone" << root;
    return ErrorDisconnected;
}

int NoPhoneAgent::TransferFiles(const QStringList& sources, const QString&,
    const QString& direction, PFN_TransferProgressCallback, PFN_TransferCompletionCallback, int,
    int, int)
{
    qDebug() << "host"
             << "NoPhoneAgent::TransferFiles"
             << ": no phone" << direction << sources.size();
    return ErrorDisconnected;
}

int NoPhoneAgent::DeleteFiles(const QStringList& paths, PFN_DeleteCallback)
{
    qDebug() << "host"
             << "NoPhoneAgent::DeleteFiles"
             << ": no phone" << paths.size();
    return ErrorDisconnected;
}

int NoPhoneAgent::RenameFile(const QString& path, const QString&, PFN_RenameCallback)
{
    qDebug() << "host"
             << "NoPhoneAgent::RenameFile"
             << ": no phone" << path;
    return ErrorDisconnected;
}

void NoPhoneAgent::RequestUmsMount(int deviceIndex, PFN_UmsMountCallback callback, int)
{
    qDebug() << "host"
             << "NoPhoneAgent::RequestUmsMount"
             << ": no phone" << deviceIndex;
    // The caller waits for an answer; give it at once rather than never.
    if (callback)
        callback(ErrorDisconnected);
}
