#pragma once

#include <QListView>

// The film strip: one row of thumbnails under the viewer. Its current item is
// the photo on show; it moves by photo or by page and keeps the viewer's page
// buttons in step with what is visible.
class PhotoViwerList : public QListView
{
    Q_OBJECT

public:
    explicit PhotoViwerList(QWidget* parent = nullptr);

    void start(const QModelIndex& index);
    void currentChanged2(const QModelIndex& index);
    void buttonChange(int nCurrentIndex);
    int CountPerPage() const;
    void SetDownloading(bool downloading) { m_downloading = downloading; }
    bool IsDownloading() const { return m_downloading; }
    bool IsActive() const { return m_active; }

signals:
    void selectChanged(const QModelIndex& current);
    void filenameChanged(const QString& filename);
    void buttonState(bool bLeft, bool bRight);
    void leftButtonState(bool bDisable);
    void rightButtonState(bool bDisable);
    void on_signal_start_thumbLoad();

public slots:
    void next();
    void prev();
    void nextPage();
    void prevPage();
    void end();
    void on_valueChanged(int value);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    int rowCount() const;
    void showCurrent(const QModelIndex& index, const char* method);
    void makeCurrent(const QModelIndex& index);
    void UpdatePageButtons();

    bool m_starting = false;
    bool m_active = false;
    bool m_downloading = false;
};
