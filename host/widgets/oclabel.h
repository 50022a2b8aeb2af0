#pragma once

#include <QLabel>

// The host's text label for dialogs: a QLabel that keeps the full text of an
// elided caption, so callers can show it as a tool tip.
class OCLabel : public QLabel
{
    Q_OBJECT

public:
    explicit OCLabel(QWidget* parent = nullptr);

    // Shows text cut to the label's width with mode; a cut text gets the
    // full one as tool tip. Returns the text shown.
    QString setElidedText(const QString& text, Qt::TextElideMode mode);
    QString fullText() const { return m_fullText; }

private:
    QString m_fullText;
};
