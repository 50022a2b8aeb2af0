#pragma once

#include <QCoreApplication>
#include <QModelIndex>

#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/photoroles.h"

// What the screen's controllers share.

// The screen's texts keep the screen's translation context, wherever the
// controller that shows them lives.
inline QString screenText(const char* source)
{
    return GetQString(QCoreApplication::translate("PhotoItemViewWidget", source));
}

// The item behind a row of any of the screen's views.
inline CPhotoDataItem* photoItemOf(const QModelIndex& index)
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}
