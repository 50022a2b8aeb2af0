#include "screen/photocontextmenu.h"

#include <QAction>
#include <QCursor>

#include <algorithm>
#include <utility>

#include "host/contract/ocglobal.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/ocfademenu.h"
#include "model/photoroles.h"
#include "screen/photoactions.h"
#include "screen/photoclipboard.h"

PhotoContextMenu::PhotoContextMenu(QWidget* owner)
    : QObject(owner)
    , m_owner(owner)
    , m_actions(new PhotoActions(this))
    , m_chosen(PhotoActions::None)
{
}

OCFadeMenu* PhotoContextMenu::menu()
{
    if (!m_menu) {
        m_menu = new OCFadeMenu(m_owner);
        m_menu->setObjectName(QStringLiteral("device_photo_contextmenu"));
        m_actions->fillMenu(m_menu);
    }
    return m_menu;
}

void PhotoContextMenu::update(const QModelIndexList& selected, int connectionKind)
{
    const int photos = OCGlobal::ITEM_PHONE_PHOTO;
    PhotoActions::Context context;
    context.selected = selected.size();
    context.anyExists = std::any_of(selected.begin(), selected.end(),
        [](const QModelIndex& index) { return index.data(PhotoRole::ExistsRole).toBool(); });
    context.connectionKind = connectionKind;
    context.listing = g_SharedValue.hasProcessState(photos, OCSharedValue::ProcessListing);
    const quint32 transfer = OCSharedValue::ProcessTransferB;
    context.transferRunning = (g_SharedValue.getProcessState(photos) & transfer)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & transfer);
    context.clipboardHasPhotos = PhotoClipboard::hasPhotos();
    context.albumsOffered = g_SharedValue.IsShowToPCWithPlaylist();
    m_actions->update(context);
}

void PhotoContextMenu::exec()
{
    QPoint at = QCursor::pos();
    menu()->exec(at);
}

void PhotoContextMenu::choose(const QAction* action)
{
    if (action)
        m_chosen = action->data().toInt();
}

int PhotoContextMenu::takeChosen()
{
    return std::exchange(m_chosen, int(PhotoActions::None));
}
