#pragma once

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QString>

#include <functional>

#include "host/db/devicethumbnailcache.h"

// One way of getting a phone photo's thumbnail, asked for one path at a
// time: request() sends the question, the answer comes later, and the
// updater then calls take() for the picture. The agent of the connected
// phone is one provider; callers never know where a picture comes from.
class ThumbnailProvider
{
public:
    // What an answer said.
    enum Answer { Ready = 0, NoThumbnail = 8 };
    // Thumbnails a provider already has, by path; empty bytes: the phone
    // has none for that file.
    using Recalled = QHash<QString, CachedThumbnail>;

    virtual ~ThumbnailProvider() = default;

    // 0 when the question went out and an answer follows, else why not.
    virtual int request(const QString& path) = 0;
    // The picture of the answer that has just come; null when none.
    virtual QPixmap take() = 0;
    // The same answer as stored bytes, when the provider has them: shown
    // without a decode and an encode here. False: take() the picture.
    virtual bool takeStored(CachedThumbnail* stored)
    {
        Q_UNUSED(stored)
        return false;
    }
    // The answer that has just come said the phone has no thumbnail.
    virtual void takeNone() { }
    // The files of a complete listing. A provider that keeps thumbnails
    // looks them up away from the GUI thread, hands what it has to found
    // later on the GUI thread and returns true; false when it keeps none.
    virtual bool recall(const QList<DeviceFileKey>& files, std::function<void(Recalled)> found)
    {
        Q_UNUSED(files)
        Q_UNUSED(found)
        return false;
    }
};
