#pragma once

#include <Qt>

// Columns of the photo table model.
namespace PhotoColumn {
enum : int {
    Thumbnail = 0,
    Check = 1,
    Name = 2,
    Resolution = 3,
    Size = 4,
    Type = 5,
    DateAdded = 6,
    DateTaken = 7,
    Favorite = 8,
    Folder = 9,
    Exists = 10,
    Path = 11,
    Spare = 12,
    NewFirst = 13,
    Last = 14,
    Count = 15
};
}

// Private roles of the photo table model. Views see the model through the
// host's sort proxy and map back to model rows with RowRole.
namespace PhotoRole {
enum : int {
    RowRole = Qt::UserRole + 1,
    ItemPointerRole = Qt::UserRole + 2, // CPhotoDataItem* as quintptr
    RotateRole = Qt::UserRole + 8,
    PathRole = Qt::UserRole + 9,
    ExistsRole = Qt::UserRole + 10,
    TitleRole = Qt::UserRole + 12,
    NewRole = Qt::UserRole + 109,
    NewShownRole = Qt::UserRole + 110,
    ImportedRole = Qt::UserRole + 111, // bool: the photo was imported to this computer
};
}
