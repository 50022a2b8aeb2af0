#include "mediaextensions.h"

void getSupportedExtensions(int kind, QStringList& list)
{
    switch (kind) {
    case MediaKind::Music:
        list << "mp3" << "m4a" << "aac" << "ogg" << "wma" << "amr" << "wav" << "mid" << "midi"
             << "mp2" << "flac";
        break;
    case MediaKind::Movie:
        list << "avi" << "mov" << "mpg" << "mpeg" << "divx" << "asf" << "wmv" << "mp4" << "3gp"
             << "skm" << "k3g" << "flv" << "mkv" << "3gpp" << "ts" << "m2ts" << "m4v" << "ps"
             << "3gp2";
        break;
    case MediaKind::Photo:
        list << "bmp" << "gif" << "jpg" << "jpeg" << "png" << "tif" << "tiff";
        // What phones and cameras write besides: HEIF (iPhones), WebP and
        // AVIF (Android), JPEG XL, and the camera RAW formats.
        list << "heic" << "heif" << "hif" << "avif" << "webp" << "jxl";
        list << "dng" << "cr2" << "cr3" << "crw" << "nef" << "nrw" << "arw" << "srf" << "sr2"
             << "orf" << "rw2" << "raf" << "pef" << "srw" << "erf" << "mrw" << "x3f" << "3fr"
             << "iiq" << "rwl" << "kdc" << "dcr";
        break;
    case MediaKind::Application:
        list << "apk" << "hapk";
        break;
    default:
        break;
    }
}

QString fileExtension(const QString& path)
{
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return QString();
    return path.mid(dot + 1).toLower();
}

bool isRawPhotoExtension(const QString& extension)
{
    static const QStringList raw = { "dng", "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf",
        "sr2", "orf", "rw2", "raf", "pef", "srw", "erf", "mrw", "x3f", "3fr", "iiq", "rwl", "kdc",
        "dcr" };
    return !extension.isEmpty() && raw.contains(extension.toLower());
}

bool isPhotoExtension(const QString& extension)
{
    static const QStringList photo = [] {
        QStringList list;
        getSupportedExtensions(MediaKind::Photo, list);
        return list;
    }();
    return !extension.isEmpty() && photo.contains(extension.toLower());
}
