#pragma once

#include "host/contract/ocglobal.h"
#include "host/thumbs/tagidxinfo.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

class IDeviceNexaAgent;
class IPhotoDB;
class QTableView;
class QTimer;
class ThumbnailWorker;
struct PluginHostContext;

// The host's thumbnail manager for a screen in partial-loading mode. It makes
// thumbnails in the background for the paths and rows it is given, keeps them
// in a bounded cache for GetThumbnail, stores them in the photo database, and
// hands each to the receiver by invoking its slot
// on_update_item_thumbnail(QString path, QString temp) (temp: a picture file
// that lives until the slot has run), and the end of each request through
// on_GetThumbnail_Finish(). A newer StartLoadThumbnail replaces the rows of
// the older ones still waiting; replies to cancelled requests are dropped.
// The phone and the database are the host context's (SetHostContext).
// GUI thread only.
class OCThumbnailManager : public QObject
{
    Q_OBJECT

public:
    OCThumbnailManager(ITEM_TYPE itemType, QObject* receiver, QWidget* parent, QTableView* table);
    ~OCThumbnailManager() override;

    // The host hands its context over once; managers use its phone and photo
    // database. Tests may set the two directly.
    static void SetHostContext(PluginHostContext* context);
    void setDeviceAgent(IDeviceNexaAgent* agent) { m_agent = agent; }
    void setPhotoDatabase(IPhotoDB* database) { m_database = database; }

    // Paths the photo database does not know: make their thumbnails.
    void StartGetThumbnail(QList<_tagIdxInfo>& list);
    // The rows the screen shows: thumbnails for those the cache lacks.
    void StartLoadThumbnail(QList<_tagIdxInfo>& list);
    QPixmap GetThumbnail(const QString& path);
    // True when the phone said the path has no thumbnail to give.
    bool HasFailed(const QString& path) const;
    void SetThumbnail(const QString& path, const QPixmap& pixmap);

    bool isBusy() const { return !m_live.isEmpty(); }
    static void setCacheLimit(int kilobytes); // for managers made afterwards

private slots:
    void onThumbnailMade(
        quint64 request, const QString& path, const QString& file, const QImage& picture);
    void onThumbnailKnown(quint64 request, const QString& path, const QImage& picture);
    void onThumbnailFailed(quint64 request, const QString& path, bool permanent);
    void onRequestDone(quint64 request);

private:
    static QString keyOf(const QString& path);
    IDeviceNexaAgent* agent() const;
    IPhotoDB* database() const;
    ThumbnailWorker* worker();
    void stopWorker();
    quint64 submit(QList<_tagIdxInfo> entries, bool visibleRows);
    void cache(const QString& path, const QImage& picture);
    void scheduleTableUpdate();

    const ITEM_TYPE m_itemType;
    QPointer<QObject> m_receiver;
    QPointer<QTableView> m_table;
    IDeviceNexaAgent* m_agent = nullptr; // null: the host context's
    IPhotoDB* m_database = nullptr;
    ThumbnailWorker* m_worker = nullptr;
    QTemporaryDir m_folder;
    QCache<QString, QPixmap> m_cache;
    QSet<QString> m_failed; // keys that have no thumbnail to give
    QHash<quint64, std::shared_ptr<std::atomic<bool>>> m_live; // requests not yet done
    QSet<quint64> m_visibleRequests;
    quint64 m_nextRequest = 1;
    QTimer* m_tableUpdate = nullptr;
};
