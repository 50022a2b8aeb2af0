#include "screen/viewercontroller.h"

#include <QCoreApplication>
#include <QDateTime>

#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "screen/screenshared.h"
#include "screen/transfercontroller.h"
#include "viewer/photoviewerwidget.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

bool hostTransfers()
{
    const quint32 bits = OCSharedValue::ProcessTransferA | OCSharedValue::ProcessTransferB;
    return (g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & bits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & bits);
}

} // namespace

ViewerController::ViewerController(Screen* screen, PhotoViewerWidget* viewer,
    TransferController* transfers, std::function<bool()> mediaTransfer, QWidget* boxParent,
    QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_viewer(viewer)
    , m_transfers(transfers)
    , m_mediaTransfer(std::move(mediaTransfer))
    , m_boxParent(boxParent)
{
}

void ViewerController::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

void ViewerController::open(const QModelIndex& index)
{
    if (!m_model || m_model->isViewerOpen() || !index.isValid())
        return;
    qCDebug(lcScreen) << "ViewerController::open : row" << index.row();
    const bool mediaTransfer = m_mediaTransfer();
    if (mediaTransfer && hostTransfers()) {
        OCMsgBox::ShowOCMessageBox(m_boxParent, screenText("Notice"),
            screenText(
                "Viewing is impossible while transferring another multimedia contents. Please "
                "try again later."),
            0, MsgBoxFlag::Ok);
        return;
    }
    if (g_SharedValue.GetOCState(m_boxParent, true, false, true))
        return;
    // The sort below moves rows; the photo is followed by a persistent index.
    const QPersistentModelIndex photo(index.sibling(index.row(), 0));
    if (mediaTransfer)
        m_transfers->holdThumbnails();
    m_screen->stopPartialLoading();
    g_SharedValue.addState(PhotoType, OCSharedValue::PluginViewerOpen, OCSharedValue::PluginState);
    m_model->setViewerOpen(true);
    m_screen->updateTransferButtons();
    m_returnScroll = m_screen->pageScroll();
    m_screen->applyCurrentSort();
    m_screen->showViewerPage(true);
    m_viewer->reSetCurrentIndex(photo);
}

void ViewerController::load(const QString& path)
{
    if (path.isEmpty())
        return;
    qCDebug(lcScreen) << "ViewerController::load :" << path;
    bool shown = true;
    if (m_mediaTransfer()) {
        shown = m_transfers->requestViewerDownload(path);
    } else {
        m_viewer->SetRotateEnabled(true);
        m_viewer->loadFile(path);
    }
    CPhotoDataItem* item = shown && m_list ? m_list->findItem(path, false) : nullptr;
    if (item)
        item->setModifiedDate(QDateTime::currentDateTime());
}

void ViewerController::close()
{
    if (!m_model)
        return;
    qCDebug(lcScreen) << "ViewerController::close";
    m_transfers->cancelViewerDownload();
    g_SharedValue.deleteState(
        PhotoType, OCSharedValue::PluginViewerOpen, OCSharedValue::PluginState);
    m_screen->updateTransferButtons();
    m_transfers->releaseThumbnailHold();
    m_model->setViewerOpen(false);
    m_screen->showViewerPage(false);
    if (g_SharedValue.IsDisplayNewIcon())
        m_screen->applyCurrentSort();
    m_screen->setPageScroll(m_returnScroll);
}
