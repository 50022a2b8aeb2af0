#pragma once

#include <QWidget>

// A two-pixel separator between groups of a property panel: a shade line
// over a light one.
class OCPropertyContextsLine : public QWidget
{
    Q_OBJECT

public:
    explicit OCPropertyContextsLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
