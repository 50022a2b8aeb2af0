// Single-photo commands: properties, rename and the file manager; the work
// is PropertiesController's.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>

#include "screen/livewidget.h"
#include "screen/propertiescontroller.h"

QModelIndex PhotoItemViewWidget::commandIndex() const
{
    QAbstractItemView* view = viewOf(Current);
    if (!view || !view->selectionModel())
        return QModelIndex();
    if (view->currentIndex().isValid())
        return view->currentIndex();
    const QModelIndexList selected = selectedRowIndexes(view);
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void PhotoItemViewWidget::OnProperty()
{
    m_properties->showProperties();
}

void PhotoItemViewWidget::OnShowInWindows()
{
    m_properties->showInFileManager();
}

void PhotoItemViewWidget::RenameFileCallback(bool result)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (PhotoItemViewWidget* screen = live.screen())
        QMetaObject::invokeMethod(
            screen, "on_complete_renamefile", Qt::QueuedConnection, Q_ARG(bool, result));
}

void PhotoItemViewWidget::on_complete_renamefile(bool result)
{
    m_properties->renameEnded(result);
}

void PhotoItemViewWidget::photoRenamed()
{
    ApplyCurrentSort();
    repaintCurrentView();
}
