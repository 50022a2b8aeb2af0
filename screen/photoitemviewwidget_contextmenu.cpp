// Commands: the context menu, the host's main-menu commands and the keys,
// all running the commands of the screen's PhotoActions.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTimer>

#include "host/services/logcategories.h"
#include "model/photoitemviewmodel.h"
#include "screen/photoclipboard.h"

void PhotoItemViewWidget::UpdateContextMenuActions()
{
    m_menu->update(selectedRowIndexes(viewOf(Current)), m_fileAgentType);
    QAction* album = m_menu->actions()->action(PhotoActions::TransferToAlbum);
    if (album->isVisible())
        UpdateAlbumSubmenu(album);
}

void PhotoItemViewWidget::on_show_contexmenu(const QPoint& pt)
{
    if (pt.isNull())
        return;
    UpdateContextMenuActions();
    m_menu->exec();
}

void PhotoItemViewWidget::on_clicked_contextmenu()
{
    m_menu->choose(qobject_cast<QAction*>(sender()));
    // The command runs once the menu has closed.
    QTimer::singleShot(0, this, &PhotoItemViewWidget::on_contextmenu);
}

void PhotoItemViewWidget::RunCommand(int command)
{
    QAbstractItemView* view = viewOf(Current);
    QModelIndex current = view ? view->currentIndex() : QModelIndex();
    const QModelIndexList selected = selectedRowIndexes(view);
    if (view && !current.isValid() && !selected.isEmpty())
        current = selected.first();
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
        PhotoClipboard::copy(view);
        break;
    case PhotoActions::Paste:
        PhotoClipboard::paste(m_model);
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

void PhotoItemViewWidget::PostEditCommand(int command)
{
    if (m_model && parentVisible() && !viewerOpen())
        PostCommand(command);
}

void PhotoItemViewWidget::on_showinwindows()
{
    if (parentVisible())
        PostCommand(PhotoActions::ShowInFileManager);
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
