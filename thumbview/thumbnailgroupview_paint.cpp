// Drawing of the group headers and row dividers under the thumbnails.

#include "thumbview/thumbnailgroupview.h"

#include "host/services/ocfont.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
const int CellLeft = 13;
const int HorizontalSpace = 29;
const int DividerAbove = 32;
const int DividerHeight = 12;
const int DividerEnd = 100;
const QColor HeaderInk(72, 72, 72, 255);
} // namespace

void ThumbnailGroupView::paintEvent(QPaintEvent* event)
{
    layoutBeforePaint();
    {
        QPainter painter(viewport());
        if (isGrouped())
            PaintGroupHeaders(painter);
        else
            PaintFlatDividers(painter);
    }
    // The thumbnails are drawn over the decoration.
    CThumbnailView::paintEvent(event);
}

void ThumbnailGroupView::PaintFlatDividers(QPainter& painter)
{
    const QVector<ItemBlock> blocks = itemBlocks();
    for (int b = firstBlockBelow(verticalOffset()); b < blocks.size(); ++b) {
        if (blocks.at(b).origin.y() - verticalOffset() - DividerAbove >= viewport()->height())
            break;
        PaintRowDividers(painter, blocks.at(b));
    }
}

void ThumbnailGroupView::PaintRowDividers(QPainter& painter, const ItemBlock& block)
{
    // One divider above every grid row of the block but its first.
    const int cellHeight = cellSize().height();
    const int offset = verticalOffset();
    const int lines = (block.count + block.columns - 1) / block.columns;
    const int firstVisible = qMax(1, (offset - block.origin.y()) / cellHeight);
    for (int line = firstVisible; line < lines; ++line) {
        const int itemTop = block.origin.y() + line * cellHeight - offset;
        const QRect divider(
            CellLeft, itemTop - DividerAbove, viewport()->width() - HorizontalSpace, DividerHeight);
        if (divider.top() >= viewport()->height())
            break;
        if (divider.bottom() > 0)
            DrawDivider(painter, divider);
    }
}

void ThumbnailGroupView::DrawDivider(QPainter& painter, const QRect& d) const
{
    painter.drawPixmap(
        QRect(d.left(), d.top(), DividerEnd, DividerHeight), m_dividerImages.value(0));
    if (d.width() > 2 * DividerEnd)
        painter.drawPixmap(
            QRect(d.left() + DividerEnd, d.top(), d.width() - 2 * DividerEnd, DividerHeight),
            m_dividerImages.value(1));
    painter.drawPixmap(QRect(d.right() - (DividerEnd - 1), d.top(), DividerEnd, DividerHeight),
        m_dividerImages.value(2));
}

QPixmap ThumbnailGroupView::GroupCheckBoxImage(const QString& key, const QRect& rect) const
{
    const bool all = m_groupCount.value(key, 0) <= m_selectedCount.value(key, 0);
    const QMap<int, QPixmap>& images = all ? m_checkOnImages : m_checkOffImages;
    int state = 0;
    if (rect.contains(m_pressPos))
        state = 2;
    else if (rect.contains(m_hoverPos))
        state = 1;
    return images.value(state);
}

void ThumbnailGroupView::PaintGroupHeaders(QPainter& painter)
{
    if (!model())
        return;
    painter.save();
    QFont captionFont = g_Font.GetIFBold();
    captionFont.setPixelSize(14);
    QFont countFont = captionFont;
    countFont.setPixelSize(12);
    painter.setPen(HeaderInk);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool rtl = g_SharedValue.IsRTL();
    // The count sits at the trailing end and the caption at the leading end
    // in both directions; each text keeps its own reading direction, so a
    // left-to-right caption still reads "7 files" in a right-to-left layout.
    painter.setLayoutDirection(Qt::LayoutDirectionAuto);
    const Qt::Alignment leading = Qt::AlignAbsolute | (rtl ? Qt::AlignRight : Qt::AlignLeft);
    const Qt::Alignment trailing = Qt::AlignAbsolute | (rtl ? Qt::AlignLeft : Qt::AlignRight);

    const QVector<ItemBlock> blocks = itemBlocks();
    for (int g = firstBlockBelow(verticalOffset()); g < blocks.size(); ++g) {
        const ItemBlock& block = blocks.at(g);
        const QRect header = headerRectOf(block);
        if (header.top() >= viewport()->height())
            break; // no later group can be visible
        if (header.bottom() > 0) {
            const QString k = m_blockKeys.value(g);
            const int n = block.count;
            const QString unit = n == 1 ? GetQString(tr("file")) : GetQString(tr("files"));
            const QString text = QStringLiteral("%1 %2").arg(n).arg(unit);
            const QString caption = model()
                                        ->index(block.firstRow, m_groupColumn, rootIndex())
                                        .data(Qt::DecorationRole)
                                        .toString();

            painter.drawPixmap(QRect(header.left(), header.top(), 10, 36), m_indexImages.value(0));
            painter.drawPixmap(QRect(header.left() + 10, header.top(), header.width() - 21, 36),
                m_indexImages.value(1));
            painter.drawPixmap(
                QRect(header.right() - 10, header.top(), 10, 36), m_indexImages.value(2));

            const QRect box = checkBoxRectIn(header);
            painter.drawPixmap(box, GroupCheckBoxImage(k, box));

            QRect textRect
                = rtl ? header.adjusted(19, 7, -30, -11) : header.adjusted(30, 7, -19, -11);
            painter.setFont(countFont);
            painter.drawText(textRect, Qt::AlignVCenter | trailing, text);
            const int countWidth = QFontMetrics(countFont).horizontalAdvance(text) + 30;
            textRect = rtl ? textRect.adjusted(countWidth, 0, 0, 0)
                           : textRect.adjusted(0, 0, -countWidth, 0);
            painter.setFont(captionFont);
            painter.drawText(textRect, Qt::AlignVCenter | leading,
                QFontMetrics(captionFont)
                    .elidedText(caption, Qt::ElideRight, qMax(0, textRect.width())));
        }
        PaintRowDividers(painter, block);
    }
    painter.restore();
}
