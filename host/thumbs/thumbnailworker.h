#pragma once

#include "host/thumbs/tagidxinfo.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class IDeviceNexaAgent;
class IPhotoDB;

// One call of the thumbnail manager: the rows it was given and whether the
// caller has since cancelled it.
struct ThumbnailRequest
{
    quint64 id = 0;
    bool visibleRows = false; // StartLoadThumbnail: known thumbnails only go to the cache
    QList<_tagIdxInfo> entries;
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
};

// The thumbnail manager's background thread. It takes the requests in turn
// (single paths before visible rows), makes each thumbnail (on mass storage
// from the file, the way the photo database does; otherwise through the
// device agent), stores it in the photo database and writes it as a picture
// file into its folder. Results leave only as queued signals; a request that
// was cancelled meanwhile gets none.
class ThumbnailWorker : public QThread
{
    Q_OBJECT

public:
    ThumbnailWorker(
        IDeviceNexaAgent* agent, IPhotoDB* database, int connectionKind, const QString& folder);
    ~ThumbnailWorker() override;

    IDeviceNexaAgent* agent() const { return m_agent; }
    void add(const ThumbnailRequest& request);
    // Ends the thread soon; every wait inside it watches this.
    void requestStop();

signals:
    void thumbnailMade(
        quint64 request, const QString& path, const QString& file, const QImage& picture);
    void thumbnailKnown(quint64 request, const QString& path, const QImage& picture);
    // permanent: the file has no thumbnail to give (asking again will not help).
    void thumbnailFailed(quint64 request, const QString& path, bool permanent);
    void requestDone(quint64 request);

protected:
    void run() override;

private:
    bool takeNext(ThumbnailRequest* request, _tagIdxInfo* entry, bool* last);
    void process(const ThumbnailRequest& request, const _tagIdxInfo& entry);
    int make(const QString& path, QByteArray* bytes, QImage* picture);
    QString writeFile(const QByteArray& bytes);

    IDeviceNexaAgent* const m_agent;
    IPhotoDB* const m_database;
    const int m_kind;
    const QString m_folder;
    quint64 m_fileNumber = 0;

    QMutex m_mutex; // guards m_queue
    QWaitCondition m_wake;
    QList<ThumbnailRequest> m_queue;
    std::atomic<bool> m_stop { false };
};
