#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Faults a FolderPhoneAgent plays for tests and scripted runs. File names are
// compared as given (the file name, not the path).
struct FolderAgentFaults
{
    int busyIsBusy = 0; // IsBusy answers true this many times
    int busyThumbnails = 0; // RequestThumbnails answers 2 this many times
    int busyItemLoad = 0; // StartItemLoad answers 2 this many times
    QHash<QString, int> thumbnailErrors; // file name -> thumbnail callback code
    int transferRefusal = 0; // TransferFiles answers this instead of starting
    int deleteRefusal = 0; // DeleteFiles answers this instead of starting
    int renameRefusal = 0; // RenameFile answers this instead of starting
    int delayPerFileMs = 0; // listing, transfers and deletes wait this long per file
    QSet<QString> vanishAfterListing; // removed from the storage once listed
    int disconnectAtFile = 0; // the phone goes away when the listing reaches this file (1-based)
    // The phone goes away at the Nth thumbnail request, file copied or file
    // deleted, counted from setFaults over every job (1-based). The request
    // answers 13; the copy stops half-written; the delete leaves that file.
    int disconnectAtThumbnail = 0;
    int disconnectAtTransfer = 0;
    int disconnectAtDelete = 0;
    bool noThumbnailSupport = false;
    bool needsMount = false; // mass storage: unmounted until RequestUmsMount
    int mountResult = 0; // what RequestUmsMount reports
};
