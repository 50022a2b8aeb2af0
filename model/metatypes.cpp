#include "model/metatypes.h"

#include "host/contract/ocglobal.h"
#include "model/itemevent.h"

#include <QMetaType>

void registerPhotoMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<ItemEvent*>("ItemEvent*");
        qRegisterMetaType<quintptr>("quintptr");
        qRegisterMetaType<ITEM_TYPE>("ITEM_TYPE");
        qRegisterMetaType<DROP_LOCATION>("DROP_LOCATION");
        return true;
    }();
    Q_UNUSED(registered);
}
