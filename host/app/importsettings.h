#pragma once

#include "importlayout.h"

#include <QString>

// How photos from the phone are imported, as the user chose it in the import
// dialog; kept in the host's registry.
struct ImportSettings
{
    QString destination; // the user's Pictures folder unless chosen
    ImportLayout::Kind layout = ImportLayout::ByDate;
    bool deleteAfter = false;
    bool includeImported = false;
    bool chosen = false; // the dialog was answered once: later imports start at once

    static ImportSettings load();
    void save() const;
    static QString defaultDestination();
};
