#pragma once

#include <QMetaType>

// Callbacks handed to the device agent and the host use the platform's
// standard calling convention; on Linux there is only one.
#define OC_STDCALL

namespace OCGlobal {

// The host's item types: one per screen of the navigation tree, plus a few
// values the host uses as keys of its shared state.
enum ITEM_TYPE {
    ITEM_NONE = 0,
    ITEM_PC_MUSIC = 1,
    ITEM_PC_VIDEO = 2,
    ITEM_PC_PHOTO = 3,          // the PC photo library; its transfers are queried too
    ITEM_PHONE_MUSIC = 14,
    ITEM_PHONE_VIDEO = 15,
    ITEM_PHONE_PHOTO = 16,      // this plug-in
    ITEM_PHONE_THUMBNAIL = 17,  // returned by GetCurrentLoadThumbItem
    ITEM_DEVICE = 30,           // the phone as a whole
    ITEM_PARTIAL_LOADING = 99,  // host-wide partial-loading state
};

// Where in the host window something was dropped.
enum DROP_LOCATION {
    DROP_NONE = 0,
    DROP_CONTENTS = 1,  // on the contents area, i.e. on a plug-in screen
    DROP_NAVIGATION = 2,
};

} // namespace OCGlobal

// Signal and slot signatures spell these names without the namespace, so
// string-based connections between host and plug-in match.
using ITEM_TYPE = OCGlobal::ITEM_TYPE;
using DROP_LOCATION = OCGlobal::DROP_LOCATION;

Q_DECLARE_METATYPE(ITEM_TYPE)
Q_DECLARE_METATYPE(DROP_LOCATION)
