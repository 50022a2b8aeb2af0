#pragma once

class CExtTableView;
class PhotoItemViewWidget;
class QAbstractItemView;
class QWidget;
class ThumbnailUpdater;

// Builds the phone photo screen: its pages (list table, thumbnail-list
// table, album page, viewer, and the loading overlay over the plug-in area),
// the controllers that do its work, and the wiring of the pages' and the
// model's signals to the screen.
class PhotoScreenBuilder
{
public:
    static void buildPages(PhotoItemViewWidget* screen, QWidget* overlayParent);
    static void buildControllers(PhotoItemViewWidget* screen);
    // The page switcher, view settings, selection status and context menu.
    static void buildViewControllers(PhotoItemViewWidget* screen);
    // Columns, widths and behaviour of the two tables.
    static void setupTables(CExtTableView* list, CExtTableView* thumbList);
    static void connectPages(PhotoItemViewWidget* screen);

private:
    // The phone is asked only for what the photo database does not keep of it.
    static ThumbnailUpdater* makeThumbnailUpdater(PhotoItemViewWidget* screen);
    static void buildThumbnailSources(PhotoItemViewWidget* screen);
    static void connectView(PhotoItemViewWidget* screen, QAbstractItemView* view);
    static void connectViewer(PhotoItemViewWidget* screen);
    static void connectModel(PhotoItemViewWidget* screen);
    // What the screen shows of a listing.
    static void connectListing(PhotoItemViewWidget* screen);
};
