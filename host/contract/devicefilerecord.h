#pragma once

#include "cstring.h"

#include <QtGlobal>

// What an event report of the item-load callback tells about a file.
namespace DeviceChange {
enum : int { Added = 0, ObjectIdAssigned = 1, Changed = 2, Removed = 3 };
}

// One file as the device agent reports it. It is handed to the item-load
// callback as a pointer-width integer and is valid only during the callback.
struct DeviceFileRecord
{
    qint32 changeKind = DeviceChange::Added; // event reports only
    CString path;
    CString fileName;
    CString objectId;
    CString type;
    qint64 size = 0; // files of 4 GB and more are common on phones
    CString createdDate;   // ISO 8601
    CString modifiedDate;  // ISO 8601
    CString shootingDate;  // ISO 8601
    qint32 width = 0;
    qint32 height = 0;
};
