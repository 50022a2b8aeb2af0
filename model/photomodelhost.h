#pragma once

#include <QStringList>

#include "host/mime/qfilecontentsmimedata.h"

// What the photo model asks of the plug-in around it, and nothing more: the
// connection kind its drag data names, the drop indicator a drop hides, the
// transfers to the phone a drop starts, and the callback that hands
// dragged-out files to the host.
class PhotoModelHost
{
public:
    virtual ~PhotoModelHost() = default;

    virtual int connectionKind() const = 0;
    virtual void hideDropIndicator() = 0;
    virtual void transferToPhone(const QStringList& files) = 0;
    virtual void transferPlaylistToPhone(int playlistId) = 0;
    virtual PFN_FileContentsCallback fileContentsCallback() const = 0;
};
