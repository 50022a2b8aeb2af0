#include "importlayout.h"

namespace ImportLayout {

namespace {

const char* const kNames[] = { "date", "flat", "folder" };

// A phone folder name that would climb out of the destination is kept
// inside it.
QString safeFolder(const QString& phoneFolder)
{
    QStringList parts;
    for (const QString& part : phoneFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            parts.append(QStringLiteral("_"));
        else
            parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

} // namespace

QString name(Kind kind)
{
    return QLatin1String(kNames[kind >= ByDate && kind <= ByFolder ? kind : ByDate]);
}

bool fromName(const QString& text, Kind* kind)
{
    for (int value = ByDate; value <= ByFolder; ++value) {
        if (text == QLatin1String(kNames[value])) {
            *kind = Kind(value);
            return true;
        }
    }
    return false;
}

QStringList names()
{
    return { name(ByDate), name(Flat), name(ByFolder) };
}

QString subfolder(Kind kind, const QDate& date, const QString& phoneFolder)
{
    switch (kind) {
    case ByDate:
        if (!date.isValid())
            return QStringLiteral("Unknown date");
        return date.toString(QStringLiteral("yyyy/yyyy-MM-dd"));
    case ByFolder:
        return safeFolder(phoneFolder);
    case Flat:
        break;
    }
    return QString();
}

} // namespace ImportLayout
