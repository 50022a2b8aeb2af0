#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

class CPhotoDataItem;
class QAbstractItemView;
class OCMediaItemList;
class PhotoItemViewModel;

// Cells shown larger than their stored thumbnail (often a camera's 160x120
// preview) get a sharper one, decoded from the full picture on this
// computer at the cell's size, one file at a time on a pool thread. Only the
// cells handed in are upgraded, in the order given. The upgrade is kept in
// the item only: the photo database keeps the file's own preview.
class ThumbnailSharpener : public QObject
{
    Q_OBJECT

public:
    explicit ThumbnailSharpener(QObject* parent = nullptr);
    ~ThumbnailSharpener() override;

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // The cells in view and their size in device pixels; what was waiting
    // from an earlier view is dropped.
    void sharpen(const QList<CPhotoDataItem*>& inView, const QSize& cell);
    // A new listing: nothing of the old one is upgraded or remembered.
    void reset();

    // The box a view paints a thumbnail into, in device pixels: its icon
    // size, or else the cell of its first visible row (a table's in
    // thumbnailColumn).
    static QSize cellSize(const QAbstractItemView* view, int thumbnailColumn);
    // True when the item's thumbnail fills the cell, or it has none to upgrade.
    static bool sharpEnough(const CPhotoDataItem* item, const QSize& cell);
    // The file's picture as stored (not turned), decoded to fit box once
    // turned by orientation; JPEG or PNG bytes, empty when it cannot be read.
    static QByteArray decode(const QString& fileSystemPath, const QSize& box, int orientation);

private:
    struct Job
    {
        QString path;
        QSize box;
        int orientation = 0;
    };
    struct Made
    {
        Job job;
        QByteArray bytes;
        quint64 generation = 0;
    };

    bool wanted(const CPhotoDataItem* item, const QSize& box) const;
    void startNext();
    void take();

    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    QList<Job> m_queue;
    QString m_running; // the file being decoded
    // The box each file was decoded for: a file whose own picture is small
    // is not decoded again for the same cell.
    QHash<QString, QSize> m_tried;
    QFutureWatcher<Made> m_job;
    quint64 m_generation = 0;
};
