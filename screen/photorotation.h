#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include "host/db/photorotationwriter.h"

// Turns one photo file at a time on Qt's pool (PhotoRotationWriter) and
// answers on the GUI thread. A request carries plain values looked up on the
// GUI thread: the job never reads the screen's list, so it may even outlive
// the screen without touching anything of it.
class PhotoRotation : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString phonePath; // the photo as the list knows it
        QString file; // file-system path of the file to turn: the photo, or its copy
        int degrees = 0; // clockwise
        bool replaceOnPhone = false; // the turned copy then replaces the photo
        bool undo = false; // turns a copy back whose photo could not be replaced
    };

    explicit PhotoRotation(QObject* parent = nullptr);

    bool isRunning() const { return m_watcher.isRunning(); }
    // A turn runs, or its copy is being sent to the phone.
    bool isBusy() const { return isRunning() || m_uploading; }
    // False, and nothing started, while a turn runs.
    bool start(const Request& request);
    // The turned copy of request is on its way to replace the photo.
    void uploadStarted(const Request& request, const PhotoRotationWriter::Result& result);
    bool isUploading() const { return m_uploading; }
    // The upload ended: what it was for.
    Request uploadEnded(PhotoRotationWriter::Result* result);
    // Waits, pumping events, at most ms for the running turn.
    bool waitForEnd(int ms);

signals:
    void finished(const PhotoRotation::Request& request, const PhotoRotationWriter::Result& result);

private:
    void onJobEnded();

    QFutureWatcher<PhotoRotationWriter::Result> m_watcher;
    Request m_request;
    bool m_uploading = false;
    Request m_upload;
    PhotoRotationWriter::Result m_uploadResult;
};
