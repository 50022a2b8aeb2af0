// Commands: the context menu and its action states, the host's main-menu
// commands, copy and paste, and the keyboard.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDebug>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

#include <algorithm>

#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocfademenu.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/photoactions.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

const QString ItemDataFormat = QStringLiteral("application/tz-itemdata");

} // namespace

void PhotoItemViewWidget::BuildContextMenu()
{
    m_contextMenu = new OCFadeMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("device_photo_contextmenu"));
    m_actions->fillMenu(m_contextMenu);
}

bool PhotoItemViewWidget::ClipboardHasPhotos() const
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    // Our own copies carry the item data; their URLs may name phone files
    // that would be fetched when read.
    if (data->hasFormat(ItemDataFormat))
        return true;
    return data->hasUrls() && IsSupportedFiles(PhotoType, data->urls(), false);
}

void PhotoItemViewWidget::UpdateContextMenuActions()
{
    const QModelIndexList selected = selectedRowIndexes(viewOf(Current));
    PhotoActions::Context context;
    context.selected = selected.size();
    context.anyExists = std::any_of(selected.begin(), selected.end(),
        [](const QModelIndex& index) { return index.data(PhotoRole::ExistsRole).toBool(); });
    context.connectionKind = m_fileAgentType;
    context.listing = g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing);
    context.transferRunning = hostTransferRunning(OCSharedValue::ProcessTransferB);
    context.clipboardHasPhotos = ClipboardHasPhotos();
    context.albumsOffered = g_SharedValue.IsShowToPCWithPlaylist();
    m_actions->update(context);
    QAction* album = m_actions->action(PhotoActions::TransferToAlbum);
    if (album->isVisible())
        UpdateAlbumSubmenu(album);
}

void PhotoItemViewWidget::on_show_contexmenu(const QPoint& pt)
{
    if (pt.isNull())
        return;
    if (!m_contextMenu)
        BuildContextMenu();
    UpdateContextMenuActions();
    QPoint at = QCursor::pos();
    m_contextMenu->exec(at);
}

void PhotoItemViewWidget::on_clicked_contextmenu()
{
    const auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    m_pendingCommand = action->data().toInt();
    // The command runs once the menu has closed.
    QTimer::singleShot(0, this, &PhotoItemViewWidget::on_contextmenu);
}

void PhotoItemViewWidget::on_contextmenu()
{
    const int command = m_pendingCommand;
    m_pendingCommand = PhotoActions::None;
    RunCommand(command);
}

void PhotoItemViewWidget::RunCommand(int command)
{
    QAbstractItemView* view = viewOf(Current);
    QModelIndex current = view ? view->currentIndex() : QModelIndex();
    if (view && !current.isValid()) {
        const QModelIndexList selected = selectedRowIndexes(view);
        if (!selected.isEmpty())
            current = selected.first();
    }
    qCDebug(lcScreen) << "PhotoItemViewWidget::RunCommand : command" << command;
    switch (command) {
    case PhotoActions::View:
        if (isVisible() && current.isValid())
            OpenViewer(current);
        break;
    case PhotoActions::TransferToPC:
        TransferSelectionToPC(-1);
        break;
    case PhotoActions::Property:
        OnProperty();
        break;
    case PhotoActions::ShowInFileManager:
        OnShowInWindows();
        break;
    case PhotoActions::Locate:
        if (current.isValid())
            SetFileLocate(current);
        break;
    case PhotoActions::Copy:
        CopySelection();
        break;
    case PhotoActions::Paste:
        PasteClipboard();
        break;
    case PhotoActions::Delete:
        OnDelete(true);
        break;
    case PhotoActions::Uncheck:
        if (view && view->selectionModel() && current.isValid())
            view->selectionModel()->select(
                current, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        break;
    default:
        break;
    }
}

void PhotoItemViewWidget::PostCommand(int command)
{
    // Like a menu command, it runs after the host's menu has closed.
    QTimer::singleShot(0, this, [this, command] { RunCommand(command); });
}

void PhotoItemViewWidget::CopySelection()
{
    QAbstractItemView* view = viewOf(Current);
    const QModelIndexList selected = selectedRowIndexes(view);
    if (!view || !view->model() || selected.isEmpty())
        return;
    if (QMimeData* data = view->model()->mimeData(selected))
        QApplication::clipboard()->setMimeData(data);
}

void PhotoItemViewWidget::PasteClipboard()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!m_model || !data)
        return;
    m_model->dropMimeData(data, Qt::CopyAction, 0, 0, QModelIndex());
}

void PhotoItemViewWidget::on_copy()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(PhotoActions::Copy);
}

void PhotoItemViewWidget::on_paste()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(PhotoActions::Paste);
}

void PhotoItemViewWidget::on_property()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(PhotoActions::Property);
}

void PhotoItemViewWidget::on_delete()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(PhotoActions::Delete);
}

void PhotoItemViewWidget::on_showinwindows()
{
    if (!parentVisible())
        return;
    PostCommand(PhotoActions::ShowInFileManager);
}

void PhotoItemViewWidget::on_view()
{
    PostCommand(PhotoActions::View);
}

void PhotoItemViewWidget::keyPressEvent(QKeyEvent* event)
{
    const int command = PhotoActions::commandOfKey(event);
    if (command != PhotoActions::None)
        RunCommand(command);
    QStackedWidget::keyPressEvent(event);
}

bool PhotoItemViewWidget::eventFilter(QObject* watched, QEvent* event)
{
    // The item views would take these keys for themselves (a view copies
    // the current cell's text); here they are the screen's commands.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (PhotoActions::commandOfKey(key) != PhotoActions::None) {
            keyPressEvent(key);
            // Handled: an ignored key would travel on to this screen again.
            key->accept();
            return true;
        }
    }
    return QStackedWidget::eventFilter(watched, event);
}
