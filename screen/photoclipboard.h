#pragma once

class QAbstractItemModel;
class QAbstractItemView;

// Copy and paste of photos through the system clipboard.
class PhotoClipboard
{
public:
    // True when a paste would bring photos: our own copies, or photo files.
    static bool hasPhotos();
    // Puts the rows selected in a view on the clipboard.
    static void copy(const QAbstractItemView* view);
    // Drops the clipboard's photos into the model (a transfer to the phone).
    static void paste(QAbstractItemModel* model);
};
