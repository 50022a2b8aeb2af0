#pragma once

class PhotoItemViewWidget;
class QWidget;

// The one live plug-in widget, as the plain-function callbacks of the device
// agent and the host reach it from their own threads. A callback holds a
// lease while it uses the widget or its screen; the widget is withdrawn first
// thing when it goes, and its destruction waits, pumping events (a callback
// may be waiting for the GUI thread), until every lease is back. So nothing
// reaches a widget or screen during or after its destruction.
class LiveWidget
{
public:
    class Lease
    {
    public:
        Lease(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Lease& operator=(Lease&&) = delete;
        ~Lease();

        // Null when no widget is live.
        QWidget* widget() const { return m_widget; }
        PhotoItemViewWidget* screen() const { return m_screen; }

    private:
        friend class LiveWidget;
        Lease(QWidget* widget, PhotoItemViewWidget* screen);

        QWidget* m_widget = nullptr;
        PhotoItemViewWidget* m_screen = nullptr;
    };

    // Any thread.
    static Lease acquire();
    // GUI thread: the plug-in widget just built, and its screen.
    static void publish(QWidget* widget, PhotoItemViewWidget* screen);
    // GUI thread: no lease is granted from now on; waits for those out, at
    // most timeoutMs. False when one was still out then.
    static bool withdraw(int timeoutMs);
    // GUI thread: the published widget, without a lease.
    static QWidget* current();
};
