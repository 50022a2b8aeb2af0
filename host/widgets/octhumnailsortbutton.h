#pragma once

#include <QPushButton>

// A sort button of the host's thumbnail pages: the selected button shows the
// sort order with an arrow, the others are plain text until hovered.
class OCThumnailSortButton : public QPushButton
{
    Q_OBJECT

public:
    enum ButtonType {
        SelectedAscending = 0,
        SelectedDescending = 1,
        NotSelected = 2,
    };

    explicit OCThumnailSortButton(QWidget* parent = nullptr);
    OCThumnailSortButton(const QString& text, QWidget* parent = nullptr);

    // 0 selected in ascending order, 1 selected in descending order,
    // 2 not selected; other values count as 2.
    void SetButtonType(int type);
    int ButtonType() const { return m_type; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QFont labelFont() const;

    int m_type = NotSelected;
    bool m_hovered = false;
};
