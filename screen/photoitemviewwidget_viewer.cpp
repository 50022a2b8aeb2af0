// The viewer page: opening, loading and closing are ViewerController's; the
// screen keeps the names the views and the host reach.
#include "screen/photoitemviewwidget.h"

#include "model/photoroles.h"
#include "screen/viewercontroller.h"

void PhotoItemViewWidget::OpenViewer(const QModelIndex& index)
{
    m_viewing->open(index);
}

void PhotoItemViewWidget::on_item_double_clicked(const QModelIndex& index)
{
    // On mass storage a missing file is offered to be located instead.
    if (index.isValid()
        && (m_fileAgentType != ConnectionKind::MassStorage || m_locate->checkExists(index, true)))
        OpenViewer(index);
}

void PhotoItemViewWidget::on_load_photoViewer(const QModelIndex& index)
{
    if (index.isValid())
        m_viewing->load(index.data(PhotoRole::PathRole).toString());
}

void PhotoItemViewWidget::on_load_photoViewer(const QString& path)
{
    m_viewing->load(path);
}

void PhotoItemViewWidget::on_close_photoViewer()
{
    m_viewing->close();
}

void PhotoItemViewWidget::showViewerPage(bool viewer)
{
    SetViewMode(viewer ? int(ViewerMode) : GetViewMode(true), false);
    if (viewer)
        return;
    on_selection_Changed(QItemSelection(), QItemSelection());
    emit on_signal_closed_photoviewer();
}
