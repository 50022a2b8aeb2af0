#include "oclabel.h"

#include <QFontMetrics>

OCLabel::OCLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

QString OCLabel::setElidedText(const QString& text, Qt::TextElideMode mode)
{
    m_fullText = text;
    const QString elided = QFontMetrics(font()).elidedText(text, mode, width(), 0);
    setText(elided);
    setToolTip(elided != text ? text : QString());
    return elided;
}
