#pragma once

#include <QString>

class QApplication;

// The one QApplication of a fuzz run, made on first use: offscreen, with the
// log discarded (a line per call would be most of the run's time) and the
// host's settings and data in a temporary folder.
namespace FuzzApplication {
QApplication* instance();
QString scratchFolder(); // removed at exit
}
