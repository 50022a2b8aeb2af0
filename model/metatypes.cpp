#include "model/metatypes.h"

#include <QMetaType>

#include "host/contract/ocglobal.h"
#include "model/rowfetcher.h"

void registerPhotoMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<FetchedBatch>("FetchedBatch");
        qRegisterMetaType<quintptr>("quintptr");
        qRegisterMetaType<ITEM_TYPE>("ITEM_TYPE");
        qRegisterMetaType<DROP_LOCATION>("DROP_LOCATION");
        return true;
    }();
    Q_UNUSED(registered);
}
