#pragma once

#include <memory>

#include "model/cphotodataitem.h"

// Event codes of the listing and transfer code, merged by the insert threads.
namespace ItemEventCode {
enum : int {
    EndOfBatch = 0,
    Listed = 1, // read through the photo database
    ListedFull = 2, // the device record carries all data
    ListedMinimal = 3, // names come from the path
    TransferredToPhone = 4,
    Locate = 5,
    DownloadedForViewer = 6,
    ObjectIdAssigned = 7,
    Changed = 8,
    Removed = 9,
    Last = 9
};
}

// One item event: a code and a freshly built item that nobody else sees yet.
// The event owns the item until the media item list takes it.
struct ItemEvent
{
    ItemEvent() = default;
    ItemEvent(int eventCode, std::unique_ptr<CPhotoDataItem> eventItem)
        : code(eventCode)
        , item(std::move(eventItem))
    {
    }

    int code = ItemEventCode::EndOfBatch;
    std::unique_ptr<CPhotoDataItem> item;
};
