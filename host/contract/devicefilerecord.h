#pragma once

#include "cstring.h"

#include <QtGlobal>

// One file as the device agent reports it. It is handed to the item-load
// callback as a pointer-width integer and is valid only during the callback.
struct DeviceFileRecord
{
    // For event reports: 0 added, 1 object id assigned, 2 changed, 3 removed.
    qint32 changeKind = 0;
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
