#pragma once

#include "host/contract/ocglobal.h"

#include <QDropEvent>
#include <QItemSelection>
#include <QTableView>

class CExtTableDelegate;
class CExtTableHeader;

// The host's detail table for media screens: whole rows are selected, rows
// alternate in colour, a check column shows each row's selection and holds
// the check-all box in its header, and an optional thumbnail column shows
// the row's picture. A click on a row's check box adds the row to the
// selection or takes it out, as check boxes do; a click elsewhere selects as
// a table does. Cells show their decoration text (see
// CExtTableDelegate). A click on a header sorts the model and is reported;
// drops are reported for the screen to handle, with a frame round the table
// while a drag hovers it. Copy, paste and delete keys are left to the parent.
class CExtTableView : public QTableView
{
    Q_OBJECT

public:
    explicit CExtTableView(ITEM_TYPE itemType, QWidget* parent = nullptr);

    ITEM_TYPE itemType() const { return m_itemType; }

    void SetRowHeight(int height);
    int RowHeight() const;
    void setDropVisible(bool visible);
    bool isDropVisible() const { return m_dropVisible; }
    void setHeaderAllChecked(bool checked);
    bool isHeaderAllChecked() const;

    void SetCheckColumn(int column); // -1: none
    int CheckColumn() const { return m_checkColumn; }
    void SetThumbnailColumn(int column); // -1: none
    void SetImportedMarkColumn(int column); // -1: none
    int ThumbnailColumn() const { return m_thumbnailColumn; }
    CExtTableHeader* extHeader() const { return m_header; }

    void setModel(QAbstractItemModel* model) override;

signals:
    void on_signal_sort_changed(int logicalIndex, Qt::SortOrder order);
    void on_signal_drop_event(QDropEvent* event);
    void on_signal_start_thumbLoad();

public slots:
    void on_selection_Changed(const QItemSelection& selected, const QItemSelection& deselected);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void on_sortIndicatorChanged(int logicalIndex, Qt::SortOrder order);
    void on_checkAllClicked(bool checked);

private:
    bool canAcceptDrop(const QDropEvent* event) const;
    bool isCheckBoxClick(const QModelIndex& index, const QEvent* event) const;
    int selectedRowCount() const;

    ITEM_TYPE m_itemType;
    CExtTableHeader* m_header = nullptr;
    CExtTableDelegate* m_delegate = nullptr;
    int m_checkColumn = -1;
    int m_thumbnailColumn = -1;
    bool m_dropVisible = false;
};
