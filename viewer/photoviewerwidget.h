#pragma once

#include <QItemSelection>
#include <QModelIndex>
#include <QWidget>

class OCLoadingWidget;
class PhotoViewerPixmap;
class PhotoViwerList;
class PhotoviewerCenter;
class QAbstractItemModel;

namespace Ui {
class PhotoViewerWidget;
}

// The viewer page of the phone photo screen: title bar, the photo between
// previous/next buttons, and the film strip between page buttons. It fetches
// nothing itself: moving to a photo emits loadFile(QModelIndex) and the screen
// answers with loadFile(QString) once the file is on this computer.
class PhotoViewerWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PhotoViewerWidget(QWidget* parent = nullptr);
    ~PhotoViewerWidget() override;

    void SetModel(QAbstractItemModel* model);
    PhotoViwerList* FilmStrip() const { return m_list; }
    PhotoviewerCenter* Center() const { return m_center; }
    OCLoadingWidget* LoadingWidget() const { return m_loadingWidget; }
    void reSetCurrentIndex(const QModelIndex& index);
    void initViewer();
    void loadFile(const QString& path);
    void startDownloadImage();
    void stopDownloadImage();
    void SetRotateEnabled(bool enabled);
    int CountPerPage() const;
    void SetSortOrder(int column, int order);
    void RotateView(const QString& path, int angle);
    QString title() const { return m_title; }

signals:
    void closeClicked();
    void rotateImage(const QModelIndex& index, int angle);
    void reLoadFile(const QString& filename);
    void loadFile(const QModelIndex& index);
    void addThumbnail();
    void on_signal_closed();
    void on_signal_failed_rotate(int err);
    void on_signal_rotate(int rotate);

public slots:
    void rotateClockwise();
    void rotateCounterClockwise();
    void on_selection_Changed(const QItemSelection& selected, const QItemSelection& deselected);
    void buttonState(bool bLeft, bool bRight);
    void leftButtonState(bool bDisable);
    void rightButtonState(bool bDisable);
    void changetitle(const QString& filename);
    void on_request_thumbnail();
    void on_rowsInserted(const QModelIndex& parent, int start, int end);
    void on_rowsRemoved(const QModelIndex& parent, int start, int end);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUpButtons();
    void placeForRightToLeft();
    void connectPhotoButtons(bool rtl);
    bool CheckRotateSize(const QModelIndex& index);
    void UpdatePhotoButtons();
    void SelectFirstIfNone();
    void afterRowsChanged(const char* method, int start, int end);
    void showElidedTitle();

    Ui::PhotoViewerWidget* m_ui = nullptr;
    PhotoviewerCenter* m_center = nullptr;
    PhotoViewerPixmap* m_pixmapView = nullptr;
    PhotoViwerList* m_list = nullptr;
    OCLoadingWidget* m_loadingWidget = nullptr;
    QAbstractItemModel* m_model = nullptr;
    QString m_title;
    int m_titleWidth = 0;
    int m_nCntPerPage = 0;
    int m_sortColumn = -1; // no sort until the screen sets one
    int m_sortOrder = Qt::AscendingOrder;
};
