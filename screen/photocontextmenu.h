#pragma once

#include <QModelIndexList>
#include <QObject>

class OCFadeMenu;
class PhotoActions;
class QAction;
class QWidget;

// The photo screen's context menu, built from its PhotoActions: before it
// opens, the actions are enabled and shown from the selected rows and the
// state around them. A chosen command is kept until the menu has closed.
class PhotoContextMenu : public QObject
{
    Q_OBJECT

public:
    explicit PhotoContextMenu(QWidget* owner);

    PhotoActions* actions() const { return m_actions; }
    // The menu, made on first use.
    OCFadeMenu* menu();
    void update(const QModelIndexList& selected, int connectionKind);
    void exec();
    void choose(const QAction* action);
    // The chosen command, once; PhotoActions::None when there is none.
    int takeChosen();

private:
    QWidget* m_owner;
    PhotoActions* m_actions;
    OCFadeMenu* m_menu = nullptr;
    int m_chosen;
};
