// Drawing of the thumbnail grid: each item as a tile with its picture and
// name, the selection and hover states, the new mark, placeholders, the
// rubber band and the drop indicator.

#include "cthumbnailview.h"

#include "host/services/ocsharedvalue.h"
#include "importedmark.h"

#include <QIcon>
#include <QItemSelectionModel>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

namespace {
const QColor Accent(229, 36, 112);
const QColor AccentDark(196, 24, 92);
const QColor Ink(72, 72, 72);
const QColor SelectedTile(253, 236, 244);
const QColor HoverTile(240, 241, 243);
const QColor EmptyPicture(241, 242, 244);
const int TilePadding = 6;
const qreal TileRadius = 8;
const qreal PictureRadius = 4;

QPixmap pixmapOf(const QVariant& decoration, const QSize& box)
{
    switch (decoration.userType()) {
    case QMetaType::QPixmap:
        return decoration.value<QPixmap>();
    case QMetaType::QImage:
        return QPixmap::fromImage(decoration.value<QImage>());
    case QMetaType::QIcon:
        return decoration.value<QIcon>().pixmap(box);
    default:
        return QPixmap();
    }
}

// A picture shrunk, never enlarged, to fit box; centred on centre.
QRect fitCentred(const QSize& size, const QSize& box, const QPoint& centre)
{
    QSize fitted = size;
    if (fitted.width() > box.width() || fitted.height() > box.height())
        fitted.scale(box, Qt::KeepAspectRatio);
    QRect rect(QPoint(0, 0), fitted);
    rect.moveCenter(centre);
    return rect;
}
} // namespace

void CThumbnailView::paintEvent(QPaintEvent* event)
{
    emit on_signal_start_thumbLoad();
    layoutBeforePaint();
    QPainter painter(viewport());
    int first = 0;
    int last = 0;
    visibleRows(&first, &last);
    const QRect area = event->rect();
    for (int row = qMax(0, first); row <= last; ++row) {
        const QRect rect = toViewport(contentsRect(row));
        if (withNameSpan(rect).intersects(area))
            paintItem(painter, row, rect);
    }
    if (!m_band.isNull()) {
        QColor fill = Accent;
        fill.setAlpha(28);
        QColor edge = Accent;
        edge.setAlpha(170);
        painter.setPen(edge);
        painter.setBrush(fill);
        painter.drawRect(toViewport(m_band).adjusted(0, 0, -1, -1));
    }
    if (m_dropVisible)
        paintDropIndicator(painter);
}

void CThumbnailView::layoutBeforePaint()
{
    m_inPaint = true;
    ensureLayout();
    m_inPaint = false;
}

