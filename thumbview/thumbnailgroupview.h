#pragma once

#include "host/widgets/cthumbnailview.h"

#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

// The thumbnail grid of the album page. Rows that share the display text
// of the group column (the day or the folder) form a group under a header
// bar with a check box, a caption and the number of files; grid rows are
// separated by dividers. Group column 2 (the name) turns grouping off.
// The rows of one group must be consecutive: the page sorts the model by
// the group column before it shows a view.
class ThumbnailGroupView : public CThumbnailView
{
    Q_OBJECT

public:
    explicit ThumbnailGroupView(QWidget* parent = nullptr);
    ~ThumbnailGroupView() override;

    void SetGroupColumn(int column);
    int GroupColumn() const { return m_groupColumn; }
    void ConnectModelSignals();
    void UpdateSelectedCounts();

    const QMap<QString, int>& GroupCounts() const { return m_groupCount; }
    const QMap<QString, int>& SelectedCounts() const { return m_selectedCount; }
    // Groups as laid out: their number, and the header bar and check box of
    // one of them in viewport coordinates.
    int GroupTotal() const;
    QRect HeaderRect(int group) const;
    QRect CheckBoxRect(int group) const;

public slots:
    void on_layoutChanged();
    void on_modelReset();
    void on_rowsInserted(const QModelIndex& parent, int start, int end);
    void on_rowsRemoved(const QModelIndex& parent, int start, int end);
    void on_rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end);
    void on_update_item_position(bool reset);
    void on_update_item_position();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void layoutItems() override;

private:
    bool isGrouped() const { return m_groupColumn != 2; }
    QString key(int row) const;
    int columns() const;
    void CountGroups();
    void LayoutItems();
    void PaintGroupHeaders(QPainter& painter);
    void PaintFlatDividers(QPainter& painter);
    void PaintRowDividers(QPainter& painter, const ItemBlock& block);
    void DrawDivider(QPainter& painter, const QRect& divider) const;
    QPixmap GroupCheckBoxImage(const QString& key, const QRect& rect) const;
    QRect headerRectOf(const ItemBlock& block) const;
    QRect checkBoxRectIn(const QRect& header) const;
    int groupOfCheckBoxAt(const QPoint& pos) const;

    QPoint m_hoverPos;
    QPoint m_pressPos { -1, -1 };
    QMap<QString, int> m_groupCount;
    QMap<QString, int> m_selectedCount;
    int m_groupColumn = 7;
    bool m_headerPressed = false;
    QMap<int, QPixmap> m_indexImages;
    QMap<int, QPixmap> m_dividerImages;
    QMap<int, QPixmap> m_checkOnImages;
    QMap<int, QPixmap> m_checkOffImages;
    QStringList m_blockKeys; // key of each laid-out group, in block order
    QPointer<QAbstractItemModel> m_countedModel; // the model whose rows are counted
};
