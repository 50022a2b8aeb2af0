#pragma once

#include "host/contract/listingreport.h"

#include <QCoreApplication>
#include <QString>

// The words that tell the user what a listing of the phone left out, and
// whether it was cut short.
class ListingNotice
{
    Q_DECLARE_TR_FUNCTIONS(ListingNotice)

public:
    // What was skipped, by reason, with a few of the paths; empty when nothing was.
    static QString skippedText(const ListingReport& report);
    // Why the list is not all the phone holds; empty when the listing completed.
    static QString incompleteText(const ListingReport& report);
};
