#pragma once

#include <QHeaderView>
#include <QPixmap>

// The horizontal header of CExtTableView: ordinary clickable sections, and
// a check box in the section of the check column that stands for "every row
// selected". Clicking that section toggles the box and reports it; it never
// sorts.
class CExtTableHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit CExtTableHeader(QWidget* parent = nullptr);

    void SetCheckColumn(int logicalIndex); // -1: no check box
    int CheckColumn() const { return m_checkColumn; }
    void SetChecked(bool checked);
    bool IsChecked() const { return m_checked; }
    // The box in viewport coordinates; empty while its section is not shown.
    QRect CheckBoxRect() const;
    // True while a mouse click on a section is being handled.
    bool IsUserClick() const { return m_userClick; }

signals:
    void checkAllClicked(bool checked);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool isOnCheckSection(const QPoint& pos) const;
    void setHover(bool hover);
    QPixmap boxImage() const;

    int m_checkColumn = -1;
    bool m_checked = false;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_userClick = false;
};
