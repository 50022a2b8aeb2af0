#pragma once

#include <QColor>
#include <QIcon>
#include <QSize>

// Glyphs of the viewer's buttons, drawn in code so that the buttons read
// right whatever style sheet the host applies (or none).
enum class ViewerGlyph { Close, Previous, Next, PreviousPage, NextPage, RotateLeft, RotateRight };

QIcon ViewerButtonIcon(ViewerGlyph glyph, const QSize& size, const QColor& color);
