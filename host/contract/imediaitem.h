#pragma once

#include <QByteArray>
#include <QString>

// The host's plain record of one media file, shared by every media screen.
class IMediaItem
{
public:
    IMediaItem() = default;
    ~IMediaItem() { releaseThumbnailData(); }
    IMediaItem(const IMediaItem&) = delete;
    IMediaItem& operator=(const IMediaItem&) = delete;

    void releaseThumbnailData()
    {
        delete thumbnailData;
        thumbnailData = nullptr;
        hasThumbnail = false;
    }

    QString objectId;
    QString path;  // always with "\\" separators
    QString title;
    QString sourcePath;
    qint32 externalId = -1;
    qint32 mediaKind = 0;
    qint32 spareInt = 0;
    bool isChecked = true;
    bool spareBool = false;
    bool hasThumbnail = false;
    QByteArray* thumbnailData = nullptr;  // owned
    bool isNew = false;
    bool newShown = false;
};
