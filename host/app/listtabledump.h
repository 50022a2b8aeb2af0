#pragma once

#include <QString>

class QWidget;

// Writes the list table of a plug-in screen as it is shown: a line of the
// visible column headers in visual order, then one line per row in the
// table's order, cells separated by tabs, each cell the text the table draws.
// The check-box and thumbnail columns draw no text and are left out.
class ListTableDump
{
public:
    static bool write(QWidget* pluginWidget, const QString& file, QString* error);
};
