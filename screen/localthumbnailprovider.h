#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>

#include <functional>

#include "screen/thumbnailprovider.h"

class IPhotoDB;

// Thumbnails of files this computer reaches (mass storage) that the listing
// left without one, because the file holds no preview: decoded on a pool
// thread through the photo database, which keeps them in the file's row.
// The answer comes through answered, on the GUI thread.
class LocalThumbnailProvider : public QObject, public ThumbnailProvider
{
    Q_OBJECT

public:
    LocalThumbnailProvider(std::function<IPhotoDB*()> database, std::function<void(int)> answered,
        QObject* parent = nullptr);
    ~LocalThumbnailProvider() override;

    int request(const QString& path) override;
    QPixmap take() override;
    bool takeStored(CachedThumbnail* stored) override;

private:
    struct Made
    {
        bool ok = false;
        CachedThumbnail thumbnail;
    };

    std::function<IPhotoDB*()> m_database;
    std::function<void(int)> m_answered;
    QFutureWatcher<Made> m_job;
    Made m_made;
};
