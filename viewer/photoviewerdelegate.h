#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// Draws one cell of the film strip: a dark frame with the thumbnail fitted
// into it, the broken picture over photos whose file is gone, and a pink
// frame around the photo on show.
class PhotoViewerDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit PhotoViewerDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;

private:
    QPixmap m_defaultPixmap;
    QPixmap m_brokenPixmap;
};
