#include "screen/rotationcontroller.h"

#include <QCoreApplication>

#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/screenshared.h"
#include "screen/transfercontroller.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

const int RegistryRoot = 1;
const char* const PluginId = "device_photo";
const int RefusedNotice = 9; // the host's box for a refused transfer

QString dontShowKey()
{
    return QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0") + QStringLiteral("\\Preference")
        + QStringLiteral("\\DontShow");
}

QString dontShowValue()
{
    return QStringLiteral("Advanced_Dialog_Readonly");
}

int failureOf(PhotoRotationWriter::Outcome outcome)
{
    switch (outcome) {
    case PhotoRotationWriter::Outcome::TooLarge:
        return RotationController::OverSize;
    case PhotoRotationWriter::Outcome::ReadOnly:
        return RotationController::ReadOnly;
    case PhotoRotationWriter::Outcome::NotLossless:
        return RotationController::NotLossless;
    case PhotoRotationWriter::Outcome::Animated:
        return RotationController::Animated;
    default:
        return RotationController::NotSaved;
    }
}

bool samePath(const QString& a, const QString& b)
{
    return toStoredPath(a).compare(toStoredPath(b), Qt::CaseInsensitive) == 0;
}

} // namespace

RotationController::RotationController(PhotoViewerWidget* viewer, OCLoadingWidget* loading,
    TransferController* transfers, std::function<bool()> mediaTransfer, QWidget* boxParent,
    QObject* parent)
    : QObject(parent)
    , m_viewer(viewer)
    , m_loading(loading)
    , m_transfers(transfers)
    , m_mediaTransfer(std::move(mediaTransfer))
    , m_boxParent(boxParent)
{
    connect(&m_rotation, &PhotoRotation::finished, this, &RotationController::onTurned);
    connect(transfers, &TransferController::uploadEnded, this, &RotationController::uploadEnded);
}

void RotationController::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

void RotationController::turn(const QString& path, int degrees)
{
    // Everything the job needs is looked up here, on the GUI thread.
    const CPhotoDataItem* item = m_list ? m_list->findItem(path, false) : nullptr;
    if (!item || m_rotation.isBusy()) {
        qCWarning(lcScreen) << "RotationController::turn: not now" << path
                            << (item ? "a turn is being saved" : "no such photo");
        return;
    }
    if (qint64(item->fileSize()) > PhotoItemViewModel::kMaxRotateSize) {
        emit failed(OverSize);
        return;
    }
    PhotoRotation::Request request;
    request.phonePath = item->path;
    request.degrees = degrees;
    request.file = toFileSystemPath(item->path);
    if (m_mediaTransfer()) {
        // Only the viewer's copy of this very photo, once it is all here.
        const QString copy = m_transfers->viewerCopyOf(path);
        if (copy.isEmpty()) {
            qCWarning(lcScreen) << "RotationController::turn: its copy is not here" << path;
            return;
        }
        request.file = toFileSystemPath(copy);
        request.replaceOnPhone = true;
    }
    m_viewer->SetRotateEnabled(false);
    m_rotation.start(request);
}

void RotationController::onTurned(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    const bool turned = result.outcome == PhotoRotationWriter::Outcome::Turned;
    if (request.undo) {
        if (!turned)
            qCWarning(lcScreen) << "RotationController::onTurned: the copy stays turned"
                                << request.file;
    } else if (!turned) {
        emit failed(failureOf(result.outcome));
    } else if (request.replaceOnPhone) {
        startUpload(request, result);
    } else {
        applySaved(request, result);
    }
    finishStep();
}

void RotationController::startUpload(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    const int started = m_transfers->startRotationUpload(request.file, request.phonePath);
    m_rotation.uploadStarted(request, result);
    if (started == AgentResult::Ok)
        return;
    // Refused at once (busy, or an agent that cannot replace a file): told
    // as a refused download is, and the copy turned back.
    OCMsgBox::OCErrorMessageBox(
        m_boxParent, screenText("Notice"), started == AgentResult::Busy ? RefusedNotice : started);
    uploadEnded(AgentResult::Busy);
}

