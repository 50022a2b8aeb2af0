#include "ocfademenu.h"

#include <QPropertyAnimation>

OCFadeMenu::OCFadeMenu(QWidget* parent)
    : QMenu(parent)
    , m_fade(new QPropertyAnimation(this, "windowOpacity", this))
{
    m_fade->setDuration(kFadeMs);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
}

void OCFadeMenu::SetParentMenu(QMenu* menu)
{
    m_parentMenu = menu;
    if (menu)
        setLayoutDirection(menu->layoutDirection());
}

QAction* OCFadeMenu::exec(QPoint& pos)
{
    return QMenu::exec(pos);
}

void OCFadeMenu::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    m_fade->stop();
    setWindowOpacity(0.0);
    m_fade->start();
}
