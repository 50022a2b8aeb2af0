#pragma once

#include <QString>

// One row of the host's "PlaylistInfo" table, as the transfer menus list it.
struct PlaylistInfoRecord
{
    quint32 id = 0;
    QString type;
    QString name;
    bool shared = false;
    QString itemType;
    bool builtIn = false; // "recent" or "favorite"
};
