#pragma once

#include <QByteArray>
#include <QCache>
#include <QPixmap>

// Decoded thumbnails of the items on screen. Items keep their thumbnails
// encoded; this bounded cache holds the pictures recently drawn, so memory
// follows what is shown rather than what is listed. GUI thread only.
class ThumbnailCache
{
public:
    static ThumbnailCache& instance();

    // The picture for key, decoded from bytes on a miss, turned by the EXIF
    // orientation code and then by turn degrees clockwise (a multiple of 90).
    QPixmap pixmap(quint64 key, const QByteArray& bytes, int turn = 0, int orientation = 0);
    void insert(quint64 key, const QPixmap& pixmap);
    void remove(quint64 key);
    void clear();

    void setLimitKb(int kilobytes);
    int limitKb() const;
    int usedKb() const;

    // A key never handed out before: a changed thumbnail never meets a stale
    // picture, even when a new item reuses a deleted item's address.
    static quint64 nextKey();

private:
    ThumbnailCache();
    static bool onGuiThread();

    QCache<quint64, QPixmap> m_cache;
};
