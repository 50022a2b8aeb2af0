#include "cexttabledelegate.h"

#include "importedmark.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmapCache>

namespace {

const QColor MissingText(150, 150, 150);
const int ThumbnailMargin = 4;

QPixmap cachedImage(const QString& path)
{
    QPixmap image;
    if (!QPixmapCache::find(path, &image)) {
        image.load(path);
        QPixmapCache::insert(path, image);
    }
    return image;
}

QPixmap pictureOf(const QVariant& decoration)
{
    switch (decoration.userType()) {
    case QMetaType::QPixmap:
        return decoration.value<QPixmap>();
    case QMetaType::QImage:
        return QPixmap::fromImage(decoration.value<QImage>());
    case QMetaType::QIcon:
        return decoration.value<QIcon>().pixmap(QSize(256, 256));
    default:
        return QPixmap();
    }
}

// The picture shrunk (never enlarged) into box, smooth, cached per size.
QPixmap fitted(const QPixmap& picture, const QSize& box)
{
    QSize size = picture.size();
    if (size.width() <= box.width() && size.height() <= box.height())
        return picture;
    size.scale(box, Qt::KeepAspectRatio);
    const QString key = QStringLiteral("cext:%1:%2x%3")
                            .arg(picture.cacheKey())
                            .arg(size.width())
                            .arg(size.height());
    QPixmap scaled;
    if (!QPixmapCache::find(key, &scaled)) {
        scaled = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPixmapCache::insert(key, scaled);
    }
    return scaled;
}

bool isMissing(const QModelIndex& index)
{
    const QVariant exists = index.data(CExtTableDelegate::ExistsRole);
    return exists.isValid() && !exists.toBool();
}

} // namespace

CExtTableDelegate::CExtTableDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QString CExtTableDelegate::CellText(const QModelIndex& index)
{
    const QVariant decoration = index.data(Qt::DecorationRole);
    return decoration.userType() == QMetaType::QString ? decoration.toString() : QString();
}

void CExtTableDelegate::initStyleOption(
    QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->features
        &= ~(QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator);
    option->icon = QIcon();
    option->text.clear();
    if (index.column() != m_checkColumn && index.column() != m_thumbnailColumn)
        option->text = CellText(index);
    if (!option->text.isEmpty())
        option->features |= QStyleOptionViewItem::HasDisplay;
    // Whole rows are selected; a frame round one cell would only distract.
    option->state &= ~QStyle::State_HasFocus;
    option->textElideMode = Qt::ElideRight;
    // A cell starts on the layout's side but reads in its own direction:
    // in a right-to-left table "45.1 KB" would otherwise show as "KB 45.1".
    const bool rightToLeftTable = option->direction == Qt::RightToLeft;
    option->direction = option->text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    option->displayAlignment = Qt::AlignAbsolute | Qt::AlignVCenter
        | (rightToLeftTable ? Qt::AlignRight : Qt::AlignLeft);
    if (isMissing(index)) {
        option->palette.setColor(QPalette::Text, MissingText);
        option->palette.setColor(QPalette::HighlightedText, MissingText);
    }
}

void CExtTableDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (index.column() == m_checkColumn)
        paintCheck(painter, opt);
    else if (index.column() == m_thumbnailColumn)
        paintThumbnail(painter, opt, index);
    if (index.column() == m_importedMarkColumn && index.data(ImportedMark::Role).toBool()) {
        // At the trailing end, over the elided end of a long name.
        const int side = qMin(ImportedMark::Side, opt.rect.height() - 4);
        const bool rtl = option.direction == Qt::RightToLeft;
        const int x = rtl ? opt.rect.left() + 4 : opt.rect.right() - 4 - side;
        ImportedMark::paint(painter, QRect(x, opt.rect.center().y() - side / 2, side, side));
    }
}

void CExtTableDelegate::paintCheck(QPainter* painter, const QStyleOptionViewItem& option) const
{
    const bool on = option.state & QStyle::State_Selected;
    const QPixmap image
        = cachedImage(QStringLiteral(":/Image/common/8.CheckRadio/common_checkbox_%1_normal.png")
                          .arg(on ? QStringLiteral("on") : QStringLiteral("off")));
    QRect box(QPoint(0, 0), image.size());
    box.moveCenter(option.rect.center());
    painter->drawPixmap(box.topLeft(), image);
}

void CExtTableDelegate::paintThumbnail(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect area = option.rect.adjusted(
        ThumbnailMargin, ThumbnailMargin, -ThumbnailMargin, -ThumbnailMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const bool missing = isMissing(index);
    QPixmap picture = pictureOf(index.data(Qt::DecorationRole));
    if (picture.isNull())
        picture = cachedImage(QStringLiteral(":/Image/photo/photo_thumbnail_photo_icon_73x73.png"));
    const QPixmap shown = fitted(picture, area.size());
    QRect target(QPoint(0, 0), shown.size());
    target.moveCenter(area.center());
    painter->save();
    if (missing)
        painter->setOpacity(0.4);
    painter->drawPixmap(target.topLeft(), shown);
    painter->restore();
    if (missing) {
        const QPixmap broken
            = fitted(cachedImage(QStringLiteral(":/Image/photo/photo_thumbnail_broken_03.png")),
                area.size());
        QRect mark(QPoint(0, 0), broken.size());
        mark.moveCenter(area.center());
        painter->drawPixmap(mark.topLeft(), broken);
    }
}

QSize CExtTableDelegate::sizeHint(
    const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
}
