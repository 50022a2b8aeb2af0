#pragma once

#include <QWidget>

// The panel that holds the rows of a property dialog: white, with a thin
// rounded border, on the dialog's grey body.
class OCPropertyContextsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit OCPropertyContextsWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
