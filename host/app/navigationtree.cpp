#include "navigationtree.h"

#include "host/db/photodb.h"
#include "host/device/gphotolibrary.h"
#include "host/services/logcategories.h"
#include "hosticons.h"

#include <QHeaderView>
#include <QMouseEvent>

NavigationTree::NavigationTree(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("navigationTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(14);
    setIconSize(QSize(18, 18));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);

    m_phone = addEntry(
        nullptr, OCGlobal::ITEM_DEVICE, QString(), QStringLiteral("phone"), -1, HostIcons::phone());
    addEntry(m_phone, OCGlobal::ITEM_PHONE_PHOTO, tr("Photo"), QStringLiteral("phone_photo"), -1,
        HostIcons::photo());
    addEntry(m_phone, OCGlobal::ITEM_PHONE_MUSIC, tr("Music"), QStringLiteral("phone_music"), -1,
        HostIcons::music());
    addEntry(m_phone, OCGlobal::ITEM_PHONE_VIDEO, tr("Videos"), QStringLiteral("phone_video"), -1,
        HostIcons::video());
    m_library = addEntry(nullptr, OCGlobal::ITEM_PC_PHOTO, tr("Photos"), QStringLiteral("pc_photo"),
        -1, HostIcons::library());
    for (QTreeWidgetItem* heading : { m_phone, m_library }) {
        QFont font = heading->font(0);
        font.setBold(true);
        heading->setFont(0, font);
    }
    setPhone(QString(), false, -1);
    expandAll();
    // Collapsing would hide the entries for good: the tree has no arrows.
    setItemsExpandable(false);

    connect(this, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* current) { emitChosen(current); });
}

QTreeWidgetItem* NavigationTree::addEntry(QTreeWidgetItem* parent, int itemType,
    const QString& text, const QString& key, int id, const QIcon& icon)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, ItemTypeRole, itemType);
    item->setData(0, KeyRole, key);
    item->setData(0, IdRole, id);
    return item;
}

void NavigationTree::setPhone(const QString& name, bool connected, int deviceIndex)
{
    m_phone->setText(0, connected ? name : tr("No phone connected"));
    m_phone->setData(0, IdRole, connected ? deviceIndex : -1);
    for (int i = 0; i < m_phone->childCount(); ++i) {
        QTreeWidgetItem* child = m_phone->child(i);
        child->setData(0, IdRole, connected ? deviceIndex : -1);
        child->setHidden(!connected);
    }
    // A hidden entry cannot stay chosen: fall back on the phone itself.
    if (!connected && currentItem() && currentItem()->parent() == m_phone)
        setCurrentItem(m_phone);
}

void NavigationTree::setAlbums(const QList<PhotoAlbum>& albums)
{
    const int currentId = currentItem() && currentItem()->parent() == m_library
        ? currentItem()->data(0, IdRole).toInt()
        : -1;
    bool restored = false;
    {
        const QSignalBlocker blocker(this);
        qDeleteAll(m_library->takeChildren());
        for (const PhotoAlbum& album : albums) {
            if (!album.type.isEmpty() && album.type != QLatin1String("photo"))
                continue;
            QTreeWidgetItem* item = addEntry(m_library, OCGlobal::ITEM_PC_PHOTO, album.name,
                QStringLiteral("album"), album.id, HostIcons::album());
            if (album.id == currentId) {
                setCurrentItem(item);
                restored = true;
            }
        }
        m_library->setExpanded(true);
    }
    // The chosen album is gone: the library itself is the nearest choice.
    if (currentId != -1 && !restored)
        selectEntry(OCGlobal::ITEM_PC_PHOTO, -1);
}

void NavigationTree::setOtherDevices(const QList<GPhotoDeviceId>& devices)
{
    const QSignalBlocker blocker(this);
    const bool wasCurrent = m_otherDevices.contains(currentItem());
    qDeleteAll(m_otherDevices);
    m_otherDevices.clear();
    for (const GPhotoDeviceId& device : devices) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, device.model);
        item->setIcon(0, HostIcons::phone());
        item->setToolTip(0, tr("%1 at %2: choose it to open it").arg(device.model, device.port));
        item->setData(0, ItemTypeRole, int(OCGlobal::ITEM_DEVICE));
        item->setData(0, KeyRole, QStringLiteral("device"));
        item->setData(0, IdRole, -1);
        item->setData(0, PortRole, device.port);
        // Below the open phone, above the library.
        insertTopLevelItem(indexOfTopLevelItem(m_library), item);
        m_otherDevices.append(item);
    }
    if (wasCurrent)
        setCurrentItem(m_phone);
}

QString NavigationTree::portOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, PortRole).toString() : QString();
}

QTreeWidgetItem* NavigationTree::entry(int itemType, int id) const
{
    for (QTreeWidgetItemIterator it(const_cast<NavigationTree*>(this)); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (item->data(0, ItemTypeRole).toInt() != itemType)
            continue;
        // Phone entries carry the device index; only the library tells its
        // entries apart by id (-1 the library, else an album).
        if (itemType != OCGlobal::ITEM_PC_PHOTO || item->data(0, IdRole).toInt() == id)
            return item;
    }
    return nullptr;
}

bool NavigationTree::selectEntry(int itemType, int id)
{
    QTreeWidgetItem* item = entry(itemType, id);
    if (!item || item->isHidden())
        return false;
    if (item == currentItem())
        emitChosen(item);
    else
        setCurrentItem(item);
    return true;
}

int NavigationTree::currentItemType() const
{
    return currentItem() ? currentItem()->data(0, ItemTypeRole).toInt() : -1;
}

void NavigationTree::mousePressEvent(QMouseEvent* event)
{
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::mousePressEvent(event);
    // A click on the entry already chosen is a choice too: the screen decides
    // whether it means anything.
    QTreeWidgetItem* clicked = itemAt(event->pos());
    if (event->button() == Qt::LeftButton && clicked && clicked == before
        && clicked == currentItem())
        emitChosen(clicked);
}

void NavigationTree::emitChosen(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const int itemType = item->data(0, ItemTypeRole).toInt();
    qCDebug(lcHostApp) << "NavigationTree::emitChosen"
                       << ": item type" << itemType << item->text(0);
    emit entryChosen(
        itemType, item->text(0), item->data(0, KeyRole).toString(), item->data(0, IdRole).toInt());
}
