// Rotating the viewer's photo, saved for good: the file is turned without
// loss on the pool (PhotoRotation), on mass storage in place, over media
// transfer in the viewer's copy, which then replaces the photo on the phone.
// Thumbnail, item and viewer turn once the turn is saved.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>

#include "host/contract/ideviceagent.h"
#include "host/contract/pluginhostcontext.h"
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
#include "screen/livewidget.h"
#include "viewer/photoviewerwidget.h"
#include "viewer/photoviwerlist.h"

namespace {

// Codes of on_signal_failed_rotate.
enum RotateFailure { OverSize = 0, ReadOnly = 1, NotLossless = 2, Animated = 3, NotSaved = 4 };
const int RegistryRoot = 1;
const char* const PluginId = "device_photo";
const int TransferCancelled = 2;
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
        return OverSize;
    case PhotoRotationWriter::Outcome::ReadOnly:
        return ReadOnly;
    case PhotoRotationWriter::Outcome::NotLossless:
        return NotLossless;
    case PhotoRotationWriter::Outcome::Animated:
        return Animated;
    default:
        return NotSaved;
    }
}

bool samePath(const QString& a, const QString& b)
{
    return toStoredPath(a).compare(toStoredPath(b), Qt::CaseInsensitive) == 0;
}

} // namespace

void PhotoItemViewWidget::RotateProgressCallback(
    qint64 current, qint64 total, int status, CString fileName)
{
    const bool marker = current == total
        && (current == TransferMarker::Start || current == TransferMarker::End
            || current == TransferMarker::EndWithoutResult);
    if (!marker)
        return;
    const LiveWidget::Lease live = LiveWidget::acquire();
    PhotoItemViewWidget* screen = live.screen();
    if (!screen)
        return;
    QMetaObject::invokeMethod(screen, "on_transfer_status2", Qt::QueuedConnection,
        Q_ARG(qint64, current), Q_ARG(qint64, total), Q_ARG(int, status),
        Q_ARG(QString, GetCString2QString(fileName)));
}

void PhotoItemViewWidget::on_rotate_photoViewer(const QModelIndex& index, int angle)
{
    if (!m_model)
        return;
    const int row = index.data(PhotoRole::RowRole).toInt();
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_rotate_photoViewer: row" << row << "angle"
                      << angle;
    start_rotate_thread(m_model->index(row, 0).data(PhotoRole::PathRole).toString(), angle);
}

void PhotoItemViewWidget::start_rotate_thread(const QString& path, int angle)
{
    // Everything the job needs is looked up here, on the GUI thread.
    const CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(path, false) : nullptr;
    if (!item || m_rotation->isBusy()) {
        qCWarning(lcScreen) << "PhotoItemViewWidget::start_rotate_thread: not now" << path
                            << (item ? "a turn is being saved" : "no such photo");
        return;
    }
    if (qint64(item->fileSize()) > PhotoItemViewModel::kMaxRotateSize) {
        emit on_signal_failed_rotate(OverSize);
        return;
    }
    PhotoRotation::Request request;
    request.phonePath = item->path;
    request.degrees = angle;
    request.file = toFileSystemPath(item->path);
    if (isMediaTransferKind()) {
        // Only the viewer's copy of this very photo, once it is all here.
        const QString copy = m_transfers->viewerCopyOf(path);
        if (copy.isEmpty()) {
            qCWarning(lcScreen) << "PhotoItemViewWidget::start_rotate_thread: its copy is not here"
                                << path;
            return;
        }
        request.file = toFileSystemPath(copy);
        request.replaceOnPhone = true;
    }
    m_viewer->SetRotateEnabled(false);
    m_rotation->start(request);
}

void PhotoItemViewWidget::OnRotationTurned(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    const bool turned = result.outcome == PhotoRotationWriter::Outcome::Turned;
    if (request.undo) {
        if (!turned)
            qCWarning(lcScreen) << "PhotoItemViewWidget::OnRotationTurned: the copy stays turned"
                                << request.file;
    } else if (!turned) {
        emit on_signal_failed_rotate(failureOf(result.outcome));
    } else if (request.replaceOnPhone) {
        StartRotationUpload(request, result);
    } else {
        ApplySavedRotation(request, result);
    }
    on_finished_rotate();
}

