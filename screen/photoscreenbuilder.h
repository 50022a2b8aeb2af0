#pragma once

class CExtTableView;
class PhotoItemViewWidget;
class QAbstractItemView;
class QWidget;

// Builds the phone photo screen: its pages (list table, thumbnail-list
// table, album page, viewer, and the loading overlay over the plug-in area),
// the controllers that do its work, and the wiring of the pages' and the
// model's signals to the screen.
class PhotoScreenBuilder
{
public:
    static void buildPages(PhotoItemViewWidget* screen, QWidget* overlayParent);
    static void buildControllers(PhotoItemViewWidget* screen);
    // Columns, widths and behaviour of the two tables.
    static void setupTables(CExtTableView* list, CExtTableView* thumbList);
    static void connectPages(PhotoItemViewWidget* screen);

private:
    static void connectView(PhotoItemViewWidget* screen, QAbstractItemView* view);
    static void connectViewer(PhotoItemViewWidget* screen);
    static void connectModel(PhotoItemViewWidget* screen);
};
