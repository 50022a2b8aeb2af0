#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// What a HEIF file (HEIC, AVIF) says about its primary picture, read with
// libheif without decoding it: exiv2 0.27 cannot open these containers, so
// their EXIF block is taken out here and parsed by exiv2's EXIF parser.
class HeifMetadata
{
public:
    // The primary picture's size and its EXIF block (TIFF header first, no
    // "Exif" prefix; empty when the file has none). False when the file is
    // not a readable HEIF container.
    static bool read(const QString& fileSystemPath, QSize* size, QByteArray* exif);
    // A file whose extension names a HEIF container.
    static bool isHeifExtension(const QString& extension);
};
