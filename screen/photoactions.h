#pragma once

#include <QList>
#include <QObject>

class QAction;
class QKeyEvent;
class QMenu;

// The screen's commands as QActions, enabled and shown from the selection
// and the state around it. The context menu is built from them, the keys map
// onto them, and the host's main menu reaches the same commands by name.
// Each action carries its command number as data.
class PhotoActions : public QObject
{
public:
    // In menu order.
    enum Command {
        View = 0,
        TransferToPC,
        TransferToAlbum,
        Property,
        ShowInFileManager,
        Locate,
        Copy,
        Paste,
        Delete,
        Uncheck,
        None
    };

    // What the actions' states follow.
    struct Context
    {
        int selected = 0; // selected rows
        bool anyExists = false; // a selected file is still on the phone
        int connectionKind = 0;
        bool listing = false;
        bool transferRunning = false; // the PC library's transfer
        bool clipboardHasPhotos = false;
        bool albumsOffered = false;
    };

    explicit PhotoActions(QObject* parent = nullptr);

    QAction* action(int command) const;
    void update(const Context& context);
    // The context menu: the actions, grouped by separators.
    void fillMenu(QMenu* menu) const;
    // The command a key stands for, or None.
    static int commandOfKey(QKeyEvent* event);

private:
    QList<QAction*> m_actions;
};
