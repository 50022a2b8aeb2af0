#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Where in the destination an imported photo goes.
namespace ImportLayout {

enum Kind : int {
    ByDate = 0, // YYYY/YYYY-MM-DD/NAME, by date taken, else the file's date
    Flat = 1, // NAME
    ByFolder = 2, // the phone's folder: DCIM/Camera/NAME
};

// "date", "flat", "folder": the names of the command line and the settings.
QString name(Kind kind);
bool fromName(const QString& name, Kind* kind);
QStringList names();

// The folder below the destination, with "/" separators; empty for the
// destination itself. phoneFolder is the photo's folder on the phone as
// DevicePath::relativeFolder gives it.
QString subfolder(Kind kind, const QDate& date, const QString& phoneFolder);

} // namespace ImportLayout