void RotationController::uploadEnded(int status)
{
    if (!m_rotation.isUploading())
        return;
    PhotoRotationWriter::Result result;
    PhotoRotation::Request request = m_rotation.uploadEnded(&result);
    if (status == AgentResult::Ok) {
        applySaved(request, result);
    } else {
        // The phone keeps its photo as it was: so does the copy shown.
        qCWarning(lcScreen) << "RotationController::uploadEnded: not replaced" << request.phonePath
                            << status;
        if (status > 0 && status != AgentResult::Busy)
            OCMsgBox::OCErrorMessageBox(m_boxParent, screenText("Notice"), status);
        request.undo = true;
        request.replaceOnPhone = false;
        request.degrees = -request.degrees;
        m_rotation.start(request);
    }
    finishStep();
}

void RotationController::applySaved(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    CPhotoDataItem* item = m_list ? m_list->findItem(request.phonePath, false) : nullptr;
    if (item) {
        item->rotateThumbnail(request.degrees);
        item->setDirection(result.orientation, false);
        item->setFileSize(quint32(result.size));
        if (result.pixelsTurned) {
            const qint32 width = item->width();
            item->setWidth(item->height());
            item->setHeight(width);
        }
        // What the database read of the file is stale now.
        m_list->forgetStoredRow(request.phonePath);
        m_model->setData(QModelIndex(), QVariant(), Qt::DecorationRole);
    } else {
        qCWarning(lcScreen) << "RotationController::applySaved: the photo left the list"
                            << request.phonePath;
    }
    const QModelIndex shown = m_viewer->FilmStrip()->currentIndex();
    if (samePath(shown.data(PhotoRole::PathRole).toString(), request.phonePath))
        m_viewer->RotateView(request.phonePath, request.degrees);
}

void RotationController::finishStep()
{
    qCDebug(lcScreen) << "RotationController::finishStep";
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
    // The buttons come back once nothing of a turn is under way and the
    // picture shown is all here.
    if (!m_rotation.isBusy())
        m_viewer->SetRotateEnabled(!m_transfers->isTransferring());
}

void RotationController::showReadOnlyNotice()
{
    const QString stored = GetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue());
    if (stored.contains(QLatin1String(PluginId), Qt::CaseInsensitive)) {
        qCDebug(lcScreen) << "RotationController::showFailure: don't show again";
        return;
    }
    MSGBoxOptions options;
    options.checkBoxText = screenText("Don't show again");
    options.buttons = { { MsgBoxFlag::Ok, screenText("OK") } };
    options.defaultButton = MsgBoxFlag::Ok;
    const quint32 answer = OCMsgBox::ShowOCMessageBox(m_boxParent, screenText("Notice"),
        screenText("Cannot rotate read-only files."), 0, MsgBoxFlag::Ok, &options);
    if ((answer & MsgBoxFlag::Checked) && (answer & MsgBoxFlag::Ok))
        SetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue(),
            stored + QLatin1String(PluginId) + QLatin1Char(';'));
}

void RotationController::showFailure(int code)
{
    static const char* const texts[] = {
        QT_TRANSLATE_NOOP(
            "PhotoItemViewWidget", "The more than 100 MB photo files do not support rotation."),
        nullptr, // read-only: a notice of its own
        QT_TRANSLATE_NOOP(
            "PhotoItemViewWidget", "This photo cannot be rotated without losing quality."),
        QT_TRANSLATE_NOOP("PhotoItemViewWidget", "Animated pictures cannot be rotated."),
        QT_TRANSLATE_NOOP("PhotoItemViewWidget",
            "The photo could not be rotated: it may have been moved or damaged."),
    };
    qCWarning(lcScreen) << "RotationController::showFailure: failed rotate :" << code;
    if (code == ReadOnly)
        showReadOnlyNotice();
    else if (code >= OverSize && code <= NotSaved)
        OCMsgBox::ShowOCMessageBox(
            m_boxParent, screenText("Notice"), screenText(texts[code]), 0, MsgBoxFlag::Ok);
}
