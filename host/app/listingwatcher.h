#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class PluginManager;

// Tells photo-host when the phone photo screen has listed the phone and, if
// asked, fetched the thumbnails it shows. The host sees the screen only
// through the plug-in manager and the shared state: the screen reports the
// end of a listing with deviceRefreshFinished(16) and keeps process flags
// 0x800 (listing) and 0x1000 (thumbnail chain) of item type 16 set while
// they run. Ready is a report followed by both flags clear on two polls in
// a row, since the chain starts just after the report.
class ListingWatcher : public QObject
{
    Q_OBJECT

public:
    ListingWatcher(
        PluginManager* manager, bool waitForThumbnails, int timeoutMs, QObject* parent = nullptr);

    void start();
    bool isReady() const { return m_ready; }
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

signals:
    void ready();
    void timedOut();

private slots:
    void onRefreshFinished(int itemType);
    void poll();
    void onTimeout();

private:
    bool m_waitForThumbnails;
    bool m_refreshed = false;
    bool m_ready = false;
    int m_quietPolls = 0;
    QTimer m_poll;
    QTimer m_timeout;
    QElapsedTimer m_clock;
};
