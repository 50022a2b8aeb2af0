#pragma once

#include <QPushButton>

// The host's text button for places without content of their own (empty
// pages, property dialogs). The type picks the look; type 4 is the small
// outlined button of property dialogs, others are the filled accent button.
class OCNoContentsButton : public QPushButton
{
    Q_OBJECT

public:
    enum Type { Accent = 0, Outlined = 4 };

    explicit OCNoContentsButton(QWidget* parent = nullptr);

    void SetButtonType(int type);
    int buttonType() const { return m_type; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_type = Accent;
};
