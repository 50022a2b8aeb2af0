#pragma once

#include <QPixmap>
#include <QString>

// One way of getting a phone photo's thumbnail, asked for one path at a
// time: request() sends the question, the answer comes later, and the
// updater then calls take() for the picture. The agent of the connected
// phone is one provider; callers never know where a picture comes from.
class ThumbnailProvider
{
public:
    // What an answer said.
    enum Answer { Ready = 0, NoThumbnail = 8 };

    virtual ~ThumbnailProvider() = default;

    // 0 when the question went out and an answer follows, else why not.
    virtual int request(const QString& path) = 0;
    // The picture of the answer that has just come; null when none.
    virtual QPixmap take() = 0;
};
