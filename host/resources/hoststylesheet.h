#pragma once

#include <QString>

// The host's style sheet for the widgets of its screens. In a right-to-left
// layout the previous and next buttons change places, so their arrows swap.
QString HostStyleSheet(bool rightToLeft);

// Gives the application the host's style sheet for the current layout
// direction (IsRTL of g_SharedValue).
void ApplyHostStyleSheet();
