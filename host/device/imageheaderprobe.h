#pragma once

#include <QSize>
#include <QString>

// Reads a picture's pixel size from the first bytes of the file, without a
// decoder: fast enough to run for every file of a listing. Invalid when the
// file is not a picture or its header is damaged.
class ImageHeaderProbe
{
public:
    static QSize size(const QString& fileSystemPath);
};
