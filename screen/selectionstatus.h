#pragma once

#include <QModelIndexList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAbstractItemView;
class QStackedWidget;

// What the selection of the current view tells the host: its selection and
// has-rows flags, the check-all box of a table, the status-bar text, the
// to-PC button and the drag tutorial.
class SelectionStatus : public QObject
{
    Q_OBJECT

public:
    SelectionStatus(QStackedWidget* pages, std::function<QAbstractItemView*()> currentView,
        QObject* parent = nullptr);

    // Rows selected in a view, one column-0 index of the view's model per row.
    static QModelIndexList selectedRows(const QAbstractItemView* view);
    QStringList selectedPaths(bool existingOnly) const;
    // After the selection changed on the page of a view mode; the selected rows.
    QModelIndexList update(int mode);
    // The status bar shows text, or "Loading..." while a listing runs;
    // nothing while a transfer owns the status bar.
    void showText(const QString& text);
    // The status bar shows the count and size of the selected or shown files.
    void showSelection();
    void updateHasRows();
    // Scrolls the first selected row to the top, at a column.
    void scrollToSelected(int column);
    // The host's transfer buttons while a screen of this item type shows.
    void updateTransferButtons(int itemType);

signals:
    void statusTextChanged(const QString& text, Qt::Alignment alignment);
    void showTutorialMove(bool phone, int x, int y);
    void hideTutorialMove(bool once);
    void toPcEnabled(bool enable);
    void toPhoneEnabled(bool enable);

private:
    QString selectionText() const;
    static qint64 totalSizeShown(const QAbstractItemModel* model, const QModelIndex& root);
    int rowsShown() const;
    void publishSelection(int rows, int selected);

    QStackedWidget* m_pages;
    std::function<QAbstractItemView*()> m_currentView;
};
