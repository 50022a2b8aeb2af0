#pragma once

#include <QString>

// The host's style sheet for the widgets of its screens. Its {{prev}} and
// {{next}} placeholders become the arrow pointing backwards and forwards in
// the given layout direction.
QString HostStyleSheet(bool rightToLeft);

// Gives the application the host's style sheet for the current layout
// direction (IsRTL of g_SharedValue).
void ApplyHostStyleSheet();
