#pragma once

#include "host/contract/ocglobal.h"
#include "importengine.h"

#include <QList>
#include <QObject>
#include <QTimer>

class IDeviceNexaAgent;

// The photos of a phone for an import without a window. It lists the phone
// through the agent's item-load callback, so nothing else may list the same
// agent meanwhile (in photo-host's window the screen does). One catalog
// lists at a time in a process; its thread runs an event loop.
class PhoneCatalog : public QObject
{
    Q_OBJECT

public:
    explicit PhoneCatalog(IDeviceNexaAgent* agent, QObject* parent = nullptr);
    ~PhoneCatalog() override;

    // listed() or failed() follows, failed() also after timeoutMs.
    void start(int timeoutMs);

signals:
    void listed(const QList<ImportSource>& photos);
    void failed(const QString& reason);

private:
    static void OC_STDCALL onItem(int code, quintptr info);
    void itemArrived(const ImportSource& source);
    void ended(int code);

    IDeviceNexaAgent* m_agent = nullptr;
    QList<ImportSource> m_photos;
    QTimer m_timeout;
    bool m_listing = false;
};
