#pragma once

#include <QDropEvent>
#include <QItemSelection>
#include <QMap>
#include <QWidget>

class OCThumnailSortButton;
class ThumbnailGroupView;

namespace Ui {
class AlbumViewWidget;
}

// The album page: a sorting bar (Day, Name, Folder, the check-all box and
// the thumbnail size control) over three grouped thumbnail views, one per
// sort mode, that share the screen's sorted proxy model.
class AlbumViewWidget : public QWidget
{
    Q_OBJECT

public:
    // Sort modes: the index of their view, button and group column.
    enum Mode { DayMode = 0, NameMode = 1, FolderMode = 2, ModeCount = 3 };

    explicit AlbumViewWidget(QWidget* parent = nullptr);
    ~AlbumViewWidget() override;

    void SetModel(QAbstractItemModel* model);
    ThumbnailGroupView* View(int mode) const;
    int CurrentMode() const { return m_mode; }
    bool IsAscending() const { return m_ascending; }
    void SetSortState(int column, int order);
    void SetThumbSize(int step);
    int GetThumbSize() const { return m_thumbSize; }
    void SetControlsEnabled(bool enable);
    void RefreshItemPositions();

    static int GroupColumn(int mode);

signals:
    void on_signal_sort_changed(int logicalIndex, Qt::SortOrder order);
    void on_signal_view_changed(int type);
    void on_signal_drop_event(QDropEvent* event);
    void on_signal_update_item_position(bool reset);
    void on_signal_update_item_position();

public slots:
    void OnChangedThumbSize(int value);
    void OnIncreaseThumbSize();
    void OnDecreaseThumbSize();
    void on_clicked_sort();
    void on_clicked_allcheck(bool checked);
    void on_selection_Changed(const QItemSelection& selected, const QItemSelection& deselected);
    void on_drop_event(QDropEvent* event);

private:
    void SortBy(int mode);
    void SetViewMode(int mode);
    void UpdateSortButtons(int mode);
    void RefreshCheckAll();

    Ui::AlbumViewWidget* m_ui;
    QMap<int, ThumbnailGroupView*> m_views;
    QMap<int, OCThumnailSortButton*> m_sortButtons;
    int m_thumbSize = 2;
    int m_mode = DayMode;
    bool m_ascending = true;
    bool m_sortClicked = false;
};
