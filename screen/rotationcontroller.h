#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "screen/photorotation.h"

class OCLoadingWidget;
class OCMediaItemList;
class PhotoItemViewModel;
class PhotoViewerWidget;
class QWidget;
class TransferController;

// Turns the viewer's photo for good: the file is turned without loss on the
// pool (PhotoRotation), on mass storage in place, over media transfer in the
// viewer's copy, which then replaces the photo on the phone (the transfer
// controller's upload; a copy whose photo could not be replaced is turned
// back). Thumbnail, item and viewer turn once the turn is saved; a failure
// is told in the host's message boxes.
class RotationController : public QObject
{
    Q_OBJECT

public:
    // Codes of failed(), as the screen's on_signal_failed_rotate carries them.
    enum Failure { OverSize = 0, ReadOnly = 1, NotLossless = 2, Animated = 3, NotSaved = 4 };

    RotationController(PhotoViewerWidget* viewer, OCLoadingWidget* loading,
        TransferController* transfers, std::function<bool()> mediaTransfer, QWidget* boxParent,
        QObject* parent = nullptr);

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Clockwise degrees; nothing while a turn is being saved.
    void turn(const QString& path, int degrees);
    // The replacing upload ended: AgentResult, or a TransferMarker.
    void uploadEnded(int status);
    // The viewer's buttons back once nothing of a turn is under way.
    void finishStep();
    // The notice of a failure code.
    void showFailure(int code);
    bool isBusy() const { return m_rotation.isBusy(); }
    // Waits, pumping events, at most ms for the running turn.
    bool waitForEnd(int ms) { return m_rotation.waitForEnd(ms); }

signals:
    void failed(int code);

private:
    void onTurned(const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result);
    void startUpload(
        const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result);
    void applySaved(
        const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result);
    void showReadOnlyNotice();

    PhotoRotation m_rotation;
    PhotoViewerWidget* m_viewer;
    OCLoadingWidget* m_loading;
    TransferController* m_transfers;
    std::function<bool()> m_mediaTransfer;
    QWidget* m_boxParent;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
};
