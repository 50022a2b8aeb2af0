#include "screen/photoactions.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

#include "host/contract/ideviceagent.h"
#include "host/services/textutils.h"

namespace {

const char* const Labels[] = {
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "View"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Transfer to PC"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Transfer to album"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Property"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Show in file manager"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Locate"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Copy"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Paste"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Delete"),
    QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Uncheck Selection"),
};

} // namespace

PhotoActions::PhotoActions(QObject* parent)
    : QObject(parent)
{
    for (int command = View; command < None; ++command) {
        auto* action = new QAction(
            GetQString(QCoreApplication::translate("PhotoItemViewWidget", Labels[command])), this);
        action->setData(command);
        m_actions.append(action);
    }
}

QAction* PhotoActions::action(int command) const
{
    return command >= 0 && command < m_actions.size() ? m_actions.at(command) : nullptr;
}

void PhotoActions::update(const Context& context)
{
    const bool any = context.selected > 0;
    const bool one = context.selected == 1;
    const bool allMissing = any && !context.anyExists;
    const bool basic = context.connectionKind == ConnectionKind::MtpBasic;
    const bool mtp = context.connectionKind == ConnectionKind::Mtp;
    // Files may not be located or deleted while a listing or the PC
    // library's transfer still works on them.
    const bool busy = context.listing || context.transferRunning;
    struct State
    {
        bool enabled;
        bool visible;
    };
    const State states[] = {
        { any, !allMissing },
        { any, !allMissing },
        { any, !allMissing && context.albumsOffered },
        { one, !allMissing },
        { one && !basic, !allMissing },
        { one && !mtp && !busy, allMissing },
        { any, !allMissing },
        { context.clipboardHasPhotos, !allMissing },
        { any && !busy, true },
        { any, false },
    };
    for (int command = View; command < None; ++command) {
        m_actions.at(command)->setEnabled(states[command].enabled);
        m_actions.at(command)->setVisible(states[command].visible);
    }
}

void PhotoActions::fillMenu(QMenu* menu) const
{
    for (QAction* action : m_actions) {
        const int command = action->data().toInt();
        if (command == TransferToPC || command == Property || command == Copy)
            menu->addSeparator();
        menu->addAction(action);
    }
}

int PhotoActions::commandOfKey(QKeyEvent* event)
{
    if (event == QKeySequence::Copy)
        return Copy;
    if (event == QKeySequence::Paste)
        return Paste;
    if (event == QKeySequence::Delete)
        return Delete;
    return None;
}
