#include "screen/photorotation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include "host/services/logcategories.h"

PhotoRotation::PhotoRotation(QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &PhotoRotation::onJobEnded);
}

bool PhotoRotation::start(const Request& request)
{
    if (isRunning()) {
        qCWarning(lcScreen) << "PhotoRotation::start: a turn is being saved, refused"
                            << request.phonePath;
        return false;
    }
    qCDebug(lcScreen) << "PhotoRotation::start:" << request.phonePath << request.file
                      << request.degrees << (request.undo ? "undo" : "");
    m_request = request;
    m_watcher.setFuture(
        QtConcurrent::run(&PhotoRotationWriter::turn, request.file, request.degrees));
    return true;
}

void PhotoRotation::uploadStarted(const Request& request, const PhotoRotationWriter::Result& result)
{
    m_uploading = true;
    m_upload = request;
    m_uploadResult = result;
}

PhotoRotation::Request PhotoRotation::uploadEnded(PhotoRotationWriter::Result* result)
{
    m_uploading = false;
    *result = m_uploadResult;
    return m_upload;
}

bool PhotoRotation::waitForEnd(int ms)
{
    // The job never waits for this thread; its end is known from the watcher's
    // finished signal, which comes as an event.
    QElapsedTimer waited;
    waited.start();
    while (isRunning() && waited.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
    return !isRunning();
}

void PhotoRotation::onJobEnded()
{
    const PhotoRotationWriter::Result result = m_watcher.result();
    emit finished(m_request, result);
}
