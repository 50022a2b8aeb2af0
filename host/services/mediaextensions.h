#pragma once

#include <QString>
#include <QStringList>

// Media kinds of the extension table.
namespace MediaKind {
enum : int { Music = 0, Movie = 1, Photo = 2, Application = 4 };
}

// Appends the kind's extensions (lower case, table order); nothing for other kinds.
void getSupportedExtensions(int kind, QStringList& list);
// Lower-cased text after the last "." of the file name; empty when there is none.
QString fileExtension(const QString& path);
bool isPhotoExtension(const QString& extension); // without regard to case
bool isRawPhotoExtension(const QString& extension); // a camera RAW format, without regard to case
