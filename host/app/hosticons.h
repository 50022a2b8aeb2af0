#pragma once

#include <QIcon>

// photo-host's own icons, drawn as line art so they stay sharp at any scale
// and follow the window's colours: grey, the accent colour when checked,
// light grey when disabled.
namespace HostIcons {

QIcon viewList();
QIcon viewThumbList();
QIcon viewAlbum();
QIcon phone();
QIcon photo();
QIcon music();
QIcon video();
QIcon library();
QIcon album();
QIcon search();
QIcon transfer();

} // namespace HostIcons
