#pragma once

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QList>
#include <QSet>
#include <QSize>
#include <QStringList>

#include <memory>

class CPhotoDataItem;
class IDeviceNexaAgent;
class OCMediaItemList;
class PhotoModelHost;
class ThumbnailLookup;

// The table behind every view of the phone photo screen. Display values are
// sort keys (the host's proxy sorts by them); decoration values are the texts
// and pictures users see. The model does not own its items.
//
// The row list changes only on the GUI thread (the insert threads hand
// AddItem, DeleteItem and SetItems over to it).
class PhotoItemViewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    PhotoItemViewModel(QObject* parent, IDeviceNexaAgent* agent);
    ~PhotoItemViewModel() override;

    // Without a host, drops fail and drags name no connection kind.
    void setHost(PhotoModelHost* host) { m_host = host; }
    // Partial loading: where the thumbnails of column 0 are found.
    void setThumbnailLookup(const ThumbnailLookup* lookup) { m_thumbnails = lookup; }

    void SetViewMode(int mode) { m_viewMode = mode; }
    int viewMode() const { return m_viewMode; }
    void setViewerOpen(bool open) { m_viewerOpen = open; }
    bool isViewerOpen() const { return m_viewerOpen; }

    bool AddItem(CPhotoDataItem* item);
    // Appends the items not shown yet as one run of rows; returns how many.
    int AddItems(const QList<CPhotoDataItem*>& items);
    bool DeleteItem(CPhotoDataItem* item);
    int IndexOf(CPhotoDataItem* item) const;
    bool SetItems(int number, const QList<CPhotoDataItem*>& items);
    // The phone paths (upper-cased) imported to this computer before: their
    // rows answer ImportedRole with true.
    void SetImportedPaths(const QSet<QString>& pathKeys);
    // Takes the rows of these paths away, then has the list delete their
    // items; paths is reduced to those the list knew.
    void RemoveListedItems(OCMediaItemList* list, QStringList& paths);
    CPhotoDataItem* itemAt(int row) const;
    // The item's data changed: its row is reported as changed.
    void refreshItem(CPhotoDataItem* item);
    // The item's thumbnail changed: its picture is reported as changed.
    void refreshThumbnail(CPhotoDataItem* item);
    void refreshThumbnails(); // every row's

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Files above this size are not rotated.
    static const qint64 kMaxRotateSize = 104857600;

signals:
    void on_signal_failed_rotate(int err);
    void on_signal_rotate_image(QString path, int angle);

private:
    QVariant displayValue(const CPhotoDataItem* item, int column) const;
    QVariant decorationValue(const CPhotoDataItem* item, int column) const;
    QVariant sizeHint(const QModelIndex& index) const;
    // The item of the row that the index's RowRole names; null for none.
    CPhotoDataItem* itemOfRowRole(const QModelIndex& index, int* row = nullptr) const;
    bool setRotate(const QModelIndex& index, const QVariant& value);
    bool setPath(const QModelIndex& index, const QVariant& value);
    bool setFlag(const QModelIndex& index, const QVariant& value, int role);
    void reportColumnZero(int row);

    int m_viewMode = 0;
    QList<CPhotoDataItem*> m_items;
    int m_number = -1;
    QSize m_thumbnailCellSize;
    PhotoModelHost* m_host = nullptr;
    const ThumbnailLookup* m_thumbnails = nullptr;
    bool m_viewerOpen = false;
    IDeviceNexaAgent* m_agent = nullptr;
    QSet<QString> m_importedKeys; // path keys (pathKey()) of the phone paths imported before
    QString m_storageRoot; // folders are shown relative to it
    QSet<const CPhotoDataItem*> m_itemSet;
    mutable std::unique_ptr<QFontMetrics>
        m_normalMetrics; // membership test of AddItem without a scan
};
