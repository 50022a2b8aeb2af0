#pragma once

#include <QMetaType>
#include <QString>

// One row handed to the host's thumbnail manager. Screens fill the path and
// the row index; the manager uses the rest for its own bookkeeping.
struct _tagIdxInfo
{
    QString path; // the phone path, either separator
    QString thumbnailFile; // the picture file made for it, once there is one
    int index = 0; // the row in the screen's model
    bool loaded = false; // a thumbnail was handed back
    bool failed = false; // none could be made
};

Q_DECLARE_METATYPE(_tagIdxInfo)
