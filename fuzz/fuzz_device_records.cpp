// Device records as the agent's callbacks hand them over, in any order and
// with any content, merged into the media item list as the listing and the
// event reports merge them.
#include "fuzzapplication.h"

#include "host/contract/devicefilerecord.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// A few paths and ids, so that records meet the same files again.
const char* const Paths[] = { "/DCIM/a.jpg", "/DCIM/A.JPG", "/DCIM/b.png", "/Pictures/c.gif",
    "\\DCIM\\a.jpg", "/DCIM/d.txt", "", "/DCIM/" };
const char* const Ids[] = { "", "o1", "o2", "o3" };

CString textOf(FuzzedDataProvider& input, const char* const* choices, size_t count)
{
    if (input.ConsumeBool())
        return CString(QString::fromUtf8(input.ConsumeRandomLengthString(80).c_str()));
    return CString(QString::fromUtf8(choices[input.ConsumeIntegralInRange<size_t>(0, count - 1)]));
}

DeviceFileRecord recordOf(FuzzedDataProvider& input)
{
    DeviceFileRecord record;
    record.changeKind = input.ConsumeIntegralInRange<int>(-1, 4);
    record.path = textOf(input, Paths, std::size(Paths));
    record.fileName = CString(QString::fromUtf8(input.ConsumeRandomLengthString(40).c_str()));
    record.objectId = textOf(input, Ids, std::size(Ids));
    record.type = CString(QString::fromUtf8(input.ConsumeRandomLengthString(8).c_str()));
    record.size = input.ConsumeIntegral<qint32>();
    record.createdDate = CString(QString::fromUtf8(input.ConsumeRandomLengthString(30).c_str()));
    record.modifiedDate = CString(QString::fromUtf8(input.ConsumeRandomLengthString(30).c_str()));
    record.shootingDate = CString(QString::fromUtf8(input.ConsumeRandomLengthString(30).c_str()));
    record.width = input.ConsumeIntegral<qint32>();
    record.height = input.ConsumeIntegral<qint32>();
    return record;
}

int codeOf(const DeviceFileRecord& record, bool full)
{
    switch (record.changeKind) {
    case 0:
        return full ? ItemEventCode::ListedFull : ItemEventCode::ListedMinimal;
    case 1:
        return ItemEventCode::ObjectIdAssigned;
    case 2:
        return ItemEventCode::Changed;
    case 3:
        return ItemEventCode::Removed;
    default:
        return -1;
    }
}

void merge(OCMediaItemList& list, const DeviceFileRecord& record, int code)
{
    auto item = std::make_unique<CPhotoDataItem>(reinterpret_cast<quintptr>(&record));
    if (code == ItemEventCode::Removed) {
        QStringList paths { item->path };
        list.removeItems(paths);
        return;
    }
    // A rejected item, or one merged into the item already listed, goes with the event.
    ItemEvent event(code, std::move(item));
    list.updateInsertedItem(event, false);
}

void checkIndexes(const OCMediaItemList& list)
{
    const QList<CPhotoDataItem*> items = list.allItems();
    if (items.size() != list.count()) {
        fprintf(stderr, "count %d, items %d\n", list.count(), int(items.size()));
        abort();
    }
    for (CPhotoDataItem* item : items) {
        if (list.findItem(item->path, false) != item) {
            fprintf(stderr, "item not found by its path %s\n", qPrintable(item->path));
            abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication::instance();
    FuzzedDataProvider input(data, size);
    const bool fullRecords = input.ConsumeBool();
    OCMediaItemList list(nullptr, nullptr, nullptr);
    for (int i = 0; i < 64 && input.remaining_bytes() > 0; ++i) {
        const DeviceFileRecord record = recordOf(input);
        const int code = codeOf(record, fullRecords);
        if (code >= 0)
            merge(list, record, code);
        checkIndexes(list);
    }
    return 0;
}
