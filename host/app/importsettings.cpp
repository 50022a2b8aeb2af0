#include "importsettings.h"

#include "host/services/logcategories.h"
#include "host/services/registry.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\PhotoImport");

} // namespace

QString ImportSettings::defaultDestination()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::home().filePath(QStringLiteral("Pictures")) : pictures;
}

ImportSettings ImportSettings::load()
{
    ImportSettings settings;
    settings.destination = GetRegstryStr(1, kKey, QStringLiteral("Destination"));
    if (settings.destination.trimmed().isEmpty())
        settings.destination = defaultDestination();
    ImportLayout::Kind layout = ImportLayout::ByDate;
    const QString layoutName = GetRegstryStr(1, kKey, QStringLiteral("Layout"));
    if (ImportLayout::fromName(layoutName, &layout))
        settings.layout = layout;
    else if (!layoutName.isEmpty())
        qCWarning(lcHostApp) << "ImportSettings::load : unknown layout, by date" << layoutName;
    // Anything but 1 is off: a damaged value never deletes photos.
    settings.deleteAfter = GetRegstryInt(1, kKey, QStringLiteral("DeleteAfter")) == 1;
    settings.includeImported = GetRegstryInt(1, kKey, QStringLiteral("IncludeImported")) == 1;
    settings.chosen = GetRegstryInt(1, kKey, QStringLiteral("Chosen")) == 1;
    return settings;
}

void ImportSettings::save() const
{
    SetRegstryStr(1, kKey, QStringLiteral("Destination"), destination);
    SetRegstryStr(1, kKey, QStringLiteral("Layout"), ImportLayout::name(layout));
    SetRegstryInt(1, kKey, QStringLiteral("DeleteAfter"), deleteAfter ? 1 : 0);
    SetRegstryInt(1, kKey, QStringLiteral("IncludeImported"), includeImported ? 1 : 0);
    SetRegstryInt(1, kKey, QStringLiteral("Chosen"), chosen ? 1 : 0);
}
