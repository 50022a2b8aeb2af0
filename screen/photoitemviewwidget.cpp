#include "screen/photoitemviewwidget.h"

#include "host/services/fileutils.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QDebug>
#include <QItemSelectionModel>

namespace {

// The index of a model row as the view's model (a chain of proxies) has it.
QModelIndex indexInView(const QAbstractItemView* view, const QAbstractItemModel* source, int row)
{
    const QAbstractItemModel* viewModel = view->model();
    QList<const QAbstractProxyModel*> proxies;
    while (viewModel && viewModel != source) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(viewModel);
        if (!proxy)
            return QModelIndex();
        proxies.prepend(proxy);
        viewModel = proxy->sourceModel();
    }
    if (!viewModel)
        return QModelIndex();
    QModelIndex index = source->index(row, 0);
    for (const QAbstractProxyModel* proxy : qAsConst(proxies))
        index = proxy->mapFromSource(index);
    return index;
}

} // namespace

PhotoItemViewWidget::PhotoItemViewWidget(QWidget* parent)
    : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("device_photo"));
    m_rowChangeTimer.setSingleShot(true);
    m_rowChangeTimer.setInterval(0);
    connect(&m_rowChangeTimer, &QTimer::timeout, this, &PhotoItemViewWidget::on_rows_changed);
    m_paintTimer.setSingleShot(true);
    m_paintTimer.setInterval(50);
    connect(&m_paintTimer, &QTimer::timeout, this, &PhotoItemViewWidget::on_paint_resume);
}

PhotoItemViewWidget::~PhotoItemViewWidget()
{
    on_paint_resume();
}

QPixmap PhotoItemViewWidget::GetThumbnail(const QString&, bool)
{
    return QPixmap();
}

bool PhotoItemViewWidget::isOwnTransferEvent(const QString& objectId, const QString& path, int code)
{
    if (!m_mediaList)
        return false;
    if (code == ItemEventCode::Removed) {
        const CPhotoDataItem* item = m_mediaList->findItem(objectId, true);
        return item && !item->sourcePath.isEmpty();
    }
    if (code == ItemEventCode::ObjectIdAssigned) {
        CPhotoDataItem* item = m_mediaList->findItem(toStoredPath(path), false);
        if (!item || item->sourcePath.isEmpty())
            return false;
        item->sourcePath.clear();
        m_mediaList->setObjectId(item->path, objectId);
        return true;
    }
    return false;
}

void PhotoItemViewWidget::refreshAfterRowChange()
{
    // One refresh per pass of the event loop. The insert threads hand rows
    // over in batches, and a view repaints once per pass by itself, so its
    // paints need no holding back.
    if (!m_rowChangeTimer.isActive())
        m_rowChangeTimer.start();
}

void PhotoItemViewWidget::on_paint_resume()
{
    if (m_heldView)
        m_heldView->setUpdatesEnabled(true);
    m_heldView.clear();
}

void PhotoItemViewWidget::on_rows_changed()
{
    emit on_signal_view_selection_change(QItemSelection(), QItemSelection());
}

void PhotoItemViewWidget::repaintCurrentView()
{
    if (QAbstractItemView* view = currentPageView())
        view->viewport()->update();
    else if (QWidget* page = currentWidget())
        page->update();
}

bool PhotoItemViewWidget::showItemOfPath(const QString& path)
{
    QAbstractItemView* view = currentPageView();
    if (!view || !m_mediaList || !m_model)
        return false;
    const int row = m_model->IndexOf(m_mediaList->findItem(path, false));
    if (row < 0)
        return false;
    const QModelIndex index = indexInView(view, m_model, row);
    if (!index.isValid())
        return false;
    view->scrollTo(index);
    if (QItemSelectionModel* selection = view->selectionModel())
        selection->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

QAbstractItemView* PhotoItemViewWidget::currentPageView() const
{
    return qobject_cast<QAbstractItemView*>(currentWidget());
}

void PhotoItemViewWidget::hideDropIndicator()
{
    // The host's views draw their own drop indicator and switch it by name.
    QAbstractItemView* view = currentPageView();
    if (view && view->metaObject()->indexOfMethod("setDropVisible(bool)") >= 0)
        QMetaObject::invokeMethod(view, "setDropVisible", Q_ARG(bool, false));
}
