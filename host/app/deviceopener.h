#pragma once

#include "host/device/gphotolibrary.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class GPhotoAgent;

// Opens a phone or camera through libgphoto2 without making the GUI thread
// wait: the device's worker answers through a queued call, and no answer
// within the timeout counts as a failure. One device at a time: a new start
// lets go of the device still opening, whose late answer is then dropped.
class DeviceOpener : public QObject
{
    Q_OBJECT

public:
    explicit DeviceOpener(int timeoutMs, QObject* parent = nullptr);
    ~DeviceOpener() override;

    void start(const GPhotoDeviceId& device);
    // Lets go of the device still opening; no signal follows.
    void cancel();
    bool isOpening() const { return m_agent != nullptr; }
    const GPhotoDeviceId& device() const { return m_device; }
    void setTimeoutMs(int milliseconds) { m_timeout.setInterval(milliseconds); }
    // The device after opened(); the opener holds nothing then.
    std::unique_ptr<GPhotoAgent> take();

signals:
    void opened(const GPhotoDeviceId& device);
    // why is the sentence for the user.
    void failed(const GPhotoDeviceId& device, const QString& why);

private:
    void onAnswer(quint64 attempt, int code, const QString& why);
    void onTimeout();

    QTimer m_timeout;
    GPhotoDeviceId m_device;
    std::unique_ptr<GPhotoAgent> m_agent; // while opening
    std::unique_ptr<GPhotoAgent> m_opened; // until taken
    quint64 m_attempt = 0; // tells a late answer from the current one
};
