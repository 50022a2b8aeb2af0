#include "deviceopener.h"

#include "host/device/gphotoagent.h"
#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QPointer>

DeviceOpener::DeviceOpener(int timeoutMs, QObject* parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &DeviceOpener::onTimeout);
}

DeviceOpener::~DeviceOpener()
{
    cancel();
}

void DeviceOpener::start(const GPhotoDeviceId& device)
{
    cancel();
    m_opened.reset();
    m_device = device;
    const quint64 attempt = ++m_attempt;
    m_agent = std::make_unique<GPhotoAgent>(device);
    qCDebug(lcHostApp) << "DeviceOpener::start:" << device.model << device.port << "attempt"
                       << attempt;
    // The answer comes on the device's thread and may outlive this opener:
    // it is handed to the application object, and this opener is looked up
    // again on the GUI thread.
    QPointer<DeviceOpener> self(this);
    const bool queued = m_agent->startOpen([self, attempt](int code, const QString& why) {
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application,
                [self, attempt, code, why] {
                    if (self)
                        self->onAnswer(attempt, code, why);
                },
                Qt::QueuedConnection);
    });
    if (!queued) {
        // Answered as a device that does not open, after the caller has returned.
        QMetaObject::invokeMethod(
            this,
            [this, attempt] {
                onAnswer(attempt, GPhotoAgent::ErrorNotOpened,
                    GPhotoAgent::errorSentence(GPhotoAgent::ErrorNotOpened));
            },
            Qt::QueuedConnection);
        return;
    }
    m_timeout.start();
}

void DeviceOpener::cancel()
{
    m_timeout.stop();
    if (!m_agent)
        return;
    qCDebug(lcHostApp) << "DeviceOpener::cancel:" << m_device.model << m_device.port;
    ++m_attempt;
    m_agent.reset();
}

std::unique_ptr<GPhotoAgent> DeviceOpener::take()
{
    return std::move(m_opened);
}

void DeviceOpener::onAnswer(quint64 attempt, int code, const QString& why)
{
    if (attempt != m_attempt || !m_agent) {
        qCDebug(lcHostApp) << "DeviceOpener::onAnswer: late answer dropped" << attempt;
        return;
    }
    m_timeout.stop();
    std::unique_ptr<GPhotoAgent> agent = std::move(m_agent);
    if (code != AgentResult::Ok) {
        qCWarning(lcHostApp) << "DeviceOpener::onAnswer: not opened" << m_device.model
                             << m_device.port << code << why;
        agent.reset();
        emit failed(m_device, why);
        return;
    }
    agent->confirmOpened();
    m_opened = std::move(agent);
    emit opened(m_device);
}

void DeviceOpener::onTimeout()
{
    if (!m_agent)
        return;
    qCWarning(lcHostApp) << "DeviceOpener::onTimeout: no answer from" << m_device.model
                         << m_device.port << "in" << m_timeout.interval() << "ms";
    cancel();
    emit failed(m_device, GPhotoAgent::noAnswerSentence(m_timeout.interval()));
}
