#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// The host's loading overlay: a spinner over (part of) a page while the page
// waits for something slow. Mode 0 covers the whole parent with a dimmed layer
// that swallows mouse input; mode 3 is a small spinner without dimming that
// lets clicks through, e.g. over a thumbnail. Other values behave as mode 0.
class OCLoadingWidget : public QWidget
{
    Q_OBJECT

public:
    enum Mode { FullCover = 0, Small = 3 };

    OCLoadingWidget(QWidget* parent, int mode);

    void ShowLoadingWidget();
    void HideLoadingWidget();

    bool IsLoading() const { return m_timer.isActive(); }
    int mode() const { return m_mode; }
    int frame() const { return m_frame; }
    static int frameCount() { return kSpokes; }

public slots:
    void advance();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kSpokes = 12;

    bool covers() const { return m_mode != Small; }
    void followParent();
    int spinnerDiameter() const;

    int m_mode = FullCover;
    int m_frame = 0;
    QTimer m_timer;
};
