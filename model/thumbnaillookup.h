#pragma once

#include <QPixmap>
#include <QString>

// Where the model finds the thumbnail of a path that its item does not keep
// (partial loading keeps them in the host's thumbnail manager).
class ThumbnailLookup
{
public:
    virtual ~ThumbnailLookup() = default;

    // Null when none is there yet.
    virtual QPixmap cachedThumbnail(const QString& path) const = 0;
};
