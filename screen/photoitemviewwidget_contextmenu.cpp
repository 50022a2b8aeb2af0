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

#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocfademenu.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

const char* const CommandLabels[] = {
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

const QString ItemDataFormat = QStringLiteral("application/tz-itemdata");

bool isCommandKey(QKeyEvent* event)
{
    return event == QKeySequence::Copy || event == QKeySequence::Paste
        || event == QKeySequence::Delete;
}

} // namespace

void PhotoItemViewWidget::BuildContextMenu()
{
    m_contextMenu = new OCFadeMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("device_photo_contextmenu"));
    for (int command = CmdView; command <= CmdUncheck; ++command) {
        if (command == CmdTransferToPC || command == CmdProperty || command == CmdCopy)
            m_contextMenu->addSeparator();
        QAction* action = m_contextMenu->addAction(GetQString(tr(CommandLabels[command])));
        action->setData(command);
        connect(action, &QAction::triggered, this, &PhotoItemViewWidget::on_clicked_contextmenu);
        m_contextActions.insert(command, action);
    }
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
    bool anyExists = false;
    for (const QModelIndex& index : selected) {
        if (index.data(PhotoRole::ExistsRole).toBool()) {
            anyExists = true;
            break;
        }
    }
    const bool S = !selected.isEmpty();
    const bool M = selected.size() > 1;
    const bool E = anyExists;
    const bool K1 = m_fileAgentType == ConnectionKind::MtpBasic;
    const bool K4 = m_fileAgentType == ConnectionKind::Mtp;
    const bool L = g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing);
    const bool B = hostTransferRunning(OCSharedValue::ProcessTransferB);
    const bool P = ClipboardHasPhotos();
    const bool allMissing = S && !E;

    struct State
    {
        int command;
        bool enabled;
        bool visible;
    };
    const State states[] = {
        { CmdView, S, !allMissing },
        { CmdTransferToPC, S, !allMissing },
        { CmdTransferToAlbum, S, !allMissing && g_SharedValue.IsShowToPCWithPlaylist() },
        { CmdProperty, S && !M, !allMissing },
        { CmdShowInWindows, S && !M && !K1, !allMissing },
        { CmdLocate, S && !M && !K4 && !L && !B, allMissing },
        { CmdCopy, S, !allMissing },
        { CmdPaste, P, !allMissing },
        { CmdDelete, S && !L && !B, true },
        { CmdUncheck, S, false },
    };
    for (const State& state : states) {
        QAction* action = m_contextActions.value(state.command);
        if (!action)
            continue;
        action->setEnabled(state.enabled);
        action->setVisible(state.visible);
    }
    if (QAction* album = m_contextActions.value(CmdTransferToAlbum)) {
        if (album->isVisible())
            UpdateAlbumSubmenu(album);
    }
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
    m_pendingCommand = CmdNone;
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
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::RunCommand"
             << ": command" << command;
    switch (command) {
    case CmdView:
        if (isVisible() && current.isValid())
            OpenViewer(current);
        break;
    case CmdTransferToPC:
        TransferSelectionToPC(-1);
        break;
    case CmdProperty:
        OnProperty();
        break;
    case CmdShowInWindows:
        OnShowInWindows();
        break;
    case CmdLocate:
        if (current.isValid())
            SetFileLocate(current);
        break;
    case CmdCopy:
        CopySelection();
        break;
    case CmdPaste:
        PasteClipboard();
        break;
    case CmdDelete:
        OnDelete(true);
        break;
    case CmdUncheck:
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
    PostCommand(CmdCopy);
}

void PhotoItemViewWidget::on_paste()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(CmdPaste);
}

void PhotoItemViewWidget::on_property()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(CmdProperty);
}

void PhotoItemViewWidget::on_delete()
{
    if (!m_model || !parentVisible() || viewerOpen())
        return;
    PostCommand(CmdDelete);
}

void PhotoItemViewWidget::on_showinwindows()
{
    if (!parentVisible())
        return;
    PostCommand(CmdShowInWindows);
}

void PhotoItemViewWidget::on_view()
{
    PostCommand(CmdView);
}

void PhotoItemViewWidget::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy)
        RunCommand(CmdCopy);
    else if (event == QKeySequence::Paste)
        RunCommand(CmdPaste);
    else if (event == QKeySequence::Delete)
        RunCommand(CmdDelete);
    QStackedWidget::keyPressEvent(event);
}

bool PhotoItemViewWidget::eventFilter(QObject* watched, QEvent* event)
{
    // The item views would take these keys for themselves (a view copies
    // the current cell's text); here they are the screen's commands.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isCommandKey(key)) {
            keyPressEvent(key);
            // Handled: an ignored key would travel on to this screen again.
            key->accept();
            return true;
        }
    }
    return QStackedWidget::eventFilter(watched, event);
}
