#pragma once

#include <QLabel>

// The tutorial hint the phone screen asks for when photos are selected: a
// small bubble near the given point. A click dismisses it for the rest of
// the run; once shown, later runs never show it again (a tip is a tip once).
class TutorialBubble : public QLabel
{
    Q_OBJECT

public:
    explicit TutorialBubble(QWidget* parent);

    // at is in the coordinates of the bubble's parent; kept inside it.
    void showAt(const QPoint& at);
    bool isDismissed() const { return m_dismissed; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_dismissed = false;
};
