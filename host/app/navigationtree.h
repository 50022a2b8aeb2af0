#pragma once

#include "host/contract/ocglobal.h"

#include <QList>
#include <QTreeWidget>

struct GPhotoDeviceId;
struct PhotoAlbum;

// The host's navigation tree: the phone with its "Photo", "Music" and
// "Videos" entries, the other phones and cameras that are plugged in (by
// model name; key "device" and their port in PortRole), and the PC photo
// library with its albums. Choosing an entry, by mouse, keyboard or
// selectEntry, and clicking the chosen entry again, emits entryChosen.
class NavigationTree : public QTreeWidget
{
    Q_OBJECT

public:
    enum Role { ItemTypeRole = Qt::UserRole, KeyRole, IdRole, PortRole };

    explicit NavigationTree(QWidget* parent = nullptr);

    // A disconnected phone keeps its node, renamed, without its entries.
    void setPhone(const QString& name, bool connected, int deviceIndex);
    void setAlbums(const QList<PhotoAlbum>& albums);
    // The devices that could be opened besides the phone shown.
    void setOtherDevices(const QList<GPhotoDeviceId>& devices);
    // The port of a device entry; empty for any other entry.
    static QString portOf(const QTreeWidgetItem* item);
    // Makes the entry current (emitting entryChosen); false when it is not shown.
    bool selectEntry(int itemType, int id = -1);
    QTreeWidgetItem* entry(int itemType, int id = -1) const;
    int currentItemType() const;

signals:
    void entryChosen(int itemType, const QString& display, const QString& key, int id);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* addEntry(QTreeWidgetItem* parent, int itemType, const QString& text,
        const QString& key, int id, const QIcon& icon);
    void emitChosen(QTreeWidgetItem* item);

    QTreeWidgetItem* m_phone = nullptr;
    QTreeWidgetItem* m_library = nullptr;
    QList<QTreeWidgetItem*> m_otherDevices;
};