void CThumbnailView::paintItem(QPainter& painter, int row, const QRect& rect)
{
    const QModelIndex index = indexOfRow(row);
    if (!index.isValid())
        return;
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    const bool hovered = row == m_hoverRow;
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() && current.isValid() && current.row() == row;
    const bool rtl = isRightToLeft();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = QRectF(rect).adjusted(0.75, 0.75, -0.75, -0.75);
    if (selected) {
        painter.setPen(QPen(Accent, 1.5));
        painter.setBrush(SelectedTile);
        painter.drawRoundedRect(tile, TileRadius, TileRadius);
    } else if (hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(HoverTile);
        painter.drawRoundedRect(tile, TileRadius, TileRadius);
    } else if (focused) {
        QColor edge = Accent;
        edge.setAlpha(110);
        painter.setPen(QPen(edge, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(tile, TileRadius, TileRadius);
    }

    const QVariant fontValue = index.data(Qt::FontRole);
    const QFont nameFont = fontValue.canConvert<QFont>() ? fontValue.value<QFont>() : font();
    const QFontMetrics metrics(nameFont);
    const int nameHeight = metrics.height() + 6;
    const QRect picture
        = rect.adjusted(TilePadding, TilePadding, -TilePadding, -(TilePadding + nameHeight));

    const QVariant existsValue = index.data(ExistsRole);
    const bool exists = !existsValue.isValid() || existsValue.toBool();
    QRect photoRect = picture;
    if (picture.width() > 4 && picture.height() > 4) {
        const QPixmap thumbnail = pixmapOf(index.data(Qt::DecorationRole), picture.size());
        if (!thumbnail.isNull()) {
            const QPixmap fitted = fittedThumbnail(thumbnail, picture.size());
            photoRect = QRect(QPoint(0, 0), fitted.size());
            photoRect.moveCenter(picture.center());
            if (!exists)
                painter.setOpacity(0.45);
            painter.drawPixmap(photoRect.topLeft(), fitted);
            painter.setOpacity(1.0);
            painter.setPen(QColor(0, 0, 0, 30));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(
                QRectF(photoRect).adjusted(0.5, 0.5, -0.5, -0.5), PictureRadius, PictureRadius);
        } else {
            // No thumbnail yet: a quiet frame with the photo symbol.
            painter.setPen(Qt::NoPen);
            painter.setBrush(EmptyPicture);
            painter.drawRoundedRect(QRectF(picture), PictureRadius + 2, PictureRadius + 2);
            const QSize box(picture.width() * 3 / 5, picture.height() * 3 / 5);
            painter.drawPixmap(
                fitCentred(m_placeholder.size(), box, picture.center()), m_placeholder);
        }
        if (!exists)
            painter.drawPixmap(
                fitCentred(m_broken.size(), photoRect.size(), photoRect.center()), m_broken);
        if (index.data(ImportedMark::Role).toBool()) {
            const int x = rtl ? photoRect.left() + 4 : photoRect.right() - 4 - ImportedMark::Side;
            ImportedMark::paint(&painter,
                QRect(x, photoRect.bottom() - 4 - ImportedMark::Side, ImportedMark::Side,
                    ImportedMark::Side));
        }
        if (g_SharedValue.IsDisplayNewIcon() && index.data(NewRole).toBool()) {
            const int x = rtl ? photoRect.left() + 4 : photoRect.right() - 3 - m_newMark.width();
            painter.drawPixmap(x, photoRect.top() + 4, m_newMark);
        }
        if (selected) {
            const int x
                = rtl ? photoRect.right() - 4 - m_selectedMark.width() : photoRect.left() + 5;
            painter.drawPixmap(x, photoRect.top() + 5, m_selectedMark);
        }
    }

    const QString name
        = model()->index(row, m_nameColumn, rootIndex()).data(Qt::DisplayRole).toString();
    if (!name.isEmpty()) {
        // Elided to the cell's width, not the picture's.
        const QRect span = withNameSpan(rect);
        const QRect nameRect(span.left() + TilePadding, picture.bottom() + 4,
            span.width() - 2 * TilePadding, nameHeight - 2);
        painter.setFont(nameFont);
        painter.setPen(selected ? AccentDark : Ink);
        painter.drawText(nameRect, Qt::AlignHCenter | Qt::AlignVCenter,
            metrics.elidedText(name, Qt::ElideMiddle, nameRect.width()));
    }
    painter.restore();
}

QPixmap CThumbnailView::fittedThumbnail(const QPixmap& source, const QSize& box) const
{
    const QSize size = source.size().scaled(box, Qt::KeepAspectRatio);
    if (size.isEmpty())
        return QPixmap();
    // Scaling and rounding cost more than a paint may spend on every item,
    // so each size of each picture is made once.
    const QString key = QStringLiteral("cthumbnailview:%1:%2x%3")
                            .arg(source.cacheKey())
                            .arg(size.width())
                            .arg(size.height());
    QPixmap fitted;
    if (QPixmapCache::find(key, &fitted))
        return fitted;
    fitted = QPixmap(size);
    fitted.fill(Qt::transparent);
    QPainter painter(&fitted);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), PictureRadius, PictureRadius);
    painter.setClipPath(clip);
    painter.drawPixmap(QRect(QPoint(0, 0), size),
        source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.end();
    QPixmapCache::insert(key, fitted);
    return fitted;
}

void CThumbnailView::paintDropIndicator(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Accent;
    fill.setAlpha(16);
    painter.setPen(QPen(Accent, 2));
    painter.setBrush(fill);
    painter.drawRoundedRect(
        QRectF(viewport()->rect()).adjusted(2, 2, -2, -2), TileRadius, TileRadius);
    painter.restore();
}

QPixmap CThumbnailView::dragPixmap(const QModelIndexList& indexes) const
{
    // The first picture with the number of dragged photos on a badge.
    const QSize box(96, 96);
    QPixmap picture;
    for (const QModelIndex& index : indexes) {
        picture = pixmapOf(index.data(Qt::DecorationRole), box);
        if (!picture.isNull())
            break;
    }
    if (picture.isNull())
        picture = m_placeholder;
    picture = fittedThumbnail(picture, box);
    if (picture.isNull())
        return picture;

    QPixmap result(picture.size() + QSize(12, 12));
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 12, picture);
    if (indexes.size() > 1) {
        const QString count = QString::number(indexes.size());
        QFont badgeFont = font();
        badgeFont.setBold(true);
        badgeFont.setPixelSize(11);
        painter.setFont(badgeFont);
        const int width = qMax(22, QFontMetrics(badgeFont).horizontalAdvance(count) + 12);
        const QRectF badge(result.width() - width, 0, width, 22);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(Accent);
        painter.drawRoundedRect(badge, 11, 11);
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, count);
    }
    return result;
}
