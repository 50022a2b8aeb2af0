#pragma once

#include <QDialog>
#include <QPoint>

class QLabel;
class QToolButton;
class QVBoxLayout;

// The host's dialog frame: a frameless window with the host's own title bar
// (title, close button) over a body that the dialog hands in. The title bar
// moves the window.
class OCCommonDlg : public QDialog
{
    Q_OBJECT

public:
    explicit OCCommonDlg(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // Puts body under the title bar, sizes the frame and sets the title.
    void setBasicInfo(QWidget* body, const QSize& size, const QString& title);
    // The frame's outer size, fixed.
    void setSize(const QSize& size);
    QWidget* body() const { return m_body; }
    QLabel* titleLabel() const { return m_title; }

public slots:
    void OnClickClose();
    void OnClickHelp();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kTitleHeight = 30;

    QWidget* m_titleBar = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_close = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_body = nullptr;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
