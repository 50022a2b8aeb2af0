#pragma once

#include <QMenu>
#include <QPointer>

class QPropertyAnimation;

// The host's pop-up menu: a QMenu that fades in when it opens. A submenu
// names the menu it belongs to, so it opens with that menu's direction.
class OCFadeMenu : public QMenu
{
    Q_OBJECT

public:
    explicit OCFadeMenu(QWidget* parent = nullptr);

    void SetParentMenu(QMenu* menu);
    QMenu* ParentMenu() const { return m_parentMenu; }
    // Opens at pos (global) and returns the chosen action, null when none.
    QAction* exec(QPoint& pos);
    using QMenu::exec;

    static constexpr int kFadeMs = 120;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QMenu> m_parentMenu;
    QPropertyAnimation* m_fade = nullptr;
};
