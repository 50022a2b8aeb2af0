#include "usbdevicemonitor.h"

#include "host/services/logcategories.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <libudev.h>

#include <thread>

namespace {

// Phones announce themselves in several steps (USB, then the mode the user
// picks): one detection after they settle.
constexpr int kDebounceMs = 700;
constexpr int kDetectionWaitMs = 3000;

} // namespace

UsbDeviceMonitor::UsbDeviceMonitor(QObject* parent)
    : QObject(parent)
    , m_running(std::make_shared<std::atomic<bool>>(false))
{
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, &UsbDeviceMonitor::detect);
}

UsbDeviceMonitor::~UsbDeviceMonitor()
{
    QElapsedTimer waited;
    waited.start();
    while (m_running->load() && waited.elapsed() < kDetectionWaitMs)
        QThread::msleep(10);
    if (m_running->load())
        qCWarning(lcHostDevice) << "UsbDeviceMonitor: a detection still runs at exit";
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void UsbDeviceMonitor::start()
{
    m_udev = udev_new();
    m_monitor = m_udev ? udev_monitor_new_from_netlink(m_udev, "udev") : nullptr;
    if (m_monitor
        && (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0
            || udev_monitor_enable_receiving(m_monitor) < 0)) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
    if (m_monitor) {
        m_notifier
            = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &UsbDeviceMonitor::onUsbEvent);
    } else {
        // Without udev (a container) devices are still found at start.
        qCWarning(lcHostDevice)
            << "UsbDeviceMonitor: no USB events; devices are found at start only";
    }
    detect();
}

void UsbDeviceMonitor::onUsbEvent()
{
    // Drain the socket: the notifier fires until every event is read.
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        qCDebug(lcHostDevice) << "UsbDeviceMonitor: USB" << udev_device_get_action(device)
                              << udev_device_get_devnode(device);
        udev_device_unref(device);
    }
    m_debounce.start();
}

void UsbDeviceMonitor::detect()
{
    if (m_running->exchange(true)) {
        m_again = true; // the answer under way may predate the event
        return;
    }
    QPointer<UsbDeviceMonitor> self(this);
    std::shared_ptr<std::atomic<bool>> running = m_running;
    std::thread([self, running] {
        QList<GPhotoDeviceId> devices;
        QString error;
        const bool found = GPhotoLibrary::detect(&devices, &error);
        if (!found)
            qCWarning(lcHostDevice) << "UsbDeviceMonitor: detection failed:" << error;
        if (QCoreApplication* application = QCoreApplication::instance()) {
            // The pointer is read on the GUI thread, where the monitor lives.
            QMetaObject::invokeMethod(
                application,
                [self, devices, found] {
                    if (self && found)
                        self->onDetected(devices);
                    else if (self)
                        self->onDetected(self->m_devices);
                },
                Qt::QueuedConnection);
        }
        running->store(false);
    }).detach();
}

void UsbDeviceMonitor::onDetected(const QList<GPhotoDeviceId>& devices)
{
    const bool changed = !m_detected || devices != m_devices;
    m_detected = true;
    m_devices = devices;
    qCDebug(lcHostDevice) << "UsbDeviceMonitor:" << devices.size() << "devices, changed" << changed;
    if (m_again) {
        m_again = false;
        m_debounce.start();
    }
    if (changed)
        emit devicesChanged(devices);
}
