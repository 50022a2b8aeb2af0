#pragma once

#include "gphotolibrary.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Tells which phones and cameras are connected: libgphoto2's detection once
// at start and again after USB devices come or go (a libudev monitor on a
// socket notifier; a burst of events costs one detection). Detection runs on
// a thread of its own, so the GUI thread never waits for the USB bus.
class UsbDeviceMonitor : public QObject
{
    Q_OBJECT

public:
    explicit UsbDeviceMonitor(QObject* parent = nullptr);
    // Waits a bounded time for a detection that still runs.
    ~UsbDeviceMonitor() override;

    void start();
    void setDebounceMs(int milliseconds) { m_debounce.setInterval(milliseconds); }
    QList<GPhotoDeviceId> devices() const { return m_devices; }
    bool watchesUsb() const { return m_monitor != nullptr; }

signals:
    // After each detection whose answer differs from the one before.
    void devicesChanged(const QList<GPhotoDeviceId>& devices);

private:
    void onUsbEvent();
    void detect();
    void onDetected(const QList<GPhotoDeviceId>& devices);

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_debounce;
    QList<GPhotoDeviceId> m_devices;
    bool m_detected = false;
    bool m_again = false;
    std::shared_ptr<std::atomic<bool>> m_running;
};
