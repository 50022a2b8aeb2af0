#include "photoviewerdelegate.h"

#include "model/photoroles.h"
#include "viewer/fitsize.h"

#include <QIcon>
#include <QImage>
#include <QPainter>

namespace {

const QColor kCellColor(49, 49, 49);
const QColor kEdgeColor(73, 73, 73);
const QColor kSelectedColor(229, 36, 112);

// The model hands thumbnails over as pixmaps; images and icons are accepted
// too so that any model with a decoration works.
QPixmap decorationPixmap(const QVariant& value, const QSize& size)
{
    switch (value.userType()) {
    case QMetaType::QPixmap:
        return qvariant_cast<QPixmap>(value);
    case QMetaType::QImage:
        return QPixmap::fromImage(qvariant_cast<QImage>(value));
    case QMetaType::QIcon:
        return qvariant_cast<QIcon>(value).pixmap(size);
    default:
        return QPixmap();
    }
}

void drawSelectedFrame(QPainter* painter, const QRect& inner)
{
    QPen pen(kSelectedColor, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(inner);
}

} // namespace

PhotoViewerDelegate::PhotoViewerDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_defaultPixmap(QStringLiteral(":/Image/photo/photo_albumlist_album_default.png"))
    , m_brokenPixmap(QStringLiteral(":/Image/photo/photo_thumbnail_broken_03.png"))
{
}

void PhotoViewerDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    const QRect cell = option.rect;
    painter->fillRect(cell, kCellColor);
    const QRect frame = cell.adjusted(4, 0, -5, -1);
    painter->fillRect(frame, Qt::black);
    const QRect inner = frame.adjusted(1, 1, 0, 0);

    QPixmap pixmap = decorationPixmap(index.data(Qt::DecorationRole), inner.size());
    if (pixmap.isNull())
        pixmap = m_defaultPixmap;
    DrawPixmapCentered(pixmap, painter, inner);

    const bool selected = option.state & QStyle::State_Selected;
    if (!index.data(PhotoRole::ExistsRole).toBool()) {
        DrawPixmapCentered(m_brokenPixmap, painter, inner);
        if (selected) {
            drawSelectedFrame(painter, inner);
        } else {
            painter->setPen(kEdgeColor);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(frame);
            painter->drawLine(frame.right(), frame.top(), frame.right(), frame.bottom() + 1);
            painter->setPen(kCellColor);
            painter->drawLine(
                frame.right() + 1, frame.top(), frame.right() + 1, frame.bottom() + 1);
        }
    } else if (selected) {
        drawSelectedFrame(painter, inner);
    } else {
        painter->setPen(kEdgeColor);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame);
    }
    painter->restore();
}