void PhotoItemViewWidget::StartRotationUpload(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    const int started = m_transfers->startRotationUpload(request.file, request.phonePath);
    m_rotation->uploadStarted(request, result);
    if (started == AgentResult::Ok)
        return;
    // Refused at once (2: busy, or an agent that cannot replace a file): told
    // as a refused download is, and the copy turned back.
    OCMsgBox::OCErrorMessageBox(
        this, GetQString(tr("Notice")), started == TransferCancelled ? RefusedNotice : started);
    RotationUploadEnded(TransferCancelled);
}

void PhotoItemViewWidget::RotationUploadEnded(int status)
{
    if (!m_rotation->isUploading())
        return;
    PhotoRotationWriter::Result result;
    PhotoRotation::Request request = m_rotation->uploadEnded(&result);
    if (status == AgentResult::Ok) {
        ApplySavedRotation(request, result);
    } else {
        // The phone keeps its photo as it was: so does the copy shown.
        qCWarning(lcScreen) << "PhotoItemViewWidget::RotationUploadEnded: not replaced"
                            << request.phonePath << status;
        if (status > 0 && status != TransferCancelled)
            OCMsgBox::OCErrorMessageBox(this, GetQString(tr("Notice")), status);
        request.undo = true;
        request.replaceOnPhone = false;
        request.degrees = -request.degrees;
        m_rotation->start(request);
    }
    on_finished_rotate();
}

void PhotoItemViewWidget::ApplySavedRotation(
    const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result)
{
    CPhotoDataItem* item = m_mediaList ? m_mediaList->findItem(request.phonePath, false) : nullptr;
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
        m_mediaList->forgetStoredRow(request.phonePath);
        m_model->setData(QModelIndex(), QVariant(), Qt::DecorationRole);
    } else {
        qCWarning(lcScreen) << "PhotoItemViewWidget::ApplySavedRotation: the photo left the list"
                            << request.phonePath;
    }
    const QModelIndex shown = m_viewer->FilmStrip()->currentIndex();
    if (samePath(shown.data(PhotoRole::PathRole).toString(), request.phonePath))
        m_viewer->RotateView(request.phonePath, request.degrees);
}

void PhotoItemViewWidget::on_finished_rotate()
{
    qCDebug(lcScreen) << "PhotoItemViewWidget::on_finished_rotate";
    m_loading->HideLoadingWidget();
    m_viewer->stopDownloadImage();
    // The buttons come back once nothing of a turn is under way and the
    // picture shown is all here.
    if (!m_rotation->isBusy())
        m_viewer->SetRotateEnabled(!m_transfers->isTransferring());
}

void PhotoItemViewWidget::ShowReadOnlyNotice()
{
    const QString stored = GetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue());
    if (stored.contains(QLatin1String(PluginId), Qt::CaseInsensitive)) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::on_failed_rotate: don't show again";
        return;
    }
    MSGBoxOptions options;
    options.checkBoxText = GetQString(tr("Don't show again"));
    options.buttons = { { MsgBoxFlag::Ok, GetQString(tr("OK")) } };
    options.defaultButton = MsgBoxFlag::Ok;
    const quint32 answer = OCMsgBox::ShowOCMessageBox(this, GetQString(tr("Notice")),
        GetQString(tr("Cannot rotate read-only files.")), 0, MsgBoxFlag::Ok, &options);
    if ((answer & MsgBoxFlag::Checked) && (answer & MsgBoxFlag::Ok))
        SetRegstryStr(RegistryRoot, dontShowKey(), dontShowValue(),
            stored + QLatin1String(PluginId) + QLatin1Char(';'));
}

void PhotoItemViewWidget::on_failed_rotate(int err)
{
    static const char* const texts[] = {
        QT_TR_NOOP("The more than 100 MB photo files do not support rotation."),
        nullptr, // read-only: a notice of its own
        QT_TR_NOOP("This photo cannot be rotated without losing quality."),
        QT_TR_NOOP("Animated pictures cannot be rotated."),
        QT_TR_NOOP("The photo could not be rotated: it may have been moved or damaged."),
    };
    qCWarning(lcScreen) << "PhotoItemViewWidget::on_failed_rotate: failed rotate :" << err;
    if (err == ReadOnly)
        ShowReadOnlyNotice();
    else if (err >= OverSize && err <= NotSaved)
        OCMsgBox::ShowOCMessageBox(
            this, GetQString(tr("Notice")), GetQString(tr(texts[err])), 0, MsgBoxFlag::Ok);
}
